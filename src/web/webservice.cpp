#include "web/webservice.h"

#include "web/cappedfetch.h"
#include "web/donatedelegate.h"
#include "web/propertylist.h"

#include <QCoreApplication>
#include <QStringDecoder>

namespace pennova {

WebService::WebService(QObject *parent)
    : QObject(parent)
    , m_sender(m_network)
{ }

WebService::~WebService()
{
    stopFetches();
}

void WebService::setServer(const ServerAddress &server)
{
    stopFetches();
    m_server = server;
}

void WebService::setTimeLimit(int milliseconds)
{
    m_timeLimitMs = milliseconds;
    m_sender.setTimeLimit(milliseconds);
}

QUrl WebService::updatePageUrl() const
{
    return m_server.url(QStringLiteral("/update.cgi"), QStringLiteral("version=60"));
}

QUrl WebService::donationMessageUrl() const
{
    return m_server.url(QStringLiteral("/pn_donate.txt"));
}

QUrl WebService::userGuideUrl() const
{
    return m_server.url(
        QStringLiteral("/wiki/index.php"), QStringLiteral("title=Pennova_User_Guide"));
}

QUrl WebService::bulletinBoardsUrl() const
{
    return m_server.url(QStringLiteral("/bb/"));
}

QUrl WebService::donationPageUrl() const
{
    return m_server.url(QStringLiteral("/donatepn.html"));
}

QUrl WebService::bugReportUrl() const
{
    return m_server.url(QStringLiteral("/bugreport.cgi"));
}

void WebService::stopDonationFetch()
{
    if (m_donation) {
        m_donation->disconnect(this);
        m_donation->abort();
        m_donation = nullptr;
    }
}

void WebService::stopFetches()
{
    stopDonationFetch();
    delete m_updateFetch;
    m_updateFetch = nullptr;
}

void WebService::fetchDonationMessage()
{
    stopDonationFetch();
    if (!m_server.isSet())
        return;
    m_donation = new DonateDelegate(m_network, donationMessageUrl(), m_timeLimitMs, this);
    connect(
        m_donation, &DonateDelegate::messageReceived, this, &WebService::donationMessageReceived);
    connect(m_donation, &DonateDelegate::done, this, &WebService::donationFetchFinished);
}

void WebService::loadUpdatePage()
{
    delete m_updateFetch;
    m_updateFetch = nullptr;
    m_updatePage.clear();
    if (!m_server.isSet())
        return;
    m_updateFetch
        = new CappedFetch(m_network, updatePageUrl(), kMaxUpdatePageBytes, m_timeLimitMs, this);
    connect(m_updateFetch, &CappedFetch::dataReceived, this,
        [this](const QByteArray &chunk) { m_updatePage += chunk; });
    connect(m_updateFetch, &CappedFetch::finished, this, &WebService::updatePageFinished);
}

void WebService::updatePageFinished()
{
    CappedFetch *fetch = m_updateFetch;
    m_updateFetch = nullptr;
    fetch->deleteLater();
    const QByteArray page = std::exchange(m_updatePage, QByteArray());
    if (!fetch->succeeded()) {
        qWarning("The update notice could not be loaded: %s", qPrintable(fetch->errorString()));
        emit updatePageFailed(fetch->errorString());
        return;
    }
    if (fetch->truncated())
        qWarning("The update notice is larger than %lld bytes; only its beginning is shown.",
            kMaxUpdatePageBytes);
    const QString type = fetch->contentType();
    const bool plain = type.startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive);
    emit updatePageLoaded(decodePage(page, type), fetch->url(), plain);
}

QString WebService::decodePage(const QByteArray &bytes, const QString &contentType)
{
    const qsizetype at = contentType.indexOf(QLatin1String("charset="), 0, Qt::CaseInsensitive);
    if (at >= 0) {
        QString charset = contentType.mid(at + 8).section(QLatin1Char(';'), 0, 0).trimmed();
        charset.remove(QLatin1Char('"'));
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(bytes);
}

QByteArray WebService::bugReportBody(const QString &version, const QString &report)
{
    return propertylist::dictionary(
        { { QStringLiteral("Version"), version }, { QStringLiteral("Report"), report } });
}

ReportSender::Result WebService::sendReport(const QString &version, const QString &report)
{
    if (!m_server.isSet())
        return { ReportSender::Outcome::Failed, m_server.problem() };
    return m_sender.send(bugReportUrl(), bugReportBody(version, report));
}

} // namespace pennova
