#include "pagemetadata.h"

#include <array>
#include <utility>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include "placeholders.h"
#include "textops.h"
#include "webtext.h"

namespace pagemetadata {

namespace {

const QString titleSuffix = u"热卖精选"_qs;
const QString countText = u"共%1件好货："_qs;
const QString listSeparator = u"、"_qs;

QString headline(const Page &page)
{
    return page.keyword.trimmed() + titleSuffix;
}

// Only a plain http(s) address is named anywhere: never a script or a data address.
QString webAddress(const QString &address)
{
    return webtext::isPlainWebAddress(address) ? address : QString();
}

// What the item is sold for: its final price when the source tells it, as a plain decimal.
QString offerPrice(const ItemRecord &item)
{
    static const QRegularExpression decimal(u"^\\d+(\\.\\d+)?$"_qs);
    const QString price =
        (item.final_promotion_price.isEmpty() ? item.price : item.final_promotion_price).trimmed();
    return decimal.match(price).hasMatch() ? price : QString();
}

void insertIf(QJsonObject &object, const QString &key, const QString &value)
{
    if (!value.isEmpty())
        object.insert(key, value);
}

QString structuredData(const Page &page)
{
    QJsonArray elements;
    for (qsizetype i = 0; i < page.items.size(); ++i) {
        const ItemRecord &item = page.items[i];
        QJsonObject offer{{u"@type"_qs, u"Offer"_qs}};
        if (const QString price = offerPrice(item); !price.isEmpty()) {
            offer.insert(u"price"_qs, price);
            offer.insert(u"priceCurrency"_qs, u"CNY"_qs);
        }
        insertIf(offer, u"priceValidUntil"_qs, item.coupon_end);
        insertIf(offer, u"url"_qs, webAddress(item.click_url));
        QJsonObject product{{u"@type"_qs, u"Product"_qs}, {u"name"_qs, item.title}, {u"offers"_qs, offer}};
        insertIf(product, u"image"_qs, webAddress(item.pic_url));
        elements.append(
            QJsonObject{{u"@type"_qs, u"ListItem"_qs}, {u"position"_qs, int(i + 1)}, {u"item"_qs, product}});
    }
    QJsonObject list{{u"@context"_qs, u"https://schema.org"_qs},
                     {u"@type"_qs, u"ItemList"_qs},
                     {u"name"_qs, headline(page)},
                     {u"description"_qs, description(page)},
                     {u"numberOfItems"_qs, int(page.items.size())},
                     {u"itemListElement"_qs, elements}};
    insertIf(list, u"url"_qs, webAddress(page.address));
    const QString json = QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
    return u"<script type=\"application/ld+json\">"_qs + webtext::jsonInScript(json) + u"</script>"_qs;
}

QString shareTags(const Page &page)
{
    const QString address = webAddress(page.address);
    if (address.isEmpty())
        return QString();
    const auto meta = [](QStringView property, const QString &content) -> QString {
        return u"<meta property=\""_qs + property + u"\" content=\""_qs + webtext::htmlEscaped(content) +
               u"\">\n"_qs;
    };
    QString tags = u"<link rel=\"canonical\" href=\""_qs + webtext::htmlEscaped(address) + u"\">\n"_qs +
                   meta(u"og:type", u"website"_qs) + meta(u"og:title", headline(page)) +
                   meta(u"og:description", description(page));
    if (const QString picture = page.items.isEmpty() ? QString() : webAddress(page.items.first().pic_url);
        !picture.isEmpty())
        tags += meta(u"og:image", picture);
    return tags + meta(u"og:url", address);
}

} // namespace

QString description(const Page &page)
{
    QString text = headline(page);
    if (!page.items.isEmpty())
        text += u"，"_qs + countText.arg(page.items.size());
    for (qsizetype i = 0; i < page.items.size() && text.size() < maxDescription; ++i)
        text += (i ? listSeparator : QString()) + textops::withoutControls(page.items[i].title).simplified();
    return textops::shortened(text, maxDescription);
}

QString fill(QStringView text, const Page &page)
{
    const std::array<std::pair<QStringView, QString>, 3> values{{
        {placeholders::description, webtext::htmlEscaped(description(page))},
        {placeholders::shareTags, shareTags(page)},
        {placeholders::structuredData, structuredData(page)},
    }};
    QString out;
    textops::appendFilled(out, text, values);
    return out;
}

} // namespace pagemetadata
