// TMainForm: the product's main window over the framework's.
#pragma once

#include "run/VornMain.h"

class TRegistryError;
class TSetting;

class TMainForm : public TVornMainForm {
    Q_OBJECT
public:
    explicit TMainForm(TSkinMessage* AMessage = nullptr, QWidget* AParent = nullptr);
    ~TMainForm() override;

    int32_t RecoverOneFile(const QString& ASource, const QString& ADest) override;

protected:
    // The product's table of engine messages: log texts and error lines go
    // to the log, the error meant for the user to a box the worker waits on.
    void HandleEngineMessage(int32_t ACode, const void* AArg, bool& AHandled) override;
    void LoadSettings() override;
    void SaveSettings() override;

private:
    // Registry errors reach the user in an error box with an OK button.
    void ShowRegistryError(const TRegistryError& AError);

    std::unique_ptr<TSetting> FSetting;
};
