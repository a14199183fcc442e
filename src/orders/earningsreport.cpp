#include "earningsreport.h"

#include <algorithm>

#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include "ordertexts.h"
#include "site.h"
#include "textops.h"
#include "toppid.h"
#include "webtext.h"

namespace orders {

namespace {

double yuan(qint64 fen)
{
    return double(fen) / 100;
}

QJsonObject totalsJson(const Totals &totals, QJsonObject object = {})
{
    object.insert(u"orders"_qs, totals.orders);
    object.insert(u"paid"_qs, yuan(totals.paidFen));
    object.insert(u"estimate"_qs, yuan(totals.estimateFen));
    object.insert(u"settled"_qs, yuan(totals.settledFen));
    object.insert(u"invalid"_qs, totals.invalid);
    return object;
}

bool better(const Totals &a, const Totals &b)
{
    if (a.estimateFen != b.estimateFen)
        return a.estimateFen > b.estimateFen;
    return a.orders > b.orders;
}

// Where an item was shown: the page (its index in the site's list) and when.
struct Showing
{
    int site = 0;
    int page = 0;
    pageitems::Shown shown;
};

// Whether `a` is a better place than `b` for an order of `day`: one that had shown the item by then
// beats one that had not; of those that had, the one that showed it later; of those that had not,
// the one that showed it sooner after.
bool showsBetter(const pageitems::Shown &a, const pageitems::Shown &b, const QDate &day)
{
    const bool aBefore = a.first <= day;
    if (aBefore != (b.first <= day))
        return aBefore;
    return aBefore ? std::min(a.last, day) > std::min(b.last, day) : a.first < b.first;
}

QString pageUrl(const QString &siteFolder, const QString &baseUrl, const QString &address)
{
    if (!baseUrl.isEmpty())
        return (baseUrl.endsWith(u'/') ? baseUrl : baseUrl + u'/') + address + u'/';
    return QUrl::fromLocalFile(QDir(sites::Paths(siteFolder).www).filePath(address + u"/index.htm"_qs))
        .toString();
}

QStringList totalsCells(const Totals &totals)
{
    return {QString::number(totals.orders), yuanText(totals.paidFen), yuanText(totals.estimateFen),
            yuanText(totals.settledFen), QString::number(totals.invalid)};
}

QString csvCell(const QString &text)
{
    // A cell that a spreadsheet would take for a formula is quoted as text.
    QString cell = textops::withoutControls(text);
    if (cell.startsWith(u'=') || cell.startsWith(u'+') || cell.startsWith(u'-') || cell.startsWith(u'@'))
        cell.prepend(u'\'');
    if (cell.contains(u',') || cell.contains(u'"'))
        cell = u'"' + cell.replace(u'"', u"\"\""_qs) + u'"';
    return cell;
}

QString svgChart(const QList<DayEarnings> &days)
{
    constexpr int width = 760;
    constexpr int height = 220;
    constexpr int left = 56;
    constexpr int bottom = 24;
    constexpr int top = 12;
    qint64 most = 0;
    for (const DayEarnings &day : days)
        most = std::max(most, day.settledFen + day.pendingFen);
    // A round top for the scale: 1, 2 or 5 times a power of ten yuan.
    qint64 scale = 100;
    for (qint64 power = 100; scale < most; power *= 10) {
        for (const qint64 step : {1, 2, 5}) {
            scale = power * step;
            if (scale >= most)
                break;
        }
    }
    const double plotHeight = height - top - bottom;
    const double slot = days.isEmpty() ? 0 : double(width - left - 8) / days.size();
    QString svg = u"<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\" role=\"img\" "
                  "class=\"chart\">"_qs.arg(width)
                      .arg(height);
    for (int i = 0; i <= 4; ++i) {
        const double y = top + plotHeight * (4 - i) / 4;
        svg += u"<line x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\" class=\"grid\"/>"
               "<text x=\"%4\" y=\"%5\" class=\"axis\" text-anchor=\"end\">%6</text>"_qs.arg(left)
                   .arg(width - 8)
                   .arg(y, 0, 'f', 1)
                   .arg(left - 6)
                   .arg(y + 4, 0, 'f', 1)
                   .arg(yuanText(scale * i / 4));
    }
    for (qsizetype i = 0; i < days.size(); ++i) {
        const DayEarnings &day = days[i];
        const double x = left + slot * i + slot * 0.15;
        const double w = std::max(1.0, slot * 0.7);
        const double settled = plotHeight * double(day.settledFen) / double(scale);
        const double pending = plotHeight * double(day.pendingFen) / double(scale);
        const double base = top + plotHeight;
        const QString title = day.day.toString(Qt::ISODate) + u' ' + ordertexts::chartSettled.toString() +
                              u' ' + yuanText(day.settledFen) + u" / "_qs +
                              ordertexts::chartPending.toString() + u' ' + yuanText(day.pendingFen);
        svg += u"<g><title>%1</title><rect x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\" class=\"settled\"/>"
               "<rect x=\"%2\" y=\"%6\" width=\"%4\" height=\"%7\" class=\"pending\"/></g>"_qs.arg(title)
                   .arg(x, 0, 'f', 1)
                   .arg(base - settled, 0, 'f', 1)
                   .arg(w, 0, 'f', 1)
                   .arg(settled, 0, 'f', 1)
                   .arg(base - settled - pending, 0, 'f', 1)
                   .arg(pending, 0, 'f', 1);
        // A date under every seventh bar, the last day's included.
        if ((days.size() - 1 - i) % 7 == 0)
            svg += u"<text x=\"%1\" y=\"%2\" class=\"axis\" text-anchor=\"middle\">%3</text>"_qs
                       .arg(x + w / 2, 0, 'f', 1)
                       .arg(height - 6)
                       .arg(day.day.toString(u"MM-dd"));
    }
    return svg + u"</svg>"_qs;
}

} // namespace

void Totals::add(const OrderGroup &group)
{
    if (group.status == statusInvalid) {
        invalid += group.count;
        return;
    }
    orders += group.count;
    paidFen += group.paidFen;
    estimateFen += group.estimateFen;
    if (group.status == statusSettled)
        settledFen += group.settledFen;
}

Totals &Totals::operator+=(const Totals &other)
{
    orders += other.orders;
    paidFen += other.paidFen;
    estimateFen += other.estimateFen;
    settledFen += other.settledFen;
    invalid += other.invalid;
    return *this;
}

QList<SiteSource> loadSites(const QString &sitesRoot, const QString &windowPid)
{
    const QString windowAdzone = openplatform::adzoneOf(windowPid).value_or(QString());
    QList<SiteSource> out;
    for (const sites::Listed &listed : sites::list(sitesRoot)) {
        SiteSource source;
        source.name = listed.site.name;
        source.folder = listed.folder;
        source.adzone = openplatform::adzoneOf(listed.site.pid).value_or(windowAdzone);
        source.record = pageitems::read(listed.folder);
        for (const siteconfig::PageRecord &page : listed.site.pages)
            source.pages.append(
                {page.folder, page.keyword, pageUrl(listed.folder, listed.site.baseUrl, page.folder)});
        // Pages the record still knows but the site no longer has can have brought orders.
        for (auto it = source.record.cbegin(); it != source.record.cend(); ++it) {
            if (std::none_of(source.pages.cbegin(), source.pages.cend(),
                             [&it](const PageSource &page) { return page.address == it.key(); }))
                source.pages.append(
                    {it.key(), it->keyword, pageUrl(listed.folder, listed.site.baseUrl, it.key())});
        }
        out.append(source);
    }
    return out;
}

Report buildReport(const QList<OrderGroup> &groups, const QList<SiteSource> &sites, const QDate &from,
                   const QDate &to)
{
    Report report;
    report.from = from;
    report.to = to;
    QList<QList<Totals>> pageTotals;
    QList<Totals> unattributed(sites.size());
    // Each ad zone's sites, and for each of them which pages showed which item.
    QHash<QString, QList<int>> sitesOf;
    QList<QHash<QString, QList<Showing>>> shownBy(sites.size());
    QList<QHash<QString, int>> pageIndex(sites.size());
    for (int s = 0; s < int(sites.size()); ++s) {
        const SiteSource &site = sites[s];
        pageTotals.append(QList<Totals>(site.pages.size()));
        if (!site.adzone.isEmpty())
            sitesOf[site.adzone].append(s);
        for (int p = 0; p < int(site.pages.size()); ++p)
            pageIndex[s].insert(site.pages[p].address, p);
        for (auto page = site.record.cbegin(); page != site.record.cend(); ++page) {
            const int p = pageIndex[s].value(page.key(), -1);
            if (p < 0)
                continue;
            for (auto item = page->shown.cbegin(); item != page->shown.cend(); ++item)
                shownBy[s][item.key()].append({s, p, item.value()});
        }
    }
    QHash<QDate, int> dayIndex;
    for (QDate day = from; day.isValid() && day <= to; day = day.addDays(1)) {
        dayIndex.insert(day, int(report.days.size()));
        report.days.append({day, 0, 0});
    }

    for (const OrderGroup &group : groups) {
        const QDate day = QDate::fromString(group.day, Qt::ISODate);
        if (const auto at = dayIndex.constFind(day); at != dayIndex.cend() && group.status != statusInvalid) {
            DayEarnings &earned = report.days[*at];
            (group.status == statusSettled ? earned.settledFen : earned.pendingFen) += group.estimateFen;
        }
        const auto owners = sitesOf.constFind(group.adzoneId);
        if (owners == sitesOf.cend()) {
            report.other.add(group);
            continue;
        }
        // Of the pages of this ad zone's sites that showed the item, the one that showed it most
        // recently on or before the order's day. An order older than the record (made before the
        // site began keeping it) goes to the page that showed the item first: it was on no other.
        const Showing *best = nullptr;
        for (const int s : *owners) {
            const auto showings = shownBy[s].constFind(group.itemId);
            if (showings == shownBy[s].cend())
                continue;
            for (const Showing &showing : *showings) {
                if (!best || showsBetter(showing.shown, best->shown, day))
                    best = &showing;
            }
        }
        if (best)
            pageTotals[best->site][best->page].add(group);
        else
            unattributed[owners->first()].add(group);
    }

    for (int s = 0; s < int(sites.size()); ++s) {
        SiteEarnings earned;
        earned.name = sites[s].name;
        earned.folder = sites[s].folder;
        earned.adzone = sites[s].adzone;
        earned.unattributed = unattributed[s];
        earned.total = unattributed[s];
        for (int p = 0; p < int(sites[s].pages.size()); ++p) {
            earned.pages.append({sites[s].pages[p], pageTotals[s][p]});
            earned.total += pageTotals[s][p];
        }
        std::stable_sort(
            earned.pages.begin(), earned.pages.end(),
            [](const PageEarnings &a, const PageEarnings &b) { return better(a.totals, b.totals); });
        report.total += earned.total;
        report.sites.append(earned);
    }
    report.total += report.other;
    std::stable_sort(report.sites.begin(), report.sites.end(),
                     [](const SiteEarnings &a, const SiteEarnings &b) { return better(a.total, b.total); });
    return report;
}

bool keepOnlySite(Report &report, const QString &name)
{
    const auto found = std::find_if(report.sites.cbegin(), report.sites.cend(),
                                    [&name](const SiteEarnings &site) { return site.name == name; });
    if (found == report.sites.cend())
        return false;
    const SiteEarnings site = *found;
    report.sites = {site};
    report.total = site.total;
    report.other = Totals();
    return true;
}

QByteArray reportJson(const Report &report)
{
    QJsonArray sitesJson;
    for (const SiteEarnings &site : report.sites) {
        QJsonArray pages;
        for (const PageEarnings &page : site.pages)
            pages.append(totalsJson(
                page.totals, {{u"address"_qs, page.page.address}, {u"keyword"_qs, page.page.keyword}}));
        sitesJson.append(QJsonObject{{u"name"_qs, site.name},
                                     {u"adzone"_qs, site.adzone},
                                     {u"total"_qs, totalsJson(site.total)},
                                     {u"pages"_qs, pages},
                                     {u"unattributed"_qs, totalsJson(site.unattributed)}});
    }
    const QJsonObject root{{u"from"_qs, report.from.toString(Qt::ISODate)},
                           {u"to"_qs, report.to.toString(Qt::ISODate)},
                           {u"total"_qs, totalsJson(report.total)},
                           {u"sites"_qs, sitesJson},
                           {u"other"_qs, totalsJson(report.other)}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QString reportCsv(const Report &report)
{
    using namespace ordertexts;
    const QStringList header{columnSite.toString(),     columnAdzone.toString(),  columnPage.toString(),
                             columnKeyword.toString(),  columnOrders.toString(),  columnPaid.toString(),
                             columnEstimate.toString(), columnSettled.toString(), columnInvalid.toString()};
    QString out = header.join(u',') + u"\r\n"_qs;
    const auto row = [&out](const QStringList &names, const Totals &totals) {
        QStringList cells;
        for (const QString &name : names)
            cells << csvCell(name);
        out += (cells + totalsCells(totals)).join(u',') + u"\r\n"_qs;
    };
    for (const SiteEarnings &site : report.sites) {
        for (const PageEarnings &page : site.pages)
            row({site.name, site.adzone, page.page.address, page.page.keyword}, page.totals);
        row({site.name, site.adzone, unattributed.toString(), QString()}, site.unattributed);
    }
    row({otherAdzones.toString(), QString(), QString(), QString()}, report.other);
    row({columnTotal.toString(), QString(), QString(), QString()}, report.total);
    return out;
}

QString reportText(const Report &report)
{
    using namespace ordertexts;
    QString out = report.from.toString(Qt::ISODate) + u" – "_qs + report.to.toString(Qt::ISODate) + u'\n';
    const auto line = [&out](const QString &indent, const QString &name, const Totals &totals) {
        out += indent + textops::withoutControls(name) + u'\t' + totalsCells(totals).join(u'\t') + u'\n';
    };
    out += QStringList{QString(),
                       columnOrders.toString(),
                       columnPaid.toString(),
                       columnEstimate.toString(),
                       columnSettled.toString(),
                       columnInvalid.toString()}
               .join(u'\t') +
           u'\n';
    for (const SiteEarnings &site : report.sites) {
        line(QString(), site.name + u" ("_qs + columnAdzone.toString() + u' ' + site.adzone + u')',
             site.total);
        for (const PageEarnings &page : site.pages) {
            if (page.totals.orders + page.totals.invalid > 0)
                line(u"  "_qs, page.page.address + u' ' + page.page.keyword, page.totals);
        }
        line(u"  "_qs, unattributed.toString(), site.unattributed);
    }
    line(QString(), otherAdzones.toString(), report.other);
    line(QString(), columnTotal.toString(), report.total);
    return out;
}

QString reportHtml(const Report &report)
{
    using namespace ordertexts;
    using webtext::htmlEscaped;
    const QString period = report.from.toString(Qt::ISODate) + u" – "_qs + report.to.toString(Qt::ISODate);
    QString html =
        u"<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>"_qs +
        reportTitle.toString() + u' ' + period +
        u"</title><style>"
        "body{font-family:sans-serif;margin:16px;color:#1f1f1f;background:#fff}"
        "h1{font-size:20px;margin:0 0 4px}h2{font-size:16px;margin:20px 0 6px}"
        ".sum{color:#444;margin:0 0 8px}.chart{width:100%;max-width:760px;height:auto}"
        ".grid{stroke:#e0e0e0}.axis{font-size:11px;fill:#555}.settled{fill:#1b6e3a}.pending{fill:#e8a33d}"
        ".key span{display:inline-block;width:12px;height:12px;margin:0 4px 0 12px;vertical-align:middle}"
        "table{border-collapse:collapse;width:100%;margin-top:4px}th,td{border-bottom:1px solid #ddd;"
        "padding:4px 8px;text-align:right;white-space:nowrap}th:first-child,td:first-child,th:nth-child(2),"
        "td:nth-child(2){text-align:left}td:nth-child(2){white-space:normal}a{color:#0645ad}"
        ".quiet td{color:#555}"
        "</style></head><body>"_qs;
    html += u"<h1>"_qs + reportTitle.toString() + u"</h1><p class=\"sum\">"_qs + period + u" · "_qs +
            columnOrders.toString() + u' ' + QString::number(report.total.orders) + u" · "_qs +
            columnEstimate.toString() + u' ' + yuanText(report.total.estimateFen) + u" · "_qs +
            columnSettled.toString() + u' ' + yuanText(report.total.settledFen) + u" · "_qs +
            columnInvalid.toString() + u' ' + QString::number(report.total.invalid) + u"</p>"_qs;
    html += u"<p class=\"key\"><span style=\"background:#1b6e3a\"></span>"_qs + chartSettled.toString() +
            u"<span style=\"background:#e8a33d\"></span>"_qs + chartPending.toString() + u"</p>"_qs;
    html += svgChart(report.days);

    const QString head = u"<tr><th>"_qs + columnPage.toString() + u"</th><th>"_qs + columnKeyword.toString() +
                         u"</th><th>"_qs + columnOrders.toString() + u"</th><th>"_qs + columnPaid.toString() +
                         u"</th><th>"_qs + columnEstimate.toString() + u"</th><th>"_qs +
                         columnSettled.toString() + u"</th><th>"_qs + columnInvalid.toString() +
                         u"</th></tr>"_qs;
    const auto cells = [](const Totals &totals) {
        QString out;
        for (const QString &cell : totalsCells(totals))
            out += u"<td>"_qs + cell + u"</td>"_qs;
        return out;
    };
    for (const SiteEarnings &site : report.sites) {
        html += u"<h2>"_qs + htmlEscaped(site.name) + u" <small>"_qs + columnAdzone.toString() + u' ' +
                htmlEscaped(site.adzone) + u"</small></h2><table>"_qs + head;
        for (const PageEarnings &page : site.pages) {
            const QUrl url(page.page.url);
            const bool linkable = url.isValid() && (url.scheme() == u"https" || url.scheme() == u"http" ||
                                                    url.scheme() == u"file");
            const QString name = htmlEscaped(page.page.address);
            html += QString(page.totals.orders + page.totals.invalid == 0 ? u"<tr class=\"quiet\"><td>"_qs
                                                                          : u"<tr><td>"_qs) +
                    (linkable ? u"<a href=\""_qs + htmlEscaped(url.toString(QUrl::FullyEncoded)) + u"\">"_qs +
                                    name + u"</a>"_qs
                              : name) +
                    u"</td><td>"_qs + htmlEscaped(page.page.keyword) + u"</td>"_qs + cells(page.totals) +
                    u"</tr>"_qs;
        }
        html += u"<tr><td>"_qs + unattributed.toString() + u"</td><td></td>"_qs + cells(site.unattributed) +
                u"</tr><tr><th>"_qs + columnTotal.toString() + u"</th><th></th>"_qs;
        for (const QString &cell : totalsCells(site.total))
            html += u"<th>"_qs + cell + u"</th>"_qs;
        html += u"</tr></table>"_qs;
    }
    html += u"<h2>"_qs + otherAdzones.toString() + u"</h2><table>"_qs + head + u"<tr><td>"_qs +
            otherAdzones.toString() + u"</td><td></td>"_qs + cells(report.other) + u"</tr></table>"_qs;
    return html + u"</body></html>\n"_qs;
}

} // namespace orders
