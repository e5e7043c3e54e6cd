#include "canvas/atomicfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace pennova;

namespace {

QByteArray randomBytes(int size, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(rng());
    return bytes;
}

// Writes in small pieces, as image encoders do, so that the last part still sits in the save
// file's buffer when the writer returns.
atomicfile::Writer inPieces(const QByteArray &bytes, int piece = 1000)
{
    return [bytes, piece](QIODevice &device, QString &) {
        for (int at = 0; at < bytes.size(); at += piece) {
            if (device.write(bytes.mid(at, piece)) < 0)
                return false;
        }
        return true;
    };
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

class AtomicFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile file(target());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(m_old);
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString target() const { return path(QStringLiteral("picture.png")); }
    QByteArray contents(const QString &file) const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    }

    QTemporaryDir m_dir;
    const QByteArray m_old = randomBytes(300, 1);
};

} // namespace

TEST_F(AtomicFileTest, ReplacesTheFileWholeAndLeavesNoTemporaryFile)
{
    const QByteArray data = randomBytes(100000, 2);
    bool replaced = false;
    EXPECT_EQ(atomicfile::writeFile(target(), inPieces(data), &replaced), QString());
    EXPECT_TRUE(replaced);
    EXPECT_EQ(contents(target()), data);

    EXPECT_EQ(atomicfile::writeFile(path(QStringLiteral("new.bin")), QByteArray("abc")), QString());
    EXPECT_EQ(contents(path(QStringLiteral("new.bin"))), QByteArray("abc"));
    EXPECT_EQ(
        entries(), (QStringList { QStringLiteral("new.bin"), QStringLiteral("picture.png") }));
}

// The limit stops the write at its start, in the middle, and in the last bytes, which reach the
// file only when the save file is flushed.
TEST_F(AtomicFileTest, FileSizeLimitAnywhereLeavesTheOldFileByteForByte)
{
    const QByteArray data = randomBytes(100000, 3);
    for (const long long limit : { 0LL, 4096LL, 50000LL, 99000LL, 99999LL }) {
        SCOPED_TRACE(limit);
        const std::string answer = test::runWithFileSizeLimit(limit, [&] {
            bool replaced = true;
            const QString why = atomicfile::writeFile(target(), inPieces(data), &replaced);
            return std::string(replaced ? "replaced: " : "kept: ") + why.toStdString();
        });
        EXPECT_EQ(answer, "kept: " + atomicfile::describeError(systemText(EFBIG)).toStdString());
        EXPECT_TRUE(contents(target()) == m_old);
        EXPECT_EQ(entries(), QStringList { QStringLiteral("picture.png") });
    }
    // One write of everything, refused in its last byte.
    const std::string whole = test::runWithFileSizeLimit(
        99999, [&] { return atomicfile::writeFile(target(), data).toStdString(); });
    EXPECT_NE(whole.find("larger than this system allows"), std::string::npos) << whole;
    EXPECT_TRUE(contents(target()) == m_old);
}

TEST_F(AtomicFileTest, WriterFailureGivesItsReasonAndKeepsTheOldFile)
{
    const auto failing = [](QIODevice &device, QString &error) {
        device.write("half a picture");
        error = QStringLiteral("the encoder gave up");
        return false;
    };
    EXPECT_EQ(atomicfile::writeFile(target(), failing), QStringLiteral("the encoder gave up"));
    EXPECT_TRUE(contents(target()) == m_old);
    EXPECT_EQ(entries(), QStringList { QStringLiteral("picture.png") });
}

TEST_F(AtomicFileTest, PipesLinksToThemAndFoldersAreRefusedBeforeAnythingIsWritten)
{
    const QString pipe = path(QStringLiteral("pipe.png"));
    const QString link = path(QStringLiteral("link.png"));
    const QString folder = path(QStringLiteral("folder.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(pipe, link));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QStringList before = entries();

    int called = 0;
    const auto writer = [&called](QIODevice &device, QString &) {
        ++called;
        return device.write("x") == 1;
    };
    for (const QString &refused : { pipe, link, folder }) {
        SCOPED_TRACE(refused.toStdString());
        EXPECT_FALSE(atomicfile::refuseTarget(refused).isEmpty());
        EXPECT_FALSE(atomicfile::writeFile(refused, writer).isEmpty());
    }
    EXPECT_EQ(called, 0);
    struct stat status = {};
    ASSERT_EQ(lstat(QFile::encodeName(pipe).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(entries(), before);
    EXPECT_TRUE(atomicfile::refuseTarget(target()).isEmpty());
    EXPECT_TRUE(atomicfile::refuseTarget(path(QStringLiteral("not yet.png"))).isEmpty());
}

TEST(AtomicFileErrorTest, CausesAUserCanActOnAreNamedPlainly)
{
    EXPECT_TRUE(atomicfile::describeError(systemText(ENOSPC)).startsWith("the disk is full ("));
    EXPECT_TRUE(
        atomicfile::describeError(systemText(EFBIG)).startsWith("the file would be larger"));
    EXPECT_TRUE(atomicfile::describeError(systemText(EDQUOT)).contains("quota"));
    EXPECT_TRUE(atomicfile::describeError(systemText(EROFS)).startsWith("the disk is read-only"));
    EXPECT_EQ(atomicfile::describeError(QStringLiteral("Permission denied")),
        QStringLiteral("permission denied"));
    EXPECT_EQ(
        atomicfile::describeError(QStringLiteral("JPEG error")), QStringLiteral("JPEG error"));
    EXPECT_FALSE(atomicfile::describeError(QString()).isEmpty());
}
