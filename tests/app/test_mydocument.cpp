#include "app/documentcontroller.h"
#include "app/documentwindow.h"
#include "app/mydocument.h"
#include "app/newcanvasdialog.h"
#include "canvas/imagefile.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "settings/defaultskeys.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
const QByteArray kJpegStart("\xFF\xD8\xFF", 3);

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int openDocumentWindows()
{
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        count += qobject_cast<DocumentWindow *>(w) && w->isVisible() ? 1 : 0;
    return count;
}

// A controller whose questions are answered by the test: each prompt records that it was asked
// and gives the answer set beforehand.
class DocumentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(openDocumentWindows(), 0);
        controller = std::make_unique<DocumentController>(*defaults);
        DocumentPrompts prompts;
        prompts.alert = [this](QWidget *parent, const QString &message) {
            alerts << message;
            alertParents << parent;
        };
        prompts.saveChanges = [this](QWidget *, const QString &name) {
            asked << name;
            return saveAnswer;
        };
        prompts.confirmRevert = [this](QWidget *, const QString &) { return revertAnswer; };
        prompts.saveFileName = [this](QWidget *, const QString &suggested) {
            suggestedPaths << suggested;
            return saveName;
        };
        prompts.openFileNames = [this](QWidget *) { return openNames; };
        prompts.canvasSize = [this](QWidget *, Defaults &, const auto &make) {
            if (canvasSize)
                canvasRefusal = make(*canvasSize);
        };
        controller->setPrompts(prompts);
    }

    void TearDown() override
    {
        controller.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    QString writeImage(const QString &name, const QImage &image, const char *format = nullptr)
    {
        QImageWriter writer(path(name), format ? QByteArray(format) : QByteArray());
        writer.setQuality(100);
        EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
        return path(name);
    }

    // A click with the mouse at a canvas point (pixels, y up): one "Draw" step.
    static void stroke(MyDocument *document, Point canvasPoint = Point { 10, 10 })
    {
        DrawView *view = document->drawView();
        const QPointF widgetPos
            = view->widgetPointFromView(view->transform().canvasToView(canvasPoint));
        for (const auto type : { QEvent::MouseButtonPress, QEvent::MouseButtonRelease }) {
            const Qt::MouseButtons buttons
                = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent e(type, widgetPos, widgetPos, widgetPos, Qt::LeftButton, buttons,
                Qt::NoModifier, QPointingDevice::primaryPointingDevice());
            QCoreApplication::sendEvent(view, &e);
        }
    }

    static const QImage &canvas(MyDocument *document)
    {
        return document->drawView()->surface().image();
    }

    test::TestDefaults defaults;
    QTemporaryDir dir;
    std::unique_ptr<DocumentController> controller;
    test::LogCapture log;

    QStringList alerts;
    QList<QWidget *> alertParents;
    QStringList asked;
    QStringList suggestedPaths;
    SaveChangesAnswer saveAnswer = SaveChangesAnswer::Cancel;
    bool revertAnswer = true;
    QString saveName;
    QStringList openNames;
    std::optional<QSize> canvasSize;
    QString canvasRefusal; // what the size question was told about the last size it gave
};

} // namespace

// --- New documents and the canvas-size window

TEST_F(DocumentTest, NewDocumentWithUntouchedDefaultsIs640By480White)
{
    NewCanvasDialog dialog(*defaults);
    EXPECT_EQ(dialog.widthField()->text(), QStringLiteral("640"));
    EXPECT_EQ(dialog.heightField()->text(), QStringLiteral("480"));
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    canvasSize = dialog.canvasSize();

    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    const QImage &image = canvas(document);
    EXPECT_EQ(image.size(), QSize(640, 480));
    QImage white(640, 480, QImage::Format_ARGB32_Premultiplied);
    white.fill(0xFFFFFFFFu);
    EXPECT_EQ(image, white);
    EXPECT_EQ(document->window()->windowTitle(), QStringLiteral("Untitled[*]"));
    EXPECT_FALSE(document->window()->isWindowModified());
    EXPECT_EQ(controller->documents(), QList<MyDocument *> { document });
    EXPECT_EQ(controller->currentDocument(), document);

    // The next untitled document is told apart by a number.
    MyDocument *second = controller->newDocument();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->displayName(), QStringLiteral("Untitled 2"));
}

