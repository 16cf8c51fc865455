// The settings block of a saved log, from the option controls of the real
// main window.
#include "run/MainFrm.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "ReportTestUtil.h"

namespace {

using namespace reporttest;

TEST(AddSettingsInfo, DescribesTheOptionControlsAsTheyStandWithTheirCaptionsAsStored) {
    struct TCase {
        bool OpenFixed;
        QString TempDir;
        int BufSize;
        const char* OpenFixedLine;
    };
    const TCase cases[] = {
        {true, "/tmp/", 1, "&Open the recovered Oracle database file when finished: Yes"},
        {false, "/data/with space/", 65536,
         "&Open the recovered Oracle database file when finished: No"},
        {false, "", 4096, "&Open the recovered Oracle database file when finished: No"},
    };
    TScriptedMessage box;
    TScriptedDialogs dialogs;
    TScriptedShell shell;
    TMainForm form({&box, &dialogs, &shell});
    for (const TCase& c : cases) {
        form.chkOpenFixed->setChecked(c.OpenFixed);
        form.txtTempDir->setText(c.TempDir);
        form.txtBufSize->setValue(c.BufSize);
        QStringList lines = {"before"};
        form.AddSettingsInfo(lines);
        EXPECT_EQ(Std(lines), Std(QStringList{
                                  "before",
                                  "Setting Information:",
                                  c.OpenFixedLine,
                                  "Dire&ctory for temporary files: " + c.TempDir,
                                  "I&nternal Processing Buffer Size: " + QString::number(c.BufSize),
                                  kSeparator,
                                  "End of Setting Information",
                                  kSeparator,
                              }));
    }
    EXPECT_TRUE(box.Asked().isEmpty());
}

} // namespace
