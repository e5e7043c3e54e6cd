#include "web/webrequest.h"

#include <QCoreApplication>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace pennova {

namespace {

    QString tr(const char *text)
    {
        return QCoreApplication::translate("pennova::webrequest", text);
    }

    // The reason a redirect was refused, kept on the reply.
    const char *const kRefusedRedirect = "pennovaRefusedRedirect";
    constexpr int kMaximumRedirects = 5;

    QString refusedRedirectText(const QUrl &target)
    {
        return tr("The server sent the request on to “%1”, which is not a safe web address.")
            .arg(target.toDisplayString());
    }

} // namespace

bool isWebUrl(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && !url.host().isEmpty();
}

namespace webrequest {

    QNetworkRequest request(const QUrl &url)
    {
        QNetworkRequest request(url);
        request.setAttribute(
            QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
        request.setMaximumRedirectsAllowed(kMaximumRedirects);
        request.setHeader(QNetworkRequest::UserAgentHeader,
            QStringLiteral("Pennova/%1").arg(QCoreApplication::applicationVersion()));
        return request;
    }

    void guardRedirects(QNetworkReply *reply)
    {
        const auto allowed = [reply](const QUrl &resolved) {
            const bool downgrade = reply->url().scheme().toLower() == QLatin1String("https")
                && resolved.scheme().toLower() != QLatin1String("https");
            return isWebUrl(resolved) && !downgrade;
        };
        QObject::connect(
            reply, &QNetworkReply::redirected, reply, [reply, allowed](const QUrl &to) {
                const QUrl resolved = reply->url().resolved(to);
                if (allowed(resolved)) {
                    emit reply->redirectAllowed();
                    return;
                }
                reply->setProperty(kRefusedRedirect, refusedRedirectText(resolved));
                reply->abort();
            });
        // Qt refuses a redirect to a scheme it cannot fetch by itself, without asking and
        // without naming the target; the headers still say where it pointed.
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, allowed] {
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QByteArray location = reply->rawHeader("Location");
            if (status < 300 || status > 399 || location.isEmpty())
                return;
            const QUrl resolved = reply->url().resolved(QUrl::fromEncoded(location));
            if (!allowed(resolved))
                reply->setProperty(kRefusedRedirect, refusedRedirectText(resolved));
        });
    }

    QString failureText(QNetworkReply *reply)
    {
        const QString refused = reply->property(kRefusedRedirect).toString();
        if (!refused.isEmpty())
            return refused;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && status.toInt() >= 400) {
            const QString reason
                = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
            return reason.isEmpty()
                ? tr("The server answered with the error %1.").arg(status.toInt())
                : tr("The server answered with the error %1 (%2).").arg(status.toInt()).arg(reason);
        }
        if (reply->error() != QNetworkReply::NoError)
            return reply->errorString();
        return QString();
    }

} // namespace webrequest

} // namespace pennova