TEST_F(DocumentTest, EnteredSizeMakesTheCanvasAndBecomesTheNextDefault)
{
    {
        NewCanvasDialog dialog(*defaults);
        dialog.widthField()->setText(QStringLiteral("1024"));
        dialog.heightField()->setText(QStringLiteral(" 768 "));
        dialog.accept();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
        canvasSize = dialog.canvasSize();
    }
    EXPECT_EQ(canvasSize, QSize(1024, 768));
    // Stored only once the canvas is made.
    EXPECT_EQ(defaults->integerForKey(keys::ImageWidth), 640);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(canvas(document).size(), QSize(1024, 768));
    EXPECT_EQ(defaults->integerForKey(keys::ImageWidth), 1024);
    EXPECT_EQ(defaults->integerForKey(keys::ImageHeight), 768);

    NewCanvasDialog next(*defaults);
    EXPECT_EQ(next.widthField()->text(), QStringLiteral("1024"));
    EXPECT_EQ(next.heightField()->text(), QStringLiteral("768"));
    EXPECT_TRUE(next.errorText().isEmpty());

    // A stored size that can never be a canvas is not proposed: the factory size is, saying why,
    // and the stored value stays until a canvas is made.
    defaults->setInteger(keys::ImageWidth, 100000);
    defaults->setInteger(keys::ImageHeight, 100000);
    NewCanvasDialog damaged(*defaults);
    EXPECT_EQ(damaged.widthField()->text(), QStringLiteral("640"));
    EXPECT_EQ(damaged.heightField()->text(), QStringLiteral("480"));
    EXPECT_TRUE(damaged.errorText().contains(QStringLiteral("100000 × 100000")))
        << damaged.errorText().toStdString();
    EXPECT_EQ(defaults->integerForKey(keys::ImageWidth), 100000);
}

TEST_F(DocumentTest, SizeWindowRefusesSizesBelowOneAndTextStayingOpen)
{
    const std::vector<std::pair<QString, QString>> refused = {
        { QStringLiteral("0"), QStringLiteral("480") },
        { QStringLiteral("640"), QStringLiteral("-3") },
        { QStringLiteral("wide"), QStringLiteral("480") },
        { QStringLiteral("640"), QString() },
        { QStringLiteral("2.5"), QStringLiteral("480") },
        { QStringLiteral("99999999999"), QStringLiteral("480") },
    };
    for (const auto &[width, height] : refused) {
        SCOPED_TRACE((width + QStringLiteral(" x ") + height).toStdString());
        NewCanvasDialog dialog(*defaults);
        dialog.show();
        dialog.widthField()->setText(width);
        dialog.heightField()->setText(height);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.errorText().isEmpty());
        EXPECT_EQ(defaults->integerForKey(keys::ImageWidth), 640);
        EXPECT_EQ(defaults->integerForKey(keys::ImageHeight), 480);

        // Corrected, it confirms and the message goes.
        dialog.widthField()->setText(QStringLiteral("20"));
        dialog.heightField()->setText(QStringLiteral("10"));
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(dialog.errorText().isEmpty());
        defaults->setInteger(keys::ImageWidth, 640);
        defaults->setInteger(keys::ImageHeight, 480);
    }
}

TEST_F(DocumentTest, CanvasTooLargeOrCancelledMakesNoWindow)
{
    canvasSize = QSize(70000, 70000);
    EXPECT_EQ(controller->newDocument(), nullptr);
    EXPECT_TRUE(canvasRefusal.contains(QStringLiteral("70000 × 70000 pixels could not be made")));
    EXPECT_TRUE(alerts.isEmpty()); // told in the size window itself

    canvasSize.reset();
    EXPECT_EQ(controller->newDocument(), nullptr);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_TRUE(controller->documents().isEmpty());
    EXPECT_EQ(openDocumentWindows(), 0);
}

