#include "util/VornUtils.h"

#include <QFileInfo>
#include <QStorageInfo>

#include "resources/VornStrings.h"
#include "settings/VornSetting.h"
#include "util/SkinMessage.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// Position of the dot that starts the extension of `APath`: the last of ".",
// "/", "\" and ":" when it is a dot; -1 when there is none.
qsizetype ExtensionDot(const QString& APath) {
    for (qsizetype i = APath.size() - 1; i >= 0; --i) {
        const QChar c = APath.at(i);
        if (c == u'.')
            return i;
        if (c == u'/' || c == u'\\' || c == u':')
            return -1;
    }
    return -1;
}

// A long path must fit a buffer of 260 bytes with its terminating NUL.
constexpr qsizetype MaxLongPath = 259;

constexpr std::int64_t MsPerDay = 86'400'000;

// The size of `AValue`; negated unsigned, as that of INT64_MIN does not fit
// an int64_t.
std::uint64_t Magnitude(std::int64_t AValue) {
    return AValue < 0 ? 0 - static_cast<std::uint64_t>(AValue) : static_cast<std::uint64_t>(AValue);
}

// `AValue` in decimal with at least `AMinDigits` digits.
QString Digits(std::uint64_t AValue, int AMinDigits) {
    return QString::number(AValue).rightJustified(AMinDigits, u'0');
}

// `ADigits` (decimal digits only) with "," between groups of three.
QString GroupThousands(const QString& ADigits) {
    QString result;
    const qsizetype n = ADigits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            result += u',';
        result += ADigits.at(i);
    }
    return result;
}

// The "n" directive: grouped integer part, `APrecision` decimals.
QString FormatNumber(const TFormatArg::TValue& AValue, int APrecision) {
    bool negative = false;
    QString whole;
    QString fraction;
    if (const auto* i = std::get_if<std::int64_t>(&AValue)) {
        negative = *i < 0;
        whole = QString::number(Magnitude(*i));
        fraction.fill(u'0', APrecision);
    } else if (const auto* u = std::get_if<std::uint64_t>(&AValue)) {
        whole = QString::number(*u);
        fraction.fill(u'0', APrecision);
    } else {
        const double d = std::get<double>(AValue);
        const QString fixed = QString::number(std::fabs(d), 'f', APrecision);
        // A value that rounds to zero shows no sign.
        negative = d < 0 && std::any_of(fixed.cbegin(), fixed.cend(),
                                        [](QChar c) { return c >= u'1' && c <= u'9'; });
        const qsizetype point = fixed.indexOf(u'.');
        whole = point < 0 ? fixed : fixed.left(point);
        fraction = point < 0 ? QString() : fixed.mid(point + 1);
    }
    QString result = negative ? QStringLiteral("-") : QString();
    result += GroupThousands(whole);
    if (APrecision > 0)
        result += u'.' + fraction;
    return result;
}

// One directive of type `AType` with `APrecision` (-1 when none) applied to
// `AValue`; nothing when the argument is of the wrong kind.
std::optional<QString> FormatDirective(QChar AType, int APrecision,
                                       const TFormatArg::TValue& AValue) {
    const int minDigits = APrecision < 0 ? 0 : APrecision;
    switch (AType.unicode()) {
    case u's':
        if (const auto* s = std::get_if<QString>(&AValue))
            return *s;
        return std::nullopt;
    case u'd':
        if (const auto* i = std::get_if<std::int64_t>(&AValue))
            return (*i < 0 ? QStringLiteral("-") : QString()) + Digits(Magnitude(*i), minDigits);
        if (const auto* u = std::get_if<std::uint64_t>(&AValue))
            return Digits(*u, minDigits);
        return std::nullopt;
    case u'u':
        if (const auto* i = std::get_if<std::int64_t>(&AValue))
            return Digits(static_cast<std::uint64_t>(*i), minDigits);
        if (const auto* u = std::get_if<std::uint64_t>(&AValue))
            return Digits(*u, minDigits);
        return std::nullopt;
    case u'n':
        if (std::holds_alternative<QString>(AValue))
            return std::nullopt;
        return FormatNumber(AValue, APrecision < 0 ? 2 : APrecision);
    }
    return std::nullopt;
}

// Appends the field of time letter `ALetter` (lower case) repeated `ACount`
// times to `AResult`; false when `ALetter` is not a time letter.
bool AppendTimeField(QString& AResult, char16_t ALetter, qsizetype ACount,
                     std::int64_t ATimeOfDayMs) {
    switch (ALetter) {
    case u'h':
        AResult += Digits(ATimeOfDayMs / 3'600'000, ACount >= 2 ? 2 : 0);
        return true;
    case u'n':
        AResult += Digits(ATimeOfDayMs / 60'000 % 60, ACount >= 2 ? 2 : 0);
        return true;
    case u's':
        AResult += Digits(ATimeOfDayMs / 1'000 % 60, ACount >= 2 ? 2 : 0);
        return true;
    case u'z':
        AResult += Digits(ATimeOfDayMs % 1'000, ACount == 3 ? 3 : 0);
        return true;
    }
    return false;
}

} // namespace

QString RemoveFileExt(const QString& APath) {
    const qsizetype dot = ExtensionDot(APath);
    return dot < 0 ? APath : APath.left(dot);
}

bool ToLongPathName(const QString& APath, QString& ALongPath) {
    ALongPath.clear();
    // A NUL would end the path early and name another file.
    if (APath.contains(QChar::Null))
        return false;
    const QByteArray path = QFile::encodeName(APath);
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.constData(), nullptr),
                                                               &std::free);
    if (!resolved)
        return false;
    QString longPath = QFile::decodeName(resolved.get());
    if (APath.endsWith(u'/') && !longPath.endsWith(u'/'))
        longPath += u'/';
    if (QFile::encodeName(longPath).size() > MaxLongPath)
        return false;
    ALongPath = longPath;
    return true;
}

