#include "canvas/atomicfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace pennova::atomicfile {

namespace {

    // How much of the start of a written file is compared when it is read back.
    constexpr qint64 kHeaderBytes = 512;
    // Writes are collected up to this size before they go to the file.
    constexpr qint64 kBufferBytes = 64 * 1024;

    QString tr(const char *text)
    {
        return QCoreApplication::translate("pennova::atomicfile", text);
    }

    QString errnoText(int error)
    {
        return QString::fromLocal8Bit(std::strerror(error));
    }

    // Writes straight to the temporary file's descriptor through a buffer of its own, so that
    // a refused write is seen with the system's reason. (Qt's own buffer drops the reason when
    // a write is cut short, and QSaveFile::commit() misses a failure of its last flush.) Counts
    // the bytes and keeps the first ones, so the file can be checked once it is in place.
    class DirectDevice : public QIODevice
    {
    public:
        explicit DirectDevice(int fd)
            : m_fd(fd)
        {
            open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        }

        // Writes what is still buffered; false when the file refused it.
        bool finish() { return drain(); }
        qint64 written() const { return m_written; }
        const QByteArray &header() const { return m_header; }
        bool failed() const { return m_error != 0; }
        // Writers that would seek back to patch what they wrote fail instead.
        bool isSequential() const override { return true; }

    protected:
        qint64 readData(char *, qint64) override { return -1; }

        qint64 writeData(const char *data, qint64 length) override
        {
            if (failed())
                return -1;
            m_buffer.append(data, length);
            if (m_header.size() < kHeaderBytes)
                m_header.append(data, std::min(length, kHeaderBytes - m_header.size()));
            m_written += length;
            if (m_buffer.size() >= kBufferBytes && !drain())
                return -1;
            return length;
        }

    private:
        bool drain()
        {
            qint64 done = 0;
            while (!failed() && done < m_buffer.size()) {
                const ssize_t n
                    = ::write(m_fd, m_buffer.constData() + done, m_buffer.size() - done);
                if (n > 0)
                    done += n;
                else if (n == 0 || errno != EINTR)
                    m_error = n == 0 ? EIO : errno;
            }
            m_buffer.clear();
            if (failed())
                setErrorString(errnoText(m_error));
            return !failed();
        }

        int m_fd;
        QByteArray m_buffer;
        QByteArray m_header;
        qint64 m_written = 0;
        int m_error = 0;
    };

    QString readBackError(const QString &path, qint64 size, const QByteArray &header)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return tr("the saved file cannot be read back (%1)")
                .arg(describeError(file.errorString()));
        if (file.size() != size || file.read(header.size()) != header)
            return tr("the saved file does not read back as it was written; it may be damaged");
        return QString();
    }

} // namespace

QString describeError(const QString &systemText)
{
    QString text = systemText.trimmed();
    if (text.isEmpty())
        return tr("the system gave no reason");
    // Qt's error texts start with a capital and end without a full stop.
    if (text.size() > 1 && text.at(0).isUpper() && !text.at(1).isUpper())
        text[0] = text.at(0).toLower();
    const auto is = [&](int error) {
        return systemText.trimmed().compare(errnoText(error), Qt::CaseInsensitive) == 0;
    };
    if (is(ENOSPC))
        return tr("the disk is full (%1)").arg(text);
    if (is(EDQUOT))
        return tr("your disk quota is used up (%1)").arg(text);
    if (is(EFBIG))
        return tr("the file would be larger than this system allows (%1)").arg(text);
    if (is(EROFS))
        return tr("the disk is read-only (%1)").arg(text);
    return text;
}

QString refuseTarget(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return tr("it is a folder");
    if (info.exists() && !info.isFile())
        return tr("it is not a regular file but a device, a pipe or a socket; nothing was "
                  "written to it");
    return QString();
}

QString writeFile(const QString &path, const Writer &writer, bool *replaced)
{
    if (replaced)
        *replaced = false;
    if (const QString refused = refuseTarget(path); !refused.isEmpty())
        return refused;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return describeError(file.errorString());
    const auto cancel = [&file](const QString &why) {
        file.cancelWriting();
        return why;
    };
    if (file.handle() < 0)
        return cancel(tr("the file could not be written"));

    DirectDevice device(file.handle());
    QString why;
    const bool wrote = writer(device, why);
    if (!device.failed() && wrote)
        device.finish();
    if (device.failed())
        return cancel(describeError(device.errorString()));
    if (!wrote)
        return cancel(why.isEmpty() ? tr("the file could not be written") : why);
    // Some file systems (network ones, quotas with delayed allocation) report a full disk only
    // when the data is synced.
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP)
        return cancel(describeError(errnoText(errno)));

    if (!file.commit())
        return describeError(file.errorString());
    if (replaced)
        *replaced = true;
    return readBackError(path, device.written(), device.header());
}

QString writeFile(const QString &path, const QByteArray &bytes, bool *replaced)
{
    const auto writer
        = [&bytes](QIODevice &device, QString &) { return device.write(bytes) == bytes.size(); };
    return writeFile(path, writer, replaced);
}

} // namespace pennova::atomicfile
