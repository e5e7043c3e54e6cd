#include "web/serveraddress.h"

#include "web/webrequest.h"

#include <QCoreApplication>

namespace pennova {

namespace {

    QString tr(const char *text)
    {
        return QCoreApplication::translate("pennova::ServerAddress", text);
    }

} // namespace

ServerAddress::ServerAddress()
    : m_problem(tr("No web server is set for this copy of Pennova."))
{ }

ServerAddress ServerAddress::fromText(const QString &text)
{
    ServerAddress address;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return address;
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!isWebUrl(url) || url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty()) {
        address.m_problem
            = tr("The web server address “%1” is not a plain http or https address.").arg(trimmed);
        return address;
    }
    address.m_base = url.adjusted(QUrl::StripTrailingSlash);
    address.m_problem.clear();
    return address;
}

QString ServerAddress::builtIn()
{
    return QStringLiteral(PENNOVA_SERVER_ADDRESS);
}

QUrl ServerAddress::url(const QString &path, const QString &query) const
{
    if (!isSet())
        return QUrl();
    QUrl url = m_base;
    url.setPath(m_base.path() + path);
    if (!query.isEmpty())
        url.setQuery(query);
    return url;
}

} // namespace pennova
