#include "run/VornMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>

#include <sys/stat.h>

#include "Brevik.h"
#include "report/VornInfo.h"
#include "report/logdlg.h"
#include "resources/VornStrings.h"
#include "run/MsgWnd.h"
#include "search/SearchFrm.h"
#include "settings/Registry.h"
#include "settings/VornSetting.h"
#include "util/VornUtils.h"
#include "widgets/DragEdit.h"
#include "widgets/QtFileDialogs.h"
#include "widgets/QtSkinMessage.h"
#include "widgets/Skin.h"
#include "widgets/VornPanel.h"

namespace {

// A day in milliseconds: durations are handed around in days.
constexpr double kMsPerDay = 86400000.0;

double DaysBetween(const QDateTime& AStart, const QDateTime& AEnd) {
    return static_cast<double>(AStart.msecsTo(AEnd)) / kMsPerDay;
}

QPushButton* MakeButton(const QString& AName, QWidget* AParent) {
    auto* button = new QPushButton(AParent);
    button->setObjectName(AName);
    return button;
}

QLabel* MakeLabel(const QString& AName, QWidget* AParent, const QString& AText = {}) {
    auto* label = new QLabel(AText, AParent);
    label->setObjectName(AName);
    return label;
}

TVornPanel* MakePanel(const QString& AName, QWidget* AParent, const QRect& AGeometry) {
    auto* panel = new TVornPanel(AParent);
    panel->setObjectName(AName);
    panel->setGeometry(AGeometry);
    return panel;
}

// Makes `AButton` one of a group of tab buttons of which one shows pressed.
void MakeTabButton(QPushButton* AButton, int ATag) {
    AButton->setCheckable(true);
    AButton->setAutoExclusive(true);
    AButton->setFocusPolicy(Qt::StrongFocus);
    AButton->setProperty("tag", ATag);
}

// Places `ALabel` `AGap` pixels right of where `APrompt` ends.
void PlaceRightOf(QLabel* ALabel, const QLabel* APrompt, int AGap) {
    ALabel->adjustSize();
    ALabel->move(APrompt->x() + APrompt->width() + AGap, APrompt->y());
}

} // namespace

TVornMainForm::TVornMainForm(const TFormServices& AServices, QWidget* AParent)
    : QWidget(AParent), FServices(AServices) {
    if (!FServices.Message) {
        FOwnMessage = std::make_unique<TQtSkinMessage>(this);
        FServices.Message = FOwnMessage.get();
    }
    if (!FServices.Dialogs) {
        FOwnDialogs = std::make_unique<TQtFileDialogs>(this);
        FServices.Dialogs = FOwnDialogs.get();
    }
    if (!FServices.Shell) {
        FOwnShell = std::make_unique<TXdgShell>();
        FServices.Shell = FOwnShell.get();
    }
    if (!FServices.LogDialog) {
        FOwnLogDialog = std::make_unique<TSaveLogDialog>(this);
        FServices.LogDialog = FOwnLogDialog.get();
    }
    setObjectName("MainForm");
    CreateControls();
}

TVornMainForm::~TVornMainForm() = default;

// ---------------------------------------------------------------------------
// The window design

void TVornMainForm::CreateControls() {
    palHeader = MakePanel("palHeader", this, {0, 0, FORM_WIDTH, 64});
    palHeader->SetTransparent(true);
    btnRepairTab = MakeButton("btnRepairTab", palHeader);
    btnBatchRepairTab = MakeButton("btnBatchRepairTab", palHeader);
    btnOptionsTab = MakeButton("btnOptionsTab", palHeader);
    btnAboutTab = MakeButton("btnAboutTab", palHeader);
    int tag = 1;
    for (QPushButton* button : {btnRepairTab, btnBatchRepairTab, btnOptionsTab, btnAboutTab}) {
        MakeTabButton(button, tag);
        button->setGeometry(20 + (tag - 1) * 170, 14, 160, 40);
        button->setProperty("skinElement", "maintab");
        connect(button, &QPushButton::clicked, this, [this, tag] { MainTabChange(tag); });
        ++tag;
    }

    CreateRepairTab();
    CreateBatchTab();
    CreateProgressPanel();
    CreateOptionsTab();
    CreateAboutTab();

    btnHelp = MakeButton("btnHelp", this);
    btnHelp->setGeometry(825, 502, 110, 32);
    connect(btnHelp, &QPushButton::clicked, this, &TVornMainForm::btnHelpClick);
    palFacebookLikeMask = MakePanel("palFacebookLikeMask", this, {18, 500, 204, 36});
    btnFacebookLike = MakeButton("btnFacebookLike", palFacebookLikeMask);
    btnFacebookLike->setGeometry(2, 2, 200, 32);
    connect(btnFacebookLike, &QPushButton::clicked, this, &TVornMainForm::btnFacebookLikeClick);
    palFeedbackMask = MakePanel("palFeedbackMask", this, {230, 500, 134, 36});
    btnFeedback = MakeButton("btnFeedback", palFeedbackMask);
    btnFeedback->setGeometry(2, 2, 130, 32);
    connect(btnFeedback, &QPushButton::clicked, this, &TVornMainForm::btnFeedbackClick);

    FSearchForm =
        new TSearchForm(*FServices.Message, *FServices.Dialogs, *FServices.Shell, HelpFile(), this);

    Timer = new QTimer(this);
    Timer->setObjectName("Timer");
    Timer->setInterval(60000);
    connect(Timer, &QTimer::timeout, this, &TVornMainForm::TimerTimer);
}

