// A second process for the settings tests: loads or saves the settings of a program file and
// prints what it found, so a test reads back what was really stored, not a cache of its own.
//
//   VornSettingsProbe load PROGRAM                   prints the six fields after Load
//   VornSettingsProbe save PROGRAM [FIELD=VALUE]...  Load, set the fields, Save
//   VornSettingsProbe save-many PROGRAM COUNT        COUNT times: Load, BufSize = n, Save
//   VornSettingsProbe tracking PROGRAM               prints the tracking code
//
// Output lines are NAME=VALUE with VALUE percent-encoded UTF-8; a TRegistryError adds
// "error=" and "cause=" lines. The exit code is 0 unless the arguments are wrong.
#include "settings/Registry.h"
#include "settings/Setting.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

void Print(const char* AName, const QString& AValue) {
    std::printf("%s=%s\n", AName, AValue.toUtf8().toPercentEncoding().constData());
}

void PrintFields(const TSetting& ASetting) {
    Print("OpenDirectory", ASetting.OpenDirectory);
    Print("OpenFilterIndex", QString::number(ASetting.OpenFilterIndex));
    Print("SaveFilterIndex", QString::number(ASetting.SaveFilterIndex));
    Print("OpenFixed", ASetting.OpenFixed ? QStringLiteral("1") : QStringLiteral("0"));
    Print("TempDir", ASetting.TempDir);
    Print("BufSize", QString::number(ASetting.BufSize));
}

void PrintError(const TRegistryError& AError) {
    Print("error", AError.Message());
    Print("cause", AError.Cause());
}

bool SetField(TSetting& ASetting, const QString& AAssignment) {
    const qsizetype equals = AAssignment.indexOf(u'=');
    if (equals < 0)
        return false;
    const QString name = AAssignment.left(equals);
    const QString value = AAssignment.mid(equals + 1);
    if (name == u"OpenDirectory")
        ASetting.OpenDirectory = value;
    else if (name == u"OpenFilterIndex")
        ASetting.OpenFilterIndex = value.toInt();
    else if (name == u"SaveFilterIndex")
        ASetting.SaveFilterIndex = value.toInt();
    else if (name == u"OpenFixed")
        ASetting.OpenFixed = value == u"1";
    else if (name == u"TempDir")
        ASetting.TempDir = value;
    else if (name == u"BufSize")
        ASetting.BufSize = value.toInt();
    else
        return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s load|save|save-many|tracking PROGRAM ...\n", argv[0]);
        return 1;
    }
    const QString command = QString::fromUtf8(argv[1]);
    const QString program = QString::fromUtf8(argv[2]);
    try {
        if (command == u"tracking") {
            Print("TrackingCode", ReadTrackingCode(program));
            return 0;
        }
        TSetting setting(program);
        if (command == u"load") {
            try {
                setting.Load();
            } catch (const TRegistryError& error) {
                PrintError(error);
            }
            PrintFields(setting);
            return 0;
        }
        if (command == u"save") {
            setting.Load();
            for (int i = 3; i < argc; ++i)
                if (!SetField(setting, QString::fromUtf8(argv[i]))) {
                    std::fprintf(stderr, "bad field assignment: %s\n", argv[i]);
                    return 1;
                }
            setting.Save();
            return 0;
        }
        if (command == u"save-many" && argc == 4) {
            const int count = std::atoi(argv[3]);
            for (int n = 0; n < count; ++n) {
                setting.Load();
                setting.BufSize = n;
                setting.Save();
            }
            return 0;
        }
    } catch (const TRegistryError& error) {
        PrintError(error);
        return 0;
    }
    std::fprintf(stderr, "unknown command: %s\n", argv[1]);
    return 1;
}
