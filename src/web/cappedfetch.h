#pragma once

// One GET from the web server whose answer is capped in size and time: bytes beyond `maxBytes`
// are never read (the transfer stops and the answer counts as cut), and a server silent for
// longer than the time limit ends it as a failure. Data arrives piece by piece through
// dataReceived(); finished() comes exactly once, also after abort(). Lives as long as its owner
// keeps it; deleting it stops the transfer.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace pennova {

class CappedFetch : public QObject
{
    Q_OBJECT
public:
    CappedFetch(QNetworkAccessManager &network, const QUrl &url, qint64 maxBytes, int timeLimitMs,
        QObject *parent = nullptr);
    ~CappedFetch() override;

    // Stops the transfer; it finishes as failed unless it had finished already.
    void abort();

    bool isFinished() const { return m_finished; }
    // Answered without an error status (possibly cut).
    bool succeeded() const { return m_finished && m_error.isEmpty(); }
    // The answer was larger than the cap; only its first `maxBytes` arrived.
    bool truncated() const { return m_truncated; }
    // Why it failed, as a sentence; empty on success.
    QString errorString() const { return m_error; }
    // The address the answer came from, after redirects.
    QUrl url() const { return m_url; }
    // The Content-Type header of the answer.
    QString contentType() const { return m_contentType; }

signals:
    void dataReceived(const QByteArray &chunk);
    void finished();

private:
    void readAvailable();
    void replyFinished();
    void finish(const QString &error);

    QPointer<QNetworkReply> m_reply;
    QTimer m_timeLimit;
    qint64 m_maxBytes;
    qint64 m_received = 0;
    QUrl m_url;
    QString m_contentType;
    QString m_error;
    bool m_truncated = false;
    bool m_finished = false;
};

} // namespace pennova
