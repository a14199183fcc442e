#pragma once

// What the tests of the demo service share: the program's query body and a reader for the
// test tool's result page.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include "demoservice.h"

namespace demotest {

// The program's own form: forty pairs, the keyword with only non-ASCII characters encoded.
inline QByteArray programBody(const QString &keyword, const QByteArray &pid, const QByteArray &sort,
                              const QByteArray &pageSize)
{
    QByteArray encodedKeyword;
    for (const char c : keyword.toUtf8()) {
        if (uchar(c) < 0x80)
            encodedKeyword += c;
        else
            encodedKeyword += '%' + QByteArray::number(uchar(c), 16).toUpper();
    }
    return "format=xml&method=taobao.taobaoke.items.get&restId=2&api_soure=0"
           "&app_key=%E6%B5%8B%E8%AF%95%E5%8D%A0%E4%BD%8D&app_secret=%E6%B5%8B%E8%AF%95%E5%8D%A0%E4%BD%8D"
           "&sip_http_method=POST&codeType=PHP&fields=num_iid,title,nick,pic_url,price,click_url,commission,"
           "commission_rate,commission_num,commission_volume,shop_click_url,seller_credit_score,item_"
           "location,"
           "volume&nick=&pid=" +
           pid + "&keyword=" + encodedKeyword +
           "&cid=&start_price=&end_price=&auto_send=&area=&start_credit=&end_credit=&sort=" + sort +
           "&guarantee=&start_commissionRate=&end_commissionRate=&start_commissionNum=&end_commissionNum="
           "&start_totalnum=&end_totalnum=&cash_coupon=&vip_card=&overseas_item=&sevendays_return="
           "&real_describe=&onemonth_repair=&cash_ondelivery=&mall_item=&page_no=&page_size=" +
           pageSize + "&outer_code=&is_mobile=&session=";
}

inline httpkit::Request post(const QByteArray &path, const QByteArray &body)
{
    httpkit::Request request;
    request.method = "POST";
    request.path = path;
    request.target = path;
    request.body = body;
    return request;
}

inline httpkit::Request get(const QByteArray &path, const QByteArray &query = QByteArray())
{
    httpkit::Request request;
    request.method = "GET";
    request.path = path;
    request.query = query;
    request.target = query.isEmpty() ? path : path + '?' + query;
    return request;
}

// The six replacements by which the program turns the page back into XML markup.
inline QString programDecode(QString text)
{
    const std::pair<const char16_t *, const char16_t *> steps[] = {
        {u"&amp;", u"&"}, {u"&lt;", u"<"},    {u"&gt;", u">"},
        {u"&amp;", u"&"}, {u"&quot;", u"\""}, {u"&nbsp;", u" "},
    };
    for (const auto &[from, to] : steps)
        text.replace(QString::fromUtf16(from), QString::fromUtf16(to));
    return text;
}

struct Reply
{
    bool wellFormed = false;
    QList<QMap<QString, QString>> items;
    QList<QStringList> childOrder; // element names of each item, as they came
    int total = -1;
    QString errorCode;
    QString errorMsg;
};

// The XML inside the page's text area, unescaped once as a browser would, then read as XML.
inline Reply readReply(const QString &page)
{
    Reply reply;
    const qsizetype open = page.indexOf(u'>', page.indexOf(u"<textarea")) + 1;
    const qsizetype close = page.indexOf(u"</textarea>");
    if (open <= 0 || close < open)
        return reply;
    QString xml = page.mid(open, close - open);
    xml.replace(u"&lt;"_qs, u"<"_qs).replace(u"&gt;"_qs, u">"_qs).replace(u"&quot;"_qs, u"\""_qs);
    xml.replace(u"&amp;"_qs, u"&"_qs);

    QXmlStreamReader reader(xml);
    QStringList path;
    while (reader.readNext() != QXmlStreamReader::Invalid && !reader.atEnd()) {
        if (reader.isStartElement()) {
            const QString name = reader.name().toString();
            if (name == u"taobaoke_item") {
                reply.items.append(QMap<QString, QString>());
                reply.childOrder.append(QStringList());
            } else if (!path.isEmpty() && path.last() == u"taobaoke_item") {
                reply.childOrder.last().append(name);
                reply.items.last().insert(name, reader.readElementText());
                continue;
            } else if (name == u"total_results") {
                reply.total = reader.readElementText().toInt();
                continue;
            } else if (name == u"code") {
                reply.errorCode = reader.readElementText();
                continue;
            } else if (name == u"msg") {
                reply.errorMsg = reader.readElementText();
                continue;
            }
            path.append(name);
        } else if (reader.isEndElement()) {
            path.removeLast();
        }
    }
    reply.wellFormed = !reader.hasError();
    return reply;
}

inline Reply query(demo::DemoService &service, const QByteArray &body)
{
    const httpkit::Response response = service.handle(post("/apitools/getResult.htm", body));
    return readReply(QString::fromUtf8(response.body));
}

} // namespace demotest
