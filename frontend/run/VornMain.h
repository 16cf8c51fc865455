// TVornMainForm: the framework's main window. It owns the hidden message
// window through which the worker's engine messages arrive, dispatches them
// on the window's thread, and declares the hooks the product fills.
#pragma once

#include <QWidget>

#include <memory>

#include "run/VornMainThread.h"
#include "util/SkinMessage.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

class TVornMainForm : public QWidget, public TEngineForm {
    Q_OBJECT
public:
    // `AMessage` answers every message box of the window; null gives the
    // program's own QMessageBox-based one. It must outlive the form.
    explicit TVornMainForm(TSkinMessage* AMessage = nullptr, QWidget* AParent = nullptr);
    ~TVornMainForm() override;

    // Runs one recovery on a worker and waits for it while the window stays
    // usable; returns the engine's result (success when not 0).
    virtual int32_t RecoverOneFile(const QString& ASource, const QString& ADest) = 0;

    // Appends one line at the end of the log.
    void AppendLog(const QString& ALine);

    TSkinMessage& SkinMessage() const { return *FSkinMessage; }

    // Controls, named as in the window design.
    QProgressBar* Gauge;
    QLabel* labProgress;
    QPlainTextEdit* txtRepairLog;
    QCheckBox* chkOpenFixed;
    QLineEdit* txtTempDir;
    QPushButton* btnMoreDir;
    QSpinBox* txtBufSize;

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

    // The parts of creation and destruction that need the product's
    // overrides; the product's constructor and destructor call them.
    void FormCreate();
    void FormDestroy();

    void closeEvent(QCloseEvent* AEvent) override;

private:
    intptr_t MsgWndProc(int32_t AMessage, const void* AArg);

    std::unique_ptr<TSkinMessage> FOwnMessage;
    TSkinMessage* FSkinMessage;
};
