#include "siteindex.h"

#include <algorithm>
#include <array>
#include <utility>

#include <QUrl>

#include "filenames.h"
#include "gbk.h"
#include "placeholders.h"
#include "templateformat.h"
#include "textops.h"
#include "webtext.h"

namespace siteindex {

namespace {

const QString indexFileName = filenames::pageFile.toString();

// The five characters a sitemap must write as entities.
QString xmlEscaped(QStringView text)
{
    QString out = webtext::htmlEscaped(text);
    return out.replace(u"&#39;"_qs, u"&apos;"_qs);
}

QString countText(int count)
{
    return QString::number(count) + u"件商品"_qs;
}

const char *const style =
    R"(body{margin:0;font-family:"Microsoft YaHei","PingFang SC","Noto Sans CJK SC",sans-serif;background:#f5f5f5;color:#333}
header{background:#b83a00;color:#fff;padding:16px 24px}
header h1{margin:0;font-size:22px}
header p{margin:6px 0 0;font-size:13px}
ul{list-style:none;margin:0;padding:16px;display:grid;grid-template-columns:repeat(auto-fill,minmax(180px,1fr));gap:16px}
li a{display:block;background:#fff;border-radius:6px;overflow:hidden;text-decoration:none;color:inherit;box-shadow:0 1px 3px rgba(0,0,0,.1)}
li a:hover{box-shadow:0 2px 8px rgba(0,0,0,.2)}
li img,li .blank{display:block;width:100%;height:auto;aspect-ratio:1;object-fit:cover;background:#eee}
li .kw{display:block;padding:8px 10px 2px;font-size:15px;font-weight:bold}
li .n{display:block;padding:0 10px 10px;font-size:12px;color:#595959}
)";

} // namespace

QString pageAddress(const QString &folderName)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(folderName)) + u'/' + indexFileName;
}

QString indexDescription(const QString &title, const QList<Page> &pages)
{
    constexpr qsizetype most = 150;
    QString text = title.trimmed() + u"，共"_qs + QString::number(pages.size()) + u"个页面"_qs;
    for (qsizetype i = 0; i < pages.size() && text.size() < most; ++i)
        text += (i ? u"、"_qs : u"："_qs) + pages[i].keyword.simplified();
    return textops::shortened(text, most);
}

static QByteArray themedIndexPage(const QString &title, const QList<Page> &pages,
                                  const QString &indexTemplate, charsets::PageEncoding encoding)
{
    QString header;
    QString block;
    QString footer;
    if (!templateformat::splitLoop(indexTemplate, header, block, footer))
        return {};
    const std::array<std::pair<QStringView, QString>, 4> whole{{
        {placeholders::siteName, webtext::htmlEscaped(title)},
        {placeholders::keyword, templateformat::keywordInPage(title)},
        {placeholders::description, webtext::htmlEscaped(indexDescription(title, pages))},
        {placeholders::pageCount, QString::number(pages.size())},
    }};
    QString html;
    textops::appendFilled(html, header, whole);
    for (const Page &page : pages) {
        const std::array<std::pair<QStringView, QString>, 5> values{{
            {placeholders::keyword, templateformat::keywordInPage(page.keyword)},
            {placeholders::pageUrl, webtext::htmlEscaped(pageAddress(page.folderName))},
            {placeholders::picUrl,
             webtext::isPlainWebAddress(page.picture) ? webtext::htmlEscaped(page.picture) : QString()},
            {placeholders::price, webtext::htmlEscaped(page.price)},
            {placeholders::itemCount, QString::number(page.itemCount)},
        }};
        textops::appendFilled(html, block, values);
    }
    textops::appendFilled(html, footer, whole);
    return charsets::encodePage(html, encoding);
}

QByteArray indexPage(const QString &title, const QList<Page> &pages, const QDateTime &made,
                     charsets::PageEncoding encoding, const QString &indexTemplate)
{
    if (const QByteArray themed = themedIndexPage(title, pages, indexTemplate, encoding); !themed.isEmpty())
        return themed;
    const bool gbkPage = encoding == charsets::PageEncoding::Gbk;
    // No icon request that would fail: the index is a file of its own, without the templates'.
    QString html =
        u"<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\""_qs +
        (gbkPage ? u"gbk"_qs : u"utf-8"_qs) +
        u"\">\n<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"_qs +
        webtext::htmlEscaped(title) + u"</title>\n<meta name=\"description\" content=\""_qs +
        webtext::htmlEscaped(indexDescription(title, pages)) +
        u"\">\n<link rel=\"icon\" href=\"data:,\">\n<style>\n"_qs + QString::fromLatin1(style) +
        u"</style>\n</head>\n<body>\n<header>\n<h1>"_qs + webtext::htmlEscaped(title) + u"</h1>\n<p>共"_qs +
        QString::number(pages.size()) + u"个页面,生成于"_qs + made.toString(u"yyyy-MM-dd HH:mm:ss") +
        u"</p>\n</header>\n<main>\n<ul>\n"_qs;
    for (const Page &page : pages) {
        html += u"<li><a href=\""_qs + webtext::htmlEscaped(pageAddress(page.folderName)) + u"\">"_qs;
        if (webtext::isPlainWebAddress(page.picture))
            html += u"<img src=\""_qs + webtext::htmlEscaped(page.picture) +
                    u"\" alt=\"\" width=\"180\" height=\"180\" loading=\"lazy\">"_qs;
        else
            html += u"<span class=\"blank\"></span>"_qs;
        html += u"<span class=\"kw\">"_qs + webtext::htmlEscaped(page.keyword) +
                u"</span><span class=\"n\">"_qs + countText(page.itemCount) + u"</span></a></li>\n"_qs;
    }
    html += u"</ul>\n</main>\n</body>\n</html>\n"_qs;
    return gbkPage ? gbk::encodeHtml(html) : html.toUtf8();
}

QString baseAddress(const QString &text, QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return QString();
    };
    const QString trimmed = text.trimmed();
    const qsizetype schemeEnd = trimmed.indexOf(u"://");
    const QString scheme = trimmed.first(std::max<qsizetype>(schemeEnd, 0)).toLower();
    if (scheme != u"http" && scheme != u"https")
        return refuse(u"网站地址必须是以http://或https://开头的完整网址"_qs);
    if (std::any_of(trimmed.cbegin(), trimmed.cend(), [](QChar c) { return c.isSpace(); }))
        return refuse(u"网站地址不能含有空格"_qs);
    // Between "//" and the path: [user[:password]@]host[:port].
    const qsizetype hostStart = schemeEnd + 3;
    const auto hostEnd = std::find_if(trimmed.cbegin() + hostStart, trimmed.cend(),
                                      [](QChar c) { return c == u'/' || c == u'?' || c == u'#'; });
    const QStringView authority =
        QStringView(trimmed).sliced(hostStart, hostEnd - trimmed.cbegin() - hostStart);
    // Every address of the site goes into sitemap.xml, which is published.
    if (authority.contains(u'@'))
        return refuse(u"网站地址不能带有用户名或密码(它们会随sitemap.xml公开)"_qs);
    if (const qsizetype colon = authority.lastIndexOf(u':'); colon > authority.lastIndexOf(u']')) {
        const QStringView port = authority.sliced(colon + 1);
        const bool digits =
            !port.isEmpty() && port.size() <= 5 &&
            std::all_of(port.begin(), port.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (!digits || port.toUInt() == 0 || port.toUInt() > 65535)
            return refuse(u"网站地址的端口无效(应为1到65535的数字)"_qs);
    }
    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return refuse(u"网站地址不是有效的网址"_qs);
    if (url.hasQuery() || url.hasFragment())
        return refuse(u"网站地址不能带有查询参数(?)或锚点(#)"_qs);
    if (!url.path().endsWith(u'/'))
        url.setPath(url.path() + u'/');
    return QString::fromLatin1(url.toEncoded(QUrl::FullyEncoded));
}

QByteArray sitemap(const QString &base, const QList<Page> &pages, const QDateTime &lastmod)
{
    // Seconds are the finest the schema's W3C date-time needs; the offset says which zone.
    const auto stamp = [](const QDateTime &time) {
        return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
    };
    QString xml = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  u"<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"_qs;
    const auto url = [&xml](const QString &address, const QString &date) {
        xml += u"  <url>\n    <loc>"_qs + xmlEscaped(address) + u"</loc>\n    <lastmod>"_qs + date +
               u"</lastmod>\n  </url>\n"_qs;
    };
    url(base + indexFileName, stamp(lastmod));
    for (const Page &page : pages)
        url(base + pageAddress(page.folderName), stamp(page.changed.isValid() ? page.changed : lastmod));
    xml += u"</urlset>\n"_qs;
    return xml.toUtf8();
}

} // namespace siteindex
