#include "testsupport.h"

#include <QDir>
#include <cstdlib>
#include <random>

namespace pennova::test {

QImage randomPremultipliedImage(int width, int height, uint32_t seed)
{
    std::mt19937 rng(seed);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int kind = int(rng() % 3);
            const int a = kind == 0 ? 0 : kind == 1 ? 255 : int(rng() % 256);
            const auto channel = [&]() { return a == 0 ? 0 : int(rng() % (a + 1)); };
            const int r = channel(), g = channel(), b = channel();
            line[x] = qRgba(r, g, b, a);
        }
    }
    return image;
}

int countDifferentPixels(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size())
        return std::max(a.width() * a.height(), b.width() * b.height());
    const QImage ca = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage cb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int count = 0;
    for (int y = 0; y < ca.height(); ++y) {
        const auto *la = reinterpret_cast<const QRgb *>(ca.constScanLine(y));
        const auto *lb = reinterpret_cast<const QRgb *>(cb.constScanLine(y));
        for (int x = 0; x < ca.width(); ++x) {
            const QRgb p = la[x], q = lb[x];
            if (std::abs(qRed(p) - qRed(q)) > tolerance
                || std::abs(qGreen(p) - qGreen(q)) > tolerance
                || std::abs(qBlue(p) - qBlue(q)) > tolerance
                || std::abs(qAlpha(p) - qAlpha(q)) > tolerance)
                ++count;
        }
    }
    return count;
}

bool imagesEqual(const QImage &actual, const QImage &expected, const QString &name, int tolerance,
    int allowedBadPixels)
{
    if (actual.size() == expected.size()
        && countDifferentPixels(actual, expected, tolerance) <= allowedBadPixels)
        return true;
    QDir().mkpath(QStringLiteral(PENNOVA_TEST_OUTPUT));
    const QString base = QStringLiteral(PENNOVA_TEST_OUTPUT) + QLatin1Char('/') + name;
    actual.save(base + QStringLiteral("-actual.png"));
    expected.save(base + QStringLiteral("-expected.png"));
    return false;
}

} // namespace pennova::test

namespace pennova::test {

namespace {
    QStringList g_captured;
    QtMessageHandler g_previous = nullptr;
} // namespace

LogCapture::LogCapture()
{
    g_captured.clear();
    g_previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &msg) { g_captured << msg; });
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(g_previous);
}

QStringList LogCapture::messages() const
{
    return g_captured;
}

} // namespace pennova::test

#include "settings/defaults.h"

namespace pennova::test {

TestDefaults::TestDefaults()
    : m_defaults(std::make_unique<Defaults>(m_dir.filePath(QStringLiteral("Pennova.conf"))))
{
    registerApplicationDefaults(*m_defaults);
    registerDocumentDefaults(*m_defaults);
}

TestDefaults::~TestDefaults() = default;

} // namespace pennova::test

#include <csignal>

namespace pennova::test {

FileSizeLimit::FileSizeLimit(long long limitBytes)
{
    getrlimit(RLIMIT_FSIZE, &m_old);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = m_old;
    limit.rlim_cur = rlim_t(limitBytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

} // namespace pennova::test

#include <QFile>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace pennova::test {

WithoutPermissionOverride::WithoutPermissionOverride()
{
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return;
    for (int i = 0; i < 2; ++i) {
        m_saved[i * 3] = data[i].effective;
        m_saved[i * 3 + 1] = data[i].permitted;
        m_saved[i * 3 + 2] = data[i].inheritable;
    }
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    m_dropped = syscall(SYS_capset, &header, data) == 0;
}

WithoutPermissionOverride::~WithoutPermissionOverride()
{
    if (!m_dropped)
        return;
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[2] = {};
    for (int i = 0; i < 2; ++i) {
        data[i].effective = m_saved[i * 3];
        data[i].permitted = m_saved[i * 3 + 1];
        data[i].inheritable = m_saved[i * 3 + 2];
    }
    syscall(SYS_capset, &header, data);
}

} // namespace pennova::test