TEST_F(DocumentTest, NewWindowStaysOpenWithARefusedSizeUntilOneIsMade)
{
    DocumentPrompts prompts = controller->prompts();
    QString shown;
    bool stayedOpen = false;
    prompts.canvasSize = [&](QWidget *, Defaults &store, const auto &make) {
        NewCanvasDialog dialog(store, make);
        dialog.show();
        dialog.widthField()->setText(QStringLiteral("100000"));
        dialog.heightField()->setText(QStringLiteral("100000"));
        dialog.accept();
        shown = dialog.errorText();
        stayedOpen = dialog.isVisible() && openDocumentWindows() == 0
            && defaults->integerForKey(keys::ImageWidth) == 640;
        dialog.widthField()->setText(QStringLiteral("300"));
        dialog.heightField()->setText(QStringLiteral("200"));
        dialog.accept();
    };
    controller->setPrompts(prompts);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(shown.contains(QStringLiteral("100000 × 100000"))) << shown.toStdString();
    EXPECT_EQ(canvas(document).size(), QSize(300, 200));
    EXPECT_EQ(defaults->integerForKey(keys::ImageWidth), 300);
    EXPECT_EQ(controller->documents().size(), 1);
    EXPECT_TRUE(alerts.isEmpty());
}

// --- Opening files

TEST_F(DocumentTest, OpensPngKeepingTransparencyPremultiplied)
{
    QImage picture(4, 3, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 0, 255, 255));
    picture.setPixel(0, 0, qRgba(0, 0, 0, 0));
    picture.setPixel(1, 0, qRgba(255, 0, 0, 128));
    const QString file = writeImage(QStringLiteral("alpha.png"), picture);

    QString error;
    MyDocument *document = controller->openDocumentWithContentsOfFile(file, &error);
    ASSERT_NE(document, nullptr) << error.toStdString();
    const QImage &image = canvas(document);
    EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(image.size(), QSize(4, 3));
    EXPECT_EQ(image.pixel(0, 0), 0u);
    EXPECT_EQ(image.pixel(1, 0), qPremultiply(qRgba(255, 0, 0, 128)));
    EXPECT_EQ(image.pixel(3, 2), qRgba(0, 0, 255, 255));

    EXPECT_EQ(document->filePath(), QFileInfo(file).absoluteFilePath());
    EXPECT_EQ(document->fileType(), QByteArray("png"));
    EXPECT_EQ(document->window()->windowTitle(), QStringLiteral("alpha.png[*]"));
    EXPECT_FALSE(document->isModified());

    // Opening the same file again brings the open document forward.
    EXPECT_EQ(controller->openDocumentWithContentsOfFile(file), document);
    EXPECT_EQ(controller->documents().size(), 1);
}

TEST_F(DocumentTest, OpensJpegAndHighResolutionPngAtTheirPixelSize)
{
    QImage photo(96, 64, QImage::Format_RGB32);
    photo.fill(qRgb(40, 160, 90));
    const QString jpeg = writeImage(QStringLiteral("photo.jpg"), photo, "jpeg");
    MyDocument *fromJpeg = controller->openDocumentWithContentsOfFile(jpeg);
    ASSERT_NE(fromJpeg, nullptr);
    EXPECT_EQ(canvas(fromJpeg).size(), QSize(96, 64));
    EXPECT_EQ(test::countDifferentPixels(
                  canvas(fromJpeg), photo.convertToFormat(QImage::Format_ARGB32_Premultiplied), 4),
        0);
    EXPECT_EQ(fromJpeg->fileType(), QByteArray("jpeg"));

    QImage print(300, 200, QImage::Format_ARGB32);
    print.fill(qRgb(1, 2, 3));
    print.setPixel(299, 0, qRgb(250, 0, 0));
    print.setDotsPerMeterX(11811); // 300 dots per inch
    print.setDotsPerMeterY(11811);
    MyDocument *fromPrint = controller->openDocumentWithContentsOfFile(
        writeImage(QStringLiteral("300dpi.png"), print));
    ASSERT_NE(fromPrint, nullptr);
    EXPECT_EQ(canvas(fromPrint).size(), QSize(300, 200));
    EXPECT_EQ(canvas(fromPrint).pixel(299, 0), qRgb(250, 0, 0));
}