void TVornMainForm::CreateRepairTab() {
    palRepairTab = MakePanel("palRepairTab", this, {10, 72, 935, 420});
    labSelSrcFile = MakeLabel("labSelSrcFile", palRepairTab);
    labSelSrcFile->move(14, 18);
    txtSrcFile = new TDragEdit(palRepairTab);
    txtSrcFile->setObjectName("txtSrcFile");
    btnSrcMore = MakeButton("btnSrcMore", palRepairTab);
    btnSrcMore->setText(QStringLiteral("..."));
    btnSrcMore->setGeometry(630, 14, 34, 26);
    btnSrcSearch = MakeButton("btnSrcSearch", palRepairTab);
    btnSrcSearch->setGeometry(668, 14, 74, 26);
    labSelDstFile = MakeLabel("labSelDstFile", palRepairTab);
    labSelDstFile->move(14, 54);
    txtDstFile = new QLineEdit(palRepairTab);
    txtDstFile->setObjectName("txtDstFile");
    btnDstMore = MakeButton("btnDstMore", palRepairTab);
    btnDstMore->setText(QStringLiteral("..."));
    btnDstMore->setGeometry(630, 50, 34, 26);
    btnRepair = MakeButton("btnRepair", palRepairTab);
    btnRepair->setGeometry(748, 14, 172, 62);
    btnRepair->setEnabled(false);
    SetRunButton(btnRepair, false);
    labRepairLogPrompt = MakeLabel("labRepairLogPrompt", palRepairTab);
    labRepairLogPrompt->move(14, 142);
    txtRepairLog = new QPlainTextEdit(palRepairTab);
    txtRepairLog->setObjectName("txtRepairLog");
    txtRepairLog->setReadOnly(true);
    txtRepairLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtRepairLog->setGeometry(14, 162, 906, 248);
    vsbRepairLog = txtRepairLog->verticalScrollBar();
    btnSaveLog = MakeButton("btnSaveLog", palRepairTab);
    btnSaveLog->setGeometry(800, 132, 120, 26);
    connect(btnSaveLog, &QPushButton::clicked, this, &TVornMainForm::btnSaveLogClick);
    vsbRepairLog->setObjectName("vsbRepairLog");

    connect(txtSrcFile, &QLineEdit::textChanged, this, &TVornMainForm::txtSrcFileChange);
    connect(txtDstFile, &QLineEdit::textChanged, this, &TVornMainForm::txtDstFileChange);
    connect(txtSrcFile, &TDragEdit::OnDropFile, this, &TVornMainForm::txtSrcFileDropFile);
    connect(btnSrcMore, &QPushButton::clicked, this, &TVornMainForm::btnSrcMoreClick);
    connect(btnSrcSearch, &QPushButton::clicked, this, &TVornMainForm::btnSrcSearchClick);
    connect(btnDstMore, &QPushButton::clicked, this, &TVornMainForm::btnDstMoreClick);
    connect(btnRepair, &QPushButton::clicked, this, &TVornMainForm::btnRepairClick);
}

void TVornMainForm::CreateBatchTab() {
    palBatchRepairTab = MakePanel("palBatchRepairTab", this, {10, 72, 935, 420});
    Label9 = MakeLabel("Label9", palBatchRepairTab);
    Label9->move(14, 54);
    palSrcFileList = MakePanel("palSrcFileList", palBatchRepairTab, {14, 74, 766, 336});
    FileList = new QTreeWidget(palSrcFileList);
    FileList->setObjectName("FileList");
    FileList->setGeometry(0, 0, 766, 336);
    FileList->setColumnCount(3);
    FileList->setRootIsDecorated(false);
    FileList->setUniformRowHeights(true);
    FileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileList->header()->setStretchLastSection(false);
    FileList->installEventFilter(this);
    Label9->setBuddy(FileList);

    btnRepairFiles = MakeButton("btnRepairFiles", palBatchRepairTab);
    btnRepairFiles->setGeometry(792, 74, 128, 52);
    SetRunButton(btnRepairFiles, false);
    btnAddFiles = MakeButton("btnAddFiles", palBatchRepairTab);
    btnAddFiles->setGeometry(792, 142, 128, 30);
    btnSearchFiles = MakeButton("btnSearchFiles", palBatchRepairTab);
    btnSearchFiles->setGeometry(792, 180, 128, 30);
    btnRemoveFiles = MakeButton("btnRemoveFiles", palBatchRepairTab);
    btnRemoveFiles->setGeometry(792, 218, 128, 30);
    btnRemoveAll = MakeButton("btnRemoveAll", palBatchRepairTab);
    btnRemoveAll->setGeometry(792, 256, 128, 30);
    connect(btnRepairFiles, &QPushButton::clicked, this, &TVornMainForm::btnRepairFilesClick);
    connect(btnAddFiles, &QPushButton::clicked, this, &TVornMainForm::btnAddFilesClick);
    connect(btnSearchFiles, &QPushButton::clicked, this, &TVornMainForm::btnSearchFilesClick);
    connect(btnRemoveFiles, &QPushButton::clicked, this, &TVornMainForm::btnRemoveFilesClick);
    connect(btnRemoveAll, &QPushButton::clicked, this, &TVornMainForm::btnRemoveAllClick);
}

void TVornMainForm::CreateProgressPanel() {
    palProgress = MakePanel("palProgress", this, {0, 0, 409, 46});
    labProgress = MakeLabel("labProgress", palProgress);
    labProgress->setGeometry(0, 4, 200, 20);
    labConsumedTimePrompt = MakeLabel("labConsumedTimePrompt", palProgress);
    labConsumedTimePrompt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labConsumedTime = MakeLabel("labConsumedTime", palProgress);
    Gauge = new QProgressBar(palProgress);
    Gauge->setObjectName("Gauge");
    Gauge->setRange(0, 100);
    Gauge->setValue(0);
    Gauge->setTextVisible(false);
    Gauge->setGeometry(0, palProgress->height() - 16, palProgress->width(), 16);
}

