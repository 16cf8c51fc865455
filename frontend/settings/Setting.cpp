#include "settings/Setting.h"

#include "settings/Registry.h"
#include "util/VornUtils.h"

#include <QFileInfo>

QString TSetting::GetDefaultOpenDir() const {
    QString folder = QFileInfo(ProgramFile()).absolutePath();
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

void TSetting::Save() {
    TVornSetting::Save();
    TRegistryIniFile ini(SettingsKeyPath(ProgramFile()));
    ini.WriteBool(SettingsSection, QStringLiteral("OpenFixed"), OpenFixed);
    ini.WriteString(SettingsSection, QStringLiteral("TempDir"), TempDir);
    ini.WriteInteger(SettingsSection, QStringLiteral("BufSize"), BufSize);
}

void TSetting::Load() {
    TVornSetting::Load();
    TRegistryIniFile ini(SettingsKeyPath(ProgramFile()));
    OpenFixed = ini.ReadBool(SettingsSection, QStringLiteral("OpenFixed"), true);
    const QString defaultTempDir = GetTempDirectory();
    TempDir = ini.ReadString(SettingsSection, QStringLiteral("TempDir"), defaultTempDir);
    BufSize = ini.ReadInteger(SettingsSection, QStringLiteral("BufSize"), 512);
}
