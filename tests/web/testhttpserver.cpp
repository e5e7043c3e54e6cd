#include "web/testhttpserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace pennova::test {

TestHttpServer::TestHttpServer()
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::accept);
}

TestHttpServer::~TestHttpServer()
{
    for (QTcpSocket *socket : m_pending.keys())
        socket->abort();
}

QString TestHttpServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void TestHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_pending.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void TestHttpServer::readRequest(QTcpSocket *socket)
{
    QByteArray &data = m_pending[socket];
    data += socket->readAll();
    const qsizetype headerEnd = data.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    Request request;
    const QList<QByteArray> lines = data.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(
                lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (data.size() < headerEnd + 4 + length)
        return;
    request.body = data.mid(headerEnd + 4, length);
    data.clear();
    m_requests << request;

    // The path decides; a reply set for the full target (with its query) wins.
    const QByteArray path = request.target.left(request.target.indexOf('?'));
    Reply reply;
    if (m_replies.contains(request.target))
        reply = m_replies.value(request.target);
    else if (m_replies.contains(path))
        reply = m_replies.value(path);
    else
        reply = Reply { 404, "Not Found", "text/plain", { "no such page" } };
    answer(socket, reply);
}

void TestHttpServer::answer(QTcpSocket *socket, const Reply &reply)
{
    if (reply.silent)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason + "\r\n";
    head += "Content-Type: " + reply.contentType + "\r\n";
    if (!reply.location.isEmpty())
        head += "Location: " + reply.location + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    socket->flush();

    // Each piece goes out after a pause, so that the client receives them apart.
    QPointer<QTcpSocket> guarded(socket);
    int delay = 0;
    for (const QByteArray &chunk : reply.chunks) {
        delay += reply.pauseMs;
        QTimer::singleShot(delay, this, [guarded, chunk] {
            if (guarded) {
                guarded->write(chunk);
                guarded->flush();
            }
        });
    }
    QTimer::singleShot(delay + reply.pauseMs, this, [guarded] {
        if (guarded)
            guarded->disconnectFromHost();
    });
}

} // namespace pennova::test