void TVornMainForm::CreateOptionsTab() {
    palOptionsTab = MakePanel("palOptionsTab", this, {10, 72, 935, 420});
    palSubTabs = MakePanel("palSubTabs", palOptionsTab, {0, 0, 190, 420});
    btnOptionsSubTab = MakeButton("btnOptionsSubTab", palSubTabs);
    btnAdvOptionsSubTab = MakeButton("btnAdvOptionsSubTab", palSubTabs);
    int tag = 1;
    for (QPushButton* button : {btnOptionsSubTab, btnAdvOptionsSubTab}) {
        MakeTabButton(button, tag);
        button->setGeometry(12, 14 + (tag - 1) * 46, 166, 38);
        button->setProperty("skinElement", "subtab");
        connect(button, &QPushButton::clicked, this, [this, tag] { SubTabChange(tag); });
        ++tag;
    }

    palOptionsSubTab = MakePanel("palOptionsSubTab", palOptionsTab, {200, 0, 735, 420});
    chkOpenFixed = new QCheckBox(palOptionsSubTab);
    chkOpenFixed->setObjectName("chkOpenFixed");
    chkOpenFixed->setChecked(true);
    chkOpenFixed->move(20, 22);

    palAdvOptionsSubTab = MakePanel("palAdvOptionsSubTab", palOptionsTab, {200, 0, 735, 420});
    labTempDir = MakeLabel("labTempDir", palAdvOptionsSubTab);
    labTempDir->move(20, 22);
    txtTempDir = new QLineEdit(palAdvOptionsSubTab);
    txtTempDir->setObjectName("txtTempDir");
    txtTempDir->setGeometry(20, 46, 600, 26);
    btnMoreDir = MakeButton("btnMoreDir", palAdvOptionsSubTab);
    btnMoreDir->setText(QStringLiteral("..."));
    btnMoreDir->setGeometry(628, 46, 34, 26);
    labBufSize = MakeLabel("labBufSize", palAdvOptionsSubTab);
    labBufSize->move(20, 96);
    txtBufSize = new QSpinBox(palAdvOptionsSubTab);
    txtBufSize->setObjectName("txtBufSize");
    txtBufSize->setRange(1, 65536);
    txtBufSize->setSingleStep(1);
    txtBufSize->setValue(1);
    txtBufSize->setGeometry(20, 120, 140, 26);
    labBufSizeUnit = MakeLabel("labBufSizeUnit", palAdvOptionsSubTab);
    labBufSizeUnit->move(170, 124);
    labTempDir->setBuddy(txtTempDir);
    labBufSize->setBuddy(txtBufSize);
    connect(btnMoreDir, &QPushButton::clicked, this, &TVornMainForm::btnMoreDirClick);
}

void TVornMainForm::CreateAboutTab() {
    palAboutTab = MakePanel("palAboutTab", this, {10, 72, 935, 420});
    imgLogo = MakeButton("imgLogo", palAboutTab);
    imgLogo->setGeometry(40, 40, 110, 110);
    imgLogo->setText(QStringLiteral("Q"));
    imgLogo->setCursor(Qt::PointingHandCursor);
    connect(imgLogo, &QPushButton::clicked, this, &TVornMainForm::imgLogoClick);
    labTitle = MakeLabel("labTitle", palAboutTab);
    labTitle->move(180, 40);
    labVersion = MakeLabel("labVersion", palAboutTab);
    labVersion->move(180, 84);
    labNotice = MakeLabel("labNotice", palAboutTab);
    labNotice->setWordWrap(true);
    labNotice->setGeometry(180, 116, 700, 48);
    labHomepagePrompt = MakeLabel("labHomepagePrompt", palAboutTab);
    labHomepagePrompt->move(180, 190);
    labHomepage = MakeLabel("labHomepage", palAboutTab);
    labSupportCenterPrompt = MakeLabel("labSupportCenterPrompt", palAboutTab);
    labSupportCenterPrompt->move(180, 222);
    labSupportCenter = MakeLabel("labSupportCenter", palAboutTab);
    labEmailPrompt = MakeLabel("labEmailPrompt", palAboutTab);
    labEmail = MakeLabel("labEmail", palAboutTab);
    const std::pair<QLabel*, void (TVornMainForm::*)()> links[] = {
        {labHomepage, &TVornMainForm::labHomepageClick},
        {labSupportCenter, &TVornMainForm::labSupportCenterClick},
        {labEmail, &TVornMainForm::labEmailClick},
    };
    for (const auto& [label, handler] : links) {
        label->setProperty("skinElement", "link");
        label->setCursor(Qt::PointingHandCursor);
        label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        connect(label, &QLabel::linkActivated, this, handler);
    }
}

void TVornMainForm::SetRunButton(QPushButton* AButton, bool ARunning) {
    AButton->setText(LoadStr(ARunning ? TStringId::StopRecovery : TStringId::StartRecovery));
    SetSkinElement(AButton, ARunning ? "stopbutton" : "startbutton");
}

// ---------------------------------------------------------------------------
// Creation, showing and destruction

