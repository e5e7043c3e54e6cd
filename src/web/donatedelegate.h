#pragma once

// Receives the donation message from the web server: each piece of the answer is decoded as Mac
// OS Roman and appended to `donstring`; when the answer is complete, a message with more than
// white space in it is handed on, trimmed, through messageReceived(). A failed, cut (too large) or
// empty answer hands on nothing, so the message the user has stays. The delegate deletes itself
// after the fetch ends.

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QUrl;

namespace pennova {

class CappedFetch;

class DonateDelegate : public QObject
{
    Q_OBJECT
public:
    // The largest message read; a longer answer is refused.
    static constexpr qint64 kMaxBytes = 64 * 1024;

    // Starts the fetch at once.
    DonateDelegate(QNetworkAccessManager &network, const QUrl &url, int timeLimitMs,
        QObject *parent = nullptr);

    QString donstring() const { return m_donstring; }
    // Ends the fetch early; nothing is handed on.
    void abort();

signals:
    void messageReceived(const QString &message);
    // After messageReceived, or without it; the delegate is deleted soon after.
    void done();

private:
    void didReceiveData(const QByteArray &data);
    void didFinishLoading();

    CappedFetch *m_fetch;
    QString m_donstring;
    bool m_aborted = false;
};

} // namespace pennova
