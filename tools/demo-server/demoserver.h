#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "demoservice.h"
#include "httpserver.h"

namespace demo {

// The demo service on an HTTP server of its own on 127.0.0.1; tests start one on port 0.
class DemoServer : public QObject
{
    Q_OBJECT
public:
    explicit DemoServer(QObject *parent = nullptr);

    // Listens on 127.0.0.1 and points the handed-out links at the port it got.
    bool listen(quint16 port = 0);
    quint16 port() const { return m_server->port(); }
    QString origin() const { return m_service.origin(); }

    DemoService &service() { return m_service; }
    QList<httpkit::Request> requests() const { return m_server->requests(); }

private:
    DemoService m_service;
    httpkit::Server *m_server;
};

} // namespace demo