QString GetTempDirectory() {
    const char* env = std::getenv("TMPDIR");
    QString temp = env != nullptr && *env != '\0' ? QFile::decodeName(env) : QStringLiteral("/tmp");
    if (!temp.endsWith(u'/'))
        temp += u'/';
    QString longPath;
    return ToLongPathName(temp, longPath) ? longPath : temp;
}

QString GetFilterExt(const QString& AFilter, int AIndex) {
    QString rest = AFilter;
    for (int entry = 1;; ++entry) {
        const qsizetype descriptionEnd = rest.indexOf(u'|');
        if (descriptionEnd < 0)
            return {};
        rest.remove(0, descriptionEnd + 1);
        const qsizetype patternsEnd = rest.indexOf(u'|');
        if (entry == AIndex) {
            const QString patterns = patternsEnd < 0 ? rest : rest.left(patternsEnd);
            const QString first = patterns.left(patterns.indexOf(u';'));
            const qsizetype dot = ExtensionDot(first);
            return dot < 0 ? QString() : first.mid(dot + 1);
        }
        if (patternsEnd < 0)
            return {};
        rest.remove(0, patternsEnd + 1);
    }
}

bool ConfirmWithToAll(TSkinMessage* ASkinMessage, const QString& AText, bool& AYesToAll,
                      bool& ACancel, bool& ANoToAll) {
    ACancel = false;
    if (ANoToAll)
        return false;
    if (AYesToAll)
        return true;
    if (ASkinMessage == nullptr)
        return true;
    const TModalResult answer = ASkinMessage->MessageDlg(
        AText, TMsgDlgType::mtConfirmation, mbYes | mbNo | mbCancel | mbNoToAll | mbYesToAll);
    switch (answer) {
    case TModalResult::mrNo:
        return false;
    case TModalResult::mrCancel:
        ACancel = true;
        return true;
    case TModalResult::mrNoToAll:
        ANoToAll = true;
        return false;
    case TModalResult::mrYesToAll:
        AYesToAll = true;
        return true;
    default: // Yes, or the box closed another way
        return true;
    }
}

QString Format(const QString& APattern, std::initializer_list<TFormatArg> AArgs) {
    QString result;
    const TFormatArg* nextArg = AArgs.begin();
    const qsizetype n = APattern.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = APattern.at(i);
        if (c != u'%') {
            result += c;
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        int precision = -1;
        if (j < n && APattern.at(j) == u'.') {
            ++j;
            const qsizetype digitsStart = j;
            while (j < n && APattern.at(j).isDigit() && j - digitsStart < 4)
                ++j;
            if (j > digitsStart)
                precision = APattern.mid(digitsStart, j - digitsStart).toInt();
        }
        if (j >= n) {
            result += APattern.mid(i);
            break;
        }
        const QChar type = APattern.at(j);
        const qsizetype end = j + 1;
        if (type == u'%' && precision < 0) {
            result += u'%';
        } else if (type == u's' || type == u'd' || type == u'u' || type == u'n') {
            std::optional<QString> field;
            if (nextArg != AArgs.end())
                field = FormatDirective(type, precision, (nextArg++)->Value());
            result += field.value_or(APattern.mid(i, end - i));
        } else {
            result += APattern.mid(i, end - i);
        }
        i = end;
    }
    return result;
}

QString FormatElapsedTime(const QString& APattern, double ADuration) {
    const std::int64_t timeOfDay =
        std::llabs(std::llround(ADuration * static_cast<double>(MsPerDay))) % MsPerDay;
    QString text;
    const qsizetype n = APattern.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = APattern.at(i);
        if (c == u'"' || c == u'\'') {
            const qsizetype close = APattern.indexOf(c, i + 1);
            const qsizetype end = close < 0 ? n : close;
            text += APattern.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        const QChar letter = c.toLower();
        qsizetype count = 1;
        while (i + count < n && APattern.at(i + count).toLower() == letter)
            ++count;
        if (AppendTimeField(text, letter.unicode(), count, timeOfDay)) {
            i += count;
        } else {
            text += c;
            ++i;
        }
    }
    return Format(text, {static_cast<std::int64_t>(std::trunc(ADuration))});
}

QString CheckBoxInfoText(const QString& ACaption, bool AChecked) {
    return ACaption + QStringLiteral(": ") + LoadStr(AChecked ? TStringId::Yes : TStringId::No);
}

QString GetTrackingCode() {
    return ReadTrackingCode();
}

QString AddTrackingParam(const QString& ALink) {
    const QString code = GetTrackingCode();
    return code.isEmpty() ? ALink : ALink + QStringLiteral("?utm_source=") + code;
}

namespace {

QStorageInfo VolumeOf(const QString& APath) {
    QString existing = QFileInfo(APath).absoluteFilePath();
    while (!QFileInfo::exists(existing)) {
        const QString parent = QFileInfo(existing).path();
        if (parent == existing)
            break;
        existing = parent;
    }
    return QStorageInfo(existing);
}

} // namespace

QString DrivePartOf(const QString& APath) {
    const QStorageInfo volume = VolumeOf(APath);
    return volume.isValid() ? volume.rootPath() : QString();
}

qint64 FreeSpaceOf(const QString& APath) {
    const QStorageInfo volume = VolumeOf(APath);
    return volume.isValid() ? volume.bytesAvailable() : -1;
}

QString FileNamePart(const QString& APath) { return APath.mid(APath.lastIndexOf('/') + 1); }

QString TargetFolderOf(const QString& ATarget) {
    const QString full = QFileInfo(ATarget).absoluteFilePath();
    return full.left(full.lastIndexOf('/') + 1);
}

