#pragma once

#include <optional>

#include <QDateTime>
#include <QList>
#include <QString>

#include "order.h"
#include "orderreader.h"

class QSqlDatabase;
class QSqlQuery;

// The local database of orders, and of the windows a sync has still to read. Plain SQL through
// Qt SQL: SQLite by default ("收益.sqlite", owner-only, WAL so that a reader never waits for a
// sync), or any server Qt SQL reaches (QPSQL) given in the settings.
namespace orders {

inline constexpr QStringView databaseFileName = u"收益.sqlite";

// The database beside 站点/ and 已生成/.
QString databasePath(const QString &outputRoot);

struct StoreLocation
{
    QString driver = u"QSQLITE"_qs;
    QString database; // the file for SQLite, the database's name for a server
    QString host;
    int port = -1;
    QString user; // a server's password comes from its own environment (PGPASSWORD)
};

// A window of time a sync reads: [start, end] by creation or modification time.
struct Window
{
    QueryBy by = QueryBy::Created;
    QDateTime start;
    QDateTime end;
    int failures = 0; // earlier syncs that could not read it

    qint64 seconds() const { return start.secsTo(end); }
};

// What storing one page did.
struct StoreCounts
{
    int added = 0;
    int updated = 0;
    int unchanged = 0;
};

// Sums of orders of one ad zone, item, creation day and status.
struct OrderGroup
{
    QString adzoneId;
    QString itemId;
    QString day; // yyyy-MM-dd
    int status = 0;
    qint64 count = 0;
    qint64 paidFen = 0;
    qint64 estimateFen = 0;
    qint64 settledFen = 0;
};

// One connection, used on the thread that opened it.
class OrderStore
{
public:
    explicit OrderStore(StoreLocation location);
    ~OrderStore();
    OrderStore(const OrderStore &) = delete;
    OrderStore &operator=(const OrderStore &) = delete;

    // Opens (making the file, readable by its owner only) and brings the schema up to date.
    // False with `error` set when it cannot.
    bool open(QString *error);
    QString lastError() const;

    // The windows a sync must read: those left over (failed or interrupted) and the new ones
    // from the last synced moment less `overlapMinutes` to `now` by modification time (by creation
    // time over `days` days before the first sync, and before the oldest synced creation time),
    // each at most `windowSeconds` long. Recorded as one transaction, with `now` as the new last
    // synced moment.
    std::optional<QList<Window>> plan(const QDateTime &now, int days, qint64 windowSeconds,
                                      int overlapMinutes);
    // The windows still to be read, oldest first.
    QList<Window> pendingWindows();

    // One page of `window`'s orders, in one transaction with the window's state: the window is
    // forgotten when `windowDone`.
    std::optional<StoreCounts> storePage(const Window &window, const QList<Order> &page, bool windowDone);
    // `window` is read as `parts` from now on.
    bool splitWindow(const Window &window, const QList<Window> &parts);
    // `window` could not be read this time; it stays for the next sync.
    bool windowFailed(const Window &window);

    std::optional<Order> order(const QString &tradeId);
    qint64 orderCount();
    // The orders created from `fromDay` to `toDay` (inclusive), summed by ad zone, item, day and
    // status.
    std::optional<QList<OrderGroup>> groups(const QString &fromDay, const QString &toDay);
    // The database's last synced moment; invalid before the first sync.
    QDateTime syncedUntil();

    // The schema version this program writes.
    static int schemaVersion();

private:
    QSqlDatabase db() const;
    bool exec(const QString &sql);
    bool exec(QSqlQuery &query);
    bool migrate(QString *error);
    bool begin();
    bool commit();
    void rollback();
    QString state(const QString &name);
    bool setState(const QString &name, const QString &value);
    bool insertWindow(const Window &window);
    bool deleteWindow(const Window &window);

    StoreLocation m_location;
    QString m_connection;
    QString m_error;
};

} // namespace orders
