// Autosave and recovery: the autosave file keeps the picture exactly with its record; documents
// autosave after the pen has been up a while, or at the latest after a while of painting, and
// lose their autosave when saved or closed; autosaves of a Pennova that stopped are claimed,
// those of one that runs are not; a recovered picture opens modified, titled as recovered, and
// its first save proposes the file it belonged to.

#include "app/appdelegate.h"
#include "app/autosavefile.h"
#include "app/autosavestore.h"
#include "app/autosavewriter.h"
#include "app/documentautosave.h"
#include "app/documentcontroller.h"
#include "app/documentwindow.h"
#include "app/mydocument.h"
#include "canvas/imagefile.h"
#include "canvas/undohistory.h"
#include "canvas/view/drawview.h"
#include "settings/defaults.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace pennova;

namespace {

// Runs the event loop until `done` holds or `ms` pass; returns whether it holds.
template <typename Condition> bool waitFor(Condition done, int ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        AutosaveWriter::waitForAll();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

QStringList autosaveFiles(const QString &folder)
{
    QStringList files;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString &name :
            QDir(info.absoluteFilePath()).entryList({ QStringLiteral("*.png") }))
            files << info.absoluteFilePath() + QLatin1Char('/') + name;
    return files;
}

// A short mouse stroke at canvas row y: one "Draw" step; without `release` the button stays
// down.
void stroke(MyDocument *document, int y, bool release = true)
{
    DrawView *view = document->drawView();
    const auto send = [view](QEvent::Type type, int x, int row) {
        const QPointF at = view->widgetPointFromView(
            view->transform().canvasToView(Point { float(x), float(row) }));
        const Qt::MouseButtons buttons
            = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, at, at, at, Qt::LeftButton, buttons, Qt::NoModifier,
            QPointingDevice::primaryPointingDevice());
        QCoreApplication::sendEvent(view, &e);
    };
    send(QEvent::MouseButtonPress, 5, y);
    send(QEvent::MouseMove, 40, y);
    if (release)
        send(QEvent::MouseButtonRelease, 40, y);
}

// A controller over a store of its own, as the program makes them, with short waits.
class AutosaveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DocumentAutosave::setWaits(kPenUpMs, kLatestMs);
        store = std::make_unique<AutosaveStore>(root.path());
        ASSERT_TRUE(store->open());
        controller = std::make_unique<DocumentController>(*defaults);
        DocumentPrompts prompts;
        prompts.alert = [this](QWidget *, const QString &message) { alerts << message; };
        prompts.saveChanges = [this](QWidget *, const QString &) { return saveAnswer; };
        prompts.saveFileName = [this](QWidget *, const QString &suggested) {
            suggestedPaths << suggested;
            return saveName;
        };
        controller->setPrompts(prompts);
        controller->setAutosaveStore(store.get());
    }

    void TearDown() override
    {
        controller.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AutosaveWriter::waitForAll();
        QCoreApplication::sendPostedEvents();
        store.reset();
        DocumentAutosave::setWaits(0, 0);
    }

    static DocumentAutosave *autosaveOf(MyDocument *document)
    {
        return document->findChild<DocumentAutosave *>();
    }

    static constexpr int kPenUpMs = 150;
    static constexpr int kLatestMs = 600;
    QTemporaryDir root;
    QTemporaryDir files;
    test::TestDefaults defaults;
    std::unique_ptr<AutosaveStore> store;
    std::unique_ptr<DocumentController> controller;
    QStringList alerts;
    QStringList suggestedPaths;
    QString saveName;
    SaveChangesAnswer saveAnswer = SaveChangesAnswer::DontSave;
};

} // namespace

