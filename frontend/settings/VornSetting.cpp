#include "settings/VornSetting.h"

#include "settings/Registry.h"
#include "util/VornUtils.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

// The running program file, or `AProgramFile` when it is not empty.
QString ProgramFilePath(const QString& AProgramFile) {
    return AProgramFile.isEmpty() ? QCoreApplication::applicationFilePath() : AProgramFile;
}

} // namespace

QString SettingsKeyPath(const QString& AProgramFile) {
    return QStringLiteral("\\Software\\") + RemoveFileExt(QFileInfo(AProgramFile).fileName());
}

QString ReadTrackingCode(const QString& AProgramFile) {
    TRegistryIniFile ini(SettingsKeyPath(ProgramFilePath(AProgramFile)));
    return ini.ReadString(SettingsSection, QStringLiteral("TrackingCode"), QString());
}

TVornSetting::TVornSetting(const QString& AProgramFile) : FProgramFile(AProgramFile) {}

QString TVornSetting::ProgramFile() const {
    return ProgramFilePath(FProgramFile);
}

void TVornSetting::Save() {
    TRegistryIniFile ini(SettingsKeyPath(ProgramFile()));
    ini.WriteString(SettingsSection, QStringLiteral("OpenDirectory"), OpenDirectory);
    ini.WriteInteger(SettingsSection, QStringLiteral("OpenFilterIndex"), OpenFilterIndex);
    ini.WriteInteger(SettingsSection, QStringLiteral("SaveFilterIndex"), SaveFilterIndex);
}

void TVornSetting::Load() {
    TRegistryIniFile ini(SettingsKeyPath(ProgramFile()));
    const QString defaultDir = GetDefaultOpenDir();
    OpenDirectory = ini.ReadString(SettingsSection, QStringLiteral("OpenDirectory"), defaultDir);
    OpenFilterIndex = ini.ReadInteger(SettingsSection, QStringLiteral("OpenFilterIndex"), 1);
    SaveFilterIndex = ini.ReadInteger(SettingsSection, QStringLiteral("SaveFilterIndex"), 1);
}
