#include "settings/Registry.h"

#include "resources/VornStrings.h"
#include "util/VornUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringDecoder>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

const QByteArray Header = QByteArrayLiteral("REGEDIT4");
const QString RootKey = QStringLiteral("HKEY_CURRENT_USER");
const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

// A hive file larger than this is not read: it is no settings file.
constexpr qint64 MaxStoreSize = 64 * 1024 * 1024;
// Hex data lines are wrapped before this width, as the registry editor does.
constexpr qsizetype HexLineWidth = 77;

// A failed system call, with a text that names the call's object and the system's reason.
struct TStoreFailure {
    QString Cause;
};

QString ErrnoText(int AErrno) {
    return QString::fromStdString(std::generic_category().message(AErrno));
}

[[noreturn]] void Fail(const QString& AWhat, const QString& APath, int AErrno) {
    throw TStoreFailure{QStringLiteral("%1 '%2': %3").arg(AWhat, APath, ErrnoText(AErrno))};
}

bool SameName(const QString& A, const QString& B) {
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

QString FullKeyName(const QString& AKey) {
    return AKey.isEmpty() ? RootKey : RootKey + u'\\' + AKey;
}

bool IsWithin(const QString& AFullName, const QString& AAncestorFullName) {
    return SameName(AFullName, AAncestorFullName) ||
           AFullName.startsWith(AAncestorFullName + u'\\', Qt::CaseInsensitive);
}

// The text of `ABytes` when they are valid UTF-8 without NUL characters.
std::optional<QString> DecodeStrict(const QByteArray& ABytes) {
    if (ABytes.contains('\0'))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(ABytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QByteArray StringData(const QString& AText) {
    QByteArray data = AText.toUtf8();
    data.append('\0');
    return data;
}

// The text of string-typed data: up to its first NUL.
QString StringOf(const QByteArray& AData) {
    const qsizetype end = AData.indexOf('\0');
    return QString::fromUtf8(end < 0 ? AData : AData.left(end));
}

bool IsBlank(const QByteArray& ALine) {
    return ALine.trimmed().isEmpty();
}

bool IsHexDigit(char C) {
    return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

int HexValue(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    return (C | 0x20) - 'a' + 10;
}

// A line that can continue hex data: hex digits, commas and blanks, maybe a final "\".
bool IsHexContinuation(const QByteArray& ABody) {
    if (IsBlank(ABody))
        return false;
    for (const char c : ABody)
        if (!IsHexDigit(c) && c != ',' && c != ' ' && c != '\t' && c != '\\')
            return false;
    return true;
}

// A quoted string of the export format starting at `APos` (on the opening quote), with \\ and \"
// as its only escapes. Moves `APos` past the closing quote; nothing when it is not closed, holds
// another escape or is not valid UTF-8.
std::optional<QString> ParseQuoted(const QByteArray& ABody, qsizetype& APos) {
    QByteArray bytes;
    for (qsizetype i = APos + 1; i < ABody.size(); ++i) {
        const char c = ABody[i];
        if (c == '"') {
            APos = i + 1;
            return DecodeStrict(bytes);
        }
        if (c == '\\') {
            if (i + 1 >= ABody.size() || (ABody[i + 1] != '\\' && ABody[i + 1] != '"'))
                return std::nullopt;
            ++i;
        }
        bytes.append(ABody[i]);
    }
    return std::nullopt;
}

QByteArray Quote(const QString& AText) {
    QByteArray quoted = "\"";
    for (const char c : AText.toUtf8()) {
        if (c == '\\' || c == '"')
            quoted.append('\\');
        quoted.append(c);
    }
    quoted.append('"');
    return quoted;
}

void SkipBlanks(const QByteArray& ABody, qsizetype& APos) {
    while (APos < ABody.size() && (ABody[APos] == ' ' || ABody[APos] == '\t'))
        ++APos;
}

bool RestIsBlank(const QByteArray& ABody, qsizetype APos) {
    SkipBlanks(ABody, APos);
    return APos == ABody.size();
}

// Bytes written as comma-separated pairs of hex digits; a trailing comma is allowed.
std::optional<QByteArray> ParseHexBytes(const QByteArray& AText) {
    QByteArray data;
    const QList<QByteArray> items = AText.split(',');
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QByteArray item = items[i].trimmed();
        if (item.isEmpty() && i == items.size() - 1)
            break;
        if (item.size() != 2 || !IsHexDigit(item[0]) || !IsHexDigit(item[1]))
            return std::nullopt;
        data.append(static_cast<char>(HexValue(item[0]) * 16 + HexValue(item[1])));
    }
    return data;
}

// The digits of hex number of at most eight digits, or nothing.
std::optional<quint32> ParseHexNumber(const QByteArray& ADigits) {
    if (ADigits.isEmpty() || ADigits.size() > 8)
        return std::nullopt;
    quint32 value = 0;
    for (const char c : ADigits) {
        if (!IsHexDigit(c))
            return std::nullopt;
        value = value * 16 + static_cast<quint32>(HexValue(c));
    }
    return value;
}

QByteArray DwordData(quint32 AValue) {
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>((AValue >> (8 * i)) & 0xFF);
    return data;
}

quint32 DwordOf(const QByteArray& AData) {
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(AData[i]);
    return value;
}

// REG_SZ data that the quoted form can hold: one terminating NUL, valid UTF-8, no line break.
bool IsQuotable(const QByteArray& AData) {
    if (!AData.endsWith('\0'))
        return false;
    const QByteArray text = AData.left(AData.size() - 1);
    return !text.contains('\r') && !text.contains('\n') && DecodeStrict(text).has_value();
}

// The lines of one value in the export format, without line ends.
QList<QByteArray> RenderValue(const QString& AName, const TRegValue& AValue) {
    QByteArray line = (AName.isEmpty() ? QByteArray("@") : Quote(AName)) + '=';
    if (AValue.Type == REG_SZ && IsQuotable(AValue.Data))
        return {line + Quote(StringOf(AValue.Data))};
    if (AValue.Type == REG_DWORD && AValue.Data.size() == 4)
        return {line +
                "dword:" + QByteArray::number(DwordOf(AValue.Data), 16).rightJustified(8, '0')};
    line += AValue.Type == REG_BINARY ? QByteArray("hex:")
                                      : "hex(" + QByteArray::number(AValue.Type, 16) + "):";
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < AValue.Data.size(); ++i) {
        const QByteArray item =
            QByteArray::number(static_cast<quint8>(AValue.Data[i]), 16).rightJustified(2, '0');
        if (i == 0) {
            line += item;
        } else if (line.size() + 3 > HexLineWidth) {
            lines.append(line + ",\\");
            line = "  " + item;
        } else {
            line += ',' + item;
        }
    }
    lines.append(line);
    return lines;
}

// An open file descriptor, closed on destruction. Paths that need to know whether the close
// succeeded call Close(); the destructor closes only on paths that already report an error.
class TFileHandle {
public:
    explicit TFileHandle(int AFd) : FFd(AFd) {}
    ~TFileHandle() {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFileHandle(TFileHandle&& AOther) noexcept : FFd(AOther.FFd) { AOther.FFd = -1; }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    TFileHandle& operator=(TFileHandle&&) = delete;

    int Fd() const { return FFd; }
    // Closes the descriptor; the errno of a failure, else 0.
    int Close() {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int FFd;
};

// What the hive file held when it was read.
struct TStoreContents {
    QByteArray Bytes;
    mode_t Mode = 0600; // the file's permissions, kept when it is replaced
};

// Reads the hive file; a missing file holds nothing. Any other failure is raised.
TStoreContents ReadStore(const QString& APath) {
    const QByteArray path = QFile::encodeName(APath);
    TStoreContents contents;
    TFileHandle file(::open(path.constData(), O_RDONLY | O_CLOEXEC));
    if (file.Fd() < 0) {
        if (errno == ENOENT)
            return contents;
        Fail(QStringLiteral("Cannot open"), APath, errno);
    }
    struct stat st {};
    if (::fstat(file.Fd(), &st) != 0)
        Fail(QStringLiteral("Cannot examine"), APath, errno);
    if (S_ISDIR(st.st_mode))
        Fail(QStringLiteral("Cannot read"), APath, EISDIR);
    contents.Mode = st.st_mode & 07777;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.Fd(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(QStringLiteral("Cannot read"), APath, errno);
        }
        if (n == 0)
            break;
        if (contents.Bytes.size() + n > MaxStoreSize)
            Fail(QStringLiteral("Cannot read"), APath, EFBIG);
        contents.Bytes.append(buffer, n);
    }
    if (const int error = file.Close(); error != 0)
        Fail(QStringLiteral("Cannot read"), APath, error);
    return contents;
}

// Creates the folder `APath` and its missing parents, each readable by its owner only.
void MakeFolder(const QString& APath) {
    const QByteArray path = QFile::encodeName(APath);
    struct stat st {};
    if (::stat(path.constData(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            Fail(QStringLiteral("Cannot create folder"), APath, ENOTDIR);
        return;
    }
    if (errno != ENOENT)
        Fail(QStringLiteral("Cannot create folder"), APath, errno);
    const qsizetype slash = APath.lastIndexOf(u'/');
    if (slash > 0)
        MakeFolder(APath.left(slash));
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        Fail(QStringLiteral("Cannot create folder"), APath, errno);
}

// The exclusive advisory lock of the hive, held until the handle closes.
TFileHandle LockStore(const QString& ALockPath) {
    const QByteArray path = QFile::encodeName(ALockPath);
    TFileHandle lock(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.Fd() < 0)
        Fail(QStringLiteral("Cannot open the lock file"), ALockPath, errno);
    while (::flock(lock.Fd(), LOCK_EX) != 0)
        if (errno != EINTR)
            Fail(QStringLiteral("Cannot lock"), ALockPath, errno);
    return lock;
}

// The file that replacing `APath` must replace: the target of a symbolic link, so that a
// linked settings file stays linked.
QString ReplacementTarget(const QString& APath) {
    const QByteArray path = QFile::encodeName(APath);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return APath;
    char* resolved = ::realpath(path.constData(), nullptr);
    if (resolved == nullptr)
        return APath;
    QString target = QFile::decodeName(resolved);
    std::free(resolved);
    return target;
}

// Replaces `APath` by a file holding `ABytes` with permissions `AMode`: written in full to a
// temporary file in the same folder, flushed to the disk and renamed over it. On failure the
// temporary file is removed and `APath` is untouched.
void ReplaceFile(const QString& APath, const QByteArray& ABytes, mode_t AMode) {
    const QFileInfo info(APath);
    const QString folder = info.absolutePath();
    QByteArray tempPath = QFile::encodeName(folder + QStringLiteral("/.") + info.fileName() +
                                            QStringLiteral(".XXXXXX"));
    TFileHandle temp(::mkostemp(tempPath.data(), O_CLOEXEC));
    if (temp.Fd() < 0)
        Fail(QStringLiteral("Cannot create a temporary file in"), folder, errno);
    const QString tempName = QFile::decodeName(tempPath);
    try {
        if (::fchmod(temp.Fd(), AMode) != 0)
            Fail(QStringLiteral("Cannot set the permissions of"), tempName, errno);
        for (qsizetype done = 0; done < ABytes.size();) {
            const ssize_t n = ::write(temp.Fd(), ABytes.constData() + done,
                                      static_cast<size_t>(ABytes.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                Fail(QStringLiteral("Cannot write"), tempName, n < 0 ? errno : EIO);
            done += n;
        }
        if (::fsync(temp.Fd()) != 0)
            Fail(QStringLiteral("Cannot write"), tempName, errno);
        if (const int error = temp.Close(); error != 0)
            Fail(QStringLiteral("Cannot write"), tempName, error);
        if (::rename(tempPath.constData(), QFile::encodeName(APath).constData()) != 0)
            Fail(QStringLiteral("Cannot replace"), APath, errno);
    } catch (TStoreFailure& failure) {
        if (::unlink(tempPath.constData()) != 0)
            failure.Cause += QStringLiteral("; the temporary file '%1' remains: %2")
                                 .arg(tempName, ErrnoText(errno));
        throw;
    }
    TFileHandle dir(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Fd() < 0 || ::fsync(dir.Fd()) != 0)
        Fail(QStringLiteral("Cannot flush the folder"), folder, errno);
    if (const int error = dir.Close(); error != 0)
        Fail(QStringLiteral("Cannot flush the folder"), folder, error);
}

// $HOME, or the home folder of the user's account entry when it is not set.
QString HomeFolder() {
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty())
        return QFile::decodeName(home);
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr)
        return QFile::decodeName(found->pw_dir);
    return QDir::rootPath();
}

} // namespace

// One entry of the hive file: a key line, a value with its continuation lines, or a line kept
// as it is (the header, blank lines, comments and whatever could not be understood).
struct TRegEntry {
    enum class TKind {
        Text,   // kept as it is, means nothing
        Key,    // `Name` is the key's full name, as between the brackets
        Value,  // `Name` and `Value` are the value's
        Broken, // names value `Name` but its data could not be understood: it is missing
    };

    TKind Kind = TKind::Text;
    QList<QByteArray> Lines; // the physical lines, with a "\r" of their own, without "\n"
    QString Name;
    TRegValue Value;
};

// The hive file as a list of entries, each holding its own lines, so that writing it back
// reproduces every line that was not changed byte for byte.
class TRegistryHive {
public:
    explicit TRegistryHive(const QByteArray& AText);

    QByteArray Render() const;

    bool KeyExists(const QString& AKey) const;
    std::optional<TRegValue> FindValue(const QString& AKey, const QString& AName) const;
    void AddKey(const QString& AKey);
    void SetValue(const QString& AKey, const QString& AName, const TRegValue& AValue);

private:
    // The entry starting at line `AIndex`; moves `AIndex` past the lines it takes.
    TRegEntry ParseEntry(const QList<QByteArray>& ALines, qsizetype& AIndex) const;
    void ParseData(TRegEntry& AEntry, const QByteArray& ABody, qsizetype APos,
                   const QList<QByteArray>& ALines, qsizetype& AIndex) const;
    // The index of the last key line of `AKey`, or -1.
    qsizetype FindKey(const QString& AKey) const;
    // Inserts a key line for `AKey` and returns its index.
    qsizetype InsertKey(const QString& AKey);
    // `ALine` with the line end of the file, less the "\n" that rendering adds.
    QByteArray WithLineEnd(const QByteArray& ALine) const;
    TRegEntry MakeLine(const QByteArray& ALine) const;

    QList<TRegEntry> FEntries;
    bool FHasHeader = false;
    QByteArray FLineEnd = "\n"; // line end of lines added: the first line's
};

TRegistryHive::TRegistryHive(const QByteArray& AText) {
    QList<QByteArray> lines = AText.split('\n');
    if (AText.isEmpty() || AText.endsWith('\n'))
        lines.removeLast();
    if (!lines.isEmpty()) {
        if (lines.first().endsWith('\r'))
            FLineEnd = "\r\n";
        QByteArray first = lines.first();
        if (first.startsWith(Utf8Bom))
            first.remove(0, Utf8Bom.size());
        FHasHeader = first.trimmed() == Header;
    }
    for (qsizetype i = 0; i < lines.size();)
        FEntries.append(ParseEntry(lines, i));
}

TRegEntry TRegistryHive::ParseEntry(const QList<QByteArray>& ALines, qsizetype& AIndex) const {
    TRegEntry entry;
    entry.Lines.append(ALines[AIndex]);
    QByteArray body = ALines[AIndex];
    ++AIndex;
    if (body.endsWith('\r'))
        body.chop(1);
    const QByteArray trimmed = body.trimmed();
    if (trimmed.startsWith('[') && trimmed.endsWith(']') && trimmed.size() >= 2) {
        if (const auto name = DecodeStrict(trimmed.mid(1, trimmed.size() - 2))) {
            entry.Kind = TRegEntry::TKind::Key;
            entry.Name = *name;
        }
        return entry;
    }
    qsizetype pos = 0;
    SkipBlanks(body, pos);
    if (pos >= body.size())
        return entry;
    QString name;
    if (body[pos] == '@') {
        ++pos;
    } else if (body[pos] == '"') {
        const auto quoted = ParseQuoted(body, pos);
        if (!quoted)
            return entry;
        name = *quoted;
    } else {
        return entry;
    }
    SkipBlanks(body, pos);
    if (pos >= body.size() || body[pos] != '=')
        return entry;
    ++pos;
    SkipBlanks(body, pos);
    entry.Kind = TRegEntry::TKind::Broken;
    entry.Name = name;
    ParseData(entry, body, pos, ALines, AIndex);
    return entry;
}

void TRegistryHive::ParseData(TRegEntry& AEntry, const QByteArray& ABody, qsizetype APos,
                              const QList<QByteArray>& ALines, qsizetype& AIndex) const {
    const QByteArray data = ABody.mid(APos);
    const QByteArray lower = data.toLower();
    if (data.startsWith('"')) {
        qsizetype pos = 0;
        const auto text = ParseQuoted(data, pos);
        if (text && RestIsBlank(data, pos)) {
            AEntry.Kind = TRegEntry::TKind::Value;
            AEntry.Value = {REG_SZ, StringData(*text)};
        }
        return;
    }
    if (lower.startsWith("dword:")) {
        if (const auto number = ParseHexNumber(data.mid(6).trimmed())) {
            AEntry.Kind = TRegEntry::TKind::Value;
            AEntry.Value = {REG_DWORD, DwordData(*number)};
        }
        return;
    }
    TRegType type = REG_BINARY;
    qsizetype bytesStart = 0;
    if (lower.startsWith("hex:")) {
        bytesStart = 4;
    } else if (lower.startsWith("hex(")) {
        const qsizetype close = lower.indexOf("):");
        const auto number = close < 0 ? std::nullopt : ParseHexNumber(data.mid(4, close - 4));
        if (!number)
            return;
        type = *number;
        bytesStart = close + 2;
    } else {
        return;
    }
    // The bytes go on over the next lines for as long as a line ends with "\"; a continuation
    // that is cut short (the file ends, or a line follows that holds no hex data) leaves the
    // value broken and the line that follows is an entry of its own.
    QByteArray hex = data.mid(bytesStart).trimmed();
    while (hex.endsWith('\\')) {
        hex.chop(1);
        if (AIndex >= ALines.size())
            return;
        QByteArray next = ALines[AIndex];
        if (next.endsWith('\r'))
            next.chop(1);
        if (!IsHexContinuation(next))
            return;
        AEntry.Lines.append(ALines[AIndex]);
        ++AIndex;
        hex += next.trimmed();
    }
    if (const auto bytes = ParseHexBytes(hex)) {
        AEntry.Kind = TRegEntry::TKind::Value;
        AEntry.Value = {type, *bytes};
    }
}

QByteArray TRegistryHive::Render() const {
    QByteArray text;
    if (!FHasHeader)
        text += Header + FLineEnd + FLineEnd;
    for (const TRegEntry& entry : FEntries)
        for (const QByteArray& line : entry.Lines)
            text += line + '\n';
    return text;
}

bool TRegistryHive::KeyExists(const QString& AKey) const {
    if (AKey.isEmpty())
        return true;
    const QString full = FullKeyName(AKey);
    for (const TRegEntry& entry : FEntries)
        if (entry.Kind == TRegEntry::TKind::Key && IsWithin(entry.Name, full))
            return true;
    return false;
}

std::optional<TRegValue> TRegistryHive::FindValue(const QString& AKey, const QString& AName) const {
    const QString full = FullKeyName(AKey);
    const TRegEntry* found = nullptr;
    bool inKey = false;
    for (const TRegEntry& entry : FEntries) {
        if (entry.Kind == TRegEntry::TKind::Key)
            inKey = SameName(entry.Name, full);
        else if (inKey && entry.Kind != TRegEntry::TKind::Text && SameName(entry.Name, AName))
            found = &entry;
    }
    if (found == nullptr || found->Kind == TRegEntry::TKind::Broken)
        return std::nullopt;
    return found->Value;
}

qsizetype TRegistryHive::FindKey(const QString& AKey) const {
    const QString full = FullKeyName(AKey);
    for (qsizetype i = FEntries.size() - 1; i >= 0; --i)
        if (FEntries[i].Kind == TRegEntry::TKind::Key && SameName(FEntries[i].Name, full))
            return i;
    return -1;
}

void TRegistryHive::AddKey(const QString& AKey) {
    if (FindKey(AKey) < 0)
        InsertKey(AKey);
}

QByteArray TRegistryHive::WithLineEnd(const QByteArray& ALine) const {
    return FLineEnd == "\r\n" ? ALine + '\r' : ALine;
}

TRegEntry TRegistryHive::MakeLine(const QByteArray& ALine) const {
    TRegEntry entry;
    entry.Lines.append(WithLineEnd(ALine));
    return entry;
}

qsizetype TRegistryHive::InsertKey(const QString& AKey) {
    // A new key goes after the last key of its parent's branch, or at the end.
    const QString parent = FullKeyName(AKey.left(qMax<qsizetype>(AKey.lastIndexOf(u'\\'), 0)));
    qsizetype at = FEntries.size();
    bool inBranch = false;
    for (qsizetype i = 0; i < FEntries.size(); ++i) {
        if (FEntries[i].Kind != TRegEntry::TKind::Key)
            continue;
        if (inBranch)
            at = i;
        inBranch = IsWithin(FEntries[i].Name, parent);
        if (inBranch)
            at = FEntries.size();
    }
    if (at > 0 && !IsBlank(FEntries[at - 1].Lines.last()))
        FEntries.insert(at++, MakeLine(QByteArray()));
    TRegEntry key = MakeLine('[' + FullKeyName(AKey).toUtf8() + ']');
    key.Kind = TRegEntry::TKind::Key;
    key.Name = FullKeyName(AKey);
    FEntries.insert(at, key);
    if (at + 1 < FEntries.size())
        FEntries.insert(at + 1, MakeLine(QByteArray()));
    return at;
}

void TRegistryHive::SetValue(const QString& AKey, const QString& AName, const TRegValue& AValue) {
    TRegEntry value;
    value.Kind = TRegEntry::TKind::Value;
    value.Name = AName;
    value.Value = AValue;
    for (const QByteArray& line : RenderValue(AName, AValue))
        value.Lines.append(WithLineEnd(line));

    // The value takes the place of the line that names it now, or follows the last value of the
    // key's last key line.
    const QString full = FullKeyName(AKey);
    qsizetype named = -1;
    qsizetype after = -1;
    bool inKey = false;
    for (qsizetype i = 0; i < FEntries.size(); ++i) {
        const TRegEntry& entry = FEntries[i];
        if (entry.Kind == TRegEntry::TKind::Key) {
            inKey = SameName(entry.Name, full);
            if (inKey)
                after = i;
        } else if (inKey && entry.Kind != TRegEntry::TKind::Text) {
            after = i;
            if (SameName(entry.Name, AName))
                named = i;
        }
    }
    if (named >= 0) {
        FEntries[named] = value;
        return;
    }
    if (after < 0)
        after = InsertKey(AKey);
    FEntries.insert(after + 1, value);
}

TRegistryError::TRegistryError(const QString& AMessage, const QString& ACause)
    : std::runtime_error(AMessage.toStdString()), FMessage(AMessage), FCause(ACause) {}

TRegistry::TRegistry() : FStoreFile(StoreFile()) {
    try {
        FHive = std::make_unique<TRegistryHive>(ReadStore(FStoreFile).Bytes);
    } catch (const TStoreFailure&) {
        // Unreadable: every value reads as missing, and changing the file fails when it is
        // read again under the lock, so nothing in it is lost.
        FHive = std::make_unique<TRegistryHive>(QByteArray());
    }
}

TRegistry::~TRegistry() = default;

QString TRegistry::StoreFile() {
    // Per the base-directory rules, an unset, empty or relative XDG_CONFIG_HOME is ignored.
    QString config = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    if (!config.startsWith(u'/'))
        config = HomeFolder() + QStringLiteral("/.config");
    return config + QStringLiteral("/Quorvane/HKCU.reg");
}

namespace {

// The key path `AKey` resolves to from `ACurrent`: names joined by "\", empty for the root.
// Nothing when a name is empty or holds a character the file cannot keep in a key line.
std::optional<QString> ResolveKey(const std::optional<QString>& ACurrent, const QString& AKey) {
    QString path = AKey;
    if (path.startsWith(u'\\'))
        path.remove(0, 1);
    else if (ACurrent && !ACurrent->isEmpty())
        path = path.isEmpty() ? *ACurrent : *ACurrent + u'\\' + path;
    if (path.endsWith(u'\\'))
        path.chop(1);
    if (path.isEmpty())
        return path;
    for (const QString& name : path.split(u'\\'))
        if (name.isEmpty() || name.contains(u'\r') || name.contains(u'\n') || name.contains(u'\0'))
            return std::nullopt;
    return path;
}

// Applies `AChange` to the hive file as it is now and writes the result, under the lock, and
// returns what the file holds afterwards. On failure the file stays as it was.
std::unique_ptr<TRegistryHive> CommitChange(const QString& AStoreFile,
                                            const std::function<void(TRegistryHive&)>& AChange) {
    MakeFolder(QFileInfo(AStoreFile).absolutePath());
    TFileHandle lock = LockStore(AStoreFile + QStringLiteral(".lock"));
    const TStoreContents contents = ReadStore(AStoreFile);
    auto hive = std::make_unique<TRegistryHive>(contents.Bytes);
    AChange(*hive);
    ReplaceFile(ReplacementTarget(AStoreFile), hive->Render(), contents.Mode);
    if (const int error = lock.Close(); error != 0)
        Fail(QStringLiteral("Cannot unlock"), AStoreFile + QStringLiteral(".lock"), error);
    return hive;
}

} // namespace

bool TRegistry::OpenKey(const QString& AKey, bool ACanCreate) {
    const std::optional<QString> key = ResolveKey(FCurrentKey, AKey);
    if (!key) {
        FLastError = QStringLiteral("Invalid key name '%1'").arg(AKey);
        return false;
    }
    if (!FHive->KeyExists(*key)) {
        if (!ACanCreate) {
            FLastError = QStringLiteral("The key '%1' does not exist").arg(*key);
            return false;
        }
        try {
            FHive = CommitChange(FStoreFile, [&key](TRegistryHive& AHive) { AHive.AddKey(*key); });
        } catch (const TStoreFailure& failure) {
            FLastError = failure.Cause;
            return false;
        }
    }
    FCurrentKey = key;
    return true;
}

void TRegistry::CloseKey() {
    FCurrentKey.reset();
}

std::optional<TRegValue> TRegistry::GetValue(const QString& AName) const {
    if (!FCurrentKey)
        return std::nullopt;
    return FHive->FindValue(*FCurrentKey, AName);
}

bool TRegistry::ValueExists(const QString& AName) const {
    return GetValue(AName).has_value();
}

std::optional<TRegType> TRegistry::GetDataType(const QString& AName) const {
    const std::optional<TRegValue> value = GetValue(AName);
    if (!value)
        return std::nullopt;
    return value->Type;
}

namespace {

[[noreturn]] void RaiseInvalidType(const QString& AName) {
    throw TRegistryError(Format(LoadStr(TStringId::InvalidDataType), {AName}));
}

} // namespace

QString TRegistry::ReadString(const QString& AName) const {
    const std::optional<TRegValue> value = GetValue(AName);
    if (!value)
        return QString();
    if (value->Type != REG_SZ && value->Type != REG_EXPAND_SZ)
        RaiseInvalidType(AName);
    return StringOf(value->Data);
}

qint32 TRegistry::ReadInteger(const QString& AName) const {
    const std::optional<TRegValue> value = GetValue(AName);
    if (!value || value->Type != REG_DWORD || value->Data.size() != 4)
        RaiseInvalidType(AName);
    return static_cast<qint32>(DwordOf(value->Data));
}

void TRegistry::WriteString(const QString& AName, const QString& AValue) {
    WriteValue(AName, {REG_SZ, StringData(AValue)});
}

void TRegistry::WriteExpandString(const QString& AName, const QString& AValue) {
    WriteValue(AName, {REG_EXPAND_SZ, StringData(AValue)});
}

void TRegistry::WriteInteger(const QString& AName, qint32 AValue) {
    WriteValue(AName, {REG_DWORD, DwordData(static_cast<quint32>(AValue))});
}

void TRegistry::WriteValue(const QString& AName, const TRegValue& AValue) {
    const QString message = Format(LoadStr(TStringId::FailedSetData), {AName});
    if (!FCurrentKey)
        throw TRegistryError(message, QStringLiteral("No key is open"));
    if (AName.contains(u'\r') || AName.contains(u'\n') || AName.contains(u'\0'))
        throw TRegistryError(message, QStringLiteral("The name cannot be stored"));
    const QString key = *FCurrentKey;
    try {
        FHive = CommitChange(FStoreFile,
                             [&](TRegistryHive& AHive) { AHive.SetValue(key, AName, AValue); });
    } catch (const TStoreFailure& failure) {
        throw TRegistryError(message, failure.Cause);
    }
}

TRegistryIniFile::TRegistryIniFile(const QString& AKey) : FKey(AKey) {
    // A key that cannot be created is reported by the first write, whose section cannot be.
    FRegistry.OpenKey(FKey, true);
}

bool TRegistryIniFile::OpenSection(const QString& ASection, bool ACanCreate) {
    return FRegistry.OpenKey(FKey + u'\\' + ASection, ACanCreate);
}

void TRegistryIniFile::CreateSection(const QString& ASection) {
    if (!OpenSection(ASection, true))
        throw TRegistryError(Format(LoadStr(TStringId::FailedCreateKey), {ASection}),
                             FRegistry.LastError());
}

QString TRegistryIniFile::ReadString(const QString& ASection, const QString& AName,
                                     const QString& ADefault) {
    if (!OpenSection(ASection, false) || !FRegistry.ValueExists(AName))
        return ADefault;
    return FRegistry.ReadString(AName);
}

namespace {

bool IsStringType(TRegType AType) {
    return AType == REG_SZ || AType == REG_EXPAND_SZ;
}

// A whole number in decimal: an optional sign and digits, within 32 bits.
std::optional<qint32> ParseWholeNumber(const QString& AText) {
    const qsizetype digits = AText.startsWith(u'-') || AText.startsWith(u'+') ? 1 : 0;
    if (AText.size() == digits)
        return std::nullopt;
    for (qsizetype i = digits; i < AText.size(); ++i)
        if (AText[i] < u'0' || AText[i] > u'9')
            return std::nullopt;
    bool ok = false;
    const qint32 value = AText.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

qint32 TRegistryIniFile::ReadInteger(const QString& ASection, const QString& AName,
                                     qint32 ADefault) {
    if (!OpenSection(ASection, false) || !FRegistry.ValueExists(AName))
        return ADefault;
    if (IsStringType(*FRegistry.GetDataType(AName)))
        return ParseWholeNumber(FRegistry.ReadString(AName)).value_or(ADefault);
    return FRegistry.ReadInteger(AName);
}

bool TRegistryIniFile::ReadBool(const QString& ASection, const QString& AName, bool ADefault) {
    return ReadInteger(ASection, AName, ADefault ? 1 : 0) != 0;
}

void TRegistryIniFile::WriteString(const QString& ASection, const QString& AName,
                                   const QString& AValue) {
    CreateSection(ASection);
    FRegistry.WriteString(AName, AValue);
}

void TRegistryIniFile::WriteInteger(const QString& ASection, const QString& AName, qint32 AValue) {
    CreateSection(ASection);
    const std::optional<TRegType> type = FRegistry.GetDataType(AName);
    if (type == REG_EXPAND_SZ)
        FRegistry.WriteExpandString(AName, QString::number(AValue));
    else if (type == REG_SZ)
        FRegistry.WriteString(AName, QString::number(AValue));
    else
        FRegistry.WriteInteger(AName, AValue);
}

void TRegistryIniFile::WriteBool(const QString& ASection, const QString& AName, bool AValue) {
    WriteString(ASection, AName, AValue ? QStringLiteral("1") : QStringLiteral("0"));
}
