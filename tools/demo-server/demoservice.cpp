#include "demoservice.h"

#include <algorithm>
#include <climits>

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include "formbody.h"
#include "itemquery.h"
#include "links.h"
#include "markup.h"
#include "pages.h"
#include "pictures.h"
#include "routerrest.h"
#include "toprequest.h"

namespace demo {

namespace {

const QByteArray svgType = "image/svg+xml";
const QByteArray jsonType = "application/json; charset=utf-8";

httpkit::Response htmlResponse(QByteArray body, int status = 200)
{
    httpkit::Response response;
    response.status = status;
    response.body = std::move(body);
    return response;
}

httpkit::Response imageResponse(const QByteArray &svg)
{
    httpkit::Response response;
    response.contentType = svgType;
    response.headers.append(qMakePair(QByteArray("Cache-Control"), QByteArray("public, max-age=86400")));
    response.body = svg;
    return response;
}

// A form sent in the body, or in the query of a GET.
QByteArrayView formOf(const httpkit::Request &request)
{
    return request.method == "POST" ? QByteArrayView(request.body) : QByteArrayView(request.query);
}

// The PID inside "pid=mm_<pid>_0_0" of a link's query.
QString pidFromQuery(QByteArrayView query)
{
    QString pid = decodeText(percentDecode(formValue(splitForm(query), "pid"), true));
    if (pid.startsWith(u"mm_") && pid.endsWith(u"_0_0") && pid.size() > 7)
        return pid.sliced(3, pid.size() - 7);
    return QString();
}

bool allDigits(QByteArrayView text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Percent-encodes what may not stand in a header: a link handed to the shortener may hold
// characters outside ASCII.
QByteArray headerSafeUrl(const QString &url)
{
    return url.toUtf8().toPercentEncoding(":/?#[]@!$&'()*+,;=%~");
}

} // namespace

DemoService::DemoService(const Catalogue &catalogue)
    : m_shipped(catalogue)
    , m_catalogue(&catalogue)
    , m_origin(u"http://127.0.0.1:"_qs + QString::number(defaultPort))
{
    setReprice(0);
    for (int score = 1; score <= 20; ++score) {
        const QString path = badgePath(score); // "/newrank/s_red_1.gif"
        const QString series = path.section(u'_', 1, 1);
        m_badges.insert(path.sliced(9).toLatin1(), badgeSvg(series, (score - 1) % 5 + 1));
    }
}

void DemoService::setReprice(quint32 seed)
{
    m_repriced = m_shipped.repriced(seed);
    m_catalogue = seed == 0 ? &m_shipped : &m_repriced;
    // The pictures carry the price.
    m_pictures.clear();
    for (const CatalogueItem &item : m_catalogue->items())
        m_pictures.insert(item.numIid, itemPictureSvg(item));
}

httpkit::Response DemoService::reprice(QByteArrayView query)
{
    bool ok = false;
    const uint seed = QUrlQuery(QString::fromLatin1(query)).queryItemValue(u"seed"_qs).toUInt(&ok);
    if (!ok)
        return htmlResponse(notFoundPage(u"/demo/reprice?seed=N"_qs), 400);
    setReprice(seed);
    httpkit::Response response;
    response.contentType = "text/plain; charset=utf-8";
    response.body = "repriced with seed " + QByteArray::number(seed) + "\n";
    return response;
}

httpkit::Response DemoService::handle(const httpkit::Request &request)
{
    httpkit::Response response = answer(request);
    response.delayMs = int(std::min<qint64>(qint64(response.delayMs) + m_latencyMs, INT_MAX));
    return response;
}

httpkit::Response DemoService::answer(const httpkit::Request &request)
{
    if (request.method != "GET" && request.method != "HEAD" && request.method != "POST") {
        httpkit::Response response = htmlResponse(notFoundPage(QString::fromLatin1(request.method)), 405);
        response.headers.append(qMakePair(QByteArray("Allow"), QByteArray("GET, HEAD, POST")));
        return response;
    }
    const QByteArray &path = request.path;
    if (path == "/apitools/getResult.htm")
        return itemQuery(request);
    if (path == "/create.php")
        return shorten(request);
    if (path == "/router/rest")
        return routerRest(request);
    if (path.startsWith("/t/"))
        return followShortLink(QString::fromLatin1(path.sliced(3)));
    if (path.startsWith("/img/"))
        return picture(QByteArrayView(path).sliced(5));
    if (path.startsWith("/newrank/"))
        return badge(QByteArrayView(path).sliced(9));
    if (path.startsWith("/item/"))
        return item(QByteArrayView(path).sliced(6), request.query);
    if (path.startsWith("/shop/"))
        return shop(QByteArrayView(path).sliced(6), request.query);
    if (path == "/demo/reprice")
        return reprice(request.query);
    if (path == "/demo/calls")
        return callCounts();
    if (path == "/" || path == "/index.html")
        return htmlResponse(homePage(*m_catalogue, m_origin));
    return notFound(path);
}

httpkit::Response DemoService::callCounts() const
{
    QJsonObject counts;
    for (auto it = m_calls.cbegin(); it != m_calls.cend(); ++it)
        counts.insert(it.key(), it.value());
    httpkit::Response response;
    response.contentType = jsonType;
    response.body = QJsonDocument(counts).toJson(QJsonDocument::Compact);
    return response;
}

httpkit::Response DemoService::itemQuery(const httpkit::Request &request)
{
    ++m_calls[itemQueryCall.toString()];
    const ItemQuery query = ItemQuery::fromForm(splitItemQueryForm(formOf(request)));
    httpkit::Response response;
    response.body = testToolPage(itemQueryXml(*m_catalogue, query, m_origin), m_gbk);
    if (m_gbk)
        response.contentType = "text/html; charset=GBK";
    response.delayMs = m_delayMs;
    return response;
}

httpkit::Response DemoService::shorten(const httpkit::Request &request)
{
    ++m_calls[shortLinkCall.toString()];
    const QString longUrl = decodeText(percentDecode(formValue(splitForm(formOf(request)), "url"), true));
    ShortLinks::Refusal refusal = ShortLinks::Refusal::None;
    const QString code = m_shortLinks.shorten(longUrl, &refusal);

    QString json;
    if (refusal == ShortLinks::Refusal::None) {
        json = u"{\"tinyurl\":"_qs + jsonString(QString(m_origin + u"/t/"_qs + code)) +
               u",\"status\":0,\"longurl\":"_qs + jsonString(longUrl) + u",\"err_msg\":\"\"}"_qs;
    } else {
        int status = -1;
        QString message = u"长网址不能为空"_qs;
        switch (refusal) {
        case ShortLinks::Refusal::NotHttp:
            status = -2;
            message = u"长网址格式不正确，只接受http或https网址"_qs;
            break;
        case ShortLinks::Refusal::TooLong:
            status = -3;
            message = u"长网址太长"_qs;
            break;
        case ShortLinks::Refusal::Full:
            status = -4;
            message = u"短网址数量已达上限，请重新启动演示服务"_qs;
            break;
        default:
            break;
        }
        json = u"{\"status\":"_qs + QString::number(status) + u",\"longurl\":"_qs + jsonString(longUrl) +
               u",\"err_msg\":"_qs + jsonString(message) + u'}';
    }
    httpkit::Response response;
    response.contentType = jsonType;
    response.body = json.toUtf8();
    response.delayMs = m_delayMs;
    return response;
}

httpkit::Response DemoService::routerRest(const httpkit::Request &request)
{
    const CallParameters call = callParameters(
        request.query, request.method == "POST" ? QByteArrayView(request.body) : QByteArrayView());
    ++m_calls[call.value(u"method"_qs)];
    httpkit::Response response;
    response.contentType = jsonType;
    // The gateway answers its errors with status 200 too.
    response.body = routerRestReply(*m_catalogue, call, m_origin, m_now(), &m_shortLinks,
                                    m_freshLinks ? ++m_minted : 0, &m_orders);
    // Whatever a search hands out to an ad zone, that ad zone's buyers may buy.
    if (call.value(u"method"_qs) == openplatform::materialSearchMethod)
        m_orders.noteSearch(call.value(u"adzone_id"_qs), OrderBook::itemIdsOf(response.body), m_now());
    response.delayMs = m_delayMs;
    return response;
}

httpkit::Response DemoService::followShortLink(const QString &code) const
{
    const QString longUrl = m_shortLinks.resolve(code);
    if (longUrl.isEmpty())
        return htmlResponse(notFoundPage(u"/t/"_qs + code), 404);
    httpkit::Response response = htmlResponse(redirectPage(longUrl), 302);
    response.headers.append(qMakePair(QByteArray("Location"), QByteArray(headerSafeUrl(longUrl))));
    return response;
}

httpkit::Response DemoService::picture(QByteArrayView name) const
{
    // Templates sometimes add a size suffix ("123.svg_160x160.jpg"); the leading id decides.
    qsizetype digits = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9')
        ++digits;
    const auto found = m_pictures.constFind(name.first(digits).toByteArray());
    if (digits == 0 || found == m_pictures.cend())
        return notFound("/img/" + name.toByteArray());
    return imageResponse(*found);
}

httpkit::Response DemoService::badge(QByteArrayView name) const
{
    const auto found = m_badges.constFind(name.toByteArray());
    if (found == m_badges.cend())
        return notFound("/newrank/" + name.toByteArray());
    return imageResponse(*found);
}

httpkit::Response DemoService::item(QByteArrayView id, QByteArrayView query) const
{
    const CatalogueItem *found = allDigits(id) ? m_catalogue->find(id) : nullptr;
    if (!found)
        return notFound("/item/" + id.toByteArray());
    return htmlResponse(itemPage(*found, pidFromQuery(query), m_origin));
}

httpkit::Response DemoService::shop(QByteArrayView id, QByteArrayView query) const
{
    const QList<const CatalogueItem *> items =
        allDigits(id) && id.size() < 9 ? m_catalogue->shopItems(id.toInt()) : QList<const CatalogueItem *>();
    if (items.isEmpty())
        return notFound("/shop/" + id.toByteArray());
    return htmlResponse(shopPage(items, pidFromQuery(query), m_origin));
}

httpkit::Response DemoService::notFound(const QByteArray &path) const
{
    return htmlResponse(notFoundPage(decodeText(percentDecode(path, false))), 404);
}

} // namespace demo