struct BadFile
{
    const char *name; // under tests/data/images/bad/, or a path that does not exist
    const char *reason; // a piece of the message
};

class RefusedFileTest : public DocumentTest, public ::testing::WithParamInterface<BadFile>
{
};

TEST_P(RefusedFileTest, GivesAMessageNamingTheFileAndOpensNoWindow)
{
    const QString file = QStringLiteral(PENNOVA_TEST_DATA "/images/bad/") + GetParam().name;
    QString error;
    EXPECT_EQ(controller->openDocumentWithContentsOfFile(file, &error), nullptr);
    EXPECT_TRUE(error.contains(QFileInfo(file).fileName())) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromUtf8(GetParam().reason), Qt::CaseInsensitive))
        << error.toStdString();
    EXPECT_TRUE(controller->documents().isEmpty());
    EXPECT_EQ(openDocumentWindows(), 0);
    EXPECT_TRUE(alerts.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(BadImages, RefusedFileTest,
    ::testing::Values(BadFile { "empty.png", "empty" }, BadFile { "truncated.png", "damaged" },
        BadFile { "text.png", "unsupported" }, BadFile { "notes.txt", "unsupported" },
        BadFile { "huge.png", "damaged" }, BadFile { "missing.png", "does not exist" }),
    [](const auto &row) {
        return QString::fromLatin1(row.param.name).section(QLatin1Char('.'), 0, 0).toStdString();
    });

TEST_F(DocumentTest, OpenFilesReportsEveryFailureOnceAndOpensTheRest)
{
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::red);
    openNames = { QStringLiteral(PENNOVA_TEST_DATA "/images/bad/notes.txt"),
        writeImage(QStringLiteral("good.png"), picture), path(QStringLiteral("gone.png")) };
    const QList<MyDocument *> opened = controller->openDocument();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0]->displayName(), QStringLiteral("good.png"));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("notes.txt")));
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("gone.png")));
}

TEST_F(DocumentTest, WindowContentTakesCanvasSizeWithinScreenAndMinimum)
{
    // A canvas larger than the screen, opened or new: the whole window, frame included, fits
    // the screen's available area, and the view shows part of the canvas.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QImage big(available.width() + 300, available.height() + 200, QImage::Format_RGB32);
    big.fill(Qt::gray);
    MyDocument *large
        = controller->openDocumentWithContentsOfFile(writeImage(QStringLiteral("big.png"), big));
    ASSERT_NE(large, nullptr);
    canvasSize = QSize(4000, 3000);
    MyDocument *huge = controller->newDocument();
    ASSERT_NE(huge, nullptr);
    for (MyDocument *document : { large, huge }) {
        const QRect frame = document->window()->frameGeometry();
        EXPECT_TRUE(available.contains(frame)) << frame.width() << " x " << frame.height();
        const QSize view = document->drawView()->size();
        EXPECT_LT(view.height(), canvas(document).height());
        EXPECT_LT(view.width(), canvas(document).width());
        EXPECT_GT(view.height(), available.height() / 2);
    }

    QImage small(20, 20, QImage::Format_RGB32);
    small.fill(Qt::gray);
    MyDocument *tiny = controller->openDocumentWithContentsOfFile(
        writeImage(QStringLiteral("small.png"), small));
    ASSERT_NE(tiny, nullptr);
    const QSize minimum = tiny->window()->minimumSizeHint().expandedTo(QSize(160, 120));
    EXPECT_EQ(tiny->drawView()->width(), minimum.width());
    EXPECT_GE(tiny->drawView()->height(), 120);

    // Fit Window to Canvas: a 300 x 200 canvas in a larger window gets a 300 x 200 content area.
    canvasSize = QSize(300, 200);
    MyDocument *fitted = controller->newDocument();
    ASSERT_NE(fitted, nullptr);
    fitted->window()->resize(700, 500);
    fitted->window()->action(QStringLiteral("fitWindowToCanvas"))->trigger();
    EXPECT_EQ(fitted->drawView()->size(), QSize(300, 200));
    // The canvas zoomed four times no longer fits: the window stops at the screen.
    fitted->drawView()->setViewZoom(4.0f);
    fitted->window()->action(QStringLiteral("fitWindowToCanvas"))->trigger();
    EXPECT_LE(fitted->window()->height(), available.height());
    EXPECT_LE(fitted->window()->width(), available.width());

    QAction *fullScreen = fitted->window()->action(QStringLiteral("fullScreen"));
    fullScreen->trigger();
    EXPECT_TRUE(fitted->window()->isFullScreen());
    fullScreen->trigger();
    EXPECT_FALSE(fitted->window()->isFullScreen());
}

