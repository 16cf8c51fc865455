// Small functions shared by the windows, the settings and the log report:
// paths and extensions, the temporary directory, file-dialog filters, the
// batch run's confirmation with remembered answers, the elapsed-time text,
// report texts and the tracking parameter of web links. None of them keeps
// state of its own or reports an error: a failed query gives an empty text
// or false.
#pragma once

#include <QString>

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <variant>

class TSkinMessage;

// `APath` without its last extension. The extension starts at the last ".",
// provided no "/", "\" or ":" follows it, so a dot in a folder name is not
// an extension: "archive.tar.gz" gives "archive.tar", "name." gives "name",
// ".cfg" gives "" and "dir.old/file" stays whole.
QString RemoveFileExt(const QString& APath);

// The canonical long form of the existing path `APath`: absolute, with
// symbolic links, "." and ".." resolved, and a trailing "/" kept when
// `APath` has one. True and `ALongPath` set when the path exists and its
// long form is 1 to 259 bytes long; false and `ALongPath` empty otherwise.
bool ToLongPathName(const QString& APath, QString& ALongPath);

// The system's temporary directory ($TMPDIR when set and not empty, else
// "/tmp") with a trailing "/", in long form when it has one.
QString GetTempDirectory();

// The extension, without its dot, of the first pattern of entry `AIndex`
// (counted from 1) of the file-dialog filter `AFilter`. A filter is pairs of
// description and patterns joined by "|"; the patterns of one entry are
// joined by ";". Empty when there is no such entry or its first pattern has
// no extension. For "Oracle database files (*.dbf)|*.dbf|All files (*.*)|*.*"
// index 1 gives "dbf" and index 2 gives "*".
QString GetFilterExt(const QString& AFilter, int AIndex);

// Asks `AText` in `ASkinMessage` as a confirmation with the buttons Yes, No,
// Cancel, No to All and Yes to All, and tells whether to go ahead. The
// caller keeps one pair of to-all flags per kind of question, both false at
// the start of a batch run: a set `ANoToAll` answers false and a set
// `AYesToAll` true without asking, and the answers No to All and Yes to All
// set them. Cancel sets `ACancel` (cleared on every call) and answers true,
// so the caller tests `ACancel` first. Without a box, and when the box is
// closed without a button, the answer is true.
bool ConfirmWithToAll(TSkinMessage* ASkinMessage, const QString& AText, bool& AYesToAll,
                      bool& ACancel, bool& ANoToAll);

// One argument of `Format`: a text, a whole number or a floating-point number.
class TFormatArg {
public:
    using TValue = std::variant<QString, std::int64_t, std::uint64_t, double>;

    TFormatArg(const QString& AText) : FValue(AText) {}
    TFormatArg(const char* AText) : FValue(QString::fromUtf8(AText)) {}
    template <std::signed_integral T>
    TFormatArg(T AValue) : FValue(static_cast<std::int64_t>(AValue)) {}
    template <std::unsigned_integral T>
    requires(!std::same_as<T, bool>) TFormatArg(T AValue)
        : FValue(static_cast<std::uint64_t>(AValue)) {}
    TFormatArg(double AValue) : FValue(AValue) {}
    TFormatArg(bool) = delete;

    const TValue& Value() const { return FValue; }

private:
    TValue FValue;
};

// `APattern` with its directives replaced by `AArgs` in order. A directive is
// "%", an optional precision ("." and up to four digits) and a type:
//   s  a text;
//   d  a whole number in decimal, with at least precision digits;
//   u  a whole number as an unsigned 64-bit number (a negative one in two's
//      complement), with at least precision digits;
//   n  a number with "," between groups of three digits and precision
//      decimals (2 when no precision is given), so "%.0n" of 2147483648 is
//      "2,147,483,648";
//   %  a single "%" (no argument).
// Every directive takes the next argument. A directive of another form, or
// whose argument is missing or of the wrong kind, is copied unchanged.
QString Format(const QString& APattern, std::initializer_list<TFormatArg> AArgs = {});

// The elapsed-time text of `ADuration` (days, finite and under about 10^8
// days in size). `APattern` is a date-time pattern: text in double or single
// quotes is copied without the quotes; "h", "n" and "s" give the hours,
// minutes and seconds of the time of day, "z" its milliseconds, all without
// leading zeros ("hh", "nn", "ss" give two digits and "zzz" three); letters
// are matched regardless of case and every other character is copied. The
// time of day is the duration rounded to the nearest millisecond, modulo one
// day (of its size, for a negative duration). The text is then used as a
// `Format` pattern with the whole number of days, `ADuration` truncated
// towards zero, as the argument of its "%d".
QString FormatElapsedTime(const QString& APattern, double ADuration);

// The text of a check box in a report: `ACaption` as stored (an accelerator
// "&" stays in), ": ", then "Yes" or "No" by `AChecked`.
QString CheckBoxInfoText(const QString& ACaption, bool AChecked);

// The tracking code of web links: the string value TrackingCode in section
// Misc of the program's settings key, read from the store afresh at each
// call; empty when it is missing. Opens the key as the settings do and
// shares their failures (TRegistryError).
QString GetTrackingCode();

// `ALink` with "?utm_source=" and the tracking code appended, or unchanged
// when the code is empty.
QString AddTrackingParam(const QString& ALink);

// The drive part of `APath`: the mount point of the file system that holds
// it, or holds its nearest existing ancestor when it does not exist yet;
// empty when none is found. Relative paths count from the current folder.
QString DrivePartOf(const QString& APath);

// Bytes free for the user on the file system of DrivePartOf(APath)
// (statvfs: f_bavail * f_frsize); -1 when that cannot be learned.
qint64 FreeSpaceOf(const QString& APath);

// The file-name part of `APath`: what follows its last "/".
QString FileNamePart(const QString& APath);

// The folder of `ATarget` expanded to a full path against the current
// folder, with its trailing "/": the folder a run must find or create.
QString TargetFolderOf(const QString& ATarget);

