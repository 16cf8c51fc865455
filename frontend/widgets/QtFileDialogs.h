// The program's file and folder dialogs, shown with QFileDialog.
#pragma once

#include "util/FileDialogs.h"

class QWidget;

class TQtFileDialogs : public TFileDialogs {
public:
    explicit TQtFileDialogs(QWidget* AParent) : FParent(AParent) {}

    TOpenDialogResult Open(const TOpenDialogRequest& ARequest) override;
    TSaveDialogResult Save(const TSaveDialogRequest& ARequest) override;
    bool BrowseFolder(const QString& APrompt, QString& AFolder) override;

private:
    QWidget* FParent;
};

// "Oracle database files (*.dbf)|*.dbf|All files (*.*)|*.*" as the name
// filters of a QFileDialog: "Oracle database files (*.dbf)", ...
QStringList ToNameFilters(const QString& AFilter);
