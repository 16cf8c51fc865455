#include "run/VornMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "Brevik.h"
#include "resources/VornStrings.h"
#include "run/MsgWnd.h"
#include "util/VornUtils.h"
#include "widgets/QtSkinMessage.h"

TVornMainForm::TVornMainForm(TSkinMessage* AMessage, QWidget* AParent)
    : QWidget(AParent), FSkinMessage(AMessage) {
    if (!FSkinMessage) {
        FOwnMessage = std::make_unique<TQtSkinMessage>(this);
        FSkinMessage = FOwnMessage.get();
    }
    setObjectName("MainForm");

    Gauge = new QProgressBar(this);
    Gauge->setObjectName("Gauge");
    Gauge->setRange(0, 100);
    Gauge->setValue(0);
    Gauge->setTextVisible(false);
    labProgress = new QLabel(this);
    labProgress->setObjectName("labProgress");
    txtRepairLog = new QPlainTextEdit(this);
    txtRepairLog->setObjectName("txtRepairLog");
    txtRepairLog->setReadOnly(true);
    chkOpenFixed = new QCheckBox(this);
    chkOpenFixed->setObjectName("chkOpenFixed");
    chkOpenFixed->setChecked(true);
    txtTempDir = new QLineEdit(this);
    txtTempDir->setObjectName("txtTempDir");
    btnMoreDir = new QPushButton(QStringLiteral("..."), this);
    btnMoreDir->setObjectName("btnMoreDir");
    txtBufSize = new QSpinBox(this);
    txtBufSize->setObjectName("txtBufSize");
    txtBufSize->setRange(1, 65536);
    txtBufSize->setValue(1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(txtRepairLog, 0, 0, 1, 3);
    layout->addWidget(labProgress, 1, 0, 1, 3);
    layout->addWidget(Gauge, 2, 0, 1, 3);
    layout->addWidget(chkOpenFixed, 3, 0, 1, 3);
    layout->addWidget(txtTempDir, 4, 0, 1, 2);
    layout->addWidget(btnMoreDir, 4, 2);
    layout->addWidget(txtBufSize, 5, 0);
}

TVornMainForm::~TVornMainForm() = default;

void TVornMainForm::FormCreate() {
    QApplication::setApplicationDisplayName(LoadStr(TStringId::ProductTitle));
    FMsgWnd = new TMsgWnd([this](int32_t AMessage, const void* AArg) {
        return MsgWndProc(AMessage, AArg);
    }, this);
    labProgress->setText(Format(LoadStr(TStringId::ProgressCompleted), {0}));
    FRepairing = false;
    FStopRequested = false;
    LoadSettings();
}

void TVornMainForm::FormDestroy() {
    delete FMsgWnd;
    FMsgWnd = nullptr;
    SaveSettings();
}

void TVornMainForm::closeEvent(QCloseEvent* AEvent) {
    // The worker sends to this window until its engine call returns, and the
    // engine cannot be cancelled: the window stays until the run is over.
    if (FRepairing) {
        FStopRequested = true;
        AEvent->ignore();
        return;
    }
    QWidget::closeEvent(AEvent);
}

void TVornMainForm::AppendLog(const QString& ALine) { txtRepairLog->appendPlainText(ALine); }

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