// --- Saving

TEST_F(DocumentTest, SavesEachTypeAsItselfWhateverTheDocumentCameFrom)
{
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(qRgb(200, 120, 40));
    MyDocument *document
        = controller->openDocumentWithContentsOfFile(writeImage(QStringLiteral("in.jpg"), photo));
    ASSERT_NE(document, nullptr);
    // A transparent corner, whole JPEG blocks so that its edge does not bleed into the paint.
    document->drawView()->surface().fillRegion(QRect(0, 0, 16, 16), 0u);
    const QImage before = canvas(document).copy();

    QString error;
    ASSERT_TRUE(document->saveToFile(path(QStringLiteral("out.png")), &error))
        << error.toStdString();
    EXPECT_TRUE(fileBytes(path(QStringLiteral("out.png"))).startsWith(kPngSignature));
    EXPECT_EQ(document->fileType(), QByteArray("png"));
    EXPECT_EQ(document->displayName(), QStringLiteral("out.png"));
    const imagefile::ReadResult png = imagefile::readImage(path(QStringLiteral("out.png")));
    EXPECT_TRUE(test::imagesEqual(png.image, before, QStringLiteral("document_png")));

    ASSERT_TRUE(document->saveToFile(path(QStringLiteral("out.jpeg")), &error))
        << error.toStdString();
    EXPECT_TRUE(fileBytes(path(QStringLiteral("out.jpeg"))).startsWith(kJpegStart));
    const imagefile::ReadResult jpeg = imagefile::readImage(path(QStringLiteral("out.jpeg")));
    ASSERT_TRUE(jpeg.ok());
    // The transparent corner (bottom-left, so the last rows) is written as white paper.
    EXPECT_EQ(jpeg.image.size(), before.size());
    const QRgb corner = jpeg.image.pixel(8, 40), paint = jpeg.image.pixel(48, 8);
    EXPECT_GE(qMin(qRed(corner), qMin(qGreen(corner), qBlue(corner))), 250);
    EXPECT_NEAR(qRed(paint), 200, 4);
    EXPECT_NEAR(qGreen(paint), 120, 4);
    EXPECT_NEAR(qBlue(paint), 40, 4);

    // A name without a type Pennova writes is refused, and the document keeps its file.
    EXPECT_FALSE(document->saveToFile(path(QStringLiteral("out.bmp")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("out.bmp")));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("out.bmp"))));
    EXPECT_EQ(document->displayName(), QStringLiteral("out.jpeg"));
}

