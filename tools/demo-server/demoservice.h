#pragma once

#include <functional>

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QString>

#include "catalogue.h"
#include "httpserver.h"
#include "orderdetails.h"
#include "services.h"
#include "shortlinks.h"

namespace demo {

// The port the program's settings point at by default.
inline constexpr quint16 defaultPort = services::demoPort;

// Stands in for the program's outside services: the API test tool's item query, the open
// platform's REST gateway, the URL-shortening service and the picture host, plus the pages the
// links lead to.
class DemoService
{
public:
    explicit DemoService(const Catalogue &catalogue = Catalogue::shipped());
    DemoService(const DemoService &) = delete;
    DemoService &operator=(const DemoService &) = delete;

    // Where the handed-out links point, "http://127.0.0.1:PORT"; set it once the port is known.
    void setOrigin(const QString &origin) { m_origin = origin; }
    QString origin() const { return m_origin; }

    // The item query's page in GBK instead of UTF-8, as the real test tool may have sent it.
    void setGbkReplies(bool gbk) { m_gbk = gbk; }
    // Answers item queries and shortening requests only after this many milliseconds.
    void setReplyDelay(int ms) { m_delayMs = ms; }
    // The gateway's clock, against which call timestamps are checked; tests pin it.
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }
    // Answers everything this many milliseconds later (on top of the reply delay), as a service
    // across a real network would; other connections are served meanwhile.
    void setLatency(int ms) { m_latencyMs = ms; }

    // Changes about one price in ten (see Catalogue::repriced), so a site's refresh has something
    // to do; 0 goes back to the shipped prices. Also asked for over HTTP: /demo/reprice?seed=N.
    void setReprice(quint32 seed);

    // A new link in every click_url and coupon_share_url and a new 淘口令 on every call, as a live
    // gateway may hand them out.
    void setFreshLinks(bool fresh) { m_freshLinks = fresh; }

    // The calls answered so far, by method: the gateway's by their method name, the item query as
    // "items.get" and the shortener as "short link". Also asked for over HTTP: /demo/calls (JSON).
    const QMap<QString, int> &calls() const { return m_calls; }
    void resetCalls() { m_calls.clear(); }
    static constexpr QStringView itemQueryCall = u"items.get";
    static constexpr QStringView shortLinkCall = u"short link";

    httpkit::Response handle(const httpkit::Request &request);

    const ShortLinks &shortLinks() const { return m_shortLinks; }
    // The orders the gateway reports, for the ad zones searched with.
    OrderBook &orders() { return m_orders; }

private:
    httpkit::Response answer(const httpkit::Request &request);
    httpkit::Response itemQuery(const httpkit::Request &request);
    httpkit::Response shorten(const httpkit::Request &request);
    httpkit::Response routerRest(const httpkit::Request &request);
    httpkit::Response followShortLink(const QString &code) const;
    httpkit::Response picture(QByteArrayView name) const;
    httpkit::Response badge(QByteArrayView name) const;
    httpkit::Response item(QByteArrayView id, QByteArrayView query) const;
    httpkit::Response shop(QByteArrayView id, QByteArrayView query) const;
    httpkit::Response notFound(const QByteArray &path) const;
    httpkit::Response reprice(QByteArrayView query);
    httpkit::Response callCounts() const;

    const Catalogue &m_shipped;
    Catalogue m_repriced;         // the shipped catalogue after setReprice()
    const Catalogue *m_catalogue; // the one answers come from
    QString m_origin;
    bool m_gbk = false;
    int m_delayMs = 0;
    std::function<QDateTime()> m_now = [] {
        return QDateTime::currentDateTimeUtc();
    };
    int m_latencyMs = 0;
    bool m_freshLinks = false;
    quint64 m_minted = 0;
    QMap<QString, int> m_calls;
    ShortLinks m_shortLinks;
    OrderBook m_orders;
    QHash<QByteArray, QByteArray> m_pictures; // num_iid -> SVG, drawn once
    QHash<QByteArray, QByteArray> m_badges;   // "s_red_1.gif" -> SVG
};

} // namespace demo
