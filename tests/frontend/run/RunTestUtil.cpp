#include "RunTestUtil.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

#include <cstdlib>
#include <stdexcept>

namespace runtest {

namespace {

QString KindName(TMsgDlgType AType) {
    switch (AType) {
    case TMsgDlgType::mtInformation:
        return QStringLiteral("information");
    case TMsgDlgType::mtError:
        return QStringLiteral("error");
    case TMsgDlgType::mtConfirmation:
        return QStringLiteral("confirmation");
    case TMsgDlgType::mtWarning:
        return QStringLiteral("warning");
    }
    return QStringLiteral("unknown");
}

QString ButtonNames(TMsgDlgButtons AButtons) {
    static const struct {
        TMsgDlgBtn button;
        const char* name;
    } names[] = {{mbYes, "Yes"},       {mbNo, "No"},           {mbOK, "OK"},
                 {mbCancel, "Cancel"}, {mbNoToAll, "NoToAll"}, {mbYesToAll, "YesToAll"}};
    QStringList shown;
    for (const auto& n : names)
        if (AButtons.testFlag(n.button))
            shown.append(QString::fromLatin1(n.name));
    return shown.join(u',');
}

QString Describe(TMsgDlgType AType, TMsgDlgButtons AButtons, const QString& AText) {
    return KindName(AType) + u'|' + ButtonNames(AButtons) + u'|' + AText;
}

void SetConfigHome(const std::string& APath) {
    if (::setenv("XDG_CONFIG_HOME", APath.c_str(), 1) != 0)
        throw std::runtime_error("cannot set XDG_CONFIG_HOME");
}

} // namespace

QString Q(const std::string& AText) {
    return QString::fromStdString(AText);
}

std::string Std(const QString& AText) {
    return AText.toStdString();
}

std::vector<std::string> Std(const QStringList& ALines) {
    std::vector<std::string> out;
    for (const QString& line : ALines)
        out.push_back(line.toStdString());
    return out;
}

void TypeInto(QLineEdit* AEdit, const QString& AText) {
    AEdit->selectAll();
    if (AText.isEmpty())
        QTest::keyClick(AEdit, Qt::Key_Backspace);
    else
        QTest::keyClicks(AEdit, AText);
}

void SetOpenFixed(TMainForm& AForm, bool AChecked) {
    if (AForm.chkOpenFixed->isChecked() != AChecked)
        AForm.chkOpenFixed->click();
}

QStringList LogLines(const TMainForm& AForm) {
    const QString text = AForm.txtRepairLog->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

QStringList Questions(const TScriptedMessage& ABox) {
    QStringList out;
    for (const TScriptedMessage::TQuestion& q : ABox.Asked())
        out.append(Describe(q.type, q.buttons, q.text));
    return out;
}

QString Confirmation(const QString& AText) {
    return Describe(TMsgDlgType::mtConfirmation, mbYes | mbNo, AText);
}

QString Information(const QString& AText) {
    return Describe(TMsgDlgType::mtInformation, mbOK, AText);
}

QString Error(const QString& AText) {
    return Describe(TMsgDlgType::mtError, mbOK, AText);
}

QStringList StoredSettings(const std::string& AConfigHome, const QString& AProgram) {
    QFile file(Q(AConfigHome) + "/Quorvane/HKCU.reg");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString header = "[HKEY_CURRENT_USER\\Software\\" + AProgram + "\\Misc]";
    QStringList lines;
    bool inSection = false;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inSection = line == header;
        else if (inSection && !line.isEmpty())
            lines.append(line);
    }
    return lines;
}

TCurrentDir::TCurrentDir(const std::string& ADir) : FSaved(QDir::currentPath()) {
    if (!QDir::setCurrent(Q(ADir)))
        throw std::runtime_error("cannot change to " + ADir);
}

TCurrentDir::~TCurrentDir() {
    if (!QDir::setCurrent(FSaved))
        ADD_FAILURE() << "cannot change back to " << FSaved.toStdString();
}

void TFormTest::SetUp() {
    if (const char* old = std::getenv("XDG_CONFIG_HOME"))
        FSavedConfigHome = old;
    SetConfigHome(ConfigHome());
}

void TFormTest::TearDown() {
    if (FSavedConfigHome)
        SetConfigHome(*FSavedConfigHome);
    else if (::unsetenv("XDG_CONFIG_HOME") != 0)
        ADD_FAILURE() << "cannot unset XDG_CONFIG_HOME";
}

} // namespace runtest
