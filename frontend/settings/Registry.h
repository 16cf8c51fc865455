// The per-user registry hive of the front end and the settings view of one of its keys.
//
// Linux has no registry, so the hive is a text file of our own in the registry export format,
// ${XDG_CONFIG_HOME:-$HOME/.config}/Quorvane/HKCU.reg:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\VornFullVersion\Misc]
//   "OpenDirectory"="/home/ann/data/"
//   "BufSize"=dword:00000200
//
// Values keep their types: "text" is REG_SZ (with \\ and \" escapes), dword:XXXXXXXX REG_DWORD,
// hex: REG_BINARY and hex(N): any other type N, its bytes over continued lines ending in "\".
// @= names the default value, lines starting with ";" are comments. Text inside the file is
// UTF-8, and so are the bytes of string types written in hex form.
//
// The file belongs to every program of the user that cares to use it. A change is made at once:
// under an advisory lock the file is read afresh, the one change is applied to what it holds
// then, and the result replaces the file atomically, so every key, value, comment and line this
// program did not write itself stays as it was, whoever wrote it meanwhile. Lines that cannot
// be understood (hand edits, a truncated continuation, binary junk) count as missing and are
// kept byte for byte; writing a value whose line could not be understood replaces that line.
// A failed change leaves the file as it was.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <stdexcept>

// The type of a registry value, as the registry numbers them.
using TRegType = quint32;
inline constexpr TRegType REG_NONE = 0;
inline constexpr TRegType REG_SZ = 1;
inline constexpr TRegType REG_EXPAND_SZ = 2;
inline constexpr TRegType REG_BINARY = 3;
inline constexpr TRegType REG_DWORD = 4;
inline constexpr TRegType REG_MULTI_SZ = 7;
inline constexpr TRegType REG_QWORD = 11;

// A value as the registry keeps it: its type and its bytes. String types hold UTF-8 text with a
// terminating NUL; REG_DWORD holds four bytes, least significant first.
struct TRegValue {
    TRegType Type = REG_NONE;
    QByteArray Data;
};

// A failure of the registry, raised to the user. `Message()` is the program's text for it
// ("Failed to set data for 'BufSize'"); `Cause()` is what the system reported underneath it
// ("Cannot create folder '/home/ann/.config/Quorvane': Not a directory"), or empty.
class TRegistryError : public std::runtime_error {
public:
    explicit TRegistryError(const QString& AMessage, const QString& ACause = QString());

    const QString& Message() const { return FMessage; }
    const QString& Cause() const { return FCause; }

private:
    QString FMessage;
    QString FCause;
};

class TRegistryHive;

// The keys and values of HKEY_CURRENT_USER. A key path is its names joined by "\"; one starting
// with "\" is absolute, any other is relative to the current key. The object reads the file
// when it is created and sees it as it was then, plus the changes it made itself.
class TRegistry {
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // The hive file, from the environment as it is now; the advisory lock is taken on this
    // path with ".lock" appended.
    static QString StoreFile();

    // Makes `AKey` the current key. A missing key is created in the file when `ACanCreate`
    // is set (a key also exists when only keys below it are in the file). False, with the
    // reason in `LastError()`, when the key is missing and may not or cannot be created.
    bool OpenKey(const QString& AKey, bool ACanCreate);
    // Leaves no key current: values then read as missing and cannot be written.
    void CloseKey();
    const QString& LastError() const { return FLastError; }

    // A value of the current key; missing when there is none by that name (names are compared
    // regardless of case) or its line could not be understood.
    std::optional<TRegValue> GetValue(const QString& AName) const;
    bool ValueExists(const QString& AName) const;
    std::optional<TRegType> GetDataType(const QString& AName) const;

    // The text of a REG_SZ or REG_EXPAND_SZ value as stored, environment references unexpanded;
    // empty when the value is missing. Any other type raises "Invalid data type for '%s'".
    QString ReadString(const QString& AName) const;
    // A REG_DWORD value. A missing value or one of any other type raises
    // "Invalid data type for '%s'".
    qint32 ReadInteger(const QString& AName) const;

    // These set a value of the current key with the given type, replacing any value of that
    // name, and raise "Failed to set data for '%s'" when the file cannot be changed.
    void WriteString(const QString& AName, const QString& AValue);
    void WriteExpandString(const QString& AName, const QString& AValue);
    void WriteInteger(const QString& AName, qint32 AValue);

private:
    void WriteValue(const QString& AName, const TRegValue& AValue);

    QString FStoreFile;
    std::unique_ptr<TRegistryHive> FHive;
    std::optional<QString> FCurrentKey;
    QString FLastError;
};

// One settings key of the registry seen as sections (its subkeys) of named values, read and
// written by the rules of the program's settings:
// - a string is a REG_SZ or REG_EXPAND_SZ value, returned as stored;
// - an integer is a REG_DWORD value, or a string-typed value holding a whole number in decimal
//   (an optional sign and digits only, within 32 bits); text that is not such a number gives
//   the default;
// - a Boolean is read as an integer, non-zero meaning true, and written as the text "1" or "0";
// - a missing section or value gives the default; a value of another type raises
//   "Invalid data type for '%s'";
// - writing creates a missing section or raises "Failed to create key %s", then sets the value
//   or raises "Failed to set data for '%s'". An integer is written as decimal text when the
//   value already exists with a string type, so a number a user typed as text stays text;
//   otherwise it is written as REG_DWORD.
class TRegistryIniFile {
public:
    // Opens the key `AKey` (absolute), creating it when missing. When it cannot be created,
    // values still read as the file holds them, and writing fails at the section.
    explicit TRegistryIniFile(const QString& AKey);

    QString ReadString(const QString& ASection, const QString& AName, const QString& ADefault);
    qint32 ReadInteger(const QString& ASection, const QString& AName, qint32 ADefault);
    bool ReadBool(const QString& ASection, const QString& AName, bool ADefault);

    void WriteString(const QString& ASection, const QString& AName, const QString& AValue);
    void WriteInteger(const QString& ASection, const QString& AName, qint32 AValue);
    void WriteBool(const QString& ASection, const QString& AName, bool AValue);

private:
    // Makes the section current; false when it is missing (and may not or cannot be created).
    bool OpenSection(const QString& ASection, bool ACanCreate);
    // Makes the section current, creating it when missing, or raises "Failed to create key %s".
    void CreateSection(const QString& ASection);

    TRegistry FRegistry;
    QString FKey;
};
