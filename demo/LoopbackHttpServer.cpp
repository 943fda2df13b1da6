#include "LoopbackHttpServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

const char *reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

// What one connection has read and still has to send; shared by its socket's handlers and gone
// with the socket.
struct LoopbackHttpServer::Connection {
    QTcpSocket *socket = nullptr;
    QByteArray received;
    bool answered = false;  // the request is in
    bool responded = false; // the head is out; the body follows
    bool stalled = false;
    QByteArray body; // a literal body
    bool generated = false;
    qint64 total = 0; // body bytes to send
    qint64 sent = 0;
    bool chunked = false;
    bool complete = false; // the whole body is announced, not cut short
};

LoopbackHttpServer::LoopbackHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &LoopbackHttpServer::onConnection);
}

bool LoopbackHttpServer::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

QString LoopbackHttpServer::origin() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void LoopbackHttpServer::setRoute(const QByteArray &path, const Response &response)
{
    m_routes.insert(path, response);
}

QList<QByteArray> LoopbackHttpServer::requestPaths() const
{
    QList<QByteArray> paths;
    for (const Request &request : m_requests)
        paths << request.path;
    return paths;
}

char LoopbackHttpServer::generatedByte(qint64 position)
{
    // Starts with the firmware image magic byte, so a generated body passes for an image.
    if (position == 0)
        return static_cast<char>(0xe9);
    return static_cast<char>((position ^ (position >> 12)) & 0xff);
}

void LoopbackHttpServer::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto connection = std::make_shared<Connection>();
        connection->socket = socket;
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The socket is the context: the handlers, and with them the state, go with it.
        connect(socket, &QTcpSocket::readyRead, socket,
                [this, connection] { onReadable(*connection); });
        connect(socket, &QTcpSocket::bytesWritten, socket,
                [this, connection] { pump(*connection); });
    }
}

void LoopbackHttpServer::onReadable(Connection &connection)
{
    QTcpSocket *socket = connection.socket;
    if (connection.answered) {
        socket->readAll();
        return;
    }
    connection.received += socket->readAll();
    const qsizetype end = connection.received.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    connection.answered = true;

    const QList<QByteArray> lines = connection.received.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request{requestLine.value(0), requestLine.value(1), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    m_requests << request;

    Response response = m_routes.value(request.path, Response{404, "not found\n"});
    QTimer::singleShot(response.delayMs, socket,
                       [this, &connection, response] { respond(connection, response); });
}

void LoopbackHttpServer::respond(Connection &connection, const Response &response)
{
    const qint64 length =
        response.generatedSize >= 0 ? response.generatedSize : response.body.size();
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
    bool hasLength = false;
    for (const auto &[name, value] : response.headers) {
        head += name + ": " + value + "\r\n";
        hasLength = hasLength || name.compare("content-length", Qt::CaseInsensitive) == 0;
    }
    if (response.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (!hasLength && response.status != 204)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    head += "Connection: close\r\n\r\n";
    connection.socket->write(head);
    connection.responded = true;

    connection.body = response.body;
    connection.generated = response.generatedSize >= 0;
    connection.total = response.closeAfter >= 0 ? qMin(length, response.closeAfter) : length;
    connection.chunked = response.chunked;
    connection.complete = connection.total == length;
    if (response.stallAfterMs >= 0) {
        connection.stalled = true;
        QTimer::singleShot(response.stallAfterMs, connection.socket, [this, &connection] {
            connection.stalled = false;
            pump(connection);
        });
        return;
    }
    pump(connection);
}

void LoopbackHttpServer::pump(Connection &connection)
{
    if (!connection.responded || connection.stalled)
        return;
    QTcpSocket *socket = connection.socket;
    // Keep a bounded amount queued, so a large body never sits in memory whole.
    constexpr qint64 chunk = 256 * 1024;
    while (connection.sent < connection.total && socket->bytesToWrite() < chunk) {
        const qint64 n = qMin(chunk, connection.total - connection.sent);
        QByteArray piece;
        if (connection.generated) {
            piece.resize(n);
            char *const bytes = piece.data();
            for (qint64 i = 0; i < n; ++i)
                bytes[i] = generatedByte(connection.sent + i);
        } else {
            piece = connection.body.mid(connection.sent, n);
        }
        if (connection.chunked)
            piece = QByteArray::number(n, 16) + "\r\n" + piece + "\r\n";
        socket->write(piece);
        connection.sent += n;
        if (connection.chunked && connection.complete && connection.sent == connection.total)
            socket->write("0\r\n\r\n");
    }
    if (connection.sent >= connection.total && socket->bytesToWrite() == 0)
        socket->disconnectFromHost();
}