void TVornMainForm::FormCreate(const QStringList& AArguments) {
    QApplication::setApplicationName(LoadStr(TStringId::ProductTitle));
    QApplication::setApplicationDisplayName(LoadStr(TStringId::ProductTitle));
    setWindowTitle(LoadStr(TStringId::ProductTitle));
    FMsgWnd = new TMsgWnd(
        [this](int32_t AMessage, const void* AArg) { return MsgWndProc(AMessage, AArg); }, this);

    setFixedSize(FORM_WIDTH, FORM_HEIGHT);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    btnRepairTab->setText(LoadStr(TStringId::TabRepair));
    btnBatchRepairTab->setText(LoadStr(TStringId::TabBatchRepair));
    btnOptionsTab->setText(LoadStr(TStringId::TabOptions));
    btnAboutTab->setText(LoadStr(TStringId::TabAbout));
    btnOptionsSubTab->setText(LoadStr(TStringId::SubTabOptions));
    btnAdvOptionsSubTab->setText(LoadStr(TStringId::SubTabAdvOptions));

    labSelSrcFile->setText(LoadStr(TStringId::LabelSelSrcFile));
    labSelDstFile->setText(LoadStr(TStringId::LabelSelDstFile));
    labSelSrcFile->adjustSize();
    labSelDstFile->adjustSize();
    labSelSrcFile->setBuddy(txtSrcFile);
    labSelDstFile->setBuddy(txtDstFile);
    const int editLeft = labSelSrcFile->x() + labSelSrcFile->width() + 7;
    const int editWidth = btnSrcMore->x() - 5 - editLeft;
    txtSrcFile->setGeometry(editLeft, 14, editWidth, 26);
    txtDstFile->setGeometry(editLeft, 50, editWidth, 26);

    Label9->setText(LoadStr(TStringId::LabelFileList));
    Label9->adjustSize();
    FileList->setHeaderLabels({LoadStr(TStringId::ColumnSource), LoadStr(TStringId::ColumnTarget),
                               LoadStr(TStringId::ColumnStatus)});
    FileList->setColumnWidth(0, 330);
    FileList->setColumnWidth(1, 330);
    FileList->setColumnWidth(2, 98);
    btnAddFiles->setText(LoadStr(TStringId::AddFilesButton));
    btnSearchFiles->setText(LoadStr(TStringId::SearchFilesButton));
    btnSrcSearch->setText(LoadStr(TStringId::SrcSearchButton));
    btnRemoveFiles->setText(LoadStr(TStringId::RemoveFilesButton));
    btnRemoveAll->setText(LoadStr(TStringId::RemoveAllButton));
    SetRunButton(btnRepairFiles, false);
    labRepairLogPrompt->setText(LoadStr(TStringId::LabelRepairLogPrompt));
    labRepairLogPrompt->adjustSize();
    btnSaveLog->setText(LoadStr(TStringId::SaveLogButton));
    SetRunButton(btnRepair, false);
    labProgress->setText(Format(LoadStr(TStringId::ProgressCompleted), {0}));
    labConsumedTimePrompt->setText(LoadStr(TStringId::TimeConsumedPrompt));
    labConsumedTime->setText(FormatElapsedTime(LoadStr(TStringId::ElapsedLabelPattern), 0.0));

    chkOpenFixed->adjustSize();
    labTempDir->setText(LoadStr(TStringId::LabelTempDir));
    labTempDir->adjustSize();
    labBufSize->setText(LoadStr(TStringId::LabelBufSize));
    labBufSize->adjustSize();
    labBufSizeUnit->setText(LoadStr(TStringId::LabelBytes));
    labBufSizeUnit->adjustSize();

    labNotice->setText(LoadStr(TStringId::Notice));
    labHomepagePrompt->setText(LoadStr(TStringId::HomepagePrompt));
    labHomepagePrompt->adjustSize();
    const QString homepage = LoadStr(TStringId::HomepageAddress);
    labHomepage->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(homepage.toHtmlEscaped()));
    PlaceRightOf(labHomepage, labHomepagePrompt, 10);
    labSupportCenterPrompt->setText(LoadStr(TStringId::SupportCenterPrompt));
    labSupportCenterPrompt->adjustSize();
    const QString support = LoadStr(TStringId::SupportCenterAddress);
    labSupportCenter->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(support.toHtmlEscaped()));
    PlaceRightOf(labSupportCenter, labSupportCenterPrompt, 10);
    labEmailPrompt->setText(LoadStr(TStringId::EmailPrompt));
    labEmailPrompt->adjustSize();
    labEmailPrompt->move(labSupportCenter->x() + labSupportCenter->width() + 22,
                         labSupportCenter->y());
    const QString email = LoadStr(TStringId::SupportEmail);
    labEmail->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(email.toHtmlEscaped()));
    PlaceRightOf(labEmail, labEmailPrompt, 10);
    labTitle->setText(QApplication::applicationDisplayName());
    labTitle->adjustSize();
    labVersion->setText(
        GetFileVersionText(QCoreApplication::applicationFilePath(), TVersionKind::FileVersion));
    labVersion->adjustSize();

    btnHelp->setText(LoadStr(TStringId::HelpButton));
    btnFacebookLike->setText(LoadStr(TStringId::FacebookLikeButton));
    btnFeedback->setText(LoadStr(TStringId::FeedbackButton));

    btnRepairTab->setToolTip(LoadStr(TStringId::HintTabRepair));
    btnBatchRepairTab->setToolTip(LoadStr(TStringId::HintTabBatchRepair));
    btnOptionsTab->setToolTip(LoadStr(TStringId::HintTabOptions));
    btnAboutTab->setToolTip(LoadStr(TStringId::HintTabAbout));
    txtSrcFile->setToolTip(LoadStr(TStringId::HintSrcFile));
    btnSrcMore->setToolTip(LoadStr(TStringId::HintSrcMore));
    txtDstFile->setToolTip(LoadStr(TStringId::HintDstFile));
    btnDstMore->setToolTip(LoadStr(TStringId::HintDstMore));
    btnSrcSearch->setToolTip(LoadStr(TStringId::HintSrcSearch));
    btnAddFiles->setToolTip(LoadStr(TStringId::HintAddFiles));
    btnSearchFiles->setToolTip(LoadStr(TStringId::HintSearchFiles));
    btnRemoveFiles->setToolTip(LoadStr(TStringId::HintRemoveFiles));
    btnRemoveAll->setToolTip(LoadStr(TStringId::HintRemoveAll));

    Timer->stop();
    connect(vsbRepairLog, &QScrollBar::valueChanged, this, &TVornMainForm::vsbRepairLogChange);

    FRepairing = false;
    FStopRequested = false;
    FMainTab = 1;
    FSubTab = 1;
    btnRepairTab->setChecked(true);
    btnOptionsSubTab->setChecked(true);
    for (QWidget* panel : std::initializer_list<QWidget*>{palBatchRepairTab, palOptionsTab,
                                                          palAboutTab, palAdvOptionsSubTab})
        panel->hide();

    LoadSettings();
    txtSrcFile->SetAcceptFiles(true);
    if (!AArguments.isEmpty())
        ProcessCommandLine(AArguments);
}

