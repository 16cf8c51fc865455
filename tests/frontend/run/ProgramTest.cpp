// The program itself, started as a user starts it with a file to recover:
// its boxes answered and recorded through the environment, its exit status,
// its output and the settings it stores when it ends.
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include "RunTestUtil.h"

using namespace runtest;

namespace {

struct TProgramRun {
    QProcess::ExitStatus status = QProcess::CrashExit;
    int exitCode = -1;
    QStringList recorded; // what the program asked and opened
};

TProgramRun RunProgram(const TempDir& ADir, const QStringList& AArguments,
                       const QString& AAnswers) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", Q(ADir / "config"));
    env.insert("VORN_TEST_ANSWERS", AAnswers);
    env.insert("VORN_TEST_RECORD", Q(ADir / "record.txt"));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(VORN_PROGRAM_PATH, AArguments);
    TProgramRun run;
    if (!program.waitForStarted() || !program.waitForFinished(120000)) {
        program.kill();
        program.waitForFinished();
        ADD_FAILURE() << "the program did not end by itself";
        return run;
    }
    run.status = program.exitStatus();
    run.exitCode = program.exitCode();
    QFile record(Q(ADir / "record.txt"));
    if (record.open(QIODevice::ReadOnly))
        run.recorded = QString::fromUtf8(record.readAll()).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

TEST(ProgramTest, RecoversTheNamedFileReportsAndEndsWithTheE) {
    const struct {
        QStringList switches;
        bool opens;
        QString openFixed;
    } cases[] = {
        {{"-E"}, false, R"("OpenFixed"="0")"},
        {{"-E", "-O"}, true, R"("OpenFixed"="1")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.switches.join(' ').toStdString());
        TempDir dir;
        const std::vector<std::uint8_t> source = patternBytes(3 << 20, 1);
        writeFile(dir / "users01.dbf", source);
        const QString target = Q(dir / "users01_recovered.dbf");

        const TProgramRun run =
            RunProgram(dir, c.switches + QStringList{Q(dir / "users01.dbf")}, "ok,ok");

        EXPECT_EQ(run.status, QProcess::NormalExit);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(readFile(dir / "users01_recovered.dbf"), WithMagic(source));
        QStringList expected = {
            "information|Oracle database 'users01.dbf' have been recovered successfully!\\r\\n"
            "Now you can open the recovered Oracle database '" +
            target + "'.  "};
        if (c.opens)
            expected.append("open|" + target);
        EXPECT_EQ(Std(run.recorded), Std(expected));
        const QStringList stored = StoredSettings(dir / "config", "VornFullVersion");
        EXPECT_TRUE(stored.contains(c.openFixed)) << testing::PrintToString(Std(stored));
    }
}

} // namespace
