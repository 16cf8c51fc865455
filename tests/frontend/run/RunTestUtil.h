// What the tests of the main window share: a form whose boxes, dialogs and
// shell are answered from a script, a settings folder of the test's own, and
// ways to type into the window and to read its log, its questions and its
// stored settings.
#pragma once

#include <QLineEdit>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "run/MainFrm.h"
#include "widgets/DragEdit.h"

namespace runtest {

using namespace enginetest;

// The line of 56 hyphens between the parts of a run's log.
inline const QString kSeparator(56, u'-');

QString Q(const std::string& AText);

// Texts as standard strings for comparisons, so that GoogleTest shows them
// readably when they differ. (A PrintTo for Qt's types would have to be seen
// by every test file of the program alike.)
std::string Std(const QString& AText);
std::vector<std::string> Std(const QStringList& ALines);

// Replaces the whole text of `AEdit` with `AText` as a person does: select
// everything, then type the new text (or press Backspace for none).
void TypeInto(QLineEdit* AEdit, const QString& AText);

// Ticks or clears the check box as a person does, by clicking it when it
// does not show `AChecked` yet.
void SetOpenFixed(TMainForm& AForm, bool AChecked);

QStringList LogLines(const TMainForm& AForm);

// Each question that `ABox` was asked, as "<kind>|<buttons>|<text>", such as
// "confirmation|Yes,No|Warning 1: ...".
QStringList Questions(const TScriptedMessage& ABox);
// The same form for an expected question.
QString Confirmation(const QString& AText);
QString Information(const QString& AText);
QString Error(const QString& AText);

// The lines of section Misc of the settings key of the program `AProgram`
// in the hive file under `AConfigHome`, read from the file itself; empty
// when the file or the section is missing.
QStringList StoredSettings(const std::string& AConfigHome, const QString& AProgram);

// Makes `ADir` the current folder for its life.
class TCurrentDir {
public:
    explicit TCurrentDir(const std::string& ADir);
    ~TCurrentDir();
    TCurrentDir(const TCurrentDir&) = delete;
    TCurrentDir& operator=(const TCurrentDir&) = delete;

private:
    QString FSaved;
};

// A scratch folder that is also XDG_CONFIG_HOME (below "config") for the
// test's life, so every form starts from the default settings and stores
// its own.
class TFormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string ConfigHome() const { return FDir / "config"; }
    TFormServices Services() { return Services(Box); }
    TFormServices Services(TScriptedMessage& ABox) { return {&ABox, &Dialogs, &Shell}; }

    TempDir FDir;
    TScriptedMessage Box;
    TScriptedDialogs Dialogs;
    TScriptedShell Shell;

private:
    std::optional<std::string> FSavedConfigHome;
};

} // namespace runtest
