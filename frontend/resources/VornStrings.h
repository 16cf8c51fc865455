// The front end's string table. Every user-visible text of the program is
// stored here under an identifier and looked up when it is used, so texts
// are kept in one place, exactly as they are shown.
#pragma once

#include <QString>

enum class TStringId {
    // Product
    ProductTitle,

    // Settings store
    InvalidDataType, // "Invalid data type for '%s'"
    FailedCreateKey, // "Failed to create key %s"
    FailedSetData,   // "Failed to set data for '%s'"

    // Elapsed-time patterns (date-time patterns, quoted parts literal)
    ElapsedLabelPattern,
    ElapsedLogPattern,

    // Check box answers in reports
    Yes,
    No,

    // Message boxes: titles by kind, then button captions
    MsgTitleInformation,
    MsgTitleError,
    MsgTitleConfirm,
    MsgTitleWarning,
    MsgButtonYes,
    MsgButtonNo,
    MsgButtonOK,
    MsgButtonCancel,
    MsgButtonNoToAll,
    MsgButtonYesToAll,

    // Options
    SelectTempDirPrompt,

    // Progress and log
    ProgressCompleted, // "%u%% completed"
    LogSeparator,      // 56 hyphens

    // Main window
    TabRepair,
    TabBatchRepair,
    TabOptions,
    TabAbout,
    HintTabRepair,
    HintTabBatchRepair,
    HintTabOptions,
    HintTabAbout,
    SubTabOptions,
    SubTabAdvOptions,
    DialogFilter,
    LabelSelSrcFile,
    LabelSelDstFile,
    LabelRepairLogPrompt,
    StartRecovery,
    StopRecovery,
    TimeConsumedPrompt,
    HintSrcFile,
    HintSrcMore,
    HintDstFile,
    HintDstMore,
    OpenFixedCaption,
    LabelTempDir,
    LabelBufSize,
    LabelBytes,
    HomepagePrompt,
    SupportCenterPrompt,
    EmailPrompt,
    Notice,
    HelpButton,
    FacebookLikeButton,
    FeedbackButton,
    HomepageAddress,
    SupportCenterAddress,
    SupportEmail,
    MakerHomepageAddress,
    SocialPageAddress,
    FeedbackAddress,
    StartRecoveryLine,
    AbortedLine,
    FileToRecoverLine,
    OutputAsLine,
    CompletesLine,
    UserAborts,
    FailToRecover,
    Warning1,
    Warning2,
    Warning3,
    Warning4,
    CannotCreateDir,
    CannotOpenRecovered,
    CannotOpenFile,
    SuccessText,
    OpenHintText,
    ValidDstExts,
    RecoveredSuffix,

    // Batch tab
    LabelFileList,
    ColumnSource,
    ColumnTarget,
    ColumnStatus,
    StatusNotRecovered,
    StatusSuccessful,
    StatusAborted,
    StatusFailed,
    AddFilesButton,
    SearchFilesButton,
    RemoveFilesButton,
    RemoveAllButton,
    HintAddFiles,
    HintSearchFiles,
    HintRemoveFiles,
    HintRemoveAll,
    FileAlreadyInList,
    AddFilesFirst,
    BatchSummary,

    // Saved log and its system-information report
    SaveLogButton,
    SaveLogFilter,
    IncludeSysInfoCaption,
    IncludeSysInfoHint,
    CannotCreateFile,
    StreamWriteError,
    InfoVersionHeading,
    InfoFileVersion,
    InfoProductVersion,
    InfoOperatingSystem,
    InfoWindowsDirectory,
    InfoSystemDirectory,
    InfoTempDirectory,
    InfoQueryFailed,
    InfoMemoryHeading,
    InfoMemoryLoad,
    InfoTotalPhys,
    InfoAvailPhys,
    InfoTotalPageFile,
    InfoAvailPageFile,
    InfoTotalVirtual,
    InfoAvailVirtual,
    InfoEnvironmentHeading,
    InfoDriveHeading,
    DriveUnknown,
    DriveInvalidRootPath,
    DriveRemovable,
    DriveFixed,
    DriveRemote,
    DriveCDRom,
    DriveRamDisk,
    InfoFixedDrive,
    InfoOtherDrive,
    InfoSystemEnd,
    InfoSettingHeading,
    InfoSettingEnd,
};

// The text stored under `id`.
QString LoadStr(TStringId id);
