// The search window with the real search on real folders, opened from the
// real main window; boxes answered from a script.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>


#include <gtest/gtest.h>

#include "TestSupport.h"
#include "run/MainFrm.h"
#include "search/SearchFrm.h"
#include "widgets/DragEdit.h"

using namespace testsupport;

namespace {

// A folder with `AFolders` subfolders, each holding one datafile and one
// other file.
void MakeTree(const TempDir& ADir, int AFolders) {
    for (int i = 0; i < AFolders; ++i) {
        const std::string sub = ADir.makeDir("d" + std::to_string(i));
        writeFile(sub + "/users0" + std::to_string(i) + ".dbf", patternBytes(100, i));
        writeFile(sub + "/notes.txt", patternBytes(10, i));
    }
}

TEST(SearchFormTest, ResultsStayBetweenOpeningsAndOneRowBecomesTheSource) {
    TempDir dir;
    MakeTree(dir, 3);
    TScriptedMessage box;
    box.Answer(TModalResult::mrOk); // "Search is completed. 3 file(s) found."
    TScriptedDialogs dialogs;
    TScriptedShell shell;
    TMainForm form(TFormServices{&box, &dialogs, &shell, nullptr});
    TSearchForm& search = *form.FSearchForm;
    search.cmbDirectory->setEditText(QString::fromStdString(dir.path()));

    QTimer::singleShot(0, &search, [&] {
        search.btnSearchClick();
        EXPECT_EQ(search.fl->topLevelItemCount(), 3);
        EXPECT_TRUE(search.btnSelectAll->isHidden()) << "single selection from the Recovery tab";
        search.fl->topLevelItem(1)->setSelected(true);
        search.btnAddSelectedClick();
    });
    form.btnSrcSearchClick();

    const QStringList asked = {box.Asked().value(0).text};
    EXPECT_EQ(asked, QStringList({"Search is completed. 3 file(s) found."}));
    const QTreeWidgetItem* row = search.fl->topLevelItem(1);
    const QString chosen = row->text(1) + '/' + row->text(0);
    EXPECT_EQ(form.txtSrcFile->text(), chosen);
    EXPECT_TRUE(chosen.endsWith(".dbf"));

    // Opened again from the Batch tab: the rows are still there; Close adds nothing.
    int rowsWhenReopened = -1;
    QTimer::singleShot(0, &search, [&] {
        rowsWhenReopened = search.fl->topLevelItemCount();
        search.btnCloseClick();
    });
    form.btnSearchFilesClick();
    EXPECT_EQ(rowsWhenReopened, 3);
    EXPECT_EQ(form.FileList->topLevelItemCount(), 0);
}

TEST(SearchFormTest, ClosingDuringASearchAnsweredNoLetsItFinish) {
    TempDir dir;
    MakeTree(dir, 20);
    TScriptedMessage box;
    box.Answer(TModalResult::mrNo); // the close question
    box.Answer(TModalResult::mrOk); // the completed box
    TScriptedDialogs dialogs;
    TScriptedShell shell;
    TSearchForm search(box, dialogs, shell, QString());
    search.cmbDirectory->setEditText(QString::fromStdString(dir.path()));
    search.show();
    bool posted = false;
    QObject::connect(search.lf, &TFileSearch::OnDirChange, &search, [&] {
        if (!posted) {
            posted = true;
            QTimer::singleShot(0, &search, [&] { search.close(); });
        }
    });

    search.btnSearchClick();

    ASSERT_EQ(box.Asked().size(), 2);
    EXPECT_EQ(box.Asked()[0].text, "Cancel the current search and close the search window?");
    EXPECT_EQ(box.Asked()[1].text, "Search is completed. 20 file(s) found.");
    EXPECT_TRUE(search.isVisible());
    EXPECT_EQ(search.fl->topLevelItemCount(), 20);
}

TEST(SearchFormTest, TwoFoldersAndSizeBoundsComeFromTheCriteria) {
    TempDir dir;
    const std::string a = dir.makeDir("a");
    const std::string b = dir.makeDir("b");
    writeFile(a + "/one.dbf", patternBytes(10240, 1));
    writeFile(b + "/two.dbf", patternBytes(10241, 2));
    writeFile(b + "/three.dbf", patternBytes(10240, 3));
    TScriptedMessage box;
    box.Answer(TModalResult::mrOk);
    box.Answer(TModalResult::mrOk);
    TScriptedDialogs dialogs;
    TScriptedShell shell;
    TSearchForm search(box, dialogs, shell, QString());
    search.cmbDirectory->setEditText(QString::fromStdString(" " + a + " ;; " + b));
    search.gbFileSize->setChecked(true);
    search.chkFileMinSize->setChecked(true);
    search.chkFileMaxSize->setChecked(true);
    search.txtMinSize->setValue(10);
    search.txtMaxSize->setValue(10);

    search.btnSearchClick();
    EXPECT_EQ(box.Asked().value(0).text, "Search is completed. 2 file(s) found.");

    search.txtMinSize->setValue(11);
    search.btnSearchClick();
    EXPECT_EQ(box.Asked().value(1).text,
              "For file size, at least value must be less than or equal to at most value! "
              "Please correct the values!");
    EXPECT_EQ(search.fl->topLevelItemCount(), 2) << "no search started";
}

} // namespace