TEST(AutosaveFileTest, KeepsThePictureExactlyWithItsRecordAndAThumbnail)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.png"));
    const QImage picture = test::randomPremultipliedImage(301, 177, 77);
    autosavefile::Record record { QStringLiteral("/home/ann/Pictures/cat – ï.png"),
        QStringLiteral("cat – ï.png"), QDateTime::currentDateTime(), picture.size() };
    ASSERT_EQ(autosavefile::write(path, CanvasSnapshot::fromImage(picture), record), QString());

    const imagefile::ReadResult read = imagefile::readImage(path);
    ASSERT_TRUE(read.ok());
    EXPECT_FALSE(read.damaged);
    EXPECT_TRUE(test::imagesEqual(read.image, picture, QStringLiteral("autosave_round_trip")));

    const auto header = autosavefile::readHeader(path);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->record.documentPath, record.documentPath);
    EXPECT_EQ(header->record.title, record.title);
    EXPECT_EQ(header->record.time, record.time);
    EXPECT_EQ(header->record.canvasSize, picture.size());
    EXPECT_EQ(header->thumbnail.size(), QSize(160, 94));

    // A changed byte in the record is found; so is a file that is no autosave.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf("\"title\"");
    ASSERT_GT(at, 0);
    bytes[at + 2] = 'X';
    QString error;
    EXPECT_FALSE(autosavefile::parseHeader(bytes, &error));
    EXPECT_EQ(error, QStringLiteral("the autosave file is damaged"));
    ASSERT_EQ(imagefile::writeImage(
                  picture, dir.filePath(QStringLiteral("plain.png")), imagefile::Format::Png),
        QString());
    EXPECT_FALSE(autosavefile::readHeader(dir.filePath(QStringLiteral("plain.png"))));
}

TEST_F(AutosaveTest, ADocumentAutosavesOnceThePenIsUpAndLosesItWhenSaved)
{
    MyDocument *document = controller->makeUntitledDocument(QSize(120, 80));
    ASSERT_NE(document, nullptr);
    DocumentAutosave *autosave = autosaveOf(document);
    ASSERT_NE(autosave, nullptr);
    const QString file = autosave->filePath();
    EXPECT_TRUE(file.startsWith(store->folder()));

    // Nothing is written for a document without changes, nor while the pen is down again
    // after a stroke.
    waitFor([] { return false; }, kPenUpMs * 2);
    EXPECT_FALSE(QFileInfo::exists(file));
    stroke(document, 10);
    stroke(document, 20, false);
    waitFor([] { return false; }, kPenUpMs * 2);
    EXPECT_FALSE(QFileInfo::exists(file));
    stroke(document, 20); // lifted
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(file) && !autosave->isPending(); }));
    const imagefile::ReadResult kept = imagefile::readImage(file);
    ASSERT_TRUE(kept.ok());
    EXPECT_EQ(kept.image, document->drawView()->surface().image());
    const auto header = autosavefile::readHeader(file);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->record.title, QStringLiteral("Untitled"));
    EXPECT_EQ(header->record.documentPath, QString());

    // Undone back to the saved-nothing state: clean, so no autosave.
    document->undoHistory()->undo();
    document->undoHistory()->undo();
    EXPECT_TRUE(waitFor([&] { return !QFileInfo::exists(file); }));

    // Saved: the file on disk holds the picture, and the autosave goes.
    stroke(document, 30);
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(file); }));
    ASSERT_TRUE(document->saveToFile(files.filePath(QStringLiteral("saved.png"))));
    EXPECT_TRUE(waitFor([&] { return !QFileInfo::exists(file); }));
    stroke(document, 40);
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(file); }));
    EXPECT_EQ(autosavefile::readHeader(file)->record.documentPath,
        files.filePath(QStringLiteral("saved.png")));

    // Closed with Don't Save: gone too.
    saveAnswer = SaveChangesAnswer::DontSave;
    EXPECT_TRUE(document->close());
    EXPECT_TRUE(waitFor([&] { return !QFileInfo::exists(file); }));
}

