#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include "httpserver.h"

// Builds replies shaped like the API test tool's: the item list as XML, escaped as HTML.
namespace toolreply {

// A canned answer of the test server.
inline httpkit::Response answer(const QByteArray &body, int status = 200, int delayMs = 0)
{
    httpkit::Response response;
    response.status = status;
    response.body = body;
    response.delayMs = delayMs;
    return response;
}

// The shortening service's answer to a request body "url=<encoded link>": a short link named after
// the link's "e" parameter ("http://127.0.0.1/t/c1"), the same whatever order the requests come in.
inline QByteArray shortenerAnswer(const QByteArray &requestBody)
{
    const QUrl link(QUrl::fromPercentEncoding(requestBody.mid(4)));
    const QString code = QUrlQuery(link).queryItemValue(u"e"_qs);
    return "{\"tinyurl\":\"http:\\/\\/127.0.0.1\\/t\\/" + code.toUtf8() + "\",\"status\":0}";
}

using Element = QList<QPair<QString, QString>>; // child elements, in the order they are written

inline QString escaped(QString text, bool quotes)
{
    text.replace(u'&', u"&amp;"_qs).replace(u'<', u"&lt;"_qs).replace(u'>', u"&gt;"_qs);
    if (quotes)
        text.replace(u'"', u"&quot;"_qs);
    return text;
}

// One element with the usual fields of item `n`, the title highlighted, score as given.
inline Element item(int n, const QString &score = u"7"_qs)
{
    const QString id = QString::number(n);
    return {{u"click_url"_qs, u"http://s.click.taobao.com/t_8?e=c"_qs + id + u"&p=mm_30571968_0_0"_qs},
            {u"commission_volume"_qs, u"95.5"_qs},
            {u"nick"_qs, u"卖家"_qs + id},
            {u"pic_url"_qs, u"http://img01.taobaocdn.com/bao/uploaded/i1/p"_qs + id + u".jpg"_qs},
            {u"price"_qs, id + u"9.00"_qs},
            {u"seller_credit_score"_qs, score},
            {u"shop_click_url"_qs, u"http://s.click.taobao.com/t_9?e=s"_qs + id + u"&p=mm_30571968_0_0"_qs},
            {u"title"_qs, u"新款<span class=H>连衣裙</span>"_qs + id},
            {u"volume"_qs, id + u"00"_qs}};
}

inline Element without(Element element, const QString &name)
{
    element.removeIf([&](const auto &child) { return child.first == name; });
    return element;
}

// The XML of the items; `unclosedLast` drops the last element's closing tag.
inline QString xml(const QList<Element> &elements, bool unclosedLast = false)
{
    QString text =
        u"<?xml version=\"1.0\" encoding=\"utf-8\" ?><taobaoke_items_get_response><taobaoke_items>"_qs;
    for (qsizetype i = 0; i < elements.size(); ++i) {
        text += u"<taobaoke_item>"_qs;
        for (const auto &[name, value] : elements[i]) {
            // The highlighting tags in titles are the API's own markup, not escaped text.
            const QString shown = name == u"title"_qs ? value : escaped(value, true);
            text += u'<' + name + u'>' + shown + u"</"_qs + name + u'>';
        }
        if (!unclosedLast || i + 1 < elements.size())
            text += u"</taobaoke_item>"_qs;
    }
    return text + u"</taobaoke_items><total_results>"_qs + QString::number(elements.size()) +
           u"</total_results></taobaoke_items_get_response>"_qs;
}

// The test tool's result page around the escaped XML.
inline QString page(const QString &xmlText)
{
    return u"<html><head><title>API测试工具</title></head><body><textarea id=\"resultShow\">"_qs +
           escaped(xmlText, false) + u"</textarea></body></html>"_qs;
}

} // namespace toolreply