TEST_F(DocumentTest, SaveOfAnUnwritableTypeAsksForANewNameAsPng)
{
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    MyDocument *document = controller->openDocumentWithContentsOfFile(
        writeImage(QStringLiteral("old.bmp"), picture, "bmp"));
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->fileType(), QByteArray("bmp"));
    const QByteArray bmp = fileBytes(path(QStringLiteral("old.bmp")));

    // Cancelled: nothing is written.
    EXPECT_FALSE(document->save());
    ASSERT_EQ(suggestedPaths.size(), 1);
    EXPECT_EQ(suggestedPaths[0], path(QStringLiteral("old.png")));

    saveName = path(QStringLiteral("old.png"));
    EXPECT_TRUE(document->save());
    EXPECT_TRUE(fileBytes(saveName).startsWith(kPngSignature));
    EXPECT_EQ(fileBytes(path(QStringLiteral("old.bmp"))), bmp);
    EXPECT_EQ(document->filePath(), saveName);

    // From now on Save writes the PNG without asking.
    stroke(document, Point { 5, 5 });
    EXPECT_TRUE(document->save());
    EXPECT_EQ(suggestedPaths.size(), 2);
    EXPECT_FALSE(document->isModified());
}

TEST_F(DocumentTest, FailedSaveKeepsTheFileAndTheModifiedMark)
{
    QImage picture(40, 40, QImage::Format_RGB32);
    picture.fill(Qt::white);
    const QString file = writeImage(QStringLiteral("kept.png"), picture);
    MyDocument *document = controller->openDocumentWithContentsOfFile(file);
    ASSERT_NE(document, nullptr);
    stroke(document, Point { 20, 20 });
    ASSERT_TRUE(document->isModified());
    const QByteArray before = fileBytes(file);

    // Save As into a folder's name, then into a folder that is gone.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    saveName = path(QStringLiteral("folder.png"));
    EXPECT_FALSE(document->saveAs());
    saveName = path(QStringLiteral("gone/x.png"));
    EXPECT_FALSE(document->saveAs());
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("folder.png"))) << alerts[0].toStdString();
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("unchanged")));
    EXPECT_TRUE(alerts[1].contains(QStringLiteral("x.png")));
    EXPECT_EQ(alertParents, QList<QWidget *>(2, document->window())); // centred on it

    EXPECT_EQ(fileBytes(file), before);
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(document->window()->isWindowModified());
    EXPECT_EQ(document->filePath(), file);
}

// The save of a 400 x 300 picture over a small file, stopped by a file size limit in its very last
// byte.
TEST_F(DocumentTest, SaveStoppedByAFileSizeLimitKeepsTheOldFileAndTheQuestionOnClose)
{
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::yellow);
    const QString file = writeImage(QStringLiteral("small.png"), small);
    const QByteArray before = fileBytes(file);
    canvasSize = QSize(400, 300);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    stroke(document, Point { 200, 150 });
    ASSERT_EQ(imagefile::writeImage(
                  canvas(document), path(QStringLiteral("probe.png")), imagefile::Format::Png),
        QString());
    const qint64 full = QFileInfo(path(QStringLiteral("probe.png"))).size();

    saveName = file;
    bool saved = true;
    {
        const test::FileSizeLimit limited(full - 1);
        saved = document->saveAs();
    }
    EXPECT_FALSE(saved);
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("“small.png” could not be saved: the file would "
                                                  "be larger than this system allows")))
        << alerts[0].toStdString();
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("unchanged")));
    EXPECT_TRUE(fileBytes(file) == before);
    EXPECT_TRUE(document->isModified());
    EXPECT_TRUE(document->window()->isWindowModified());
    EXPECT_TRUE(document->filePath().isEmpty());
    saveAnswer = SaveChangesAnswer::Cancel;
    EXPECT_FALSE(document->window()->close());
    EXPECT_EQ(asked.size(), 1);

    EXPECT_TRUE(document->saveAs());
    EXPECT_TRUE(fileBytes(file) == fileBytes(path(QStringLiteral("probe.png"))));
    EXPECT_FALSE(document->isModified());
}

