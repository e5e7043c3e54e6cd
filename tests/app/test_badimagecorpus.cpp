// The bad-image corpus, made at test time by tests/tools/make_bad_images.py from the seeds in
// tests/data/images/seeds: every file is opened, dropped and pasted as the user would, and each
// must open whole, open with the damage notice, or be refused with a message (or, for a very
// large picture, be asked about), within the hang guard's time. A truncation that opens without
// the notice must show its whole seed picture exactly: anything else is a silent damaged open.

#include "app/documentcontroller.h"
#include "app/documentwindow.h"
#include "app/mydocument.h"
#include "canvas/imagefile.h"
#include "canvas/view/drawview.h"
#include "peakmemory.h"
#include "settings/defaults.h"
#include "testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <map>

using namespace pennova;

namespace {

enum class Outcome
{
    Whole,
    Damaged,
    Refused,
    Asked,
    Wrong
};

const char *name(Outcome outcome)
{
    static const char *const kNames[] = { "whole", "damaged", "refused", "asked", "WRONG" };
    return kNames[int(outcome)];
}

struct Entry
{
    QString file;
    QString kind; // truncated, flipped, header, bomb, special
    QString seed;
};

// Far above what any of these files takes; a file that needs more is taken for a hang.
constexpr qint64 kHangGuardMs = 2000 * test::kSanitizerSlowdown;
constexpr qint64 kBombMs = 1000 * test::kSanitizerSlowdown;

class BadImageCorpus : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        const QString out = s_dir->filePath(QStringLiteral("corpus"));
        QProcess script;
        script.start(QStringLiteral("python3"),
            { QStringLiteral(PENNOVA_SOURCE_DIR "/tests/tools/make_bad_images.py"),
                QStringLiteral(PENNOVA_TEST_DATA "/images/seeds"), out });
        ASSERT_TRUE(script.waitForFinished(60000));
        ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
        QFile manifest(out + QStringLiteral("/manifest.tsv"));
        ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
        s_entries = new std::vector<Entry>;
        for (const QByteArray &line : manifest.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() == 3)
                s_entries->push_back({ out + QLatin1Char('/') + QString::fromUtf8(fields[0]),
                    QString::fromUtf8(fields[1]), QString::fromUtf8(fields[2]) });
        }
    }

    static void TearDownTestSuite()
    {
        delete s_entries;
        delete s_dir;
    }

    void SetUp() override
    {
        controller = std::make_unique<DocumentController>(*defaults);
        DocumentPrompts prompts;
        prompts.alert = [this](QWidget *, const QString &message) { alerts << message; };
        prompts.confirmLargeImage = [this](QWidget *, const QString &) {
            ++asked;
            return false;
        };
        controller->setPrompts(prompts);
        window = std::make_unique<DocumentWindow>(*defaults);
        window->newCanvas(200, 200);
        window->show(); // a view takes drops once it is in a window on screen
        view()->setLargeImageQuestion([this](QWidget *, const QString &) {
            ++asked;
            return false;
        });
        QObject::connect(
            view(), &DrawView::statusMessage, [this](const QString &text, bool) { status = text; });
    }

    void TearDown() override
    {
        window.reset();
        controller.reset();
        QGuiApplication::clipboard()->clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    DrawView *view() const { return window->drawView(); }

    // The whole picture a truncation was cut from, as Open reads it.
    QImage seedPicture(const QString &seed)
    {
        auto it = m_seeds.find(seed);
        if (it == m_seeds.end()) {
            const QString path = QStringLiteral(PENNOVA_TEST_DATA "/images/seeds/") + seed;
            it = m_seeds.emplace(seed, imagefile::readImage(path).image).first;
        }
        return it->second;
    }

    Outcome open(const Entry &entry, QImage *picture)
    {
        asked = 0;
        alerts.clear();
        QString error, notice;
        MyDocument *document
            = controller->openDocumentWithContentsOfFile(entry.file, &error, &notice);
        if (document) {
            *picture = document->drawView()->surface().image().copy();
            document->closeWithoutAsking();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return notice.contains(QStringLiteral("damaged")) ? Outcome::Damaged : Outcome::Whole;
        }
        if (asked && error.isEmpty())
            return Outcome::Asked;
        return error.contains(QFileInfo(entry.file).fileName()) && error.size() > 40
            ? Outcome::Refused
            : Outcome::Wrong;
    }

    // What the view shows after a drop or a paste: a floating picture, or a status message.
    Outcome floated(const char *refusal, QImage *picture)
    {
        if (view()->isPaste()) {
            *picture = view()->pasteImage().copy();
            view()->cancelPaste();
            return status.contains(QStringLiteral("damaged")) ? Outcome::Damaged : Outcome::Whole;
        }
        if (asked)
            return Outcome::Asked;
        return status.startsWith(QLatin1String(refusal)) && status.size() > 20 ? Outcome::Refused
                                                                               : Outcome::Wrong;
    }

    Outcome drop(const Entry &entry, QImage *picture)
    {
        asked = 0;
        status.clear();
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(entry.file) });
        const QPointF at(100, 100);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view(), &enter);
        QDropEvent event(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view(), &event);
        return floated("Cannot drop", picture);
    }

    Outcome paste(const Entry &entry, QImage *picture)
    {
        asked = 0;
        status.clear();
        QFile file(entry.file);
        if (!QFileInfo(entry.file).isFile() || !file.open(QIODevice::ReadOnly))
            return Outcome::Refused; // nothing to put on a clipboard
        auto *mime = new QMimeData;
        QString suffix = QFileInfo(entry.file).suffix();
        if (suffix == QLatin1String("jpg"))
            suffix = QStringLiteral("jpeg");
        mime->setData(QStringLiteral("image/") + suffix, file.readAll());
        QGuiApplication::clipboard()->setMimeData(mime);
        view()->paste();
        return floated("Cannot paste", picture);
    }

    static QTemporaryDir *s_dir;
    static std::vector<Entry> *s_entries;
    test::TestDefaults defaults;
    std::unique_ptr<DocumentController> controller;
    std::unique_ptr<DocumentWindow> window;
    QStringList alerts;
    QString status;
    int asked = 0;
    std::map<QString, QImage> m_seeds;
};