void TVornMainForm::ProcessCommandLine(const QStringList& AArguments) {
    show();
    auto isSwitch = [](const QString& AArg) {
        return AArg.size() == 2 && (AArg[0] == '-' || AArg[0] == '/') && AArg[1].isLetter();
    };
    auto hasSwitch = [&](QChar ALetter) {
        for (const QString& arg : AArguments)
            if (isSwitch(arg) && arg[1].toUpper() == ALetter)
                return true;
        return false;
    };
    QString fileName;
    for (const QString& arg : AArguments) {
        if (!isSwitch(arg) && !arg.startsWith('-')) {
            fileName = arg;
            break;
        }
    }
    if (!QFileInfo(fileName).isFile()) {
        SkinMessage().MessageDlg(Format(LoadStr(TStringId::CannotOpenFile), {fileName}),
                                 TMsgDlgType::mtError, mbOK);
        return;
    }
    txtSrcFile->setText(fileName);
    chkOpenFixed->setChecked(hasSwitch('O'));
    txtSrcFileChange();
    btnRepairClick();
    if (hasSwitch('E')) {
        FTerminateRequested = true;
        // Delivered once the application's event loop runs, which ends it.
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

void TVornMainForm::FormShow() {
    btnRepairTab->setFocus();
    MainTabChange(1);
}

void TVornMainForm::showEvent(QShowEvent* AEvent) {
    QWidget::showEvent(AEvent);
    if (!FShown) {
        FShown = true;
        FormShow();
    }
}

void TVornMainForm::FormDestroy() {
    delete FMsgWnd;
    FMsgWnd = nullptr;
    SaveSettings();
}

void TVornMainForm::closeEvent(QCloseEvent* AEvent) {
    // The worker sends to this window until its engine call returns, and the
    // engine cannot be cancelled: closing asks the run to stop and waits for
    // it to end.
    if (FRepairing) {
        FStopRequested = true;
        AEvent->ignore();
        return;
    }
    QWidget::closeEvent(AEvent);
}

void TVornMainForm::keyPressEvent(QKeyEvent* AEvent) {
    if (AEvent->key() == Qt::Key_F1) {
        btnHelpClick();
        return;
    }
    QWidget::keyPressEvent(AEvent);
}

// ---------------------------------------------------------------------------
// Tabs

void TVornMainForm::MainTabChange(int ATag) {
    FMainTab = ATag;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             palRepairTab, palBatchRepairTab, palOptionsTab, palOptionsSubTab, palAdvOptionsSubTab,
             palAboutTab, palProgress, btnHelp, palFacebookLikeMask, palFeedbackMask})
        widget->hide();

    // The progress panel's bottom edge lies `ABaseline` + the gauge's height
    // below the tab panel's top.
    auto showRunTab = [this](QPushButton* AButton, TVornPanel* APanel, int ALeft, int AWidth,
                             int ABaseline) {
        AButton->setChecked(true);
        APanel->show();
        APanel->lower();
        palProgress->setGeometry(ALeft,
                                 APanel->y() + ABaseline + Gauge->height() - palProgress->height(),
                                 AWidth, palProgress->height());
        const int w = palProgress->width();
        labConsumedTime->adjustSize();
        labConsumedTime->setGeometry(w - labConsumedTime->width(), 4, labConsumedTime->width(), 20);
        labConsumedTime->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        labConsumedTimePrompt->setGeometry(labConsumedTime->x() - 120, 4, 120, 20);
        Gauge->setGeometry(0, palProgress->height() - 16, w, 16);
        palProgress->show();
        palProgress->raise();
        labProgress->update();
        labConsumedTimePrompt->update();
        labConsumedTime->update();
        btnHelp->show();
        palFacebookLikeMask->show();
        palFeedbackMask->show();
    };

    switch (ATag) {
    case 1:
        showRunTab(btnRepairTab, palRepairTab, palRepairTab->x() + txtRepairLog->x(),
                   txtRepairLog->width(), txtDstFile->y() + txtDstFile->height() + 40);
        break;
    case 2:
        showRunTab(btnBatchRepairTab, palBatchRepairTab,
                   palBatchRepairTab->x() + palSrcFileList->x(), palSrcFileList->width(), 29);
        break;
    case 3:
        btnOptionsTab->setChecked(true);
        palOptionsTab->show();
        palOptionsTab->lower();
        if (btnOptionsSubTab->isChecked())
            SubTabChange(1);
        else if (btnAdvOptionsSubTab->isChecked())
            SubTabChange(2);
        btnHelp->show();
        break;
    case 4:
        btnAboutTab->setChecked(true);
        palAboutTab->show();
        palAboutTab->lower();
        break;
    default:
        break;
    }
}

void TVornMainForm::SubTabChange(int ATag) {
    FSubTab = ATag;
    palOptionsSubTab->hide();
    palAdvOptionsSubTab->hide();
    QPushButton* button = ATag == 1 ? btnOptionsSubTab : btnAdvOptionsSubTab;
    TVornPanel* panel = ATag == 1 ? palOptionsSubTab : palAdvOptionsSubTab;
    button->setChecked(true);
    panel->show();
    panel->lower();
}

// ---------------------------------------------------------------------------
// Fields, browsing and dropping

void TVornMainForm::txtSrcFileChange() {
    const QString source = txtSrcFile->text();
    if (!source.isEmpty())
        txtDstFile->setText(GetDefaultDstFileName(source)); // fires txtDstFileChange
    txtDstFileChange();
}

void TVornMainForm::txtDstFileChange() {
    btnRepair->setEnabled(!txtSrcFile->text().trimmed().isEmpty() &&
                          !txtDstFile->text().trimmed().isEmpty());
}

void TVornMainForm::txtSrcFileDropFile(QObject*, const QString& AFile) {
    txtSrcFile->setText(AFile);
}

