#pragma once

#include <QString>
#include <QStringView>

// Where the program's outside services live; each is a host[:port] from the settings file.
struct ServiceHosts
{
    QString apiHost;   // the API test tool
    QString shortHost; // the URL-shortening service
    QString imageHost; // the host of the credit badge pictures
};

namespace services {

// The offline demo service listens here unless told otherwise, and the program looks for the
// API test tool and the shortening service here until the settings file names real hosts.
inline constexpr quint16 demoPort = 17580;

inline QString demoHost()
{
    return u"127.0.0.1:"_qs + QString::number(demoPort);
}

// Badge addresses go into pages that are published on the internet.
inline constexpr QStringView defaultImageHost = u"img.taobaocdn.com";

inline ServiceHosts defaultHosts()
{
    return {demoHost(), demoHost(), defaultImageHost.toString()};
}

} // namespace services
