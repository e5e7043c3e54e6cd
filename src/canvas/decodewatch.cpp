#include "canvas/decodewatch.h"

#include <tiffio.h>

#include <QSet>
#include <cstdarg>
#include <cstdio>

namespace pennova {

// The watches that exist, for libtiff's error handler (which names the device it read), and the
// message handler installed while any of them decodes.
struct DecodeWatchRegistry
{
    std::mutex mutex;
    QSet<const void *> live;
    int decoding = 0;
    QtMessageHandler previous = nullptr;

    static DecodeWatchRegistry &instance()
    {
        static DecodeWatchRegistry registry;
        return registry;
    }

    static thread_local DecodeWatch *t_active;

    static void messageHandler(QtMsgType type, const QMessageLogContext &context, const QString &m)
    {
        if (DecodeWatch *watch = t_active) {
            watch->complain(m);
            return;
        }
        QtMessageHandler next;
        {
            const std::lock_guard<std::mutex> lock(instance().mutex);
            next = instance().previous;
        }
        if (next)
            next(type, context, m);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, m)));
    }

    // Qt's TIFF reader hands libtiff its device as the client data, so an error names the watch.
    static void tiffError(thandle_t client, const char *module, const char *format, va_list args)
    {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        DecodeWatchRegistry &registry = instance();
        const std::lock_guard<std::mutex> lock(registry.mutex);
        if (!registry.live.contains(client))
            return;
        auto *watch = static_cast<DecodeWatch *>(static_cast<QIODevice *>(client));
        const QString message = QString::fromUtf8(module ? module : "") + QStringLiteral(": ")
            + QString::fromUtf8(text);
        const std::lock_guard<std::mutex> watchLock(watch->m_mutex);
        watch->m_complaints << message;
        watch->m_damaged = true;
    }

    static void installTiffHandlers()
    {
        static std::once_flag once;
        std::call_once(once, [] {
            // libtiff would print its messages; the ones about a watched read are collected,
            // the rest (warnings about unusual tags, above all) are of no use to a user.
            TIFFSetErrorHandler(nullptr);
            TIFFSetWarningHandler(nullptr);
            TIFFSetErrorHandlerExt(tiffError);
        });
    }
};

thread_local DecodeWatch *DecodeWatchRegistry::t_active = nullptr;

DecodeWatch::DecodeWatch(QIODevice &source, Progress progress)
    : m_source(source)
    , m_progress(std::move(progress))
{
    DecodeWatchRegistry::installTiffHandlers();
    {
        DecodeWatchRegistry &registry = DecodeWatchRegistry::instance();
        const std::lock_guard<std::mutex> lock(registry.mutex);
        registry.live.insert(static_cast<QIODevice *>(this));
    }
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_source.seek(0);
}

DecodeWatch::~DecodeWatch()
{
    if (m_decoding)
        endDecode();
    DecodeWatchRegistry &registry = DecodeWatchRegistry::instance();
    const std::lock_guard<std::mutex> lock(registry.mutex);
    registry.live.remove(static_cast<QIODevice *>(this));
}

bool DecodeWatch::seek(qint64 pos)
{
    if (pos < 0 || !m_source.seek(pos))
        return false;
    return QIODevice::seek(pos);
}

void DecodeWatch::beginDecode()
{
    if (m_decoding)
        return;
    m_decoding = true;
    DecodeWatchRegistry &registry = DecodeWatchRegistry::instance();
    {
        const std::lock_guard<std::mutex> lock(registry.mutex);
        if (registry.decoding++ == 0)
            registry.previous = qInstallMessageHandler(DecodeWatchRegistry::messageHandler);
    }
    DecodeWatchRegistry::t_active = this;
}

void DecodeWatch::endDecode()
{
    if (!m_decoding)
        return;
    m_decoding = false;
    if (DecodeWatchRegistry::t_active == this)
        DecodeWatchRegistry::t_active = nullptr;
    DecodeWatchRegistry &registry = DecodeWatchRegistry::instance();
    const std::lock_guard<std::mutex> lock(registry.mutex);
    if (--registry.decoding == 0)
        qInstallMessageHandler(registry.previous);
}

qint64 DecodeWatch::readData(char *data, qint64 maxSize)
{
    if (m_cancelled)
        return -1;
    if (m_source.pos() != pos() && !m_source.seek(pos()))
        return -1;
    const qint64 n = m_source.read(data, maxSize);
    if (n <= 0)
        return n;
    const qint64 reached = pos() + n;
    if (reached > m_furthest) {
        m_furthest = reached;
        // About two hundred reports over a file, none for less than 64 KB.
        const qint64 step = std::max<qint64>(64 * 1024, size() / 200);
        if (m_progress && m_furthest - m_reported >= step) {
            m_reported = m_furthest;
            if (!m_progress(size() > 0 ? double(m_furthest) / double(size()) : 0.0)) {
                m_cancelled = true;
                return -1;
            }
        }
    }
    return n;
}

void DecodeWatch::complain(const QString &message)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_complaints << message;
    if (isDamageMessage(message))
        m_damaged = true;
}

QStringList DecodeWatch::complaints() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_complaints;
}

bool DecodeWatch::reportedDamage() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_damaged;
}

bool DecodeWatch::isDamageMessage(const QString &message)
{
    // libjpeg's warnings about entropy-coded data it had to skip, guess or fill with grey.
    static const char *const kDamage[] = {
        "Corrupt JPEG data",
        "Premature end of JPEG file",
        "Inconsistent progression sequence",
        "Invalid SOS parameters",
        "bad Huffman code",
    };
    for (const char *text : kDamage) {
        if (message.contains(QLatin1String(text), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace pennova