void TVornMainForm::btnSrcMoreClick() {
    TOpenDialogRequest request;
    if (FSetting)
        FOpenDialogDirectory = FSetting->OpenDirectory;
    request.Directory = FOpenDialogDirectory;
    request.Filter = LoadStr(TStringId::DialogFilter);
    request.FilterIndex = FSetting ? FSetting->OpenFilterIndex : 1;
    const TOpenDialogResult result = Dialogs().Open(request);
    if (!result.Accepted || result.Files.isEmpty())
        return;
    const QString file = result.Files.constFirst();
    if (FSetting) {
        FSetting->OpenDirectory = QFileInfo(file).absolutePath() + '/';
        FSetting->OpenFilterIndex = result.FilterIndex;
    }
    txtSrcFile->setText(file);
}

void TVornMainForm::btnDstMoreClick() {
    TSaveDialogRequest request;
    request.Filter = LoadStr(TStringId::DialogFilter);
    request.FilterIndex = FSetting ? FSetting->SaveFilterIndex : 1;
    const QString ext = GetFilterExt(request.Filter, request.FilterIndex);
    request.DefaultExt = ext == "*" ? QString() : ext;
    const TSaveDialogResult result = Dialogs().Save(request);
    if (!result.Accepted)
        return;
    if (FSetting)
        FSetting->SaveFilterIndex = result.FilterIndex;
    txtDstFile->setText(result.File);
}

void TVornMainForm::btnMoreDirClick() {
    QString folder;
    if (Dialogs().BrowseFolder(LoadStr(TStringId::SelectTempDirPrompt), folder))
        txtTempDir->setText(folder);
}

// ---------------------------------------------------------------------------
// The single-file run

void TVornMainForm::BeginRun(QPushButton* AButton) {
    FRepairing = true;
    FStopRequested = false;
    SetRunButton(AButton, true);
}

void TVornMainForm::EndRun(QPushButton* AButton) {
    FRepairing = false;
    FStopRequested = false;
    SetRunButton(AButton, false);
    Timer->stop();
    EnableInputControls(true);
}

bool TVornMainForm::Confirm(const QString& AText) {
    return SkinMessage().MessageDlg(AText, TMsgDlgType::mtConfirmation, mbYes | mbNo) ==
           TModalResult::mrYes;
}

void TVornMainForm::btnRepairClick() {
    if (FRepairing) {
        FStopRequested = true;
        return;
    }
    BeginRun(btnRepair);
    txtRepairLog->clear();
    txtRepairLog->repaint();
    EnableInputControls(false);
    TRunEnd end = TRunEnd::reAborted;
    try {
        end = RepairSingleFile();
    } catch (const std::exception& error) {
        SkinMessage().MessageDlg(QString::fromUtf8(error.what()), TMsgDlgType::mtError, mbOK);
    }
    EndRun(btnRepair);
    if (end == TRunEnd::reSucceeded && chkOpenFixed->isChecked()) {
        const QString target = txtDstFile->text();
        if (!Shell().Open(target))
            SkinMessage().MessageDlg(Format(LoadStr(TStringId::CannotOpenRecovered), {target}),
                                     TMsgDlgType::mtError, mbOK);
    }
}

TVornMainForm::TRunEnd TVornMainForm::AbortRun() {
    AppendLog(LoadStr(TStringId::AbortedLine));
    return TRunEnd::reAborted;
}

TVornMainForm::TRunEnd TVornMainForm::RepairSingleFile() {
    const QString separator = LoadStr(TStringId::LogSeparator);
    AppendLog(LoadStr(TStringId::StartRecoveryLine));
    AppendLog(separator);

    const QString target = txtDstFile->text();
    const QString targetName = FileNamePart(target);
    if (!IsValidDstFileExt(target) && !Confirm(Format(LoadStr(TStringId::Warning2), {targetName})))
        return AbortRun();

    const QString folder = TargetFolderOf(target);
    if (!QFileInfo(folder).isDir()) {
        if (!Confirm(Format(LoadStr(TStringId::Warning4), {folder, targetName})))
            return AbortRun();
        if (!QDir().mkpath(folder)) {
            SkinMessage().MessageDlg(Format(LoadStr(TStringId::CannotCreateDir), {folder}),
                                     TMsgDlgType::mtError, mbOK);
            return AbortRun();
        }
    }

    if (QFileInfo(target).isFile() && !Confirm(Format(LoadStr(TStringId::Warning1), {targetName})))
        return AbortRun();

    const QString source = txtSrcFile->text();
    if (!HasEnoughFreeSpace(source, target) &&
        !Confirm(Format(LoadStr(TStringId::Warning3), {DrivePartOf(target), target})))
        return AbortRun();

    AppendLog(Format(LoadStr(TStringId::FileToRecoverLine),
                     {source, static_cast<double>(FileSizeOf(source))}));
    AppendLog(Format(LoadStr(TStringId::OutputAsLine), {target}));
    AppendLog(separator);

    FStartTime = QDateTime::currentDateTime();
    Timer->start();
    labConsumedTime->setText(FormatElapsedTime(LoadStr(TStringId::ElapsedLabelPattern), 0.0));

    const bool succeeded = RecoverOneFile(QFileInfo(txtSrcFile->text()).absoluteFilePath(),
                                          QFileInfo(txtDstFile->text()).absoluteFilePath()) != 0;

    AppendLog(separator);
    Timer->stop();
    AppendLog(FormatElapsedTime(LoadStr(TStringId::ElapsedLogPattern),
                                DaysBetween(FStartTime, QDateTime::currentDateTime())));
    AppendLog(separator);
    AppendLog(LoadStr(TStringId::CompletesLine));
    AppendLog(separator);

    QString report;
    TRunEnd end;
    if (FStopRequested) {
        end = TRunEnd::reStopped;
        report = LoadStr(TStringId::UserAborts);
    } else if (succeeded) {
        end = TRunEnd::reSucceeded;
        report = GetSuccessText();
        const QString hint = GetOpenHintText();
        if (!hint.isEmpty())
            report += "\r\n" + hint;
    } else {
        end = TRunEnd::reFailed;
        report = Format(LoadStr(TStringId::FailToRecover), {txtSrcFile->text()});
    }
    for (const QString& line : report.split("\r\n"))
        AppendLog(line);
    SkinMessage().MessageDlg(report, TMsgDlgType::mtInformation, mbOK);
    return end;
}

