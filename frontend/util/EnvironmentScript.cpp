#include "util/EnvironmentScript.h"

#include <QFile>
#include <QHash>
#include <QStringList>

namespace {

void Record(const QString& ALine) {
    const QString path = qEnvironmentVariable("VORN_TEST_RECORD");
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        qFatal("cannot append to %s", qPrintable(path));
    QString line = ALine;
    line.replace('\r', QStringLiteral("\\r")).replace('\n', QStringLiteral("\\n"));
    file.write((line + '\n').toUtf8());
}

class TEnvironmentMessage : public TSkinMessage {
public:
    explicit TEnvironmentMessage(const QStringList& AAnswers) : FAnswers(AAnswers) {}

    TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons) override {
        static const char* const kTypes[] = {"information", "error", "confirmation", "warning"};
        Record(QString::fromLatin1(kTypes[static_cast<int>(type)]) + '|' + text);
        static const QHash<QString, TModalResult> kAnswers = {
            {"yes", TModalResult::mrYes},         {"no", TModalResult::mrNo},
            {"ok", TModalResult::mrOk},           {"cancel", TModalResult::mrCancel},
            {"notoall", TModalResult::mrNoToAll}, {"yestoall", TModalResult::mrYesToAll},
        };
        if (FAnswers.isEmpty())
            return TModalResult::mrNone;
        return kAnswers.value(FAnswers.takeFirst().trimmed().toLower(), TModalResult::mrNone);
    }

private:
    QStringList FAnswers;
};

class TEnvironmentShell : public TShell {
public:
    bool Open(const QString& ATarget) override {
        Record("open|" + ATarget);
        return true;
    }
};

} // namespace

TEnvironmentScript EnvironmentScript() {
    TEnvironmentScript script;
    if (!qEnvironmentVariableIsSet("VORN_TEST_ANSWERS"))
        return script;
    const QString answers = qEnvironmentVariable("VORN_TEST_ANSWERS");
    script.Message = std::make_unique<TEnvironmentMessage>(
        answers.isEmpty() ? QStringList() : answers.split(','));
    script.Shell = std::make_unique<TEnvironmentShell>();
    return script;
}
