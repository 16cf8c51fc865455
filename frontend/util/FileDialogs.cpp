#include "util/FileDialogs.h"

#include <QProcess>

TOpenDialogResult TScriptedDialogs::Open(const TOpenDialogRequest& ARequest) {
    OpenAsked.append(ARequest);
    if (OpenAnswers.isEmpty()) {
        ++Unexpected;
        return {};
    }
    return OpenAnswers.takeFirst();
}

TSaveDialogResult TScriptedDialogs::Save(const TSaveDialogRequest& ARequest) {
    SaveAsked.append(ARequest);
    if (SaveAnswers.isEmpty()) {
        ++Unexpected;
        return {};
    }
    return SaveAnswers.takeFirst();
}

bool TScriptedDialogs::BrowseFolder(const QString& APrompt, QString& AFolder) {
    FolderAsked.append(APrompt);
    if (FolderAnswers.isEmpty()) {
        ++Unexpected;
        return false;
    }
    const QString answer = FolderAnswers.takeFirst();
    if (answer.isEmpty())
        return false;
    AFolder = answer;
    return true;
}

bool TXdgShell::Open(const QString& ATarget) {
    QProcess process;
    process.start(QStringLiteral("xdg-open"), {ATarget});
    // xdg-open hands the file to the desktop's handler and returns; a
    // handler that never detaches must not hang the window for long.
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
