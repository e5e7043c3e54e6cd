// Writes killed with SIGKILL: a child process writes a file again and again as the program does
// (Save's PNG, an autosave, the tool-box file), and is killed at random moments, and exactly as the
// finished file is put in place. Whenever it dies, the file must be absent (before the first write)
// or one whole version, byte for byte the picture of that version.

#include "app/autosavefile.h"
#include "canvas/imagefile.h"
#include "palette/toolboxfile.h"
#include "versionpicture.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/types.h>

using namespace pennova;

namespace {

constexpr int kSide = 768; // about 2 MB of noise a version: a write takes a while
constexpr int kTools = 4000; // about 1 MB of tools
constexpr int kRandomKills = 20;

struct Writer
{
    const char *mode;
    const char *name;
};

class KillWriteTest : public ::testing::TestWithParam<Writer>
{
protected:
    QString file() const { return m_dir.filePath(QStringLiteral("target.png")); }

    // Starts the child; with `stopAt` ("before", "after") it stops itself at the `count`th
    // rename onto the file (the `count`th time a version replaces the one before).
    void start(const QString &stopAt = QString(), int count = 1)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!stopAt.isEmpty()) {
            env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(PENNOVA_STOP_RENAME));
            env.insert(QStringLiteral("PENNOVA_STOP_AT"), stopAt);
            env.insert(QStringLiteral("PENNOVA_STOP_COUNT"), QString::number(count));
            env.insert(QStringLiteral("PENNOVA_STOP_TARGET"), file());
            // A sanitized child would refuse a library loaded before its runtime.
            env.insert(QStringLiteral("ASAN_OPTIONS"),
                env.value(QStringLiteral("ASAN_OPTIONS"))
                    + QStringLiteral(":verify_asan_link_order=0"));
        }
        m_child.setProcessEnvironment(env);
        m_child.start(QStringLiteral(PENNOVA_TEST_CHILD),
            { QString::fromLatin1(GetParam().mode), file(),
                QString::number(isToolBox() ? kTools : kSide) });
        ASSERT_TRUE(m_child.waitForStarted());
    }

    bool isToolBox() const
    {
        return QLatin1String(GetParam().mode) == QLatin1String("toolbox-loop");
    }

    // Whether the child has stopped itself (its state in /proc is "T").
    bool stopped() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_child.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        return close > 0 && text.mid(close + 2, 1) == "T";
    }

    void kill()
    {
        ::kill(pid_t(m_child.processId()), SIGKILL);
        ASSERT_TRUE(m_child.waitForFinished(10000));
        EXPECT_EQ(m_child.exitStatus(), QProcess::CrashExit);
    }

    // The version the file holds: 0 when there is no file; -1 when it is not one whole version.
    int versionOnDisk()
    {
        if (!QFileInfo::exists(file()))
            return 0;
        if (isToolBox()) {
            const toolboxfile::Decoded decoded = toolboxfile::readFile(file());
            if (!decoded.ok || decoded.records.isEmpty())
                return -1;
            const int version
                = decoded.records.first().name().section(QLatin1Char(' '), 0, 0).toInt();
            const QList<ToolRecord> expected = test::versionTools(kTools, version);
            if (decoded.records.size() != expected.size())
                return -1;
            for (qsizetype i = 0; i < expected.size(); ++i) {
                if (decoded.records[i].name() != expected[i].name()
                    || decoded.records[i].type() != expected[i].type())
                    return -1;
            }
            return version;
        }
        const imagefile::ReadResult read = imagefile::readImage(file());
        if (!read.ok() || read.damaged)
            return -1;
        int version = 0;
        if (QLatin1String(GetParam().mode) == QLatin1String("autosave-loop")) {
            const auto header = autosavefile::readHeader(file());
            if (!header)
                return -1;
            version = header->record.title.toInt();
        } else {
            // The versions written so far: the file must be one of them.
            for (int v = 1; v <= m_written + 1 && !version; ++v) {
                if (read.image == test::versionPicture(kSide, v))
                    version = v;
            }
            return version ? version : -1;
        }
        return read.image == test::versionPicture(kSide, version) ? version : -1;
    }

    // Versions the child reported as written.
    void collectWritten()
    {
        for (const QByteArray &line : m_child.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                m_written = std::max(m_written, line.toInt());
        }
    }

    QTemporaryDir m_dir;
    QProcess m_child;
    int m_written = 0;
};

} // namespace

TEST_P(KillWriteTest, AKillAtAnyMomentLeavesTheOldFileOrTheNewOne)
{
    QRandomGenerator random(20240615);
    int cutMidWrite = 0;
    for (int kill = 0; kill < kRandomKills; ++kill) {
        SCOPED_TRACE(kill);
        QFile::remove(file());
        m_written = 0;
        start();
        QThread::msleep(30 + random.bounded(600));
        this->kill();
        collectWritten();
        const int version = versionOnDisk();
        EXPECT_GE(version, 0) << "a broken file after the kill";
        // The file on disk is the last version reported written, or the one after it (written
        // and put in place, killed before it could say so).
        EXPECT_TRUE(version == m_written || version == m_written + 1)
            << version << " " << m_written;
        cutMidWrite += version == m_written ? 1 : 0;
    }
    std::printf("%s: %d kills, %d while a version was being written\n", GetParam().name,
        kRandomKills, cutMidWrite);
    // No temporary file is left for the user to find beside the picture (the system takes the
    // unnamed one away with the process, or it is named so that it is hidden).
    for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_TRUE(name == QLatin1String("target.png") || name.startsWith(QLatin1Char('.'))
            || name.contains(QLatin1String(".png.")))
            << qPrintable(name);
}

TEST_P(KillWriteTest, AKillAsTheFileIsPutInPlaceLeavesTheOldFileOrTheNewOne)
{
    for (const QString &when : { QStringLiteral("before"), QStringLiteral("after") }) {
        SCOPED_TRACE(when.toStdString());
        QFile::remove(file());
        m_written = 0;
        // As the second version replaces the first.
        start(when, 1);
        for (int wait = 0; wait < 600 && !stopped() && m_child.state() == QProcess::Running; ++wait)
            QThread::msleep(20);
        ASSERT_TRUE(stopped()) << "the child never reached its second rename";
        kill();
        collectWritten();
        const int version = versionOnDisk();
        if (when == QLatin1String("before"))
            EXPECT_EQ(version, 1);
        else
            EXPECT_EQ(version, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, KillWriteTest,
    ::testing::Values(Writer { "save-loop", "save" }, Writer { "autosave-loop", "autosave" },
        Writer { "toolbox-loop", "toolbox" }),
    [](const auto &row) { return std::string(row.param.name); });
