#include "search/SearchFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include "resources/VornStrings.h"
#include "search/Drives.h"
#include "util/VornUtils.h"
#include "widgets/Skin.h"
#include "widgets/VornPanel.h"

namespace {

constexpr double kMsPerDay = 86400000.0;

QLabel* MakeLabel(const QString& AName, QWidget* AParent, TStringId AText) {
    auto* label = new QLabel(LoadStr(AText), AParent);
    label->setObjectName(AName);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(const QString& AName, QWidget* AParent, TStringId AText) {
    auto* button = new QPushButton(LoadStr(AText), AParent);
    button->setObjectName(AName);
    return button;
}

QCheckBox* MakeCheck(const QString& AName, QWidget* AParent, TStringId AText, TStringId AHint) {
    auto* box = new QCheckBox(LoadStr(AText), AParent);
    box->setObjectName(AName);
    box->setToolTip(LoadStr(AHint));
    box->adjustSize();
    return box;
}

QSpinBox* MakeNumber(const QString& AName, QWidget* AParent, int AMaximum) {
    auto* box = new QSpinBox(AParent);
    box->setObjectName(AName);
    box->setRange(0, AMaximum);
    return box;
}

QString TimeText(const QDateTime& ATime) {
    const QLocale locale;
    return locale.toString(ATime.date(), QLocale::ShortFormat) + ' ' +
           locale.toString(ATime.time(), QStringLiteral("HH:mm:ss"));
}

} // namespace

TSearchForm::TSearchForm(TSkinMessage& AMessage, TFileDialogs& ADialogs, TShell& AShell,
                         const QString& AHelpFile, QWidget* AParent)
    : QDialog(AParent), FMessage(AMessage), FDialogs(ADialogs), FShell(AShell),
      FHelpFile(AHelpFile) {
    setObjectName("SearchForm");
    setWindowTitle(LoadStr(TStringId::ProductTitle));
    setModal(true);
    lf = new TFileSearch(this);
    lf->setObjectName("lf");

    palHeader = new TVornPanel(this);
    palHeader->setObjectName("palHeader");
    palHeader->SetTransparent(true);
    imgIcon = new QLabel(QStringLiteral("Q"), palHeader);
    imgIcon->setObjectName("imgIcon");
    imgIcon->setGeometry(12, 8, 34, 34);
    imgIcon->setAlignment(Qt::AlignCenter);
    labBanner = new QLabel(palHeader);
    labBanner->setObjectName("labBanner");
    labBanner->move(56, 16);

    labSearchFileNamePrompt =
        MakeLabel("labSearchFileNamePrompt", this, TStringId::SearchFileNamePrompt);
    cmbFileName = new QComboBox(this);
    cmbFileName->setObjectName("cmbFileName");
    cmbFileName->setEditable(false);
    labSearchFileNamePrompt->setBuddy(cmbFileName);
    Label1 = MakeLabel("Label1", this, TStringId::SearchLookIn);
    cmbDirectory = new QComboBox(this);
    cmbDirectory->setObjectName("cmbDirectory");
    cmbDirectory->setEditable(true);
    cmbDirectory->setInsertPolicy(QComboBox::NoInsert);
    Label1->setBuddy(cmbDirectory);
    btnSelectDir = new QPushButton(QStringLiteral("..."), this);
    btnSelectDir->setObjectName("btnSelectDir");
    RecurseSubDirs = new QCheckBox(LoadStr(TStringId::SearchSubfolders), this);
    RecurseSubDirs->setObjectName("RecurseSubDirs");
    RecurseSubDirs->setChecked(true);
    RecurseSubDirs->adjustSize();
    btnSearch = MakeButton("btnSearch", this, TStringId::StartSearch);
    btnSearch->setDefault(true);
    SetSkinElement(btnSearch, "startbutton");
    labAdvOptionsPrompt = MakeLabel("labAdvOptionsPrompt", this, TStringId::SearchAdvOptions);
    btnAdvOptions = MakeButton("btnAdvOptions", this, TStringId::AdvOptionsShow);
    labAdvOptionsPrompt->setBuddy(btnAdvOptions);

    CreateAdvancedOptions();

    palProgress = new TVornPanel(this);
    palProgress->setObjectName("palProgress");
    labProgress = new QLabel(palProgress);
    labProgress->setObjectName("labProgress");
    Gauge = new QProgressBar(palProgress);
    Gauge->setObjectName("Gauge");
    Gauge->setTextVisible(false);
    Gauge->setRange(0, 1);
    Label6 = MakeLabel("Label6", palProgress, TStringId::TimeConsumedPrompt);
    labConsumedTime = new QLabel(palProgress);
    labConsumedTime->setObjectName("labConsumedTime");
    labDir = new QLabel(this);
    labDir->setObjectName("labDir");
    Label5 = MakeLabel("Label5", this, TStringId::SearchResults);

    palFileList = new TVornPanel(this);
    palFileList->setObjectName("palFileList");
    fl = new QTreeWidget(palFileList);
    fl->setObjectName("fl");
    fl->setRootIsDecorated(false);
    fl->setUniformRowHeights(true);
    fl->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fl->setSelectionBehavior(QAbstractItemView::SelectRows);
    fl->setHeaderLabels({LoadStr(TStringId::ColumnName), LoadStr(TStringId::ColumnDirectory),
                         LoadStr(TStringId::ColumnSize), LoadStr(TStringId::ColumnCreated),
                         LoadStr(TStringId::ColumnAccessed), LoadStr(TStringId::ColumnModified)});
    const int widths[] = {129, 200, 65, 112, 112, 112};
    for (int i = 0; i < 6; ++i)
        fl->setColumnWidth(i, widths[i]);
    fl->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    Label5->setBuddy(fl);

    btnHelp = MakeButton("btnHelp", this, TStringId::HelpButton);
    btnAddSelected = MakeButton("btnAddSelected", this, TStringId::AddSelectedButton);
    btnSelectAll = MakeButton("btnSelectAll", this, TStringId::SelectAllButton);
    btnUnselectAll = MakeButton("btnUnselectAll", this, TStringId::UnselectAllButton);
    btnClose = MakeButton("btnClose", this, TStringId::CloseButton);

    Timer = new QTimer(this);
    Timer->setInterval(60000);

    connect(btnSearch, &QPushButton::clicked, this, &TSearchForm::btnSearchClick);
    connect(btnSelectDir, &QPushButton::clicked, this, &TSearchForm::btnSelectDirClick);
    connect(btnAdvOptions, &QPushButton::clicked, this, &TSearchForm::btnAdvOptionsClick);
    connect(btnSelectAll, &QPushButton::clicked, this, &TSearchForm::btnSelectAllClick);
    connect(btnUnselectAll, &QPushButton::clicked, this, &TSearchForm::btnUnselectAllClick);
    connect(btnAddSelected, &QPushButton::clicked, this, &TSearchForm::btnAddSelectedClick);
    connect(btnClose, &QPushButton::clicked, this, &TSearchForm::btnCloseClick);
    connect(btnHelp, &QPushButton::clicked, this, &TSearchForm::btnHelpClick);
    connect(Timer, &QTimer::timeout, this, &TSearchForm::TimerTimer);
    connect(lf, &TFileSearch::OnFound, this, &TSearchForm::lfFound);
    connect(lf, &TFileSearch::OnDirChange, this, &TSearchForm::lfDirChange);
    connect(lf, &TFileSearch::OnFinished, this, &TSearchForm::lfFinished);
    connect(lf, &TFileSearch::OnCancel, this, &TSearchForm::lfCancel);
    connect(lf, &TFileSearch::OnEnd, this, &TSearchForm::lfEnd);

    FormCreate();
}

void TSearchForm::CreateAdvancedOptions() {
    palAdvOptions = new TVornPanel(this);
    palAdvOptions->setObjectName("palAdvOptions");
    palAdvOptions->setGeometry(12, 184, FORM_WIDTH - 24, 0); // collapsed

    gbFileSize = new QGroupBox(LoadStr(TStringId::GroupFileSize), palAdvOptions);
    gbFileSize->setObjectName("gbFileSize");
    gbFileSize->setToolTip(LoadStr(TStringId::HintGroupFileSize));
    gbFileSize->setGeometry(0, 4, 236, 122);
    chkFileMinSize =
        MakeCheck("chkFileMinSize", gbFileSize, TStringId::AtLeast, TStringId::HintAtLeast);
    chkFileMinSize->move(10, 30);
    txtMinSize = MakeNumber("txtMinSize", gbFileSize, 1073741824);
    txtMinSize->setGeometry(96, 26, 100, 24);
    Label3 = MakeLabel("Label3", gbFileSize, TStringId::UnitKB);
    Label3->move(202, 30);
    chkFileMaxSize =
        MakeCheck("chkFileMaxSize", gbFileSize, TStringId::AtMost, TStringId::HintAtMost);
    chkFileMaxSize->move(10, 66);
    txtMaxSize = MakeNumber("txtMaxSize", gbFileSize, 1073741824);
    txtMaxSize->setGeometry(96, 62, 100, 24);
    Label4 = MakeLabel("Label4", gbFileSize, TStringId::UnitKB);
    Label4->move(202, 66);

    gbFileAttr = new QGroupBox(LoadStr(TStringId::GroupFileAttr), palAdvOptions);
    gbFileAttr->setObjectName("gbFileAttr");
    gbFileAttr->setToolTip(LoadStr(TStringId::HintGroupFileAttr));
    gbFileAttr->setGeometry(244, 4, 200, 122);
    chkFileReadOnlyAttr = MakeCheck("chkFileReadOnlyAttr", gbFileAttr, TStringId::AttrReadOnly,
                                    TStringId::HintAttrReadOnly);
    chkFileReadOnlyAttr->move(10, 26);
    chkFileHiddenAttr = MakeCheck("chkFileHiddenAttr", gbFileAttr, TStringId::AttrHidden,
                                  TStringId::HintAttrHidden);
    chkFileHiddenAttr->move(10, 48);
    chkFileSystemAttr = MakeCheck("chkFileSystemAttr", gbFileAttr, TStringId::AttrSystem,
                                  TStringId::HintAttrSystem);
    chkFileSystemAttr->move(10, 70);
    chkFileArchiveAttr = MakeCheck("chkFileArchiveAttr", gbFileAttr, TStringId::AttrArchive,
                                   TStringId::HintAttrArchive);
    chkFileArchiveAttr->move(10, 92);

    gbFileTime = new QGroupBox(LoadStr(TStringId::GroupFileTime), palAdvOptions);
    gbFileTime->setObjectName("gbFileTime");
    gbFileTime->setToolTip(LoadStr(TStringId::HintGroupFileTime));
    gbFileTime->setGeometry(452, 4, 289, 122);
    struct TTimeRow {
        QCheckBox*& check;
        QSpinBox*& days;
        QLabel*& unit;
        const char* checkName;
        const char* daysName;
        const char* unitName;
        TStringId caption;
        TStringId hint;
    };
    const TTimeRow rows[] = {
        {chkFileCreatedTime, txtFileCreatedTime, Label7, "chkFileCreatedTime", "txtFileCreatedTime",
         "Label7", TStringId::CreatedIn, TStringId::HintCreatedIn},
        {chkFileLastAccessedTime, txtFileLastAccessedTime, Label8, "chkFileLastAccessedTime",
         "txtFileLastAccessedTime", "Label8", TStringId::LastAccessedIn,
         TStringId::HintLastAccessedIn},
        {chkFileModifiedTime, txtFileModifiedTime, Label9, "chkFileModifiedTime",
         "txtFileModifiedTime", "Label9", TStringId::ModifiedIn, TStringId::HintModifiedIn},
    };
    int y = 26;
    for (const TTimeRow& row : rows) {
        row.check = MakeCheck(row.checkName, gbFileTime, row.caption, row.hint);
        row.check->move(10, y + 4);
        row.days = MakeNumber(row.daysName, gbFileTime, 999);
        row.days->setGeometry(150, y, 80, 24);
        row.unit = MakeLabel(row.unitName, gbFileTime, TStringId::UnitDays);
        row.unit->move(236, y + 4);
        y += 30;
    }

    for (QGroupBox* group : {gbFileSize, gbFileAttr, gbFileTime}) {
        group->setCheckable(true);
        group->setChecked(false);
        connect(group, &QGroupBox::toggled, this, &TSearchForm::SetAdvOptControls);
    }
    for (QCheckBox* box : {chkFileMinSize, chkFileMaxSize, chkFileCreatedTime,
                           chkFileLastAccessedTime, chkFileModifiedTime})
        connect(box, &QCheckBox::toggled, this, &TSearchForm::SetAdvOptControls);
}

void TSearchForm::FormCreate() {
    resize(FORM_WIDTH, FORM_HEIGHT);
    setMinimumSize(MIN_WIDTH, MIN_HEIGHT);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    labBanner->setText(LoadStr(TStringId::SearchBanner));
    labBanner->adjustSize();

    // The filter's description and mask are separated by "|".
    const QStringList filter = LoadStr(TStringId::SearchFilter).split('|');
    cmbFileName->addItem(filter.value(0), filter.value(1));
    cmbFileName->setCurrentIndex(0);

    FLocalDrives = GetLocalHardDrives();
    FDriveEntry = Format(LoadStr(TStringId::LocalHarddrives), {FLocalDrives});
    cmbDirectory->addItem(FDriveEntry);
    cmbDirectory->setCurrentIndex(0);

    palAdvOptions->setEnabled(false);
    SetAdvOptControls();
    ClearResults();
    Timer->stop();
    FSearching = false;
    FReportCancel = true;

    cmbDirectory->setToolTip(LoadStr(TStringId::HintLookIn));
    btnSelectDir->setToolTip(LoadStr(TStringId::HintSelectDir));
    btnAdvOptions->setToolTip(LoadStr(TStringId::HintAdvOptions));
    btnAddSelected->setToolTip(LoadStr(TStringId::HintAddSelected));
    btnSelectAll->setToolTip(LoadStr(TStringId::HintSelectAll));
    btnUnselectAll->setToolTip(LoadStr(TStringId::HintUnselectAll));
    btnClose->setToolTip(LoadStr(TStringId::HintClose));
    SetMultiSelectMode(true);
    LayoutControls();
}

void TSearchForm::LayoutControls() {
    const int w = width();
    const int h = height();
    palHeader->setGeometry(0, 0, w, 50);
    labSearchFileNamePrompt->move(12, 66);
    // Both drop-downs start 9 pixels right of the first label and end at 467.
    const int left = labSearchFileNamePrompt->x() + labSearchFileNamePrompt->width() + 9;
    cmbFileName->setGeometry(left, 62, 467 - left, 26);
    Label1->move(12, 100);
    cmbDirectory->setGeometry(left, 96, 467 - left, 26);
    btnSelectDir->setGeometry(473, 96, 30, 26);
    RecurseSubDirs->move(left, 130);
    btnSearch->setGeometry(w - 170, 62, 156, 40);
    labAdvOptionsPrompt->move(12, 160);
    btnAdvOptions->setGeometry(labAdvOptionsPrompt->x() + labAdvOptionsPrompt->width() + 8, 156, 28,
                               24);
    const int advHeight = palAdvOptions->height();
    palAdvOptions->setGeometry(12, 184, w - 24, advHeight);
    palAdvOptions->setVisible(advHeight > 0);

    const int top = 188 + advHeight;
    palProgress->setGeometry(12, top, w - 24, 42);
    labProgress->setGeometry(0, 0, 300, 20);
    labConsumedTime->adjustSize();
    labConsumedTime->setGeometry(palProgress->width() - 200, 0, 200, 20);
    Label6->setGeometry(labConsumedTime->x() - 110, 0, 110, 20);
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Gauge->setGeometry(0, 24, palProgress->width(), 14);
    labDir->setGeometry(12, top + 44, w - 24, 18);
    Label5->move(12, top + 64);
    palFileList->setGeometry(12, top + 82, w - 24, h - (top + 82) - 52);
    fl->setGeometry(0, 0, palFileList->width(), palFileList->height());

    const int y = h - 42;
    btnHelp->setGeometry(12, y, 100, 30);
    btnAddSelected->setGeometry(btnSelectAll->isHidden() ? 527 : 307, y, 104, 30);
    btnSelectAll->setGeometry(417, y, 104, 30);
    btnUnselectAll->setGeometry(527, y, 104, 30);
    btnClose->setGeometry(w - 118, y, 106, 30);
}

void TSearchForm::resizeEvent(QResizeEvent* AEvent) {
    QDialog::resizeEvent(AEvent);
    LayoutControls();
}

void TSearchForm::SetMultiSelectMode(bool AMulti) {
    fl->setSelectionMode(AMulti ? QAbstractItemView::ExtendedSelection
                                : QAbstractItemView::SingleSelection);
    btnSelectAll->setVisible(AMulti);
    btnUnselectAll->setVisible(AMulti);
    btnAddSelected->move(AMulti ? 307 : 527, btnAddSelected->y());
}

void TSearchForm::ClearResults() {
    fl->clear();
    FListed.clear();
    UpdateFoundCount();
    labDir->clear();
    labConsumedTime->setText(FormatElapsedTime(LoadStr(TStringId::ElapsedLabelPattern), 0.0));
}

void TSearchForm::SearchStopped() {
    btnSearch->setText(LoadStr(TStringId::StartSearch));
    SetSkinElement(btnSearch, "startbutton");
    Timer->stop();
    labDir->clear();
    FSearching = false;
    Gauge->setRange(0, 1);
    Gauge->setValue(0);
}

void TSearchForm::UpdateFoundCount() {
    labProgress->setText(Format(LoadStr(TStringId::FilesFound), {fl->topLevelItemCount()}));
}

void TSearchForm::SetAdvOptControls() {
    // A group's tick enables or disables everything inside it; ticked, a
    // number box follows its own check box.
    if (gbFileSize->isChecked()) {
        txtMinSize->setEnabled(chkFileMinSize->isChecked());
        txtMaxSize->setEnabled(chkFileMaxSize->isChecked());
    }
    if (gbFileTime->isChecked()) {
        txtFileCreatedTime->setEnabled(chkFileCreatedTime->isChecked());
        txtFileLastAccessedTime->setEnabled(chkFileLastAccessedTime->isChecked());
        txtFileModifiedTime->setEnabled(chkFileModifiedTime->isChecked());
    }
}

void TSearchForm::btnAdvOptionsClick() {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1 << 16, 1 << 16);
    if (palAdvOptions->height() == 0) {
        palAdvOptions->setEnabled(true);
        palAdvOptions->resize(palAdvOptions->width(), ADV_OPTIONS_HEIGHT);
        setMinimumHeight(minimumHeight() + ADV_OPTIONS_HEIGHT);
        resize(width(), height() + ADV_OPTIONS_HEIGHT);
        move(x(), std::max(screen.top(), y() - ADV_OPTIONS_HEIGHT / 2));
        btnAdvOptions->setText(LoadStr(TStringId::AdvOptionsHide));
    } else {
        palAdvOptions->setEnabled(false);
        palAdvOptions->resize(palAdvOptions->width(), 0);
        setMinimumHeight(minimumHeight() - ADV_OPTIONS_HEIGHT);
        resize(width(), height() - ADV_OPTIONS_HEIGHT);
        move(x(), std::min(screen.bottom() - height(), y() + ADV_OPTIONS_HEIGHT / 2));
        btnAdvOptions->setText(LoadStr(TStringId::AdvOptionsShow));
    }
    LayoutControls();
}

