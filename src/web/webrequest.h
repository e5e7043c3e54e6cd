#pragma once

// What every request to the web server shares: http and https only, redirects followed only to
// http or https and never from https down to http, and an answer with an HTTP error status (400
// and above) counted as a failure.

#include <QString>
#include <QUrl>

class QNetworkReply;
class QNetworkRequest;

namespace pennova {

// Whether a link may be followed or handed to the browser: http or https with a host.
bool isWebUrl(const QUrl &url);

namespace webrequest {

    QNetworkRequest request(const QUrl &url);
    // Follows a redirect of `reply` only where isWebUrl() allows and the scheme stays as safe;
    // otherwise aborts the reply and keeps the reason for failureText().
    void guardRedirects(QNetworkReply *reply);
    // Why a finished reply failed, as a sentence; empty when it was answered without an error
    // status.
    QString failureText(QNetworkReply *reply);

} // namespace webrequest

} // namespace pennova
