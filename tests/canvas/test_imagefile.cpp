#include "canvas/imagefile.h"
#include "testsupport.h"

#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pennova;
using imagefile::Format;

namespace {

QByteArray fileStart(const QString &path, int bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
const QByteArray kJpegStart("\xFF\xD8\xFF", 3);

// 16 x 16 blocks of solid colour, the size of a JPEG colour block: JPEG keeps them within a few
// levels.
QImage blockImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int bx = x / 16, by = y / 16;
            image.setPixel(x, y, qRgb((bx * 40) % 256, (by * 60) % 256, ((bx + by) * 25) % 256));
        }
    }
    return image;
}

class ImageFileTest : public ::testing::Test
{
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ImageFileTest, PngKeepsEveryPremultipliedPixelIncludingTransparency)
{
    const QImage canvas = test::randomPremultipliedImage(67, 41, 20240611);
    ASSERT_EQ(imagefile::writeImage(canvas, path("a.png"), Format::Png), QString());
    EXPECT_EQ(fileStart(path("a.png"), 8), kPngSignature);

    const imagefile::ReadResult read = imagefile::readImage(path("a.png"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.format, QByteArray("png"));
    EXPECT_EQ(read.image.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(test::imagesEqual(read.image, canvas, QStringLiteral("png_round_trip")));
}

TEST_F(ImageFileTest, JpegIsProgressiveQuality100AndTransparencyBecomesWhite)
{
    QImage canvas = blockImage(64, 48);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            canvas.setPixel(x, y, 0u); // fully transparent
            canvas.setPixel(16 + x, y, qPremultiply(qRgba(255, 0, 0, 128))); // half-covered red
        }
    }
    ASSERT_EQ(imagefile::writeImage(canvas, path("a.jpg"), Format::Jpeg), QString());
    EXPECT_EQ(fileStart(path("a.jpg"), 3), kJpegStart);

    QImageReader reader(path("a.jpg"));
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const imagefile::ReadResult read = imagefile::readImage(path("a.jpg"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.image.size(), canvas.size());
    // White paper under the paint: the transparent block is white, the half red one pink.
    const QRgb hole = read.image.pixel(8, 8);
    EXPECT_GE(qRed(hole), 200);
    EXPECT_GE(qGreen(hole), 200);
    EXPECT_GE(qBlue(hole), 200);
    const QRgb pink = read.image.pixel(24, 8);
    EXPECT_GE(qRed(pink), 250);
    EXPECT_NEAR(qGreen(pink), 127, 4);

    QImage expected
        = imagefile::flattenedOnWhite(canvas).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Block centres come back within a few levels (the decoder smooths colour across block edges).
    int worst = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (x % 16 < 4 || x % 16 > 11 || y % 16 < 4 || y % 16 > 11)
                continue;
            const QRgb a = read.image.pixel(x, y), b = expected.pixel(x, y);
            worst = std::max({ worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                std::abs(qBlue(a) - qBlue(b)) });
        }
    }
    EXPECT_LE(worst, 4);

    // Progressive scans carry the SOF2 marker.
    QFile file(path("a.jpg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains(QByteArray("\xFF\xC2", 2)));
}

TEST_F(ImageFileTest, ReadsPixelsWhateverTheResolution)
{
    QImage picture(300, 200, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 20, 30, 255));
    picture.setPixel(299, 199, qRgba(200, 100, 50, 255));
    picture.setDotsPerMeterX(11811); // 300 dots per inch
    picture.setDotsPerMeterY(11811);
    ASSERT_TRUE(picture.save(path("print.png")));

    const imagefile::ReadResult read = imagefile::readImage(path("print.png"));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.image.size(), QSize(300, 200));
    EXPECT_EQ(read.image.pixel(299, 199), qRgba(200, 100, 50, 255));
}

TEST_F(ImageFileTest, AllocationLimitIsRaisedButBounded)
{
    const int limitMB = imagefile::raiseAllocationLimit();
    EXPECT_EQ(QImageReader::allocationLimit(), limitMB);
    EXPECT_GE(limitMB, 256);
    EXPECT_LE(limitMB, 8192);
}

// Each failed write leaves whatever was at the path before.
TEST_F(ImageFileTest, FailedWritesLeaveThePreviousFileIntact)
{
    const QImage canvas = blockImage(32, 32);
    ASSERT_EQ(imagefile::writeImage(canvas, path("keep.png"), Format::Png), QString());
    const QByteArray before = fileStart(path("keep.png"), 1 << 20);

    // The encoder fails after the temporary file was opened.
    EXPECT_NE(imagefile::writeImage(QImage(), path("keep.png"), Format::Png), QString());
    EXPECT_EQ(fileStart(path("keep.png"), 1 << 20), before);

    // The disk refuses at the start, part-way, and in the very last bytes of the file.
    const QImage noise = test::randomPremultipliedImage(256, 256, 99);
    ASSERT_EQ(imagefile::writeImage(noise, path("probe.png"), Format::Png), QString());
    const qint64 full = QFileInfo(path("probe.png")).size();
    ASSERT_TRUE(QFile::remove(path("probe.png")));
    for (const qint64 limit : { qint64(0), full / 2, full - 1 }) {
        SCOPED_TRACE(limit);
        QString error;
        {
            const test::FileSizeLimit small(limit);
            error = imagefile::writeImage(noise, path("keep.png"), Format::Png);
        }
        EXPECT_TRUE(error.contains(QStringLiteral("larger than this system allows")))
            << qPrintable(error);
        EXPECT_TRUE(fileStart(path("keep.png"), 1 << 20) == before);
    }

    // The path is a folder; the folder of the path does not exist.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.png")));
    EXPECT_NE(imagefile::writeImage(canvas, path("folder.png"), Format::Png), QString());
    EXPECT_TRUE(QFileInfo(path("folder.png")).isDir());
    EXPECT_NE(imagefile::writeImage(canvas, path("missing/a.png"), Format::Png), QString());
    EXPECT_FALSE(QFileInfo::exists(path("missing/a.png")));

    // No temporary files are left behind.
    EXPECT_EQ(
        QDir(m_dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("keep.png") });
}
