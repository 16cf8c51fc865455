#include "resources/VornStrings.h"

QString LoadStr(TStringId id) {
    switch (id) {
    case TStringId::ProductTitle:
        return QStringLiteral("Quorvane Oracle Recovery");
    case TStringId::InvalidDataType:
        return QStringLiteral("Invalid data type for '%s'");
    case TStringId::FailedCreateKey:
        return QStringLiteral("Failed to create key %s");
    case TStringId::FailedSetData:
        return QStringLiteral("Failed to set data for '%s'");
    case TStringId::ElapsedLabelPattern:
        return QStringLiteral("\"%d day(s)\" h \"hour(s)\" n \"minute(s) \"");
    case TStringId::ElapsedLogPattern:
        return QStringLiteral("\"Consumed time: %d day(s)\" h \"hour(s)\" n \"minute(s)\" s "
                              "\"second(s)\" z \"millisecond(s).\"");
    case TStringId::Yes:
        return QStringLiteral("Yes");
    case TStringId::No:
        return QStringLiteral("No");
    case TStringId::MsgTitleInformation:
        return QStringLiteral("Information");
    case TStringId::MsgTitleError:
        return QStringLiteral("Error");
    case TStringId::MsgTitleConfirm:
        return QStringLiteral("Confirm");
    case TStringId::MsgTitleWarning:
        return QStringLiteral("Warning");
    case TStringId::MsgButtonYes:
        return QStringLiteral("&Yes");
    case TStringId::MsgButtonNo:
        return QStringLiteral("&No");
    case TStringId::MsgButtonOK:
        return QStringLiteral("OK");
    case TStringId::MsgButtonCancel:
        return QStringLiteral("Cancel");
    case TStringId::MsgButtonNoToAll:
        return QStringLiteral("N&oToAll");
    case TStringId::MsgButtonYesToAll:
        return QStringLiteral("&YesToAll");
    case TStringId::SelectTempDirPrompt:
        return QStringLiteral("Select directory for temporary files:");
    case TStringId::ProgressCompleted:
        return QStringLiteral("%u%% completed");
    case TStringId::LogSeparator:
        return QStringLiteral("--------------------------------------------------------");
    }
    return {};
}
