// The file and folder dialogs of the front end, behind one interface so a
// test chooses in place of a person.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct TOpenDialogRequest {
    QString Directory;   // folder the dialog starts in; empty: the dialog's own choice
    QString Filter;      // "Description|*.ext|All files (*.*)|*.*"
    int FilterIndex = 1; // 1-based entry of Filter selected at first
    bool MultiSelect = false;
};

struct TOpenDialogResult {
    bool Accepted = false;
    QStringList Files;   // full paths of the chosen existing files
    int FilterIndex = 1; // entry selected when the dialog closed
};

struct TSaveDialogRequest {
    QString Filter;
    int FilterIndex = 1;
    QString FileName;   // proposed file name; empty for none
    QString DefaultExt; // appended to a name typed without extension; empty for none
};

struct TSaveDialogResult {
    bool Accepted = false;
    QString File;
    int FilterIndex = 1;
};

class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;

    // An open dialog for existing files.
    virtual TOpenDialogResult Open(const TOpenDialogRequest& ARequest) = 0;
    // A save dialog that asks before overwriting. While it is open, each
    // change of filter sets the default extension from the filter's first
    // pattern (GetFilterExt), "*" giving none.
    virtual TSaveDialogResult Save(const TSaveDialogRequest& ARequest) = 0;
    // The folder browser. Returns false when the user cancels.
    virtual bool BrowseFolder(const QString& APrompt, QString& AFolder) = 0;
};

// Dialogs answered from a script, for tests: each dialog takes the next
// answer of its kind and records what it was asked. With no answer left a
// dialog is cancelled, and the unexpected call is counted.
class TScriptedDialogs : public TFileDialogs {
public:
    QList<TOpenDialogResult> OpenAnswers;
    QList<TSaveDialogResult> SaveAnswers;
    QList<QString> FolderAnswers; // an empty string cancels

    QList<TOpenDialogRequest> OpenAsked;
    QList<TSaveDialogRequest> SaveAsked;
    QStringList FolderAsked;
    int Unexpected = 0;

    TOpenDialogResult Open(const TOpenDialogRequest& ARequest) override;
    TSaveDialogResult Save(const TSaveDialogRequest& ARequest) override;
    bool BrowseFolder(const QString& APrompt, QString& AFolder) override;
};

// The desktop's "open" action on a file or an address.
class TShell {
public:
    virtual ~TShell() = default;
    // Returns false when nothing could open `ATarget`.
    virtual bool Open(const QString& ATarget) = 0;
};

// Opens with xdg-open and waits for its answer: its exit status decides.
class TXdgShell : public TShell {
public:
    bool Open(const QString& ATarget) override;
};

// A shell that records what it was asked to open, for tests.
class TScriptedShell : public TShell {
public:
    bool Result = true;
    QStringList Opened;
    bool Open(const QString& ATarget) override {
        Opened.append(ATarget);
        return Result;
    }
};
