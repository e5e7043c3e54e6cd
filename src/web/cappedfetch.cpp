#include "web/cappedfetch.h"

#include "web/webrequest.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace pennova {

CappedFetch::CappedFetch(QNetworkAccessManager &network, const QUrl &url, qint64 maxBytes,
    int timeLimitMs, QObject *parent)
    : QObject(parent)
    , m_maxBytes(std::max<qint64>(0, maxBytes))
    , m_url(url)
{
    m_timeLimit.setSingleShot(true);
    connect(&m_timeLimit, &QTimer::timeout, this, [this, timeLimitMs] {
        finish(QCoreApplication::translate("pennova::CappedFetch",
            "The server did not answer within %n second(s).", nullptr,
            std::max(1, timeLimitMs / 1000)));
    });
    if (!isWebUrl(url)) {
        // Reported once the caller has had the chance to connect.
        QTimer::singleShot(0, this, [this, url] {
            finish(QCoreApplication::translate(
                "pennova::CappedFetch", "“%1” is not an http or https address.")
                       .arg(url.toDisplayString()));
        });
        return;
    }
    m_reply = network.get(webrequest::request(url));
    webrequest::guardRedirects(m_reply);
    connect(m_reply, &QNetworkReply::readyRead, this, &CappedFetch::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &CappedFetch::replyFinished);
    m_timeLimit.start(timeLimitMs);
}

CappedFetch::~CappedFetch()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void CappedFetch::abort()
{
    finish(QCoreApplication::translate("pennova::CappedFetch", "The transfer was stopped."));
}

void CappedFetch::readAvailable()
{
    if (m_finished || !m_reply)
        return;
    // Data of an error page is not the answer.
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && status.toInt() >= 400)
        return;
    const qint64 room = m_maxBytes - m_received;
    const QByteArray chunk = m_reply->read(room);
    m_received += chunk.size();
    const bool more = m_reply->bytesAvailable() > 0;
    if (!chunk.isEmpty())
        emit dataReceived(chunk);
    if (more && !m_finished) {
        m_truncated = true;
        finish(QString());
    }
}

void CappedFetch::replyFinished()
{
    if (m_finished || !m_reply)
        return;
    readAvailable();
    if (!m_finished)
        finish(webrequest::failureText(m_reply));
}

void CappedFetch::finish(const QString &error)
{
    if (m_finished)
        return;
    m_finished = true;
    m_error = error;
    m_timeLimit.stop();
    if (m_reply) {
        m_url = m_reply->url();
        m_contentType = m_reply->header(QNetworkRequest::ContentTypeHeader).toString();
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    emit finished();
}

} // namespace pennova
