#pragma once

// The device an image decoder reads through, between the decoder and the file or the bytes. It
// reports how much of the data has been read (for a progress bar), stops the decoder when the
// reader asks it to (Cancel), and collects what the decoder says about damaged data: messages
// Qt's decoders log while it is active on its thread (libjpeg's "Corrupt JPEG data: premature
// end of data segment") and the errors libtiff reports on it. Qt's readers often return a picture
// for a damaged file without any error; these complaints are how such a picture is told apart.

#include <QIODevice>
#include <QStringList>
#include <atomic>
#include <functional>
#include <mutex>

namespace pennova {

class DecodeWatch : public QIODevice
{
public:
    // Gets the share of the data read so far (0..1); returns false to stop the decoder, which
    // then reads no more and finds the data at an end.
    using Progress = std::function<bool(double done)>;

    // Reads from `source` (seekable, already open for reading), from its first byte.
    DecodeWatch(QIODevice &source, Progress progress);
    ~DecodeWatch() override;

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_source.size(); }
    bool seek(qint64 pos) override;

    // Starts, and ends, watching the messages Qt's decoders log on this thread. A watch collects
    // only while it is decoding; messages of other threads go on to the handler before it.
    void beginDecode();
    void endDecode();

    // Whether the progress function stopped the decoder.
    bool cancelled() const { return m_cancelled; }
    // What the decoder said about the data, and whether any of it reports damage.
    QStringList complaints() const;
    bool reportedDamage() const;

    // Whether a decoder's message reports damaged or missing data (rather than, say, an unusual
    // colour profile).
    static bool isDamageMessage(const QString &message);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    friend struct DecodeWatchRegistry;
    void complain(const QString &message);

    QIODevice &m_source;
    Progress m_progress;
    qint64 m_furthest = 0;
    qint64 m_reported = 0;
    bool m_cancelled = false;
    bool m_decoding = false;
    mutable std::mutex m_mutex;
    QStringList m_complaints;
    bool m_damaged = false;
};

} // namespace pennova