QTemporaryDir *BadImageCorpus::s_dir = nullptr;
std::vector<Entry> *BadImageCorpus::s_entries = nullptr;

} // namespace

TEST_F(BadImageCorpus, EveryFileOpensWholeOrDamagedOrIsRefusedWithAMessage)
{
    ASSERT_GE(s_entries->size(), 200u);
    std::map<std::string, int> counts;
    std::string bombs;
    qint64 slowest = 0;
    const long long peakBefore = test::peakResidentBytes();
    for (const Entry &entry : *s_entries) {
        SCOPED_TRACE(entry.file.toStdString());
        const bool unreadable = entry.file.endsWith(QLatin1String("unreadable.png"));
        std::optional<test::WithoutPermissionOverride> noOverride;
        if (unreadable)
            noOverride.emplace();
        const char *paths[] = { "open", "drop", "paste" };
        Outcome outcomes[3];
        for (int p = 0; p < 3; ++p) {
            QImage picture;
            QElapsedTimer clock;
            clock.start();
            const Outcome outcome = p == 0 ? open(entry, &picture)
                : p == 1                   ? drop(entry, &picture)
                                           : paste(entry, &picture);
            const qint64 ms = clock.elapsed();
            slowest = std::max(slowest, ms);
            outcomes[p] = outcome;
            ++counts[std::string(paths[p]) + " " + name(outcome)];
            EXPECT_NE(outcome, Outcome::Wrong) << paths[p] << ": " << qPrintable(status)
                                               << qPrintable(alerts.join(QLatin1Char('|')));
            EXPECT_LT(ms, kHangGuardMs) << paths[p];
            if (entry.kind == QLatin1String("bomb")) {
                if (p == 0)
                    bombs += QFileInfo(entry.file).fileName().toStdString() + " " + name(outcome)
                        + " " + std::to_string(ms) + " ms; ";
                EXPECT_TRUE(outcome == Outcome::Refused || outcome == Outcome::Asked) << paths[p];
                EXPECT_LT(ms, kBombMs) << paths[p];
            }
            if (outcome == Outcome::Whole && entry.kind == QLatin1String("truncated")) {
                EXPECT_TRUE(test::imagesEqual(picture, seedPicture(entry.seed),
                    QStringLiteral("silent_") + QFileInfo(entry.file).fileName()))
                    << paths[p] << ": a silent damaged open";
                if (picture != seedPicture(entry.seed))
                    ++counts[std::string(paths[p]) + " SILENT DAMAGE"];
            }
        }
        // A drop reads the file as Open does.
        EXPECT_EQ(name(outcomes[0]), std::string(name(outcomes[1])));
        if (unreadable && noOverride->available()) {
            EXPECT_EQ(outcomes[0], Outcome::Refused);
        }
    }
    // No picture was allocated for a bomb (nor for anything else here): the corpus's largest
    // whole picture takes a few hundred kilobytes.
    if (!test::kSanitized) {
        EXPECT_LT(test::peakResidentBytes() - peakBefore, 200ll << 20);
    }

    std::string summary;
    for (const auto &[what, count] : counts)
        summary += what + ": " + std::to_string(count) + "\n";
    std::printf("%zu files; slowest %lld ms\n%sbombs opened: %s\n", s_entries->size(),
        (long long)slowest, summary.c_str(), bombs.c_str());
}
