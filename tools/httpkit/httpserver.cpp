#include "httpserver.h"

#include <algorithm>

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace httpkit {

namespace {

constexpr qsizetype maxHeaderBytes = 64 * 1024;
constexpr qint64 maxBodyBytes = 64 * 1024 * 1024;
constexpr qsizetype maxKeptRequests = 10000;
// A client that sends requests without reading the answers is not served further until it does.
constexpr qint64 maxPendingOutput = 8 * 1024 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Content Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

bool isToken(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c))
            return false;
    }
    return true;
}

bool hasNoLineBreak(QByteArrayView text)
{
    return !text.contains('\r') && !text.contains('\n');
}

} // namespace

struct Server::Connection
{
    QByteArray buffer;
    bool busy = false;    // a request is being answered; later ones wait in the buffer
    bool closing = false; // the last response is out; nothing more is read
};

QByteArray Request::header(QByteArrayView name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool Request::hasHeader(QByteArrayView name) const
{
    for (const auto &entry : headers) {
        if (entry.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

Server::Server(Handler handler, QObject *parent)
    : QObject(parent)
    , m_handler(std::move(handler))
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &Server::accept);
}

Server::~Server() = default;

bool Server::listen(const QHostAddress &address, quint16 port)
{
    return m_server->listen(address, port);
}

quint16 Server::port() const
{
    return m_server->serverPort();
}

QList<Request> Server::requests() const
{
    return m_requests;
}

qsizetype Server::answersOwed() const
{
    return std::count_if(
        m_connections.cbegin(), m_connections.cend(),
        [](const std::shared_ptr<Connection> &conn) { return conn->busy && !conn->closing; });
}

void Server::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        // Responses go out whole and at once; Nagle against delayed ACKs would add ~40 ms each.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_connections.insert(socket, std::make_shared<Connection>());
        ++m_accepted;
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] {
            if (socket->bytesToWrite() <= maxPendingOutput)
                processBuffered(socket);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void Server::readFrom(QTcpSocket *socket)
{
    const std::shared_ptr<Connection> conn = m_connections.value(socket);
    if (!conn)
        return;
    if (conn->closing) {
        socket->readAll();
        return;
    }
    conn->buffer += socket->readAll();
    if (conn->buffer.size() > maxHeaderBytes + maxBodyBytes) {
        failAndClose(socket, 413);
        return;
    }
    processBuffered(socket);
}

void Server::processBuffered(QTcpSocket *socket)
{
    const std::shared_ptr<Connection> conn = m_connections.value(socket);
    while (conn && !conn->busy && !conn->closing && socket->bytesToWrite() <= maxPendingOutput) {
        QByteArray &buffer = conn->buffer;
        // Empty lines before a request line are allowed.
        while (buffer.startsWith("\r\n"))
            buffer.remove(0, 2);
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            if (buffer.size() > maxHeaderBytes)
                failAndClose(socket, 431);
            return;
        }
        if (headEnd > maxHeaderBytes) {
            failAndClose(socket, 431);
            return;
        }

        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> parts = lines.front().trimmed().split(' ');
        if (parts.size() != 3 || !isToken(parts[0]) || parts[1].isEmpty() ||
            !parts[2].startsWith("HTTP/1.")) {
            failAndClose(socket, 400);
            return;
        }

        Request request;
        request.method = parts[0];
        request.target = parts[1];
        const qsizetype question = request.target.indexOf('?');
        request.path = question < 0 ? request.target : request.target.left(question);
        request.query = question < 0 ? QByteArray() : request.target.mid(question + 1);

        qint64 contentLength = 0;
        bool sawLength = false;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            if (line.endsWith('\r'))
                line.chop(1);
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0 || !isToken(line.left(colon)) || line.contains('\r')) {
                failAndClose(socket, 400);
                return;
            }
            const QByteArray name = line.left(colon);
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
                bool ok = false;
                const qint64 length = value.toLongLong(&ok);
                if (!ok || length < 0 || (sawLength && length != contentLength)) {
                    failAndClose(socket, 400);
                    return;
                }
                contentLength = length;
                sawLength = true;
            } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
                failAndClose(socket, 501); // request bodies come with a length here
                return;
            }
            request.headers.append({name, value});
        }
        if (contentLength > maxBodyBytes) {
            failAndClose(socket, 413);
            return;
        }
        const qint64 total = headEnd + 4 + contentLength;
        if (buffer.size() < total)
            return; // the rest of the body is still on its way
        request.body = buffer.mid(headEnd + 4, contentLength);
        buffer.remove(0, total);

        const QByteArray connection = request.header("Connection").toLower();
        const bool keepAlive = parts[2] == "HTTP/1.0" ? connection == "keep-alive" : connection != "close";
        handle(socket, std::move(request), keepAlive);
    }
}

void Server::handle(QTcpSocket *socket, Request request, bool keepAlive)
{
    const std::shared_ptr<Connection> conn = m_connections.value(socket);
    // Busy while the handler and its listeners run: they may spin a nested event loop in which
    // more of this connection's bytes arrive.
    conn->busy = true;
    m_requests.append(request);
    if (m_requests.size() > maxKeptRequests)
        m_requests.removeFirst();
    const QPointer<QTcpSocket> alive(socket);
    emit requestReceived(request);

    Response response;
    if (m_handler) {
        try {
            response = m_handler(request);
        } catch (...) {
            response = Response{};
            response.status = 500;
            response.body = "handler failed";
        }
    } else {
        response.status = 404;
    }
    if (!alive || !m_connections.contains(socket))
        return;

    const bool head = request.method == "HEAD";
    if (response.delayMs <= 0) {
        // The caller's loop goes on with the next buffered request (no recursion per request).
        conn->busy = false;
        respond(socket, response, head, keepAlive);
        emit responseSent();
        return;
    }
    QTimer::singleShot(response.delayMs, socket, [this, socket, conn, response, head, keepAlive] {
        conn->busy = false;
        respond(socket, response, head, keepAlive);
        emit responseSent();
        processBuffered(socket);
    });
}

void Server::respond(QTcpSocket *socket, const Response &response, bool head, bool keepAlive)
{
    const std::shared_ptr<Connection> conn = m_connections.value(socket);
    if (!conn || conn->closing)
        return;
    QByteArray out;
    out.reserve(256 + response.body.size());
    out += "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    if (!response.contentType.isEmpty() && hasNoLineBreak(response.contentType))
        out += "Content-Type: " + response.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto &[name, value] : response.headers) {
        if (isToken(name) && hasNoLineBreak(value))
            out += name + ": " + value + "\r\n";
    }
    out += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    if (!head)
        out += response.body;
    socket->write(out); // one write: headers and body leave together
    if (!keepAlive) {
        conn->closing = true;
        socket->disconnectFromHost();
    }
}

void Server::failAndClose(QTcpSocket *socket, int status)
{
    const std::shared_ptr<Connection> conn = m_connections.value(socket);
    if (!conn || conn->closing)
        return;
    conn->buffer.clear();
    Response response;
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = reasonPhrase(status);
    respond(socket, response, false, false);
}

} // namespace httpkit
