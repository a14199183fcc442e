#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "catalogue.h"
#include "formbody.h"

namespace demo {

// One call of taobao.taobaoke.items.get as the API test tool receives it.
struct ItemQuery
{
    QByteArray method;
    QString keyword;
    QString pid;
    QByteArray sort;
    int pageSize = 40; // 0 to 40
    int pageNo = 1;
    QStringList fields; // the item fields asked for; empty means all

    static constexpr int maxPageSize = 40;

    static ItemQuery fromForm(const FormPairs &form);
};

// The words of a keyword: split at blanks (the ideographic space too), repeats dropped.
QStringList searchTerms(QStringView keyword);

// The title with every occurrence of a term wrapped in <span class=H>...</span>, as the
// marketplace highlighted search words; overlapping occurrences share one span.
QString highlight(const QString &title, const QStringList &terms);

// The XML result of the call: the items found, sorted and cut to the page, or an
// <error_response> when the call is unusable (no keyword, another method). A keyword that
// matches nothing gets a valid result with no items and total_results 0, as the real API
// answered; the program then shows its failure page. `origin` is where the links point.
QString itemQueryXml(const Catalogue &catalogue, const ItemQuery &query, const QString &origin);

// The API test tool's result page around an XML result: the XML escaped as HTML inside the
// page, in UTF-8 or in GBK.
QByteArray testToolPage(const QString &xml, bool gbk);

} // namespace demo
