// Replay commands of the tool palette: the run's own palette, driven as a user does, and the
// tool-box files a run starts from and ends with.

#include "palette/toolboxfile.h"
#include "replayfixture.h"
#include "settings/defaultskeys.h"

#include <QFile>
#include <QProcess>

using namespace pennova;

namespace {

using ReplayPaletteTest = test::ReplayFixture;

const QString kDefaults = QStringLiteral(
    "\"Fine Liner\" Pencil \"Broad Pen\" \"Ink Marker\" Black Sepia \"Soft Eraser\" "
    "\"Hard Eraser\"");

} // namespace

TEST_F(ReplayPaletteTest, ToolsAreChosenMadeCopiedMovedAndDeleted)
{
    runOk(
        QStringLiteral("expect tools %1\n"
                       "expect palette hidden\n"
                       "set bsize 30\n"
                       "palette choose Sepia\n"
                       "expect setting clr 0.44 0.26 0.08\n"
                       "expect setting bsize 30\n"
                       "palette choose 1\n"
                       "expect setting bsize 2\n"
                       "palette choose \"Hard Eraser\"\n"
                       "expect setting esize 10\n"
                       "expect setting estren 100\n"
                       "palette duplicate 2\n"
                       "palette duplicate 3\n"
                       "expect tools \"Fine Liner\" Pencil \"Pencil copy\" \"Pencil copy copy\" "
                       "\"Broad Pen\" \"Ink Marker\" Black Sepia \"Soft Eraser\" \"Hard Eraser\"\n"
                       "palette delete 4\n"
                       "palette delete 3\n"
                       "palette drag 1 3\n"
                       "palette drag 8 1\n"
                       "expect tools \"Hard Eraser\" Pencil \"Broad Pen\" \"Fine Liner\" "
                       "\"Ink Marker\" Black Sepia \"Soft Eraser\"\n"
                       "set bsizemin 10\n"
                       "set bsize 5\n"
                       "palette new pen\n"
                       "palette new eraser\n"
                       "set bsizemin 1\n"
                       "palette choose \"Untitled Pen\"\n"
                       "expect setting bsizemin 10\n"
                       "expect setting bsize 5\n"
                       "expect palette shown\n")
            .arg(kDefaults));
}

TEST_F(ReplayPaletteTest, TypedValuesAreStoredWhenEnteredOrWhenTheCanvasIsPressed)
{
    runOk(QStringLiteral("canvas 100 80\n"
                         "palette type 2 name \"My Pencil\"\n"
                         "down 50 40\n"
                         "up 50 40\n"
                         "expect tools \"Fine Liner\" \"My Pencil\" \"Broad Pen\" \"Ink Marker\" "
                         "Black Sepia \"Soft Eraser\" \"Hard Eraser\"\n"
                         "palette type current esize 0\n"
                         "expect setting esize 15\n"
                         "down 50 40\n"
                         "up 50 40\n"
                         "expect setting esize 1\n"
                         "palette enter current bsize 60\n"
                         "expect setting bsize 48\n"
                         "palette untick 8 esize\n"
                         "palette enter 8 estren 0\n"
                         "palette choose 8\n"
                         "expect setting estren 1\n"
                         "expect setting esize 1\n"
                         "palette tick current ink\n"
                         "expect setting ink true\n"));
    // Typing into a setting that is off is refused, as its field takes no typing.
    EXPECT_NE(runError(QStringLiteral("palette enter 8 esize 5\n")).find("not ticked"),
        std::string::npos);
}

TEST_F(ReplayPaletteTest, FailedChecksSayWhatTheyFound)
{
    const ReplayResult result
        = m_runner.runText(QStringLiteral("expect tools A\nexpect setting bsize 3\nexpect setting "
                                          "clr 1 0 0\nexpect palette shown\n"));
    EXPECT_EQ(result.exitCode(), 1);
    ASSERT_EQ(result.messages.size(), 4);
    EXPECT_TRUE(result.messages.at(0).startsWith(QStringLiteral("1: tools are \"Fine Liner\"")));
    EXPECT_EQ(result.messages.at(1), QStringLiteral("2: setting bsize is 10, expected 3"));
    EXPECT_EQ(result.messages.at(3), QStringLiteral("4: the palette is hidden"));
    EXPECT_NE(runError(QStringLiteral("palette choose 9\n")).find("no row 9"), std::string::npos);
    EXPECT_NE(runError(QStringLiteral("palette fold 1\n")).find("unknown palette command"),
        std::string::npos);
}

TEST(ReplayProgramToolBoxTest, ARunStartsFromAToolBoxAndWritesTheOneItEndsWith)
{
    QTemporaryDir dir;
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    ToolRecord pen(QStringLiteral("Mine"), ToolRecord::kPenType);
    pen.insert(keys::BrushSize, 7);
    write(QStringLiteral("start.pntb"), toolboxfile::encode({ pen }));
    write(QStringLiteral("case.txt"),
        "expect tools Mine\npalette duplicate 1\npalette choose 2\nexpect setting bsize 7\n");
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(PENNOVA_REPLAY_PROGRAM),
        { QStringLiteral("--toolbox"), QStringLiteral("start.pntb"),
            QStringLiteral("--toolbox-out"), QStringLiteral("end.pntb"),
            QStringLiteral("case.txt") });
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
    const toolboxfile::Decoded end
        = toolboxfile::readFile(dir.filePath(QStringLiteral("end.pntb")));
    ASSERT_TRUE(end.ok) << qPrintable(end.error);
    ASSERT_EQ(end.records.size(), 2);
    EXPECT_EQ(end.records.at(1).name(), QStringLiteral("Mine copy"));
    EXPECT_EQ(toolboxfile::readFile(dir.filePath(QStringLiteral("start.pntb"))).records.size(), 1);

    // A damaged tool box: the run starts with the default tools and says where the file was kept.
    write(QStringLiteral("bad.pntb"), "not a tool box");
    write(QStringLiteral("case.txt"), QStringLiteral("expect tools %1\n").arg(kDefaults).toUtf8());
    process.start(QStringLiteral(PENNOVA_REPLAY_PROGRAM),
        { QStringLiteral("--toolbox"), QStringLiteral("bad.pntb"), QStringLiteral("case.txt") });
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 0) << qPrintable(errors);
    EXPECT_TRUE(errors.contains(QStringLiteral("It has been kept as"))) << qPrintable(errors);
}
