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
    case TStringId::TabRepair:
        return QStringLiteral("&Recovery");
    case TStringId::TabBatchRepair:
        return QStringLiteral("&Batch Recovery");
    case TStringId::TabOptions:
        return QStringLiteral("&Options");
    case TStringId::TabAbout:
        return QStringLiteral("&About");
    case TStringId::HintTabRepair:
        return QStringLiteral("Recover a single Oracle database");
    case TStringId::HintTabBatchRepair:
        return QStringLiteral("Recover a batch of Oracle databases");
    case TStringId::HintTabOptions:
        return QStringLiteral("Set recovery options");
    case TStringId::HintTabAbout:
        return QStringLiteral("Detailed information about the product");
    case TStringId::SubTabOptions:
        return QStringLiteral("O&ptions");
    case TStringId::SubTabAdvOptions:
        return QStringLiteral("A&dvanced Options");
    case TStringId::DialogFilter:
        return QStringLiteral("Oracle database files (*.dbf)|*.dbf|All files (*.*)|*.*");
    case TStringId::LabelSelSrcFile:
        return QStringLiteral("Select &Oracle database to be recovered:");
    case TStringId::LabelSelDstFile:
        return QStringLiteral("O&utput recovered file as:");
    case TStringId::LabelRepairLogPrompt:
        return QStringLiteral("Recovery process log:");
    case TStringId::StartRecovery:
        return QStringLiteral("&Start Recovery");
    case TStringId::StopRecovery:
        return QStringLiteral("&Stop Recovery");
    case TStringId::TimeConsumedPrompt:
        return QStringLiteral("Time consumed: ");
    case TStringId::HintSrcFile:
        return QStringLiteral("Input Oracle database file to be recovered");
    case TStringId::HintSrcMore:
        return QStringLiteral("Browse and select Oracle database file to be recovered");
    case TStringId::HintDstFile:
        return QStringLiteral("Input recovered Oracle database file name");
    case TStringId::HintDstMore:
        return QStringLiteral("Browse and select recovered Oracle database file name");
    case TStringId::OpenFixedCaption:
        return QStringLiteral("&Open the recovered Oracle database file when finished");
    case TStringId::LabelTempDir:
        return QStringLiteral("Dire&ctory for temporary files:");
    case TStringId::LabelBufSize:
        return QStringLiteral("I&nternal Processing Buffer Size:");
    case TStringId::LabelBytes:
        return QStringLiteral("Bytes");
    case TStringId::HomepagePrompt:
        return QStringLiteral("Product Homepage:");
    case TStringId::SupportCenterPrompt:
        return QStringLiteral("Support Center:");
    case TStringId::EmailPrompt:
        return QStringLiteral("Support E-Mail:");
    case TStringId::Notice:
        return QStringLiteral("Copyright (C) 2026 Quorvane Software. All rights reserved. This "
                              "program is protected by copyright law and international treaties.");
    case TStringId::HelpButton:
        return QStringLiteral("&Help");
    case TStringId::FacebookLikeButton:
        return QStringLiteral("&Like us on Facebook");
    case TStringId::FeedbackButton:
        return QStringLiteral("&Feedback");
    case TStringId::HomepageAddress:
        return QStringLiteral("https://www.quorvane.example/oracle-recovery/");
    case TStringId::SupportCenterAddress:
        return QStringLiteral("https://support.quorvane.example/");
    case TStringId::SupportEmail:
        return QStringLiteral("support@quorvane.example");
    case TStringId::MakerHomepageAddress:
        return QStringLiteral("https://www.quorvane.example/");
    case TStringId::SocialPageAddress:
        return QStringLiteral("https://social.quorvane.example/quorvane");
    case TStringId::FeedbackAddress:
        return QStringLiteral("https://www.quorvane.example/feedback/");
    case TStringId::StartRecoveryLine:
        return QStringLiteral("Start recovery process ...");
    case TStringId::AbortedLine:
        return QStringLiteral("Recovery process is aborted.");
    case TStringId::FileToRecoverLine:
        return QStringLiteral("File to be recovered: '%s'; File size = %.0n bytes");
    case TStringId::OutputAsLine:
        return QStringLiteral("Output recovered file as: '%s'");
    case TStringId::CompletesLine:
        return QStringLiteral("Recovery process completes.");
    case TStringId::UserAborts:
        return QStringLiteral("User aborts the recovery process");
    case TStringId::FailToRecover:
        return QStringLiteral("Fail to recover file '%s'!");
    case TStringId::Warning1:
        return QStringLiteral("Warning 1: A file named '%s' already exists. Overwrite it?");
    case TStringId::Warning2:
        return QStringLiteral(
            "Warning 2: Extension of destination file '%s' is invalid! Still proceed?");
    case TStringId::Warning3:
        return QStringLiteral("Warning 3: Free spaces on drive '%s' may not be enough for "
                              "destination file '%s'! Still proceed?");
    case TStringId::Warning4:
        return QStringLiteral(
            "Warning 4: The path '%s' for destination file '%s' does not exist. Create it?");
    case TStringId::CannotCreateDir:
        return QStringLiteral("Cannot create the directory '%s'!");
    case TStringId::CannotOpenRecovered:
        return QStringLiteral("Cannot open the recovered Oracle database '%s'!");
    case TStringId::CannotOpenFile:
        return QStringLiteral("Cannot open file '%s'!");
    case TStringId::SuccessText:
        return QStringLiteral("Oracle database '%s' have been recovered successfully!");
    case TStringId::OpenHintText:
        return QStringLiteral("Now you can open the recovered Oracle database '%s'.  ");
    case TStringId::ValidDstExts:
        return QStringLiteral(".dbf");
    case TStringId::RecoveredSuffix:
        return QStringLiteral("_recovered");
    case TStringId::LabelFileList:
        return QStringLiteral("&List of files to be recovered:");
    case TStringId::ColumnSource:
        return QStringLiteral("Source File Name");
    case TStringId::ColumnTarget:
        return QStringLiteral("Target File Name");
    case TStringId::ColumnStatus:
        return QStringLiteral("Repair Status");
    case TStringId::StatusNotRecovered:
        return QStringLiteral("Not Recovered");
    case TStringId::StatusSuccessful:
        return QStringLiteral("Successful");
    case TStringId::StatusAborted:
        return QStringLiteral("Aborted");
    case TStringId::StatusFailed:
        return QStringLiteral("Failed");
    case TStringId::AddFilesButton:
        return QStringLiteral("A&dd Files");
    case TStringId::SearchFilesButton:
        return QStringLiteral("S&earch Files");
    case TStringId::RemoveFilesButton:
        return QStringLiteral("Re&move Files");
    case TStringId::RemoveAllButton:
        return QStringLiteral("Remo&ve All");
    case TStringId::HintAddFiles:
        return QStringLiteral("Add one or multiple Oracle database files to list");
    case TStringId::HintSearchFiles:
        return QStringLiteral("Search and add one or multiple Oracle database files to list");
    case TStringId::HintRemoveFiles:
        return QStringLiteral("Remove selected Oracle database files from list");
    case TStringId::HintRemoveAll:
        return QStringLiteral("Remove all Oracle database files in list");
    case TStringId::FileAlreadyInList:
        return QStringLiteral("File already exists in the list");
    case TStringId::AddFilesFirst:
        return QStringLiteral("Please add files to the list first");
    case TStringId::BatchSummary:
        return QStringLiteral("%d file(s) recovered successfully");
    case TStringId::SaveLogButton:
        return QStringLiteral("Save &Log");
    case TStringId::SaveLogFilter:
        return QStringLiteral("Log files (*.log)|*.log");
    case TStringId::IncludeSysInfoCaption:
        return QStringLiteral("Include S&ystem Information");
    case TStringId::IncludeSysInfoHint:
        return QStringLiteral("Include system information in the log file");
    case TStringId::CannotCreateFile:
        return QStringLiteral("Cannot create file %s");
    case TStringId::StreamWriteError:
        return QStringLiteral("Stream write error");
    case TStringId::InfoVersionHeading:
        return QStringLiteral(" Version Information:");
    case TStringId::InfoFileVersion:
        return QStringLiteral("File Version: %s");
    case TStringId::InfoProductVersion:
        return QStringLiteral("Product Version: %s");
    case TStringId::InfoOperatingSystem:
        return QStringLiteral("Operating System: %s %d.%.2d.%d");
    case TStringId::InfoWindowsDirectory:
        return QStringLiteral("Windows Directory: %s");
    case TStringId::InfoSystemDirectory:
        return QStringLiteral("System Directory: %s");
    case TStringId::InfoTempDirectory:
        return QStringLiteral("Temporary Directory: %s");
    case TStringId::InfoQueryFailed:
        return QStringLiteral("Cannot get the required infomation. Error Code: %d.");
    case TStringId::InfoMemoryHeading:
        return QStringLiteral("Memory Status:");
    case TStringId::InfoMemoryLoad:
        return QStringLiteral("Memory in use: %u%%");
    case TStringId::InfoTotalPhys:
        return QStringLiteral("Total physical memory: %.0n bytes");
    case TStringId::InfoAvailPhys:
        return QStringLiteral("Free physical memory: %.0n bytes");
    case TStringId::InfoTotalPageFile:
        return QStringLiteral("Total page file memory: %.0n bytes");
    case TStringId::InfoAvailPageFile:
        return QStringLiteral("Free page file memory: %.0n bytes");
    case TStringId::InfoTotalVirtual:
        return QStringLiteral("Total virtual memory: %.0n bytes");
    case TStringId::InfoAvailVirtual:
        return QStringLiteral("Free virtual memory: %.0n bytes");
    case TStringId::InfoEnvironmentHeading:
        return QStringLiteral("Environment Information:");
    case TStringId::InfoDriveHeading:
        return QStringLiteral("Drive Information:");
    case TStringId::DriveUnknown:
        return QStringLiteral("Unknown Drive Type");
    case TStringId::DriveRemovable:
        return QStringLiteral("Removable Drive");
    case TStringId::DriveFixed:
        return QStringLiteral("Fixed Drive");
    case TStringId::DriveRemote:
        return QStringLiteral("Remote Network Drive");
    case TStringId::DriveCDRom:
        return QStringLiteral("CD-ROM Drive");
    case TStringId::DriveRamDisk:
        return QStringLiteral("RAM Disk");
    case TStringId::InfoFixedDrive:
        return QStringLiteral(
            "%s, %s, Total Disk Spaces: %.0n bytes, Free Disk Spaces: %.0n bytes.");
    case TStringId::InfoOtherDrive:
        return QStringLiteral("%s, %s");
    case TStringId::InfoSystemEnd:
        return QStringLiteral("End of System Information");
    case TStringId::InfoSettingHeading:
        return QStringLiteral("Setting Information:");
    case TStringId::InfoSettingEnd:
        return QStringLiteral("End of Setting Information");
    case TStringId::SearchBanner:
        return QStringLiteral("Search for source Oracle database files to be recovered ");
    case TStringId::SearchFileNamePrompt:
        return QStringLiteral("S&earch for files named:");
    case TStringId::SearchFilter:
        return QStringLiteral("Oracle database files (*.dbf)|*.dbf");
    case TStringId::SearchLookIn:
        return QStringLiteral("Loo&k in:");
    case TStringId::LocalHarddrives:
        return QStringLiteral("Local Harddrives (%s)");
    case TStringId::HintLookIn:
        return QStringLiteral("Select or input the folder where file is searched");
    case TStringId::HintSelectDir:
        return QStringLiteral("Browse and select the folder where file is searched");
    case TStringId::SearchSubfolders:
        return QStringLiteral("Search Su&bfolders");
    case TStringId::StartSearch:
        return QStringLiteral("&Start Search");
    case TStringId::StopSearch:
        return QStringLiteral("&Stop Search");
    case TStringId::SearchAdvOptions:
        return QStringLiteral("Advanced O&ptions");
    case TStringId::AdvOptionsShow:
        return QStringLiteral("&+");
    case TStringId::AdvOptionsHide:
        return QStringLiteral("&-");
    case TStringId::HintAdvOptions:
        return QStringLiteral("Show/Hide advanced search options");
    case TStringId::GroupFileSize:
        return QStringLiteral("File Size");
    case TStringId::HintGroupFileSize:
        return QStringLiteral("Search criteria on file size");
    case TStringId::AtLeast:
        return QStringLiteral("A&t least");
    case TStringId::HintAtLeast:
        return QStringLiteral("If selected, file size must >= xxx KB");
    case TStringId::AtMost:
        return QStringLiteral("At &most");
    case TStringId::HintAtMost:
        return QStringLiteral("If selected, file size must <= xxx KB");
    case TStringId::UnitKB:
        return QStringLiteral("KB");
    case TStringId::GroupFileAttr:
        return QStringLiteral("File Attributes");
    case TStringId::HintGroupFileAttr:
        return QStringLiteral("Search criteria on file attributes");
    case TStringId::AttrReadOnly:
        return QStringLiteral("Re&ad only");
    case TStringId::HintAttrReadOnly:
        return QStringLiteral("If selected, file must be read-only");
    case TStringId::AttrHidden:
        return QStringLiteral("Hidde&n");
    case TStringId::HintAttrHidden:
        return QStringLiteral("If selected, only hidden file will be searched");
    case TStringId::AttrSystem:
        return QStringLiteral("S&ystem");
    case TStringId::HintAttrSystem:
        return QStringLiteral("If selected, only system file will be searched");
    case TStringId::AttrArchive:
        return QStringLiteral("Archi&ve");
    case TStringId::HintAttrArchive:
        return QStringLiteral("If selected, only archive file will be searched");
    case TStringId::GroupFileTime:
        return QStringLiteral("File Time");
    case TStringId::HintGroupFileTime:
        return QStringLiteral("Search criteria on file time");
    case TStringId::CreatedIn:
        return QStringLiteral("C&reated in");
    case TStringId::HintCreatedIn:
        return QStringLiteral("If selected, file must be created in specified days");
    case TStringId::LastAccessedIn:
        return QStringLiteral("&Last Accessed in");
    case TStringId::HintLastAccessedIn:
        return QStringLiteral("If selected, file is last accessed in specified days");
    case TStringId::ModifiedIn:
        return QStringLiteral("Mo&dified in");
    case TStringId::HintModifiedIn:
        return QStringLiteral("If selected, file must be modified in specified days");
    case TStringId::UnitDays:
        return QStringLiteral("days");
    case TStringId::FilesFound:
        return QStringLiteral("%d file(s) found");
    case TStringId::SearchIn:
        return QStringLiteral("Search in");
    case TStringId::SearchResults:
        return QStringLiteral("Search Res&ults:");
    case TStringId::AddSelectedButton:
        return QStringLiteral("&Add Selected");
    case TStringId::HintAddSelected:
        return QStringLiteral("Close search window and add selected found files");
    case TStringId::SelectAllButton:
        return QStringLiteral("&Select All");
    case TStringId::HintSelectAll:
        return QStringLiteral("Select all found files");
    case TStringId::UnselectAllButton:
        return QStringLiteral("&Unselect All");
    case TStringId::HintUnselectAll:
        return QStringLiteral("Unselect all found files");
    case TStringId::CloseButton:
        return QStringLiteral("&Close");
    case TStringId::HintClose:
        return QStringLiteral("Close search window without adding any found files");
    case TStringId::ColumnName:
        return QStringLiteral("Name");
    case TStringId::ColumnDirectory:
        return QStringLiteral("Directory");
    case TStringId::ColumnSize:
        return QStringLiteral("Size(bytes)");
    case TStringId::ColumnCreated:
        return QStringLiteral("Created");
    case TStringId::ColumnAccessed:
        return QStringLiteral("Last Accessed");
    case TStringId::ColumnModified:
        return QStringLiteral("Last Modified");
    case TStringId::SizeBoundsError:
        return QStringLiteral("For file size, at least value must be less than or equal to at most value! Please correct the values!");
    case TStringId::SearchCompleted:
        return QStringLiteral("Search is completed. %d file(s) found.");
    case TStringId::SearchCancelled:
        return QStringLiteral("Search is cancelled by the user!");
    case TStringId::SelectFilesFirst:
        return QStringLiteral("Please select the file(s) to be recovered from the search results!");
    case TStringId::CancelSearchAndClose:
        return QStringLiteral("Cancel the current search and close the search window?");
    case TStringId::SrcSearchButton:
        return QStringLiteral("Search...");
    case TStringId::HintSrcSearch:
        return QStringLiteral("Search Oracle database files to be recovered on local computer");
    }
    return {};
}
