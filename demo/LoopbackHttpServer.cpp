#include "LoopbackHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// Bytes still to stream for a generated or partial body, kept on the socket.
struct Stream {
    QByteArray body; // a literal body
    qint64 total = 0;
    qint64 sent = 0;
    bool generated = false;
};

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

Q_DECLARE_METATYPE(Stream *)

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
    return static_cast<char>((position ^ (position >> 12)) & 0xff);
}

void LoopbackHttpServer::onConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
    }
}

void LoopbackHttpServer::onReadable(QTcpSocket *socket)
{
    if (socket->property("answered").toBool()) {
        socket->readAll();
        return;
    }
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) {
        socket->setProperty("buffer", buffer);
        return;
    }
    socket->setProperty("answered", true);

    const QList<QByteArray> lines = buffer.left(end).split('\n');
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
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(response.delayMs, this, [this, guarded, response] {
        if (guarded)
            respond(guarded, response);
    });
}

void LoopbackHttpServer::respond(QTcpSocket *socket, const Response &response)
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
    if (!hasLength && response.status != 204)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);

    auto *stream = new Stream{response.body, length, 0, response.generatedSize >= 0};
    if (response.closeAfter >= 0)
        stream->total = qMin(stream->total, response.closeAfter);
    connect(socket, &QObject::destroyed, socket, [stream] { delete stream; });
    socket->setProperty("stream", QVariant::fromValue(stream));
    connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { pump(socket); });

    if (response.stallAfterMs >= 0) {
        socket->setProperty("stalled", true);
        QTimer::singleShot(response.stallAfterMs, socket, [this, socket] {
            socket->setProperty("stalled", false);
            pump(socket);
        });
        return;
    }
    pump(socket);
}

void LoopbackHttpServer::pump(QTcpSocket *socket)
{
    if (socket->property("stalled").toBool())
        return;
    auto *stream = socket->property("stream").value<Stream *>();
    if (!stream)
        return;
    // Keep a bounded amount queued, so a large body never sits in memory whole.
    constexpr qint64 chunk = 256 * 1024;
    while (stream->sent < stream->total && socket->bytesToWrite() < chunk) {
        const qint64 n = qMin(chunk, stream->total - stream->sent);
        QByteArray piece;
        if (stream->generated) {
            piece.resize(n);
            for (qint64 i = 0; i < n; ++i)
                piece[i] = generatedByte(stream->sent + i);
        } else {
            piece = stream->body.mid(stream->sent, n);
        }
        socket->write(piece);
        stream->sent += n;
    }
    if (stream->sent >= stream->total && socket->bytesToWrite() == 0)
        socket->disconnectFromHost();
}
