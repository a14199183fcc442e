#include "pages.h"

#include "links.h"
#include "webtext.h"

namespace demo {

namespace {

const QString style =
    u"<style>"
    "body{margin:0;background:#f4f4f4;color:#333;font:14px/1.6 'PingFang SC','Microsoft YaHei',"
    "'Noto Sans CJK SC',sans-serif}"
    "header{background:#ff5000;color:#fff;padding:12px 24px;font-size:18px;font-weight:bold}"
    "main{max-width:960px;margin:20px auto;background:#fff;padding:24px;border-radius:8px}"
    ".item{display:flex;gap:28px;flex-wrap:wrap}.item img.pic{width:360px;max-width:100%;border-radius:6px}"
    ".info{flex:1;min-width:260px}h1{font-size:20px;margin:0 0 12px}"
    ".price{color:#ff5000;font-size:28px;font-weight:bold}.muted{color:#888}"
    ".buy{display:inline-block;margin-top:16px;padding:10px 36px;background:#ff5000;color:#fff;"
    "border-radius:4px;text-decoration:none}"
    ".grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(200px,1fr));gap:16px}"
    ".card{border:1px solid #eee;border-radius:6px;padding:10px;text-decoration:none;color:#333}"
    ".card img{width:100%;border-radius:4px}.card .price{font-size:18px}"
    "footer{text-align:center;color:#999;font-size:12px;margin:20px}"
    "</style>"_qs;

QByteArray page(const QString &title, const QString &body)
{
    const QString html =
        u"<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"_qs +
        webtext::htmlEscaped(title) + u"</title>\n"_qs + style +
        u"\n</head>\n<body>\n<header>淘页坊演示商城</header>\n<main>\n"_qs + body +
        u"\n</main>\n<footer>本页由淘页坊离线演示服务生成，商品与店铺均为演示数据，"
        "不能真实下单。</footer>\n</body>\n</html>\n"_qs;
    return html.toUtf8();
}

QString badgeImage(const QString &origin, int score)
{
    const QString path = badgePath(score);
    if (path.isEmpty())
        return u"<span class=\"muted\">新店</span>"_qs;
    return u"<img src=\""_qs + webtext::htmlEscaped(QString(origin + path)) + u"\" alt=\"信用等级\">"_qs;
}

QString pidLine(const QString &pid)
{
    if (pid.isEmpty())
        return QString();
    return u"<p class=\"muted\">推广位：mm_"_qs + webtext::htmlEscaped(pid) + u"_0_0</p>"_qs;
}

} // namespace

QByteArray itemPage(const CatalogueItem &item, const QString &pid, const QString &origin)
{
    const QString body =
        u"<div class=\"item\"><img class=\"pic\" src=\""_qs +
        webtext::htmlEscaped(pictureLink(origin, item)) + u"\" alt=\"\"><div class=\"info\"><h1>"_qs +
        webtext::htmlEscaped(item.title) + u"</h1><div class=\"price\">¥"_qs +
        webtext::htmlEscaped(item.price) + u"</div><p>月销 "_qs + QString::number(item.volume) +
        u" 件 · 发货地 "_qs + webtext::htmlEscaped(item.location) + u"</p><p>卖家：<a href=\""_qs +
        webtext::htmlEscaped(shopLink(origin, item, pid)) + u"\">"_qs + webtext::htmlEscaped(item.nick) +
        u"</a> "_qs + badgeImage(origin, item.creditScore) + u"</p>"_qs + pidLine(pid) +
        u"<a class=\"buy\" href=\"#\" onclick=\"return false\">立即购买</a>"
        "<p class=\"muted\">演示商品，不会真实下单。</p></div></div>"_qs;
    return page(item.title, body);
}

QByteArray shopPage(const QList<const CatalogueItem *> &items, const QString &pid, const QString &origin)
{
    const CatalogueItem &first = *items.front();
    QString body = u"<h1>"_qs + webtext::htmlEscaped(first.nick) + u" "_qs +
                   badgeImage(origin, first.creditScore) + u"</h1><p class=\"muted\">所在地："_qs +
                   webtext::htmlEscaped(first.location) + u"</p>"_qs + pidLine(pid) +
                   u"<div class=\"grid\">"_qs;
    for (const CatalogueItem *item : items) {
        body += u"<a class=\"card\" href=\""_qs + webtext::htmlEscaped(itemLink(origin, *item, pid)) +
                u"\"><img src=\""_qs + webtext::htmlEscaped(pictureLink(origin, *item)) +
                u"\" alt=\"\"><div>"_qs + webtext::htmlEscaped(item->title) +
                u"</div><div class=\"price\">¥"_qs + webtext::htmlEscaped(item->price) + u"</div></a>"_qs;
    }
    body += u"</div>";
    return page(first.nick, body);
}

QByteArray homePage(const Catalogue &catalogue, const QString &origin)
{
    QString body = u"<h1>淘页坊离线演示服务</h1><p>这个服务在本机代替淘宝开放平台的API测试工具、"
                   "短网址服务和图片服务器，让淘页坊不联网也能完整生成单页。</p><ul>"
                   "<li>POST /apitools/getResult.htm：按关键词查询淘宝客商品</li>"
                   "<li>POST /create.php：生成短网址，GET /t/代码 跳转到原网址</li>"
                   "<li>GET /img/商品ID.svg：商品图片；GET /newrank/s_red_1.gif 等：信用等级图标</li></ul>"
                   "<p>目录共有 "_qs +
                   QString::number(catalogue.items().size()) + u" 件商品：</p><div class=\"grid\">"_qs;
    for (const Category &category : Catalogue::categories()) {
        for (const CatalogueItem &item : catalogue.items()) {
            if (item.category != &category)
                continue;
            body += u"<a class=\"card\" href=\""_qs +
                    webtext::htmlEscaped(itemLink(origin, item, QString())) + u"\"><img src=\""_qs +
                    webtext::htmlEscaped(pictureLink(origin, item)) + u"\" alt=\"\"><div>"_qs +
                    webtext::htmlEscaped(category.name) + u"</div></a>"_qs;
            break;
        }
    }
    body += u"</div>";
    return page(u"淘页坊离线演示服务"_qs, body);
}

QByteArray notFoundPage(const QString &path)
{
    return page(u"页面不存在"_qs, u"<h1>页面不存在</h1><p class=\"muted\">"_qs + webtext::htmlEscaped(path) +
                                      u"</p><p><a href=\"/\">返回首页</a></p>"_qs);
}

QByteArray redirectPage(const QString &url)
{
    return page(u"正在跳转"_qs, u"<p>正在跳转到 <a href=\""_qs + webtext::htmlEscaped(url) + u"\">"_qs +
                                    webtext::htmlEscaped(url) + u"</a></p>"_qs);
}

} // namespace demo
