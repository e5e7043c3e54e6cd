#pragma once

// The base address of the program's web server, which serves the update notice, the donation
// message, the help pages and takes bug reports. A build names one (the CMake cache variable
// PENNOVA_SERVER_ADDRESS, empty by default) and the settings may name another (mirrors, tests).
// An address that is not a plain http or https address counts as none, with the reason kept for
// the user.

#include <QString>
#include <QUrl>

namespace pennova {

class ServerAddress
{
public:
    // No server.
    ServerAddress();
    // Parses a configured address ("https://example.org" or "https://example.org/mirror/");
    // empty text means no server.
    static ServerAddress fromText(const QString &text);
    // The address this build was configured with.
    static QString builtIn();

    bool isSet() const { return m_base.isValid(); }
    // Why there is no server, as a sentence for a tooltip; empty when there is one.
    QString problem() const { return m_problem; }

    // The address of a path on the server ("/update.cgi") with an optional query ("version=60");
    // invalid when there is no server.
    QUrl url(const QString &path, const QString &query = QString()) const;

private:
    QUrl m_base; // ends without a slash
    QString m_problem;
};

} // namespace pennova
