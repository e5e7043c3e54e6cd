#include "canvas/imagefile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

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

namespace {

QByteArray pngChunk(const char *type, const QByteArray &data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray body = QByteArray(type) + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))),
        crc.data());
    return chunk + body + crc;
}

// An 8-bit RGB PNG of the given size holding only its first `rows` rows of data (all black).
QByteArray pngFile(quint32 width, quint32 height, int rows)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian<quint32>(width, ihdr.data());
    qToBigEndian<quint32>(height, ihdr.data() + 4);
    ihdr[8] = 8; // bits per sample
    ihdr[9] = 2; // RGB
    const QByteArray raw(qsizetype(1 + 3 * qsizetype(width)) * rows, '\0');
    QByteArray packed(qsizetype(compressBound(uLong(raw.size()))), '\0');
    uLongf packedSize = uLongf(packed.size());
    compress(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
        reinterpret_cast<const Bytef *>(raw.constData()), uLong(raw.size()));
    packed.resize(qsizetype(packedSize));
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", ihdr) + pngChunk("IDAT", packed)
        + pngChunk("IEND", {});
}

// An 8-bit run-length BMP of the given size whose data is only the end code: whole and valid,
// and a few bytes long whatever its size.
QByteArray emptyRunLengthBmp(qint32 width, qint32 height)
{
    QByteArray info(40, '\0');
    qToLittleEndian<quint32>(40, info.data());
    qToLittleEndian<qint32>(width, info.data() + 4);
    qToLittleEndian<qint32>(height, info.data() + 8);
    qToLittleEndian<quint16>(1, info.data() + 12);
    qToLittleEndian<quint16>(8, info.data() + 14);
    qToLittleEndian<quint32>(1, info.data() + 16);
    const QByteArray palette(1024, '\0');
    QByteArray file("BM");
    QByteArray rest(12, '\0');
    qToLittleEndian<quint32>(14 + 40 + 1024 + 2, rest.data());
    qToLittleEndian<quint32>(14 + 40 + 1024, rest.data() + 8);
    return file + rest + info + palette + QByteArray("\x00\x01", 2);
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// Each refusal names its real cause, and the file is left alone.
TEST_F(ImageFileTest, RefusalsNameTheirCause)
{
    const auto errorFor = [](const QString &file) { return imagefile::readImage(file).error; };
    EXPECT_EQ(errorFor(path("missing.png")), QStringLiteral("the file does not exist"));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.png")));
    EXPECT_EQ(errorFor(path("folder.png")), QStringLiteral("it is a folder, not an image file"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.png")).constData(), 0600), 0);
    EXPECT_TRUE(errorFor(path("pipe.png")).contains(QStringLiteral("not a regular file")));
    ASSERT_TRUE(writeBytes(path("empty.png"), {}));
    EXPECT_EQ(errorFor(path("empty.png")), QStringLiteral("the file is empty"));

    // Unreadable, also when the tests run as root.
    ASSERT_EQ(
        imagefile::writeImage(blockImage(16, 16), path("secret.png"), Format::Png), QString());
    ASSERT_TRUE(QFile::setPermissions(path("secret.png"), {}));
    {
        const test::WithoutPermissionOverride asAnyUser;
        if (asAnyUser.available() || ::geteuid() != 0) {
            EXPECT_EQ(errorFor(path("secret.png")), QStringLiteral("permission denied"));
        }
    }

    // A cut-off PNG is damaged; one that claims 30000 x 30000 pixels in a few bytes is damaged,
    // not too large; one wider than any canvas is too large.
    const QByteArray whole = [&] {
        const QString p = path("whole.png");
        imagefile::writeImage(test::randomPremultipliedImage(64, 64, 5), p, Format::Png);
        QFile file(p);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    ASSERT_TRUE(writeBytes(path("cut.png"), whole.left(whole.size() / 2)));
    EXPECT_EQ(errorFor(path("cut.png")),
        QStringLiteral("the file is damaged, and none of the picture could be read"));
    ASSERT_TRUE(writeBytes(path("bomb.png"), pngFile(30000, 30000, 2)));
    EXPECT_TRUE(
        errorFor(path("bomb.png")).startsWith(QStringLiteral("the file is damaged: it claims")));
    const QByteArray wide = pngFile(70000, 1, 1);
    ASSERT_TRUE(writeBytes(path("wide.png"), wide));
    EXPECT_EQ(errorFor(path("wide.png")),
        QStringLiteral("the image is too large to open on this computer (70000 × 1 pixels)"));
    EXPECT_EQ(imagefile::readImageData(wide).error, errorFor(path("wide.png")));
}

// A picture that fits but needs more than a gigabyte opens only when the question says so; the
// question comes before any decoding, and a read without one refuses it.
TEST_F(ImageFileTest, AsksBeforeAVeryLargePicture)
{
    const QSize size(17000, 17000);
    if (qint64(imagefile::raiseAllocationLimit()) << 20 < qint64(size.width()) * size.height() * 8)
        GTEST_SKIP() << "this computer allows too little memory for the picture";
    const QByteArray bmp = emptyRunLengthBmp(size.width(), size.height());
    QStringList questions;
    imagefile::ReadOptions options;
    options.confirmLarge = [&](const QString &question) {
        questions << question;
        return false;
    };
    const imagefile::ReadResult declined = imagefile::readImageData(bmp, options);
    EXPECT_TRUE(declined.cancelled);
    EXPECT_FALSE(declined.ok());
    EXPECT_EQ(declined.error, QString());
    EXPECT_EQ(questions,
        QStringList {
            QStringLiteral("This picture is 17000 × 17000 pixels and needs 1.1 GB of memory. "
                           "Open it?") });
    EXPECT_EQ(imagefile::largeImageQuestion(QSize(30000, 30000)),
        QStringLiteral(
            "This picture is 30000 × 30000 pixels and needs 3.4 GB of memory. Open it?"));

    const imagefile::ReadResult unasked = imagefile::readImageData(bmp);
    EXPECT_FALSE(unasked.cancelled);
    EXPECT_TRUE(unasked.error.contains(QStringLiteral("very large")));

    // Small pictures are never asked about.
    questions.clear();
    EXPECT_TRUE(imagefile::readImageData(emptyRunLengthBmp(640, 480), options).ok());
    EXPECT_TRUE(questions.isEmpty());
}

// Progress goes forward as the data is read, and stopping it stops the decoding: no picture,
// no message.
TEST_F(ImageFileTest, ProgressReportsTheShareReadAndCancelStops)
{
    ASSERT_EQ(imagefile::writeImage(
                  test::randomPremultipliedImage(1024, 1024, 8), path("noise.png"), Format::Png),
        QString());
    std::vector<double> seen;
    imagefile::ReadOptions options;
    options.progress = [&](double done) {
        seen.push_back(done);
        return true;
    };
    ASSERT_TRUE(imagefile::readImage(path("noise.png"), options).ok());
    ASSERT_GE(seen.size(), 10u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.back(), 0.9);
    EXPECT_LE(seen.back(), 1.0);

    int calls = 0;
    options.progress = [&](double) { return ++calls < 3; };
    const imagefile::ReadResult stopped = imagefile::readImage(path("noise.png"), options);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_FALSE(stopped.ok());
    EXPECT_EQ(stopped.error, QString());
    EXPECT_EQ(calls, 3);
}

// A cut-off JPEG, BMP, GIF or TIFF still gives a picture, marked damaged; the whole file does
// not. (The generated corpus tries many more cuts of every type.)
TEST_F(ImageFileTest, PartlyDecodedFilesAreMarkedDamaged)
{
    for (const char *seed :
        { "photo.jpg", "progressive.jpg", "rgb.bmp", "rle8.bmp", "still.gif", "lzw.tiff" }) {
        SCOPED_TRACE(seed);
        QFile file(QStringLiteral(PENNOVA_TEST_DATA "/images/seeds/") + QLatin1String(seed));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        const imagefile::ReadResult intact = imagefile::readImageData(whole);
        ASSERT_TRUE(intact.ok());
        EXPECT_FALSE(intact.damaged);
        const imagefile::ReadResult cut
            = imagefile::readImageData(whole.left(whole.size() * 3 / 4));
        ASSERT_TRUE(cut.ok()) << cut.error.toStdString();
        EXPECT_TRUE(cut.damaged);
    }
}

// An accepted open decodes into the one image that becomes the canvas: the process's peak of
// memory rises by about one copy of the picture, not two. Measured in a child process of its own,
// whose peak nothing else has raised. (A progressive JPEG is the exception: libjpeg keeps all of
// its coefficients, 6 bytes a pixel, until the last scan.)
TEST_F(ImageFileTest, AnOpenTakesAboutOneCopyOfThePicture)
{
    if (test::kSanitized)
        GTEST_SKIP() << "the address sanitizer keeps freed memory aside, so the peak says nothing";
    const QImage picture = blockImage(4096, 3072);
    ASSERT_EQ(
        imagefile::writeImage(picture, path(QStringLiteral("big.png")), Format::Png), QString());
    QImageWriter baseline(path(QStringLiteral("big.jpg")), "jpeg");
    ASSERT_TRUE(baseline.write(picture));
    for (const char *name : { "big.png", "big.jpg" }) {
        SCOPED_TRACE(name);
        QProcess child;
        child.start(QStringLiteral(PENNOVA_TEST_CHILD),
            { QStringLiteral("open-peak"), path(QLatin1String(name)) });
        ASSERT_TRUE(child.waitForFinished(60000));
        ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        ASSERT_EQ(figures.size(), 2);
        const double rise = figures[0].toDouble(), pixelBytes = figures[1].toDouble();
        EXPECT_EQ(pixelBytes, 4096.0 * 3072 * 4);
        EXPECT_LE(rise, 1.2 * pixelBytes);
    }
}
