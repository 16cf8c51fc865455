// TVornMainForm: the framework's main window. It holds every control, the
// single-file run, the engine-message bridge and the tabs, and knows nothing
// of the kind of file that is repaired: the product fills its hooks.
#pragma once

#include <QDateTime>
#include <QStringList>
#include <QWidget>

#include <memory>

#include "run/VornMainThread.h"
#include "util/FileDialogs.h"
#include "util/SkinMessage.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QTimer;
class QTreeWidget;
class TDragEdit;
class TVornPanel;
class TVornSetting;
class TSearchForm;
class TLogDialog;

// What the window asks a person or the desktop: message boxes, file
// dialogs and the shell's "open". Null members give the program's own.
// Whatever is given must outlive the form.
struct TFormServices {
    TSkinMessage* Message = nullptr;
    TFileDialogs* Dialogs = nullptr;
    TShell* Shell = nullptr;
    TLogDialog* LogDialog = nullptr;
};

class TVornMainForm : public QWidget, public TEngineForm {
    Q_OBJECT
public:
    static constexpr int FORM_WIDTH = 955;
    static constexpr int FORM_HEIGHT = 545;

    explicit TVornMainForm(const TFormServices& AServices, QWidget* AParent = nullptr);
    ~TVornMainForm() override;

    // Hooks, in the order the framework declares them.
    virtual QString GetDefaultDstFileName(const QString& ASource) const = 0;
    virtual bool IsValidDstFileExt(const QString& ATarget) const;
    virtual bool HasEnoughFreeSpace(const QString& ASource, const QString& ATarget) const;
    // Runs one recovery on a worker and waits for it while the window stays
    // usable; returns the engine's result (success when not 0).
    virtual int32_t RecoverOneFile(const QString& ASource, const QString& ADest) = 0;
    virtual void EnableInputControls(bool AEnabled);
    virtual QString GetSuccessText() const = 0;
    virtual QString GetOpenHintText() const;
    // Appends the settings block of a saved log, describing the option
    // controls as they stand.
    virtual void AddSettingsInfo(QStringList& ALines) const = 0;
    // Size of the file `APath`, 0 when there is none.
    virtual qint64 FileSizeOf(const QString& APath) const;

    // Appends one line at the end of the log.
    void AppendLog(const QString& ALine);

    // Adds `AFileName` to the batch list with its default target, or shows
    // "File already exists in the list" when a row holds the same path in
    // any letter case.
    void AddFileToList(const QString& AFileName);

    // True once a command-line run with the E switch asked the program to end.
    bool TerminateRequested() const { return FTerminateRequested; }

    // Event handlers, named as in the window design.
    void btnRepairClick();
    void btnSaveLogClick();
    void btnRepairFilesClick();
    void btnAddFilesClick();
    void btnRemoveFilesClick();
    void btnRemoveAllClick();
    void btnSearchFilesClick();
    void btnSrcSearchClick();
    void txtSrcFileChange();
    void txtDstFileChange();
    void btnSrcMoreClick();
    void btnDstMoreClick();
    void btnMoreDirClick();
    void txtSrcFileDropFile(QObject* Sender, const QString& AFile);
    void MainTabChange(int ATag);
    void SubTabChange(int ATag);
    void TimerTimer();
    void vsbRepairLogChange();
    void btnHelpClick();
    void labHomepageClick();
    void labSupportCenterClick();
    void labEmailClick();
    void imgLogoClick();
    void btnFacebookLikeClick();
    void btnFeedbackClick();

    // Controls, named as in the window design.
    TVornPanel* palHeader;
    QPushButton* btnRepairTab;
    QPushButton* btnBatchRepairTab;
    QPushButton* btnOptionsTab;
    QPushButton* btnAboutTab;

    TVornPanel* palRepairTab;
    QLabel* labSelSrcFile;
    TDragEdit* txtSrcFile;
    QPushButton* btnSrcMore;
    QPushButton* btnSrcSearch;
    QLabel* labSelDstFile;
    QLineEdit* txtDstFile;
    QPushButton* btnDstMore;
    QPushButton* btnRepair;
    QLabel* labRepairLogPrompt;
    QPlainTextEdit* txtRepairLog;
    QPushButton* btnSaveLog;
    QScrollBar* vsbRepairLog;

    TVornPanel* palBatchRepairTab;
    QLabel* Label9;
    TVornPanel* palSrcFileList;
    QTreeWidget* FileList;
    QPushButton* btnRepairFiles;
    QPushButton* btnAddFiles;
    QPushButton* btnSearchFiles;
    QPushButton* btnRemoveFiles;
    QPushButton* btnRemoveAll;