void TVornMainForm::btnSaveLogClick() {
    QString fileName;
    if (!LogDialog().Execute(fileName))
        return;
    const bool includeSysInfo = LogDialog().IncludeSysInfo();
    QStringList settings;
    if (includeSysInfo)
        AddSettingsInfo(settings);
    try {
        WriteLogFile(fileName, LogViewLines(*txtRepairLog), includeSysInfo, settings);
    } catch (const TFileError& error) {
        SkinMessage().MessageDlg(error.Message(), TMsgDlgType::mtError, mbOK);
    }
}

// ---------------------------------------------------------------------------
// The batch list and run

void TVornMainForm::AddFileToList(const QString& AFileName) {
    const QLocale locale;
    const QString key = locale.toLower(AFileName);
    for (int i = 0; i < FileList->topLevelItemCount(); ++i) {
        if (QString::localeAwareCompare(locale.toLower(FileList->topLevelItem(i)->text(0)), key) ==
            0) {
            SkinMessage().MessageDlg(LoadStr(TStringId::FileAlreadyInList), TMsgDlgType::mtError,
                                     mbOK);
            return;
        }
    }
    new QTreeWidgetItem(FileList, {AFileName, GetDefaultDstFileName(AFileName),
                                   LoadStr(TStringId::StatusNotRecovered)});
}

void TVornMainForm::btnAddFilesClick() {
    TOpenDialogRequest request;
    request.Directory = FOpenDialogDirectory;
    request.Filter = LoadStr(TStringId::DialogFilter);
    request.FilterIndex = FSetting ? FSetting->OpenFilterIndex : 1;
    request.MultiSelect = true;
    const TOpenDialogResult result = Dialogs().Open(request);
    if (!result.Accepted)
        return;
    if (FSetting)
        FSetting->OpenFilterIndex = result.FilterIndex;
    for (const QString& file : result.Files)
        AddFileToList(file);
}

void TVornMainForm::btnSearchFilesClick() {
    FSearchForm->SetMultiSelectMode(true);
    FSearchForm->Tag = 0;
    FSearchForm->exec();
    if (FSearchForm->Tag != 0)
        for (const QString& file : FSearchForm->SelectedFiles())
            AddFileToList(file);
}

void TVornMainForm::btnSrcSearchClick() {
    FSearchForm->SetMultiSelectMode(false);
    FSearchForm->Tag = 0;
    FSearchForm->exec();
    const QStringList files = FSearchForm->SelectedFiles();
    if (FSearchForm->Tag != 0 && !files.isEmpty())
        txtSrcFile->setText(files.constFirst());
}

void TVornMainForm::btnRemoveFilesClick() {
    for (int i = FileList->topLevelItemCount() - 1; i >= 0; --i)
        if (FileList->topLevelItem(i)->isSelected())
            delete FileList->takeTopLevelItem(i);
}

void TVornMainForm::btnRemoveAllClick() {
    FileList->clear();
}

bool TVornMainForm::eventFilter(QObject* AWatched, QEvent* AEvent) {
    if (AWatched == FileList && AEvent->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(AEvent);
        if (key->key() == Qt::Key_Delete) {
            if (key->modifiers() & Qt::ShiftModifier)
                btnRemoveAllClick();
            else
                btnRemoveFilesClick();
        }
    }
    return QWidget::eventFilter(AWatched, AEvent); // the key goes on to the list
}

void TVornMainForm::btnRepairFilesClick() {
    if (FRepairing) {
        FStopRequested = true;
        return;
    }
    if (FileList->topLevelItemCount() == 0) {
        SkinMessage().MessageDlg(LoadStr(TStringId::AddFilesFirst), TMsgDlgType::mtInformation,
                                 mbOK);
        return;
    }
    BeginRun(btnRepairFiles);
    txtRepairLog->clear();
    EnableInputControls(false);
    try {
        const int recovered = RepairBatch();
        Timer->stop();
        SkinMessage().MessageDlg(Format(LoadStr(TStringId::BatchSummary), {recovered}),
                                 TMsgDlgType::mtInformation, mbOK);
    } catch (const std::exception& error) {
        SkinMessage().MessageDlg(QString::fromUtf8(error.what()), TMsgDlgType::mtError, mbOK);
    }
    EndRun(btnRepairFiles);
    txtRepairLog->clear();
}