void TSearchForm::btnSearchClick() {
    if (FSearching) {
        FReportCancel = true;
        lf->CancelSearch();
        return;
    }
    lf->FileMasks = cmbFileName->currentData().toString();
    lf->Dirs =
        cmbDirectory->currentText() == FDriveEntry ? FLocalDrives : cmbDirectory->currentText();
    lf->RecurseSubDirs = RecurseSubDirs->isChecked();

    std::uint64_t minSize = 0;
    std::uint64_t maxSize = 0;
    if (gbFileSize->isChecked()) {
        const std::uint64_t atLeast = static_cast<std::uint64_t>(txtMinSize->value()) * 1024;
        const std::uint64_t atMost = static_cast<std::uint64_t>(txtMaxSize->value()) * 1024;
        if (chkFileMinSize->isChecked() && chkFileMaxSize->isChecked() && atMost < atLeast) {
            FMessage.MessageDlg(LoadStr(TStringId::SizeBoundsError), TMsgDlgType::mtError, mbOK);
            return;
        }
        if (chkFileMinSize->isChecked())
            minSize = atLeast;
        if (chkFileMaxSize->isChecked())
            maxSize = atMost;
    }
    lf->MinSize = minSize;
    lf->MaxSize = maxSize;

    TFileSearchAttrs attributes = fmAnyfile;
    if (gbFileAttr->isChecked()) {
        attributes = {};
        if (chkFileReadOnlyAttr->isChecked())
            attributes |= fmReadOnly;
        if (chkFileHiddenAttr->isChecked())
            attributes |= fmHidden;
        if (chkFileSystemAttr->isChecked())
            attributes |= fmSystem;
        if (chkFileArchiveAttr->isChecked())
            attributes |= fmArchive;
    }
    lf->Attributes = attributes;

    const QDateTime now = QDateTime::currentDateTime();
    lf->CreatedAfter = now.addDays(-txtFileCreatedTime->value());
    lf->AccessedAfter = now.addDays(-txtFileLastAccessedTime->value());
    lf->ModifiedAfter = now.addDays(-txtFileModifiedTime->value());
    TSearchCheckDates dates;
    if (gbFileTime->isChecked()) {
        if (chkFileCreatedTime->isChecked())
            dates |= scdCreateAfter;
        if (chkFileLastAccessedTime->isChecked())
            dates |= scdAccessedAfter;
        if (chkFileModifiedTime->isChecked())
            dates |= scdModifiedAfter;
    }
    lf->CheckDates = dates;

    btnSearch->setText(LoadStr(TStringId::StopSearch));
    SetSkinElement(btnSearch, "stopbutton");
    ClearResults();
    FSearchStartTime = now;
    Timer->start();
    FReportCancel = true;
    FSearching = true;
    Gauge->setRange(0, 0);
    lf->StartSearch();
}