TEST_F(DocumentTest, SaveAsProposesAFolderThatExistsThenTheLastOneUsed)
{
    const QByteArray oldHome = qgetenv("HOME");
    const QString home = path(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    qputenv("HOME", QFile::encodeName(home));
    canvasSize = QSize(50, 40);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);

    // A fresh account without a pictures folder: the home folder.
    EXPECT_FALSE(document->saveAs());
    ASSERT_EQ(suggestedPaths.size(), 1);
    EXPECT_EQ(suggestedPaths.last(), QDir(home).filePath(QStringLiteral("Untitled.png")));
    // With one: the pictures folder.
    ASSERT_TRUE(QDir(home).mkdir(QStringLiteral("Pictures")));
    EXPECT_FALSE(document->saveAs());
    EXPECT_EQ(suggestedPaths.last(), home + QStringLiteral("/Pictures/Untitled.png"));
    // After a save elsewhere, the next new picture is proposed there.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("work"))));
    saveName = path(QStringLiteral("work/first.png"));
    EXPECT_TRUE(document->saveAs());
    MyDocument *second = controller->newDocument();
    ASSERT_NE(second, nullptr);
    saveName.clear();
    EXPECT_FALSE(second->saveAs());
    EXPECT_EQ(suggestedPaths.last(), path(QStringLiteral("work/Untitled 2.png")));
    qputenv("HOME", oldHome);
}

TEST_F(DocumentTest, ModifiedMarkFollowsTheSavedState)
{
    canvasSize = QSize(120, 80);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    DocumentWindow *window = document->window();
    EXPECT_FALSE(window->isWindowModified());

    stroke(document);
    EXPECT_TRUE(window->isWindowModified());
    window->action(QStringLiteral("undo"))->trigger();
    EXPECT_FALSE(window->isWindowModified());
    window->action(QStringLiteral("redo"))->trigger();
    EXPECT_TRUE(window->isWindowModified());

    // Untitled: Save asks for a name and takes it as the title.
    saveName = path(QStringLiteral("sketch.png"));
    window->action(QStringLiteral("save"))->trigger();
    EXPECT_EQ(suggestedPaths.size(), 1);
    EXPECT_TRUE(suggestedPaths[0].endsWith(QStringLiteral("Untitled.png")));
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("sketch.png[*]"));

    // Away from the saved state and back again by undo.
    stroke(document, Point { 60, 40 });
    EXPECT_TRUE(window->isWindowModified());
    window->action(QStringLiteral("undo"))->trigger();
    EXPECT_FALSE(window->isWindowModified());
    window->action(QStringLiteral("undo"))->trigger();
    EXPECT_TRUE(window->isWindowModified());
}

// --- Revert and print

TEST_F(DocumentTest, RevertReplacesTheWindowWithTheFileAndAFreshHistory)
{
    QImage picture(50, 30, QImage::Format_ARGB32);
    picture.fill(qRgba(0, 128, 0, 255));
    picture.setPixel(0, 0, 0u);
    const QString file = writeImage(QStringLiteral("r.png"), picture);
    MyDocument *document = controller->openDocumentWithContentsOfFile(file);
    ASSERT_NE(document, nullptr);
    const QImage original = canvas(document).copy();
    stroke(document, Point { 25, 15 });
    ASSERT_NE(canvas(document), original);

    // Refused: nothing changes.
    revertAnswer = false;
    EXPECT_EQ(controller->revert(document), nullptr);
    EXPECT_EQ(controller->documents(), QList<MyDocument *> { document });

    revertAnswer = true;
    QPointer<DocumentWindow> oldWindow = document->window();
    MyDocument *fresh = controller->revert(document);
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh->window(), oldWindow.data());
    EXPECT_TRUE(test::imagesEqual(canvas(fresh), original, QStringLiteral("revert")));
    EXPECT_EQ(fresh->undoHistory()->count(), 0);
    EXPECT_FALSE(fresh->isModified());
    EXPECT_EQ(controller->documents(), QList<MyDocument *> { fresh });
    EXPECT_TRUE(asked.isEmpty()); // the old window went without the save question
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(oldWindow.isNull());

    // The file is gone: a message, and the document stays.
    stroke(fresh, Point { 10, 10 });
    ASSERT_TRUE(QFile::remove(file));
    EXPECT_EQ(controller->revert(fresh), nullptr);
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts[0].contains(QStringLiteral("r.png")));
    EXPECT_EQ(controller->documents(), QList<MyDocument *> { fresh });
    EXPECT_TRUE(fresh->window()->isVisible());
}

