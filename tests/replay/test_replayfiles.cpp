// Replay commands that read and write files: open, save, grab, the clipboard and drops.

#include "app/documentwindow.h"
#include "replayfixture.h"
#include "testsupport.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>

using namespace pennova;

namespace {

class ReplayFilesTest : public test::ReplayFixture
{
protected:
    void save(const QImage &image, const QString &name)
    {
        ASSERT_TRUE(image.save(path(name))) << qPrintable(name);
    }

    static QImage solid(int width, int height, QRgb color)
    {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(color);
        return image;
    }
};

} // namespace

TEST_F(ReplayFilesTest, OpenAndSaveKeepEveryPixelAndItsTransparency)
{
    const QImage original
        = test::randomPremultipliedImage(64, 48, 7).convertToFormat(QImage::Format_ARGB32);
    save(original, QStringLiteral("in.png"));
    // A fully transparent pixel, in canvas coordinates (y up).
    QPoint clear(-1, -1);
    for (int i = 0; i < 64 * 48 && clear.x() < 0; ++i) {
        if (qAlpha(original.pixel(i % 64, i / 64)) == 0)
            clear = QPoint(i % 64, 47 - i / 64);
    }
    ASSERT_GE(clear.x(), 0);

    runOk(QStringLiteral("canvas 30 20\n"));
    const QPointer<DocumentWindow> first = m_runner.window();
    runOk(QStringLiteral("open in.png\nexpect size 64 48\nexpect zoom 100\nexpect undo 0\n"
                         "expect pixel %1 %2 00000000\n"
                         "save out/copy.png\nsave out/copy.jpg\n")
              .arg(clear.x())
              .arg(clear.y()));
    // The opened file replaced the document, in a window whose view shows it at 100 %.
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(m_runner.drawView()->size(), QSize(64, 48));

    const QImage copy(path(QStringLiteral("out/copy.png")));
    ASSERT_FALSE(copy.isNull());
    EXPECT_TRUE(copy.hasAlphaChannel());
    EXPECT_TRUE(test::imagesEqual(
        copy.convertToFormat(QImage::Format_ARGB32), original, QStringLiteral("replay-open-save")));

    QFile jpeg(path(QStringLiteral("out/copy.jpg")));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    EXPECT_EQ(jpeg.read(2), QByteArray("\xFF\xD8"));
    const QImage flat(path(QStringLiteral("out/copy.jpg")));
    EXPECT_EQ(flat.size(), QSize(64, 48));
    EXPECT_FALSE(flat.hasAlphaChannel());
}

TEST_F(ReplayFilesTest, OpenTakesThePixelSizeWhateverTheResolution)
{
    QImage print = solid(120, 90, qRgb(40, 90, 160));
    const int dotsPerMeter = 11811; // 300 dpi
    print.setDotsPerMeterX(dotsPerMeter);
    print.setDotsPerMeterY(dotsPerMeter);
    save(print, QStringLiteral("print.png"));
    ASSERT_EQ(QImage(path(QStringLiteral("print.png"))).dotsPerMeterX(), dotsPerMeter);

    runOk(QStringLiteral("open print.png\nexpect size 120 90\nexpect pixel 119 89 285aa0ff\n"));
    EXPECT_EQ(m_runner.drawView()->size(), QSize(120, 90));
    const ReplayResult wrong = m_runner.runText(QStringLiteral("expect size 500 375\n"));
    EXPECT_EQ(wrong.exitCode(), 1);
    EXPECT_EQ(test::messages(wrong), "1: canvas size: 120 x 90, expected 500 x 375");
}