QString TSearchForm::FullPathOf(const QString& ADir, const QString& AName) {
    return ADir.endsWith('/') ? ADir + AName : ADir + '/' + AName;
}

void TSearchForm::lfFound(TFileSearch*, const TSearchFileRecord& AFileData) {
    const QString path = FullPathOf(AFileData.Dir, AFileData.Name);
    const QString key = path.toUpper();
    if (!FListed.contains(key)) {
        FListed.insert(key);
        auto* row = new QTreeWidgetItem(
            fl, {AFileData.Name, AFileData.Dir, QString::number(AFileData.Size),
                 TimeText(AFileData.CreationTime), TimeText(AFileData.LastAccessTime),
                 TimeText(AFileData.LastWriteTime)});
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    UpdateFoundCount();
}

void TSearchForm::lfDirChange(TFileSearch*, const QString& AFileName) {
    labDir->setText(LoadStr(TStringId::SearchIn) + ' ' + AFileName);
}

void TSearchForm::lfFinished(TFileSearch*) {
    SearchStopped();
    FMessage.MessageDlg(Format(LoadStr(TStringId::SearchCompleted), {fl->topLevelItemCount()}),
                        TMsgDlgType::mtInformation, mbOK);
}

void TSearchForm::lfCancel(TFileSearch*) {
    SearchStopped();
    if (FReportCancel)
        FMessage.MessageDlg(LoadStr(TStringId::SearchCancelled), TMsgDlgType::mtInformation, mbOK);
}

void TSearchForm::lfEnd(TFileSearch*) {
    SearchStopped();
}

void TSearchForm::TimerTimer() {
    if (FSearching)
        labConsumedTime->setText(FormatElapsedTime(
            LoadStr(TStringId::ElapsedLabelPattern),
            static_cast<double>(FSearchStartTime.msecsTo(QDateTime::currentDateTime())) /
                kMsPerDay));
}

void TSearchForm::btnSelectDirClick() {
    QString folder =
        QFileInfo(cmbDirectory->currentText()).isDir() ? cmbDirectory->currentText() : QString();
    if (!FDialogs.BrowseFolder(LoadStr(TStringId::SearchLookIn), folder))
        return;
    cmbDirectory->setCurrentIndex(-1);
    cmbDirectory->setEditText(folder);
}

void TSearchForm::btnSelectAllClick() {
    fl->selectAll();
    fl->setFocus();
}

void TSearchForm::btnUnselectAllClick() {
    fl->clearSelection();
}

QStringList TSearchForm::SelectedFiles() const {
    QStringList files;
    for (int i = 0; i < fl->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = fl->topLevelItem(i);
        if (row->isSelected())
            files.append(FullPathOf(row->text(1), row->text(0)));
    }
    return files;
}

void TSearchForm::btnAddSelectedClick() {
    if (fl->selectedItems().isEmpty()) {
        FMessage.MessageDlg(LoadStr(TStringId::SelectFilesFirst), TMsgDlgType::mtError, mbOK);
        return;
    }
    Tag = 1;
    PostCloseRequest();
}

void TSearchForm::btnCloseClick() {
    PostCloseRequest();
}

void TSearchForm::PostCloseRequest() {
    QMetaObject::invokeMethod(this, &TSearchForm::reject, Qt::QueuedConnection);
}

bool TSearchForm::ConfirmClose() {
    if (!FSearching)
        return true;
    if (FMessage.MessageDlg(LoadStr(TStringId::CancelSearchAndClose), TMsgDlgType::mtConfirmation,
                            mbYes | mbNo) != TModalResult::mrYes)
        return false;
    FReportCancel = false;
    lf->CancelSearch();
    return true;
}

void TSearchForm::reject() {
    if (ConfirmClose())
        QDialog::reject();
}

void TSearchForm::closeEvent(QCloseEvent* AEvent) {
    if (!ConfirmClose()) {
        AEvent->ignore();
        return;
    }
    AEvent->accept();
    done(QDialog::Rejected);
}

void TSearchForm::keyPressEvent(QKeyEvent* AEvent) {
    if (AEvent->key() == Qt::Key_F1) {
        btnHelpClick();
        return;
    }
    QDialog::keyPressEvent(AEvent);
}

void TSearchForm::btnHelpClick() {
    FShell.Open(FHelpFile);
}