    TVornPanel* palProgress;
    QLabel* labProgress;
    QLabel* labConsumedTimePrompt;
    QLabel* labConsumedTime;
    QProgressBar* Gauge;

    TVornPanel* palOptionsTab;
    TVornPanel* palSubTabs;
    QPushButton* btnOptionsSubTab;
    QPushButton* btnAdvOptionsSubTab;
    TVornPanel* palOptionsSubTab;
    QCheckBox* chkOpenFixed;
    TVornPanel* palAdvOptionsSubTab;
    QLabel* labTempDir;
    QLineEdit* txtTempDir;
    QPushButton* btnMoreDir;
    QLabel* labBufSize;
    QSpinBox* txtBufSize;
    QLabel* labBufSizeUnit;

    TVornPanel* palAboutTab;
    QPushButton* imgLogo;
    QLabel* labTitle;
    QLabel* labVersion;
    QLabel* labNotice;
    QLabel* labHomepagePrompt;
    QLabel* labHomepage;
    QLabel* labSupportCenterPrompt;
    QLabel* labSupportCenter;
    QLabel* labEmailPrompt;
    QLabel* labEmail;

    QPushButton* btnHelp;
    QPushButton* btnFacebookLike;
    TVornPanel* palFacebookLikeMask;
    QPushButton* btnFeedback;
    TVornPanel* palFeedbackMask;

    QTimer* Timer;

    // The search window: made with this window and kept for its life.
    TSearchForm* FSearchForm;

    // Run state shared by the single-file and the batch run.
    QDateTime FStartTime;
    int FMainTab = 1;
    int FSubTab = 1;
    bool FRepairing = false;
    bool FStopRequested = false;

protected:
    // First-level dispatch of an engine message, on the window's thread:
    // progress moves the gauge (when it changed) and lets pending events
    // run; every other code goes to HandleEngineMessage.
    void DispatchEngineMessage(int32_t ACode, const void* AArg, bool& AHandled);
    virtual void HandleEngineMessage(int32_t ACode, const void* AArg, bool& AHandled) = 0;
    virtual void LoadSettings() = 0;
    virtual void SaveSettings() = 0;

    // Creation and destruction steps that need the product's overrides; the
    // product's constructor and destructor call them. `AArguments` are the
    // program's arguments without the program name.
    void FormCreate(const QStringList& AArguments);
    void FormDestroy();
    void FormShow();

    void showEvent(QShowEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;
    // FileListKeyDown: Delete and Shift+Delete on the batch list.
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

    TSkinMessage& SkinMessage() const { return *FServices.Message; }
    TFileDialogs& Dialogs() const { return *FServices.Dialogs; }
    TShell& Shell() const { return *FServices.Shell; }
    TLogDialog& LogDialog() const { return *FServices.LogDialog; }

    // The settings object, owned from LoadSettings to SaveSettings.
    std::unique_ptr<TVornSetting> FSetting;

private:
    void CreateControls();
    void CreateRepairTab();
    void CreateBatchTab();
    void CreateProgressPanel();
    void CreateOptionsTab();
    void CreateAboutTab();
    // Turns `AButton` into the start or the stop button of a run.
    static void SetRunButton(QPushButton* AButton, bool ARunning);
    enum class TRunEnd { reAborted, reStopped, reFailed, reSucceeded };
    // The run of btnRepairClick from its opening log lines to its report.
    TRunEnd RepairSingleFile();
    // Ends a run at a warning: writes the aborted line.
    TRunEnd AbortRun();
    // The batch run past its stop and empty-list tests; returns the number
    // of rows recovered.
    int RepairBatch();
    // Puts the window into the running state of a run, or back to idle.
    void BeginRun(QPushButton* AButton);
    void EndRun(QPushButton* AButton);
    // Asks a numbered warning as a Yes/No confirmation; true for Yes.
    bool Confirm(const QString& AText);
    // Opens a web or mail address through the desktop; nothing is reported
    // when that fails.
    void OpenLink(const QString& AAddress, bool AWithTracking);
    void ProcessCommandLine(const QStringList& AArguments);
    QString HelpFile() const;
    intptr_t MsgWndProc(int32_t AMessage, const void* AArg);

    std::unique_ptr<TSkinMessage> FOwnMessage;
    std::unique_ptr<TFileDialogs> FOwnDialogs;
    std::unique_ptr<TShell> FOwnShell;
    std::unique_ptr<TLogDialog> FOwnLogDialog;
    TFormServices FServices;
    QString FOpenDialogDirectory; // where the shared open dialog was last pointed
    bool FShown = false;
    bool FTerminateRequested = false;
};
