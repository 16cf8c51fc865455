// The framework's per-user settings: what the main window remembers of its file dialogs.
//
// The values live in the per-user registry under "\Software\" followed by the running program
// file's name without its extension, in the section Misc, so a copy of the program under another
// file name starts with fresh settings. The object holds no handle to the store: every Load and
// Save opens it, does its work and closes it again, once per layer.
#pragma once

#include <QLatin1String>
#include <QString>

// The section of the settings key that holds every value.
inline constexpr QLatin1String SettingsSection("Misc");

// The settings key of the program file `AProgramFile` (its file-name part without its last
// extension): "/opt/q/tool.beta.exe" gives "\Software\tool.beta".
QString SettingsKeyPath(const QString& AProgramFile);

// The string value TrackingCode of the program's settings, read from the store afresh at each
// call; empty when it is missing. Opens (and creates when missing) the settings key as Load
// does, and raises TRegistryError "Invalid data type for 'TrackingCode'" when the value is not
// of a string type. `AProgramFile` stands for the running program file when it is not empty.
QString ReadTrackingCode(const QString& AProgramFile = QString());

// Loading raises TRegistryError "Invalid data type for '%s'" on a value of the wrong type and
// stops there, the fields after it keeping what they held. Saving raises TRegistryError
// "Failed to create key Misc" when the section cannot be created and "Failed to set data for
// '%s'" when a value cannot be written; the values after it are not written. Neither checks
// or clamps a value.
class TVornSetting {
public:
    // `AProgramFile` stands for the running program file when it is not empty; the key and the
    // default folder are derived from it at each Load and Save.
    explicit TVornSetting(const QString& AProgramFile = QString());
    virtual ~TVornSetting() = default;
    TVornSetting(const TVornSetting&) = delete;
    TVornSetting& operator=(const TVornSetting&) = delete;

    QString OpenDirectory;      // where the open dialog for the source file starts
    qint32 OpenFilterIndex = 0; // 1-based filter index of the open dialog
    qint32 SaveFilterIndex = 0; // 1-based filter index of the output file's save dialog

    // The default of OpenDirectory.
    virtual QString GetDefaultOpenDir() const = 0;
    // Writes OpenDirectory (REG_SZ), OpenFilterIndex and SaveFilterIndex, in that order.
    virtual void Save();
    // Reads OpenDirectory (default GetDefaultOpenDir()), OpenFilterIndex and SaveFilterIndex
    // (default 1 each), in that order.
    virtual void Load();

protected:
    // The program file the settings belong to.
    QString ProgramFile() const;

private:
    QString FProgramFile;
};
