#pragma once

// A small HTTP server on the loopback address for the web tests. Each request is read whole
// (headers, and a body of its Content-Length), recorded, and answered with the reply set for its
// target: a status line, headers, and the body written in pieces with a pause between them, then
// the connection closed. A silent reply never answers. Targets without a reply get 404.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

namespace pennova::test {

class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Reply
    {
        Reply() = default;
        Reply(int status_, QByteArray reason_, QByteArray contentType_, QList<QByteArray> chunks_)
            : status(status_)
            , reason(std::move(reason_))
            , contentType(std::move(contentType_))
            , chunks(std::move(chunks_))
        { }
        static Reply silentOne()
        {
            Reply reply;
            reply.silent = true;
            return reply;
        }
        static Reply redirect(QByteArray to)
        {
            Reply reply(302, "Found", "text/plain", {});
            reply.location = std::move(to);
            return reply;
        }

        int status = 200;
        QByteArray reason = "OK";
        QByteArray contentType = "text/plain";
        QList<QByteArray> chunks;
        int pauseMs = 20;
        bool silent = false;
        QByteArray location; // a Location header, for redirects
    };
    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    TestHttpServer();
    ~TestHttpServer() override;

    // "http://127.0.0.1:PORT"
    QString address() const;
    void setReply(const QByteArray &target, const Reply &reply) { m_replies[target] = reply; }
    QList<Request> requests() const { return m_requests; }

private:
    void accept();
    void readRequest(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Reply &reply);

    QTcpServer m_server;
    QMap<QByteArray, Reply> m_replies;
    QList<Request> m_requests;
    QMap<QTcpSocket *, QByteArray> m_pending;
};

} // namespace pennova::test
