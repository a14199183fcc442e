#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

#include "orderstore.h"
#include "pageitems.h"

// Which site and page brought each order, and what they earned over a period.
namespace orders {

// Counts and sums of a set of orders. Orders, paid and estimate leave invalid orders out; settled
// counts settled orders only.
struct Totals
{
    qint64 orders = 0;
    qint64 paidFen = 0;
    qint64 estimateFen = 0;
    qint64 settledFen = 0;
    qint64 invalid = 0;

    void add(const OrderGroup &group);
    Totals &operator+=(const Totals &other);
    bool operator==(const Totals &) const = default;
};

struct PageSource
{
    QString address; // the page's folder below www/
    QString keyword;
    QString url; // where it opens: the web address, or the local file
};

// A site as attribution needs it: its ad zone and what its pages showed.
struct SiteSource
{
    QString name;
    QString folder;
    QString adzone;
    QList<PageSource> pages; // the pages it has now
    pageitems::Record record;
};

// The sites below `sitesRoot`; a site without an ad zone of its own earns on `windowPid`'s.
QList<SiteSource> loadSites(const QString &sitesRoot, const QString &windowPid);

struct PageEarnings
{
    PageSource page;
    Totals totals;
};

struct SiteEarnings
{
    QString name;
    QString folder;
    QString adzone;
    Totals total;
    QList<PageEarnings> pages; // best first
    Totals unattributed;
};

struct DayEarnings
{
    QDate day;
    qint64 settledFen = 0; // the estimate of the day's settled orders
    qint64 pendingFen = 0; // of those not settled yet
};

struct Report
{
    QDate from;
    QDate to;
    Totals total;
    QList<SiteEarnings> sites; // best first
    Totals other;              // ad zones of no site
    QList<DayEarnings> days;   // every day from `from` to `to`
};

// Attributes `groups` (orders created from `from` to `to`): an order belongs to the site of its
// ad zone (else to the other ad zones), and within it to the page that showed its item most
// recently on or before the day it was created (else to the site's unattributed orders).
Report buildReport(const QList<OrderGroup> &groups, const QList<SiteSource> &sites, const QDate &from,
                   const QDate &to);

// The report of the site named `name` alone: false when there is none.
bool keepOnlySite(Report &report, const QString &name);

QByteArray reportJson(const Report &report);
QString reportCsv(const Report &report);
// Columns for a terminal, one line per site and page.
QString reportText(const Report &report);
// A page that stands on its own: the daily chart as SVG and the table, every link a page's.
QString reportHtml(const Report &report);

} // namespace orders
