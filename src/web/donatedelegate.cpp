#include "web/donatedelegate.h"

#include "web/cappedfetch.h"
#include "web/macroman.h"

namespace pennova {

DonateDelegate::DonateDelegate(
    QNetworkAccessManager &network, const QUrl &url, int timeLimitMs, QObject *parent)
    : QObject(parent)
    , m_fetch(new CappedFetch(network, url, kMaxBytes, timeLimitMs, this))
{
    connect(m_fetch, &CappedFetch::dataReceived, this, &DonateDelegate::didReceiveData);
    connect(m_fetch, &CappedFetch::finished, this, &DonateDelegate::didFinishLoading);
}

void DonateDelegate::abort()
{
    m_aborted = true;
    m_fetch->abort();
}

void DonateDelegate::didReceiveData(const QByteArray &data)
{
    m_donstring += macroman::decode(data);
}

void DonateDelegate::didFinishLoading()
{
    if (m_aborted) {
        // Stopped on purpose: nothing to report.
    } else if (!m_fetch->succeeded()) {
        qWarning(
            "The donation message could not be fetched: %s", qPrintable(m_fetch->errorString()));
    } else if (m_fetch->truncated()) {
        qWarning("The donation message was refused: it is larger than %lld bytes.", kMaxBytes);
    } else if (!m_donstring.trimmed().isEmpty()) {
        emit messageReceived(m_donstring.trimmed());
    }
    emit done();
    deleteLater();
}

} // namespace pennova