int TVornMainForm::RepairBatch() {
    // For each warning (index = its number) the Yes to All and No to All
    // answers of this run.
    struct TToAll {
        bool yes = false;
        bool no = false;
    } answers[5];
    FStartTime = QDateTime::currentDateTime();
    Timer->start();
    labConsumedTime->setText(FormatElapsedTime(LoadStr(TStringId::ElapsedLabelPattern), 0.0));
    const int rows = FileList->topLevelItemCount();
    for (int i = 0; i < rows; ++i)
        FileList->topLevelItem(i)->setText(2, LoadStr(TStringId::StatusNotRecovered));

    int recovered = 0;
    for (int i = 0; i < rows; ++i) {
        if (FStopRequested)
            break;
        QTreeWidgetItem* row = FileList->topLevelItem(i);
        if (!row)
            break;
        const QString source = row->text(0);
        const QString target = row->text(1);
        const QString targetName = FileNamePart(target);
        bool cancel = false;
        // Asks warning `ANumber` unless a to-all answer covers it; false skips the row.
        auto ask = [&](int ANumber, const QString& AText) {
            return ConfirmWithToAll(&SkinMessage(), AText, answers[ANumber].yes, cancel,
                                    answers[ANumber].no);
        };

        if (!IsValidDstFileExt(target)) {
            const bool go = ask(2, Format(LoadStr(TStringId::Warning2), {targetName}));
            if (cancel)
                break;
            if (!go)
                continue;
        }
        const QString folder = TargetFolderOf(target);
        if (!QFileInfo(folder).isDir()) {
            const bool go = ask(4, Format(LoadStr(TStringId::Warning4), {folder, targetName}));
            if (cancel)
                break;
            if (!go)
                continue;
            if (!QDir().mkpath(folder)) {
                SkinMessage().MessageDlg(Format(LoadStr(TStringId::CannotCreateDir), {folder}),
                                         TMsgDlgType::mtError, mbOK);
                continue;
            }
        }
        if (QFileInfo::exists(target)) {
            const bool go = ask(1, Format(LoadStr(TStringId::Warning1), {targetName}));
            if (cancel)
                break;
            if (!go)
                continue;
        }
        if (!HasEnoughFreeSpace(source, target)) {
            const bool go =
                ask(3, Format(LoadStr(TStringId::Warning3), {DrivePartOf(target), target}));
            if (cancel)
                break;
            if (!go)
                continue;
        }

        const bool succeeded = RecoverOneFile(source, target) != 0;
        if (succeeded)
            ++recovered;
        row->setText(2, LoadStr(succeeded        ? TStringId::StatusSuccessful
                                : FStopRequested ? TStringId::StatusAborted
                                                 : TStringId::StatusFailed));
    }
    return recovered;
}

// ---------------------------------------------------------------------------
// Hooks

bool TVornMainForm::IsValidDstFileExt(const QString&) const {
    return true;
}

bool TVornMainForm::HasEnoughFreeSpace(const QString&, const QString&) const {
    return true;
}

void TVornMainForm::EnableInputControls(bool AEnabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             txtSrcFile, btnSrcMore, btnSrcSearch, txtDstFile, btnDstMore, btnSaveLog,
             palSrcFileList, btnAddFiles, btnSearchFiles, btnRemoveFiles, btnRemoveAll})
        control->setEnabled(AEnabled);
}

QString TVornMainForm::GetOpenHintText() const {
    return Format(LoadStr(TStringId::OpenHintText), {txtDstFile->text()});
}

qint64 TVornMainForm::FileSizeOf(const QString& APath) const {
    struct stat st;
    if (APath.isEmpty() || ::stat(QFile::encodeName(APath).constData(), &st) != 0 ||
        !S_ISREG(st.st_mode))
        return 0;
    return st.st_size;
}

// ---------------------------------------------------------------------------
// Progress and log

void TVornMainForm::AppendLog(const QString& ALine) {
    txtRepairLog->appendPlainText(ALine);
}

void TVornMainForm::TimerTimer() {
    if (FRepairing)
        labConsumedTime->setText(
            FormatElapsedTime(LoadStr(TStringId::ElapsedLabelPattern),
                              DaysBetween(FStartTime, QDateTime::currentDateTime())));
}

void TVornMainForm::vsbRepairLogChange() {
    const int position = vsbRepairLog->value();
    QTextCursor cursor = txtRepairLog->textCursor();
    if (position == vsbRepairLog->maximum()) {
        cursor.movePosition(QTextCursor::End);
    } else {
        const QTextBlock block = txtRepairLog->document()->findBlockByNumber(position);
        if (!block.isValid())
            return;
        cursor.setPosition(block.position());
    }
    txtRepairLog->setTextCursor(cursor);
    txtRepairLog->ensureCursorVisible();
    txtRepairLog->viewport()->update();
}

intptr_t TVornMainForm::MsgWndProc(int32_t AMessage, const void* AArg) {
    bool handled = false;
    DispatchEngineMessage(AMessage, AArg, handled);
    return 0; // handled or not, a message of ours has no other result
}

void TVornMainForm::DispatchEngineMessage(int32_t ACode, const void* AArg, bool& AHandled) {
    AHandled = true;
    if (ACode == MSG_PROGRESS) {
        const int percent = *static_cast<const uint8_t*>(AArg);
        if (percent != Gauge->value()) {
            Gauge->setValue(percent);
            labProgress->setText(Format(LoadStr(TStringId::ProgressCompleted), {Gauge->value()}));
        }
        QCoreApplication::processEvents();
        return;
    }
    HandleEngineMessage(ACode, AArg, AHandled);
}

// ---------------------------------------------------------------------------
// Help and links

QString TVornMainForm::HelpFile() const {
    return RemoveFileExt(QCoreApplication::applicationFilePath()) + QStringLiteral(".html");
}

void TVornMainForm::btnHelpClick() {
    Shell().Open(HelpFile());
}

void TVornMainForm::OpenLink(const QString& AAddress, bool AWithTracking) {
    QString address = AAddress;
    if (AWithTracking) {
        try {
            address = AddTrackingParam(AAddress);
        } catch (const TRegistryError& error) {
            SkinMessage().MessageDlg(error.Message(), TMsgDlgType::mtError, mbOK);
        }
    }
    Shell().Open(address);
}

void TVornMainForm::labHomepageClick() {
    OpenLink(LoadStr(TStringId::HomepageAddress), true);
}

void TVornMainForm::labSupportCenterClick() {
    OpenLink(LoadStr(TStringId::SupportCenterAddress), true);
}

void TVornMainForm::labEmailClick() {
    OpenLink(QStringLiteral("mailto:") + LoadStr(TStringId::SupportEmail), false);
}

void TVornMainForm::imgLogoClick() {
    OpenLink(LoadStr(TStringId::MakerHomepageAddress), true);
}

void TVornMainForm::btnFacebookLikeClick() {
    OpenLink(LoadStr(TStringId::SocialPageAddress), true);
}

void TVornMainForm::btnFeedbackClick() {
    OpenLink(LoadStr(TStringId::FeedbackAddress), true);
}
