#pragma once

// Sends a bug report and waits for the answer: the caller's flow stops in a local event loop
// (the user interface still paints and its Cancel button still works) until the server answers,
// the request fails, the time limit passes or cancel() is called. Any answer counts as received
// except one with an HTTP error status.

#include <QObject>
#include <QString>

class QByteArray;
class QEventLoop;
class QNetworkAccessManager;
class QUrl;

namespace pennova {

class ReportSender : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultTimeLimitMs = 30000;

    enum class Outcome
    {
        Sent,
        Failed,
        Cancelled
    };
    struct Result
    {
        Outcome outcome = Outcome::Failed;
        // Why it failed, as a sentence; empty otherwise.
        QString error;
    };

    explicit ReportSender(QNetworkAccessManager &network, QObject *parent = nullptr);

    void setTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }
    int timeLimit() const { return m_timeLimitMs; }

    // Posts `body` (ASCII text) to `url` and returns once it is settled.
    Result send(const QUrl &url, const QByteArray &body);
    bool isSending() const { return m_loop != nullptr; }
    // Ends a send in progress as cancelled; nothing happens when none is.
    void cancel();

private:
    QNetworkAccessManager &m_network;
    int m_timeLimitMs = kDefaultTimeLimitMs;
    QEventLoop *m_loop = nullptr;
    bool m_cancelled = false;
};

} // namespace pennova