TEST_F(ReplayFilesTest, FileThatCannotBeOpenedStopsTheRunAndKeepsTheDocument)
{
    QFile note(path(QStringLiteral("note.txt")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.write("not a picture\n");
    note.close();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.png")));

    runOk(QStringLiteral("canvas 40 30\n") + test::stroke(5, 35, 15));
    const QPointer<DocumentWindow> window = m_runner.window();
    const QImage before = canvas();
    for (const char *name : { "missing.png", "note.txt", "folder.png" }) {
        const QString file = QString::fromLatin1(name);
        const std::string error = runError(QStringLiteral("open %1\npng after.png\n").arg(file));
        EXPECT_EQ(error.rfind("1: cannot open '" + path(file).toStdString() + "': ", 0), 0)
            << error;
        EXPECT_EQ(m_runner.window(), window.data()) << name;
        EXPECT_FALSE(QFile::exists(path(QStringLiteral("after.png")))) << name;
    }
    EXPECT_TRUE(test::imagesEqual(canvas(), before, QStringLiteral("replay-open-failed")));
    runOk(QStringLiteral("expect size 40 30\nexpect undo 1\n"));
}

TEST_F(ReplayFilesTest, SaveFailuresStopTheRunWithTheReason)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("taken.png")));
    runOk(QStringLiteral("canvas 20 20\n"));
    const std::string error = runError(QStringLiteral("save taken.png\npng never.png\n"));
    EXPECT_EQ(
        error.rfind("1: cannot save '" + path(QStringLiteral("taken.png")).toStdString(), 0), 0u)
        << error;
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("never.png"))));
    // A type Pennova does not write is refused before anything runs.
    EXPECT_EQ(runError(QStringLiteral("png first.png\nsave picture.tiff\n")),
        "2: 'picture.tiff' does not end in .png, .jpg or .jpeg");
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("first.png"))));
}

TEST_F(ReplayFilesTest, ClipboardLoadsSavesAndClearsWithoutADocument)
{
    const QImage picture
        = test::randomPremultipliedImage(30, 20, 11).convertToFormat(QImage::Format_ARGB32);
    save(picture, QStringLiteral("picture.png"));
    runOk(QStringLiteral("clipboard load picture.png\nclipboard save back.png\n"));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(30, 20));
    EXPECT_TRUE(test::imagesEqual(QImage(path(QStringLiteral("back.png"))), picture,
        QStringLiteral("replay-clipboard-back")));

    EXPECT_EQ(runError(QStringLiteral("clipboard clear\nclipboard save none.png\n")),
        "2: cannot write '" + path(QStringLiteral("none.png")).toStdString()
            + "': the clipboard holds no image");
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("none.png"))));
    EXPECT_EQ(runError(QStringLiteral("clipboard load missing.png\n")),
        "1: cannot load '" + path(QStringLiteral("missing.png")).toStdString()
            + "' into the clipboard: the file does not exist");
}

TEST_F(ReplayFilesTest, DroppedImageFloatsCentredOnTheDropPoint)
{
    save(solid(40, 20, qRgb(0, 0, 255)), QStringLiteral("stamp.png"));
    QFile note(path(QStringLiteral("note.txt")));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.write("not a picture\n");
    note.close();

    // The status box sits in the middle of the view, well away from the drop.
    runOk(QStringLiteral("canvas 400 300\n"
                         "drop stamp.png 60 50\n"
                         "expect paste yes\n"
                         "expect selection 40 40 40 20\n"
                         "expect status Press enter to commit\n"
                         "expect undo 0\n"
                         "expect pixel 60 50 ffffffff\n"
                         "grab floating.png\n"));
    // The grab shows the paste floating where the canvas is still white (widget rows top down).
    const QImage grab(path(QStringLiteral("floating.png")));
    ASSERT_EQ(grab.size(), QSize(400, 300));
    EXPECT_EQ(grab.pixel(60, 300 - 1 - 50), qRgb(0, 0, 255));
    EXPECT_EQ(grab.pixel(30, 300 - 1 - 50), qRgb(255, 255, 255));

    runOk(QStringLiteral("key Return\nexpect paste no\nexpect undo 1\n"
                         "expect pixel 40 40 0000ffff\nexpect pixel 79 59 0000ffff\n"
                         "expect pixel 39 40 ffffffff\nexpect pixel 80 59 ffffffff\n"));

    // A file that is not a picture is refused and changes nothing.
    const QImage before = canvas();
    runOk(QStringLiteral("drop note.txt 200 150\nexpect paste no\nexpect selection none\n"
                         "expect undo 1\n"));
    EXPECT_TRUE(test::imagesEqual(canvas(), before, QStringLiteral("replay-drop-text")));

    EXPECT_EQ(runError(QStringLiteral("drop gone.png 10 10\n")),
        "1: cannot drop '" + path(QStringLiteral("gone.png")).toStdString()
            + "': the file does not exist");
}