TEST_F(AutosaveTest, PaintingOnWithoutAPauseIsAutosavedAtTheLatestAfterTheLongWait)
{
    MyDocument *document = controller->makeUntitledDocument(QSize(120, 80));
    const QString file = autosaveOf(document)->filePath();
    QElapsedTimer clock;
    clock.start();
    // A stroke every 50 ms: the pen is never up long enough.
    int y = 5;
    while (!QFileInfo::exists(file) && clock.elapsed() < 5 * kLatestMs) {
        stroke(document, y);
        y = (y + 3) % 80;
        waitFor([] { return false; }, 50);
    }
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_GE(clock.elapsed(), kLatestMs - 50);
    EXPECT_LT(clock.elapsed(), kLatestMs + 600);
}

TEST_F(AutosaveTest, ADocumentEndedWithUnsavedChangesKeepsItsAutosave)
{
    MyDocument *document = controller->makeUntitledDocument(QSize(60, 60));
    const QString file = autosaveOf(document)->filePath();
    stroke(document, 20);
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(file); }));
    // Deleted without closing (the program ended some other way than by closing it).
    delete document->window();
    AutosaveWriter::waitForAll();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST(AutosaveStoreTest, LeftoversOfAStoppedPennovaAreClaimedAndThoseOfARunningOneAreNot)
{
    QTemporaryDir root, dir;
    const QString picture = dir.filePath(QStringLiteral("p.png"));
    ASSERT_EQ(imagefile::writeImage(
                  test::randomPremultipliedImage(40, 30, 3), picture, imagefile::Format::Png),
        QString());

    // A Pennova that is killed after autosaving, and one that keeps running (a store here).
    QProcess child;
    child.start(QStringLiteral(PENNOVA_TEST_CHILD),
        { QStringLiteral("leave-autosave"), root.path(), picture, QStringLiteral("Sea"),
            QStringLiteral("/pictures/sea.png") });
    ASSERT_TRUE(child.waitForReadyRead(20000)) << child.readAllStandardError().toStdString();
    const QString left = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
    ::kill(pid_t(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());
    ASSERT_TRUE(QFileInfo::exists(left));

    auto running = std::make_unique<AutosaveStore>(root.path());
    ASSERT_TRUE(running->open());
    const QString runningFile = running->newFilePath();
    ASSERT_EQ(autosavefile::write(runningFile,
                  CanvasSnapshot::fromImage(QImage(8, 8, QImage::Format_ARGB32_Premultiplied)),
                  { {}, QStringLiteral("Busy"), QDateTime::currentDateTime(), QSize(8, 8) }),
        QString());

    {
        AutosaveStore starting(root.path());
        ASSERT_TRUE(starting.open());
        const QList<AutosaveStore::Leftover> found = starting.claimLeftovers();
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(found[0].file, left);
        ASSERT_TRUE(found[0].header);
        EXPECT_EQ(found[0].header->record.title, QStringLiteral("Sea"));
        EXPECT_EQ(found[0].header->record.documentPath, QStringLiteral("/pictures/sea.png"));

        // While it holds them, a third Pennova starting finds nothing to offer.
        AutosaveStore third(root.path());
        ASSERT_TRUE(third.open());
        EXPECT_TRUE(third.claimLeftovers().isEmpty());

        // Adopted: moved into this run's folder; the stopped one's folder goes at the end.
        const QString adopted = starting.adopt(found[0].file);
        EXPECT_TRUE(adopted.startsWith(starting.folder()));
        EXPECT_FALSE(QFileInfo::exists(left));
        AutosaveStore::discard(adopted);
    }
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(left).absolutePath()));
    EXPECT_TRUE(QFileInfo::exists(runningFile)) << "another running Pennova's autosave was touched";
    // A clean end leaves nothing of a store without autosaves.
    AutosaveStore::discard(runningFile);
    const QString runningFolder = running->folder();
    running.reset();
    EXPECT_FALSE(QFileInfo::exists(runningFolder));
}