TEST_F(DocumentTest, PrintsTheCanvasToAPdfPage)
{
    canvasSize = QSize(200, 100);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    stroke(document, Point { 50, 50 });

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path(QStringLiteral("print.pdf")));
    QString error;
    ASSERT_TRUE(document->printTo(printer, &error)) << error.toStdString();
    const QByteArray pdf = fileBytes(path(QStringLiteral("print.pdf")));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_GT(pdf.size(), 1000);
    EXPECT_TRUE(pdf.contains("/Image"));

    // A printer that cannot start reports it.
    QPrinter broken(QPrinter::HighResolution);
    broken.setOutputFormat(QPrinter::PdfFormat);
    broken.setOutputFileName(path(QStringLiteral("no/such/folder/print.pdf")));
    EXPECT_FALSE(document->printTo(broken, &error));
    EXPECT_FALSE(error.isEmpty());
}

// --- Closing and quitting

TEST_F(DocumentTest, ClosingWithUnsavedChangesAsks)
{
    canvasSize = QSize(100, 80);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    QPointer<DocumentWindow> window = document->window();

    // Unmodified: closes without a question.
    MyDocument *clean = controller->newDocument();
    ASSERT_NE(clean, nullptr);
    EXPECT_TRUE(clean->window()->close());
    EXPECT_TRUE(asked.isEmpty());

    stroke(document);
    saveAnswer = SaveChangesAnswer::Cancel;
    EXPECT_FALSE(window->close());
    EXPECT_EQ(asked, QStringList { QStringLiteral("Untitled") });
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(controller->documents(), QList<MyDocument *> { document });

    // Save, but the name is not given: still open.
    saveAnswer = SaveChangesAnswer::Save;
    window->action(QStringLiteral("close"))->trigger();
    EXPECT_TRUE(window->isVisible());

    saveAnswer = SaveChangesAnswer::DontSave;
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(controller->documents().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(DocumentTest, SaveAnswerWritesTheFileThenCloses)
{
    canvasSize = QSize(60, 60);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    stroke(document);
    saveAnswer = SaveChangesAnswer::Save;
    saveName = path(QStringLiteral("closing.jpg"));
    EXPECT_TRUE(document->window()->close());
    EXPECT_TRUE(fileBytes(saveName).startsWith(kJpegStart));
    EXPECT_TRUE(controller->documents().isEmpty());
}

TEST_F(DocumentTest, QuitAsksForEachModifiedDocumentAndCancelKeepsTheRest)
{
    canvasSize = QSize(60, 40);
    MyDocument *first = controller->newDocument();
    MyDocument *second = controller->newDocument();
    MyDocument *third = controller->newDocument();
    ASSERT_TRUE(first && second && third);
    stroke(second);
    stroke(third);

    saveAnswer = SaveChangesAnswer::Cancel;
    EXPECT_FALSE(controller->closeAll());
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(controller->documents(), (QList<MyDocument *> { second, third }));

    saveAnswer = SaveChangesAnswer::DontSave;
    EXPECT_TRUE(controller->closeAll());
    EXPECT_EQ(asked.size(), 3);
    EXPECT_TRUE(controller->documents().isEmpty());
}

TEST_F(DocumentTest, DeletingAWindowDirectlyNeverAsks)
{
    canvasSize = QSize(60, 40);
    MyDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    stroke(document);
    delete document->window();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(controller->documents().isEmpty());

    // A window without a document (as the replay tool makes) closes without asking and has no
    // document commands.
    auto *bare = new DocumentWindow(*defaults);
    bare->newCanvas(40, 30);
    EXPECT_FALSE(bare->action(QStringLiteral("save"))->isEnabled());
    QPointer<DocumentWindow> guard = bare;
    bare->show();
    EXPECT_TRUE(bare->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(guard.isNull());
}
