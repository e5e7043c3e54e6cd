#include "web/reportsender.h"

#include "web/webrequest.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

namespace pennova {

ReportSender::ReportSender(QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{ }

ReportSender::Result ReportSender::send(const QUrl &url, const QByteArray &body)
{
    if (m_loop)
        return { Outcome::Failed, tr("A report is being sent already.") };
    if (!isWebUrl(url))
        return { Outcome::Failed,
            tr("“%1” is not an http or https address.").arg(url.toDisplayString()) };

    QNetworkRequest request = webrequest::request(url);
    request.setHeader(
        QNetworkRequest::ContentTypeHeader, QStringLiteral("text/plain; charset=us-ascii"));
    QNetworkReply *reply = m_network.post(request, body);
    webrequest::guardRedirects(reply);
    // The answer's text is not used; reading it keeps a long answer from piling up in memory.
    connect(
        reply, &QNetworkReply::readyRead, reply, [reply] { reply->skip(reply->bytesAvailable()); });

    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool timedOut = false;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    m_cancelled = false;
    m_loop = &loop;
    limit.start(m_timeLimitMs);
    loop.exec();
    m_loop = nullptr;

    Result result;
    if (m_cancelled) {
        result = { Outcome::Cancelled, QString() };
    } else if (timedOut) {
        result = { Outcome::Failed,
            tr("The server did not answer within %n second(s).", nullptr,
                std::max(1, m_timeLimitMs / 1000)) };
    } else {
        const QString failure = webrequest::failureText(reply);
        result = { failure.isEmpty() ? Outcome::Sent : Outcome::Failed, failure };
    }
    reply->disconnect();
    reply->abort();
    reply->deleteLater();
    return result;
}

void ReportSender::cancel()
{
    if (!m_loop)
        return;
    m_cancelled = true;
    m_loop->quit();
}

} // namespace pennova