// The whole road at start-up: the recovery offer, a recovered picture, a discarded one.
TEST(AutosaveRecoveryTest, RecoveredPicturesOpenModifiedAndProposeTheirFile)
{
    const QString root = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir(root + QStringLiteral("/autosave")).removeRecursively();
    QTemporaryDir dir;
    const QImage seaPicture = test::randomPremultipliedImage(50, 40, 11);
    const QString picture = dir.filePath(QStringLiteral("p.png"));
    ASSERT_EQ(imagefile::writeImage(seaPicture, picture, imagefile::Format::Png), QString());
    QStringList left;
    for (const char *title : { "sea.png", "Untitled 2" }) {
        QProcess child;
        child.start(QStringLiteral(PENNOVA_TEST_CHILD),
            { QStringLiteral("leave-autosave"), root, picture, QString::fromLatin1(title),
                QString::fromLatin1(title) == QLatin1String("sea.png")
                    ? dir.filePath(QStringLiteral("sea.png"))
                    : QString() });
        ASSERT_TRUE(child.waitForReadyRead(20000));
        left << QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished());
    }

    test::TestDefaults defaults;
    DocumentController controller(*defaults);
    DocumentPrompts documentPrompts;
    QStringList suggested;
    documentPrompts.saveFileName = [&](QWidget *, const QString &path) {
        suggested << path;
        return QString();
    };
    documentPrompts.alert = [](QWidget *, const QString &) {};
    controller.setPrompts(documentPrompts);
    QStringList offeredTitles;
    {
        AppDelegate delegate(controller);
        ShellPrompts prompts;
        prompts.offerRecovery = [&](QWidget *, const QList<ShellPrompts::Leftover> &leftovers,
                                    const std::function<bool(int, bool)> &decide) {
            for (const auto &leftover : leftovers)
                offeredTitles << leftover.title;
            EXPECT_FALSE(leftovers.value(0).thumbnail.isNull());
            EXPECT_TRUE(decide(0, true));
            EXPECT_TRUE(decide(1, false));
        };
        delegate.setPrompts(prompts);
        delegate.launch({});

        EXPECT_EQ(offeredTitles,
            (QStringList { QStringLiteral("sea.png"), QStringLiteral("Untitled 2") }));
        ASSERT_EQ(controller.documents().size(), 1);
        MyDocument *recovered = controller.documents().first();
        EXPECT_EQ(recovered->displayName(), QStringLiteral("sea.png (Recovered)"));
        EXPECT_TRUE(recovered->isModified());
        EXPECT_TRUE(recovered->filePath().isEmpty());
        EXPECT_TRUE(test::imagesEqual(
            recovered->drawView()->surface().image(), seaPicture, QStringLiteral("recovered")));
        EXPECT_FALSE(QFileInfo::exists(left[1])) << "the discarded autosave is still there";
        // The recovered autosave now belongs to the document, in this run's folder.
        const QString adopted = recovered->findChild<DocumentAutosave *>()->filePath();
        EXPECT_TRUE(adopted.startsWith(delegate.autosaveStore()->folder()));
        EXPECT_TRUE(QFileInfo::exists(adopted));

        // Painted on and autosaved again: the record still names the file and the title the
        // picture came from, so that a second crash recovers it as the first did.
        DocumentAutosave *autosave = recovered->findChild<DocumentAutosave *>();
        stroke(recovered, 20);
        autosave->autosaveNow();
        ASSERT_TRUE(waitFor([&] { return !autosave->isPending(); }));
        const auto again = autosavefile::readHeader(adopted);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->record.documentPath, dir.filePath(QStringLiteral("sea.png")));
        EXPECT_EQ(again->record.title, QStringLiteral("sea.png"));

        // Save asks where, proposing the file the picture belonged to.
        EXPECT_FALSE(recovered->save());
        EXPECT_EQ(suggested, QStringList { dir.filePath(QStringLiteral("sea.png")) });

        // Closed with Don't Save: a clean quit leaves no autosave behind.
        documentPrompts.saveChanges
            = [](QWidget *, const QString &) { return SaveChangesAnswer::DontSave; };
        controller.setPrompts(documentPrompts);
        EXPECT_TRUE(controller.closeAll());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(autosaveFiles(root + QStringLiteral("/autosave")).isEmpty());
    EXPECT_TRUE(QDir(root + QStringLiteral("/autosave"))
                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                    .isEmpty());
}
