#pragma once

#include <functional>
#include <memory>

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>

class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server for tests, benchmarks and the offline demo service: keep-alive,
// Content-Length request bodies, each response written whole in one write with TCP_NODELAY.
namespace httpkit {

struct Request
{
    QByteArray method;                            // "GET", "POST"
    QByteArray target;                            // as sent: path and query
    QByteArray path;                              // before '?', still percent-encoded
    QByteArray query;                             // after '?', without it
    QList<QPair<QByteArray, QByteArray>> headers; // as received, in order, names as sent
    QByteArray body;

    QByteArray header(QByteArrayView name) const; // case-insensitive; empty when absent
    bool hasHeader(QByteArrayView name) const;
};

struct Response
{
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8"; // no Content-Type header when empty
    QList<QPair<QByteArray, QByteArray>> headers;        // extra ones, e.g. {{"Location", "..."}}
    QByteArray body;
    int delayMs = 0; // answer after this many ms; the server keeps serving others meanwhile
};

class Server : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<Response(const Request &)>;

    explicit Server(Handler handler, QObject *parent = nullptr);
    ~Server() override;

    bool listen(const QHostAddress &address = QHostAddress(QHostAddress::LocalHost), quint16 port = 0);
    quint16 port() const;
    QList<Request> requests() const; // every request received, in order (the latest 10000)
    int connectionsAccepted() const { return m_accepted; }
    qsizetype openConnections() const { return m_connections.size(); }
    // Open connections with a request whose answer has not gone out yet.
    qsizetype answersOwed() const;

signals:
    void requestReceived(const httpkit::Request &request);
    // A response has gone out (also one after a delay); requests received minus responses sent
    // is what the server is working on.
    void responseSent();

private:
    struct Connection;

    void accept();
    void readFrom(QTcpSocket *socket);
    void processBuffered(QTcpSocket *socket);
    void handle(QTcpSocket *socket, Request request, bool keepAlive);
    void respond(QTcpSocket *socket, const Response &response, bool head, bool keepAlive);
    void failAndClose(QTcpSocket *socket, int status);

    Handler m_handler;
    QTcpServer *m_server;
    QList<Request> m_requests;
    QHash<QTcpSocket *, std::shared_ptr<Connection>> m_connections;
    int m_accepted = 0;
};

} // namespace httpkit
