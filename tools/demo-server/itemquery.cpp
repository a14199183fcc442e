#include "itemquery.h"

#include <algorithm>
#include <cmath>

#include "gbk.h"
#include "links.h"
#include "textops.h"
#include "webtext.h"

namespace demo {

namespace {

const QString xmlDeclaration = u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>"_qs;

// An empty or missing number takes its default; otherwise the number the text begins with.
double numberOr(const FormPairs &form, QByteArrayView key, double fallback)
{
    const QString text = decodeText(percentDecode(formValue(form, key), false));
    if (textops::trimSpaces(text).isEmpty())
        return fallback;
    const double value = textops::numericValue(text);
    return std::isfinite(value) ? value : fallback;
}

QString errorXml(int code, const QString &msg, const QString &subCode, const QString &subMsg)
{
    return xmlDeclaration + u"<error_response><code>"_qs + QString::number(code) + u"</code><msg>"_qs +
           webtext::htmlEscaped(msg) + u"</msg><sub_code>"_qs + webtext::htmlEscaped(subCode) +
           u"</sub_code><sub_msg>"_qs + webtext::htmlEscaped(subMsg) + u"</sub_msg></error_response>"_qs;
}

using ItemPtr = const CatalogueItem *;

enum class SortField { None, Price, CommissionRate, CommissionNum, CommissionVolume, Credit };

SortField sortField(QByteArrayView name)
{
    if (name == "price")
        return SortField::Price;
    if (name == "commissionRate")
        return SortField::CommissionRate;
    if (name == "commissionNum")
        return SortField::CommissionNum;
    if (name == "commissionVolume")
        return SortField::CommissionVolume;
    if (name == "credit")
        return SortField::Credit;
    return SortField::None;
}

double sortValue(ItemPtr item, SortField field)
{
    switch (field) {
    case SortField::Price:
        return item->priceValue;
    case SortField::CommissionRate:
        return item->ratePercent;
    case SortField::CommissionNum:
        return item->commissionNum;
    case SortField::CommissionVolume:
        return item->commissionVolumeValue;
    case SortField::Credit:
        return item->creditScore;
    case SortField::None:
        break;
    }
    return 0;
}

// Sort codes are <field>_desc or <field>_asc; an unknown one keeps the catalogue order.
void sortItems(QList<ItemPtr> &items, QByteArrayView sort)
{
    const qsizetype cut = sort.lastIndexOf('_');
    if (cut < 0)
        return;
    const SortField field = sortField(sort.first(cut));
    const QByteArrayView direction = sort.sliced(cut + 1);
    if (field == SortField::None || (direction != "desc" && direction != "asc"))
        return;
    const bool descending = direction == "desc";
    std::stable_sort(items.begin(), items.end(), [&](ItemPtr a, ItemPtr b) {
        return descending ? sortValue(a, field) > sortValue(b, field)
                          : sortValue(a, field) < sortValue(b, field);
    });
}

} // namespace

ItemQuery ItemQuery::fromForm(const FormPairs &form)
{
    ItemQuery query;
    query.method = percentDecode(formValue(form, "method"), false);
    query.keyword = decodeText(percentDecode(formValue(form, "keyword"), false));
    query.pid = decodeText(percentDecode(formValue(form, "pid"), false));
    query.sort = percentDecode(formValue(form, "sort"), false);
    query.pageSize =
        int(std::clamp(std::floor(numberOr(form, "page_size", maxPageSize)), 0.0, double(maxPageSize)));
    query.pageNo = int(std::clamp(std::floor(numberOr(form, "page_no", 1)), 1.0, 100000.0));
    const QString fields = decodeText(percentDecode(formValue(form, "fields"), false));
    for (const QString &field : fields.split(u',', Qt::SkipEmptyParts))
        query.fields.append(field.trimmed());
    return query;
}

QStringList searchTerms(QStringView keyword)
{
    QStringList terms;
    QString term;
    auto flush = [&] {
        if (!term.isEmpty() && !terms.contains(term, Qt::CaseInsensitive))
            terms.append(term);
        term.clear();
    };
    for (const QChar c : keyword) {
        if (c.isSpace())
            flush();
        else
            term += c;
    }
    flush();
    return terms;
}

QString highlight(const QString &title, const QStringList &terms)
{
    QList<bool> marked(title.size(), false);
    for (const QString &term : terms) {
        for (qsizetype at = title.indexOf(term, 0, Qt::CaseInsensitive); at >= 0;
             at = title.indexOf(term, at + 1, Qt::CaseInsensitive)) {
            std::fill(marked.begin() + at, marked.begin() + at + term.size(), true);
        }
    }
    QString out;
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (marked[i] && (i == 0 || !marked[i - 1]))
            out += u"<span class=H>";
        out += title[i];
        if (marked[i] && (i + 1 == title.size() || !marked[i + 1]))
            out += u"</span>";
    }
    return out;
}

