// Saving the log: the save dialog with its "Include System Information"
// check box, and the writing of the log file with the optional report of
// the machine and the settings.
#pragma once

#include <QFileDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <stdexcept>

class QCheckBox;
class QFrame;
class QPlainTextEdit;
namespace Ui {
class LOGDLGTEMPLATE;
}

// The log's save dialog as the main window asks it, behind an interface so
// a test answers it in place of a person.
class TLogDialog {
public:
    virtual ~TLogDialog() = default;

    // Shows the dialog. True, and `AFileName` set to the chosen file, when
    // the user accepted one; false when the user cancelled.
    virtual bool Execute(QString& AFileName) = 0;
    // Whether a saved log starts with the system-information report: the
    // dialog's check box, checked when the dialog is created and left as the
    // user set it for the dialog's life.
    virtual bool IncludeSysInfo() const = 0;
    virtual void SetIncludeSysInfo(bool AValue) = 0;
};

// The program's dialog: a save dialog of Qt's own (not the desktop's, which
// takes no extension) for "*.log" files with the default extension "log",
// asking before it overwrites a file, with the panel of LOGDLGTEMPLATE.ui
// below the file name and type fields. It proposes the last chosen file
// name again.
class TSaveLogDialog : public QFileDialog, public TLogDialog {
    Q_OBJECT
public:
    explicit TSaveLogDialog(QWidget* AParent = nullptr);
    ~TSaveLogDialog() override;

    bool Execute(QString& AFileName) override;
    bool IncludeSysInfo() const override;
    void SetIncludeSysInfo(bool AValue) override;

    // The extension, named as in its design.
    QFrame* InfoPanel;
    QCheckBox* SystemInfoCheckBox;

protected:
    // A hint still shown for the check box goes with the dialog.
    void done(int AResult) override;

private:
    std::unique_ptr<Ui::LOGDLGTEMPLATE> FTemplate;
    QString FFileName;
};

// A log dialog answered from a script, for tests. Each Execute takes the
// next answer; with none left it cancels and counts the unexpected call.
class TScriptedLogDialog : public TLogDialog {
public:
    struct TAnswer {
        QString FileName;                   // empty: the user cancels
        std::optional<bool> IncludeSysInfo; // the box as the user leaves it; unset: untouched
    };

    QList<TAnswer> Answers;
    QList<bool> BoxShown; // the state of the box as each dialog opened
    int Unexpected = 0;

    bool Execute(QString& AFileName) override;
    bool IncludeSysInfo() const override { return FIncludeSysInfo; }
    void SetIncludeSysInfo(bool AValue) override { FIncludeSysInfo = AValue; }

private:
    bool FIncludeSysInfo = true;
};

// A file that could not be written, raised to the user. `Message()` is the
// program's text ("Cannot create file /home/ann/run.log", "Stream write
// error"); `Cause()` is what the system reported underneath it, or empty.
class TFileError : public std::runtime_error {
public:
    explicit TFileError(const QString& AMessage, const QString& ACause = QString());

    const QString& Message() const { return FMessage; }
    const QString& Cause() const { return FCause; }

private:
    QString FMessage;
    QString FCause;
};

// The lines of the log view `AView`, one for each of its paragraphs, as
// they are stored (no character replaced). A view that ends with a line
// break has an empty last line; an empty view has one empty line.
QStringList LogViewLines(const QPlainTextEdit& AView);

// Saves the log view's lines `ALogLines` (LogViewLines) as the file
// `AFileName`, UTF-8 without a byte-order mark. Without `AIncludeSysInfo`
// the file holds exactly the view's text: its lines joined by CR LF. With
// it, the file holds the separator line, the system-information report
// (AddSystemInfo), `ASettingsLines` and every line of the log (a final empty
// line of the view not counted), each line followed by CR LF.
// An existing file is replaced only once the new one is complete, so a
// failure leaves it as it was and leaves no partial file. Throws
// TFileError: "Cannot create file %s" when the file cannot be created,
// "Stream write error" when writing it fails.
void WriteLogFile(const QString& AFileName, const QStringList& ALogLines, bool AIncludeSysInfo,
                  const QStringList& ASettingsLines);
