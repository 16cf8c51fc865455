// TMainForm: the product's main window over the framework's. It answers the
// hooks for Oracle datafiles: output names, the accepted extension, the
// free-space rule, the engine call, the report texts and the settings.
#pragma once

#include "run/VornMain.h"

class TRegistryError;
class TSetting;

class TMainForm : public TVornMainForm {
    Q_OBJECT
public:
    // `AArguments` are the program's arguments without the program name; a
    // file named there is recovered before the constructor returns.
    explicit TMainForm(const TFormServices& AServices = {},
                       const QStringList& AArguments = {}, QWidget* AParent = nullptr);
    ~TMainForm() override;

    QString GetDefaultDstFileName(const QString& ASource) const override;
    bool IsValidDstFileExt(const QString& ATarget) const override;
    bool HasEnoughFreeSpace(const QString& ASource, const QString& ATarget) const override;
    int32_t RecoverOneFile(const QString& ASource, const QString& ADest) override;
    QString GetSuccessText() const override;
    void AddSettingsInfo(QStringList& ALines) const override;

protected:
    // The product's table of engine messages: log texts and error lines go
    // to the log, the error meant for the user to a box the worker waits on.
    void HandleEngineMessage(int32_t ACode, const void* AArg, bool& AHandled) override;
    void LoadSettings() override;
    void SaveSettings() override;

private:
    TSetting* Setting() const;
    // Registry errors reach the user in an error box with an OK button.
    void ShowRegistryError(const TRegistryError& AError);
};
