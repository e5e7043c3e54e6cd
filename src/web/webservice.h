#pragma once

// The web actions without their windows: the server's addresses, the update page and the
// donation message fetched at launch (in the background, capped in size and time), and the bug
// report sent and waited for. With no server set nothing is fetched or sent and every address is
// invalid. One network access manager serves them all.

#include "web/reportsender.h"
#include "web/serveraddress.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>

namespace pennova {

class CappedFetch;
class DonateDelegate;

class WebService : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxUpdatePageBytes = 256 * 1024;
    static constexpr int kDefaultTimeLimitMs = 30000;

    explicit WebService(QObject *parent = nullptr);
    ~WebService() override;

    // Changing the server stops the fetches in progress.
    void setServer(const ServerAddress &server);
    const ServerAddress &server() const { return m_server; }
    // The time limit of the fetches and of the report's send.
    void setTimeLimit(int milliseconds);

    QUrl updatePageUrl() const;
    QUrl donationMessageUrl() const;
    QUrl userGuideUrl() const;
    QUrl bulletinBoardsUrl() const;
    QUrl donationPageUrl() const;
    QUrl bugReportUrl() const;

    // Each starts again from the beginning, stopping its own fetch in progress; nothing happens
    // without a server.
    void fetchDonationMessage();
    void loadUpdatePage();
    bool isLoadingUpdatePage() const { return m_updateFetch != nullptr; }

    // The report as the server takes it: a property-list dictionary of "Version" and "Report".
    static QByteArray bugReportBody(const QString &version, const QString &report);
    // Sends the report and waits (see ReportSender); fails at once without a server.
    ReportSender::Result sendReport(const QString &version, const QString &report);
    ReportSender &reportSender() { return m_sender; }

    // The text of a page from its bytes: the charset of its Content-Type, else of the page
    // itself, else UTF-8.
    static QString decodePage(const QByteArray &bytes, const QString &contentType);

signals:
    void donationMessageReceived(const QString &message);
    // The donation fetch ended, with a message or without.
    void donationFetchFinished();
    // `text` is HTML unless the server said it is plain text; relative links resolve against
    // `baseUrl`.
    void updatePageLoaded(const QString &text, const QUrl &baseUrl, bool plainText);
    void updatePageFailed(const QString &error);

private:
    void updatePageFinished();
    void stopDonationFetch();
    void stopFetches();

    QNetworkAccessManager m_network;
    ServerAddress m_server;
    ReportSender m_sender;
    int m_timeLimitMs = kDefaultTimeLimitMs;
    QPointer<DonateDelegate> m_donation;
    CappedFetch *m_updateFetch = nullptr;
    QByteArray m_updatePage;
};

} // namespace pennova
