#include "canvas/atomicfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>

using namespace pennova;

namespace {

class AtomicFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::mt19937 rng(3);
        for (char &c : m_data)
            c = char(rng());
        QFile file(m_target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(m_old);
    }

    QByteArray target() const
    {
        QFile file(m_target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    }

    QTemporaryDir m_dir;
    const QString m_target = m_dir.filePath(QStringLiteral("picture.png"));
    const QByteArray m_old = QByteArray("the picture saved before");
    QByteArray m_data = QByteArray(100000, Qt::Uninitialized);
};

} // namespace

// The limit stops the write at its start, in the middle, and in its last bytes, which reach the
// file only at the end. The pieces are small, as an encoder's, so that the end is buffered.
TEST_F(AtomicFileTest, FileSizeLimitAnywhereLeavesTheOldFileByteForByte)
{
    const auto inPieces = [this](QIODevice &device, QString &) {
        for (int at = 0; at < m_data.size(); at += 1000)
            device.write(m_data.mid(at, 1000));
        return true;
    };
    const QString tooLarge
        = atomicfile::describeError(QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_TRUE(tooLarge.startsWith(QStringLiteral("the file would be larger than")));
    for (const long long limit : { 0LL, 50000LL, 99999LL }) {
        SCOPED_TRACE(limit);
        bool replaced = true;
        QString pieces, whole;
        {
            const test::FileSizeLimit small(limit);
            pieces = atomicfile::writeFile(m_target, inPieces, &replaced);
            whole = atomicfile::writeFile(m_target, m_data);
        }
        EXPECT_FALSE(replaced);
        EXPECT_EQ(pieces, tooLarge);
        EXPECT_EQ(whole, tooLarge);
        EXPECT_TRUE(target() == m_old);
        EXPECT_EQ(entries(), QStringList { QStringLiteral("picture.png") }); // no temporary file
    }
    EXPECT_EQ(atomicfile::writeFile(m_target, inPieces), QString());
    EXPECT_TRUE(target() == m_data);
}

TEST_F(AtomicFileTest, PipesLinksToThemAndFoldersAreRefusedBeforeAnythingIsWritten)
{
    const QString pipe = m_dir.filePath(QStringLiteral("pipe.png"));
    const QString link = m_dir.filePath(QStringLiteral("link.png"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(pipe, link));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.png")));
    const QStringList before = entries();
    int called = 0;
    for (const QString &refused : { pipe, link, m_dir.filePath(QStringLiteral("folder.png")) }) {
        SCOPED_TRACE(refused.toStdString());
        EXPECT_FALSE(atomicfile::writeFile(refused, [&called](QIODevice &, QString &) {
            return ++called > 0;
        }).isEmpty());
    }
    EXPECT_EQ(called, 0);
    struct stat status = {};
    ASSERT_EQ(lstat(QFile::encodeName(pipe).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    EXPECT_EQ(entries(), before);
}
