#include "demoserver.h"

#include <QHostAddress>

namespace demo {

DemoServer::DemoServer(QObject *parent)
    : QObject(parent)
    , m_server(new httpkit::Server(
          [this](const httpkit::Request &request) { return m_service.handle(request); }, this))
{
}

bool DemoServer::listen(quint16 port)
{
    if (!m_server->listen(QHostAddress(QHostAddress::LocalHost), port))
        return false;
    m_service.setOrigin(u"http://127.0.0.1:"_qs + QString::number(m_server->port()));
    return true;
}

} // namespace demo