QString itemQueryXml(const Catalogue &catalogue, const ItemQuery &query, const QString &origin)
{
    if (!query.method.isEmpty() && query.method != "taobao.taobaoke.items.get")
        return errorXml(22, u"Invalid method"_qs, u"isv.invalid-method"_qs, u"不支持的API方法"_qs);
    const QStringList terms = searchTerms(query.keyword);
    if (terms.isEmpty())
        return errorXml(40, u"Missing required arguments:keyword"_qs, u"isv.missing-parameter:keyword"_qs,
                        u"缺少必选参数:keyword"_qs);

    QList<ItemPtr> found = catalogue.search(terms);
    sortItems(found, query.sort);
    const qsizetype total = found.size();
    const qsizetype first = std::min<qsizetype>(total, qsizetype(query.pageNo - 1) * query.pageSize);
    const qsizetype count = std::min<qsizetype>(total - first, query.pageSize);

    auto wanted = [&](const QString &name) {
        return query.fields.isEmpty() || query.fields.contains(name);
    };
    QString xml = xmlDeclaration + u"<taobaoke_items_get_response>"_qs;
    // Like the real API, an empty page has no list element at all.
    if (count > 0)
        xml += u"<taobaoke_items>";
    for (qsizetype n = first; n < first + count; ++n) {
        const CatalogueItem &item = *found[n];
        // Children in alphabetical order, as the API wrote them.
        const std::pair<QString, QString> fields[] = {
            {u"click_url"_qs, itemLink(origin, item, query.pid)},
            {u"commission"_qs, item.commission},
            {u"commission_num"_qs, QString::number(item.commissionNum)},
            {u"commission_rate"_qs, item.commissionRate},
            {u"commission_volume"_qs, item.commissionVolume},
            {u"item_location"_qs, item.location},
            {u"nick"_qs, item.nick},
            {u"num_iid"_qs, QString::fromLatin1(item.numIid)},
            {u"pic_url"_qs, pictureLink(origin, item)},
            {u"price"_qs, item.price},
            {u"seller_credit_score"_qs, QString::number(item.creditScore)},
            {u"shop_click_url"_qs, shopLink(origin, item, query.pid)},
            {u"title"_qs, highlight(item.title, terms)},
            {u"volume"_qs, QString::number(item.volume)},
        };
        xml += u"<taobaoke_item>";
        for (const auto &[name, value] : fields) {
            if (wanted(name))
                xml += u'<' + name + u'>' + webtext::htmlEscaped(value) + u"</"_qs + name + u'>';
        }
        xml += u"</taobaoke_item>";
    }
    if (count > 0)
        xml += u"</taobaoke_items>";
    xml +=
        u"<total_results>"_qs + QString::number(total) + u"</total_results></taobaoke_items_get_response>"_qs;
    return xml;
}

QByteArray testToolPage(const QString &xml, bool gbk)
{
    const QString charset = gbk ? u"gbk"_qs : u"utf-8"_qs;
    const QString page =
        u"<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset="_qs +
        charset +
        u"\">\n<title>API测试工具 - 淘页坊演示服务</title>\n</head>\n<body>\n<div id=\"apiResult\">\n"
        "<h3>API请求结果</h3>\n<textarea id=\"resultShow\" rows=\"30\" cols=\"120\" readonly=\"readonly\">"_qs +
        webtext::htmlEscaped(xml) + u"</textarea>\n</div>\n</body>\n</html>\n"_qs;
    return gbk ? gbk::encode(page) : page.toUtf8();
}

} // namespace demo
