// TSearchForm: the window that finds candidate datafiles on the local fixed
// drives or in named folders and hands the rows the user selects back to
// the main window. Created once with the main window and kept for the life
// of the program, so results and criteria remain between openings.
#pragma once

#include <QDateTime>
#include <QDialog>
#include <QSet>

#include "search/FileSearch.h"
#include "util/FileDialogs.h"
#include "util/SkinMessage.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class QTreeWidget;
class TVornPanel;

class TSearchForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int FORM_WIDTH = 765;
    static constexpr int FORM_HEIGHT = 505;
    static constexpr int MIN_WIDTH = 757;
    static constexpr int MIN_HEIGHT = 497;
    static constexpr int ADV_OPTIONS_HEIGHT = 131;

    // `AMessage`, `ADialogs` and `AShell` answer the window's boxes, its
    // folder browser and its help; they must outlive the window.
    TSearchForm(TSkinMessage& AMessage, TFileDialogs& ADialogs, TShell& AShell,
                const QString& AHelpFile, QWidget* AParent = nullptr);

    void SetMultiSelectMode(bool AMulti);
    void ClearResults();
    void SearchStopped();
    // Full paths of the selected rows, first to last.
    QStringList SelectedFiles() const;

    void btnSearchClick();
    void btnSelectDirClick();
    void btnAdvOptionsClick();
    void btnSelectAllClick();
    void btnUnselectAllClick();
    void btnAddSelectedClick();
    void btnCloseClick();
    void btnHelpClick();
    void SetAdvOptControls();
    void TimerTimer();

    // 1 when the user chose Add Selected; the opener clears it before each
    // opening and reads it afterwards.
    int Tag = 0;

    QString FLocalDrives;
    bool FSearching = false;
    bool FReportCancel = true;
    QDateTime FSearchStartTime;

    TFileSearch* lf;

    TVornPanel* palHeader;
    QLabel* imgIcon;
    QLabel* labBanner;
    QLabel* labSearchFileNamePrompt;
    QComboBox* cmbFileName;
    QLabel* Label1;
    QComboBox* cmbDirectory;
    QPushButton* btnSelectDir;
    QCheckBox* RecurseSubDirs;
    QPushButton* btnSearch;
    QLabel* labAdvOptionsPrompt;
    QPushButton* btnAdvOptions;
    TVornPanel* palAdvOptions;
    QGroupBox* gbFileSize;
    QCheckBox* chkFileMinSize;
    QSpinBox* txtMinSize;
    QLabel* Label3;
    QCheckBox* chkFileMaxSize;
    QSpinBox* txtMaxSize;
    QLabel* Label4;
    QGroupBox* gbFileAttr;
    QCheckBox* chkFileReadOnlyAttr;
    QCheckBox* chkFileHiddenAttr;
    QCheckBox* chkFileSystemAttr;
    QCheckBox* chkFileArchiveAttr;
    QGroupBox* gbFileTime;
    QCheckBox* chkFileCreatedTime;
    QSpinBox* txtFileCreatedTime;
    QLabel* Label7;
    QCheckBox* chkFileLastAccessedTime;
    QSpinBox* txtFileLastAccessedTime;
    QLabel* Label8;
    QCheckBox* chkFileModifiedTime;
    QSpinBox* txtFileModifiedTime;
    QLabel* Label9;
    TVornPanel* palProgress;
    QLabel* labProgress;
    QProgressBar* Gauge;
    QLabel* Label6;
    QLabel* labConsumedTime;
    QLabel* labDir;
    QLabel* Label5;
    TVornPanel* palFileList;
    QTreeWidget* fl;
    QPushButton* btnHelp;
    QPushButton* btnAddSelected;
    QPushButton* btnSelectAll;
    QPushButton* btnUnselectAll;
    QPushButton* btnClose;
    QTimer* Timer;

public slots:
    // Esc and Close: a close request.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void keyPressEvent(QKeyEvent* AEvent) override;

private:
    void FormCreate();
    void CreateAdvancedOptions();
    void LayoutControls();
    // Whether a close request may close the window; during a search asks
    // whether to cancel it, and cancels it on Yes.
    bool ConfirmClose();
    void PostCloseRequest();
    void UpdateFoundCount();
    static QString FullPathOf(const QString& ADir, const QString& AName);

    void lfFound(TFileSearch* ASender, const TSearchFileRecord& AFileData);
    void lfDirChange(TFileSearch* ASender, const QString& AFileName);
    void lfFinished(TFileSearch* ASender);
    void lfCancel(TFileSearch* ASender);
    void lfEnd(TFileSearch* ASender);

    TSkinMessage& FMessage;
    TFileDialogs& FDialogs;
    TShell& FShell;
    QString FHelpFile;
    QString FDriveEntry;   // the text of the drive entry of cmbDirectory
    QSet<QString> FListed; // upper-cased full paths of the rows
};
