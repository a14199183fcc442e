#include "orderstore.h"

#include <atomic>
#include <functional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace orders {

namespace {

// Each migration brings the schema from the version before it to its own; they run in order at
// open, and a database is never taken back.
const QList<QStringList> migrations{
    // 1: the first release
    {
        u"CREATE TABLE orders (trade_id TEXT PRIMARY KEY, trade_parent_id TEXT NOT NULL, item_id TEXT NOT "
        u"NULL, "
        "item_title TEXT NOT NULL, adzone_id TEXT NOT NULL, site_id TEXT NOT NULL, tk_status INTEGER NOT "
        "NULL, "
        "paid_fen BIGINT NOT NULL, estimate_fen BIGINT NOT NULL, settled_fen BIGINT NOT NULL, "
        "create_time TEXT NOT NULL, paid_time TEXT NOT NULL, earning_time TEXT NOT NULL, "
        "modified_time TEXT NOT NULL, refund_tag INTEGER NOT NULL)"_qs,
        u"CREATE INDEX orders_by_creation ON orders (create_time)"_qs,
        u"CREATE TABLE sync_windows (query_type INTEGER NOT NULL, start_time TEXT NOT NULL, "
        "end_time TEXT NOT NULL, failures INTEGER NOT NULL, pages INTEGER NOT NULL, "
        "PRIMARY KEY (query_type, start_time))"_qs,
        u"CREATE TABLE sync_state (name TEXT PRIMARY KEY, value TEXT NOT NULL)"_qs,
        // The orders summed as the report reads them, kept with every write: a report then reads
        // a few thousand rows, not every order of the period.
        u"CREATE TABLE order_sums (adzone_id TEXT NOT NULL, item_id TEXT NOT NULL, day TEXT NOT NULL, "
        "tk_status INTEGER NOT NULL, orders BIGINT NOT NULL, paid_fen BIGINT NOT NULL, "
        "estimate_fen BIGINT NOT NULL, settled_fen BIGINT NOT NULL, "
        "PRIMARY KEY (day, adzone_id, item_id, tk_status))"_qs,
    },
};

const QString orderColumns =
    u"trade_id, trade_parent_id, item_id, item_title, adzone_id, site_id, tk_status, "
    "paid_fen, estimate_fen, settled_fen, create_time, paid_time, earning_time, "
    "modified_time, refund_tag"_qs;

std::atomic<quint64> connectionCount = 0;

Order orderFrom(const QSqlQuery &query)
{
    Order order;
    order.tradeId = query.value(0).toString();
    order.tradeParentId = query.value(1).toString();
    order.itemId = query.value(2).toString();
    order.itemTitle = query.value(3).toString();
    order.adzoneId = query.value(4).toString();
    order.siteId = query.value(5).toString();
    order.status = query.value(6).toInt();
    order.paidFen = query.value(7).toLongLong();
    order.estimateFen = query.value(8).toLongLong();
    order.settledFen = query.value(9).toLongLong();
    order.createTime = query.value(10).toString();
    order.paidTime = query.value(11).toString();
    order.earningTime = query.value(12).toString();
    order.modifiedTime = query.value(13).toString();
    order.refundTag = query.value(14).toInt();
    return order;
}

// Text that is empty but never NULL: Qt SQL binds a null QString as NULL.
QString notNull(const QString &text)
{
    return text.isNull() ? u""_qs : text;
}

// Binds the order's values in column order, the trade id last (for UPDATE ... WHERE trade_id).
void bindOrder(QSqlQuery &query, const Order &order, bool idFirst)
{
    if (idFirst)
        query.addBindValue(order.tradeId);
    query.addBindValue(notNull(order.tradeParentId));
    query.addBindValue(notNull(order.itemId));
    query.addBindValue(notNull(order.itemTitle));
    query.addBindValue(notNull(order.adzoneId));
    query.addBindValue(notNull(order.siteId));
    query.addBindValue(order.status);
    query.addBindValue(order.paidFen);
    query.addBindValue(order.estimateFen);
    query.addBindValue(order.settledFen);
    query.addBindValue(notNull(order.createTime));
    query.addBindValue(notNull(order.paidTime));
    query.addBindValue(notNull(order.earningTime));
    query.addBindValue(notNull(order.modifiedTime));
    query.addBindValue(order.refundTag);
    if (!idFirst)
        query.addBindValue(order.tradeId);
}

// What one order adds to its row of order_sums.
struct SumKey
{
    QString adzoneId;
    QString itemId;
    QString day;
    int status = 0;

    bool operator==(const SumKey &) const = default;
};

size_t qHash(const SumKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.adzoneId, key.itemId, key.day, key.status);
}

struct SumChange
{
    qint64 orders = 0;
    qint64 paidFen = 0;
    qint64 estimateFen = 0;
    qint64 settledFen = 0;
};

void count(QHash<SumKey, SumChange> &changes, const Order &order, int sign)
{
    SumChange &change =
        changes[SumKey{order.adzoneId, order.itemId, order.createTime.left(10), order.status}];
    change.orders += sign;
    change.paidFen += sign * order.paidFen;
    change.estimateFen += sign * order.estimateFen;
    change.settledFen += sign * order.settledFen;
}

} // namespace

QString databasePath(const QString &outputRoot)
{
    return QDir(QFileInfo(outputRoot).path()).filePath(databaseFileName.toString());
}

OrderStore::OrderStore(StoreLocation location)
    : m_location(std::move(location))
    , m_connection(u"orders-"_qs + QString::number(++connectionCount))
{
}

OrderStore::~OrderStore()
{
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase database = QSqlDatabase::database(m_connection, false);
            database.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QSqlDatabase OrderStore::db() const
{
    return QSqlDatabase::database(m_connection, false);
}

QString OrderStore::lastError() const
{
    return m_error;
}

int OrderStore::schemaVersion()
{
    return int(migrations.size());
}

bool OrderStore::open(QString *error)
{
    const auto fail = [&](const QString &why) {
        m_error = why;
        if (error)
            *error = why;
        return false;
    };
    if (!QSqlDatabase::isDriverAvailable(m_location.driver))
        return fail(u"没有 Qt SQL 的 "_qs + m_location.driver + u" 驱动 / no Qt SQL driver "_qs +
                    m_location.driver);
    const bool sqlite = m_location.driver == u"QSQLITE";
    if (sqlite) {
        // Made readable by its owner only before SQLite writes anything into it; the journal
        // files SQLite makes beside it take the same permissions.
        const QFileInfo info(m_location.database);
        if (!QDir().mkpath(info.path()))
            return fail(QDir::toNativeSeparators(info.path()) +
                        u": 无法创建文件夹 / cannot make the folder"_qs);
        QFile file(m_location.database);
        constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        if (!info.exists() && !file.open(QIODevice::WriteOnly, ownerOnly))
            return fail(QDir::toNativeSeparators(m_location.database) + u": "_qs + file.errorString());
        file.close();
        if (!info.isSymLink())
            file.setPermissions(ownerOnly);
    }
    QSqlDatabase database = QSqlDatabase::addDatabase(m_location.driver, m_connection);
    database.setDatabaseName(m_location.database);
    if (!m_location.host.isEmpty())
        database.setHostName(m_location.host);
    if (m_location.port > 0)
        database.setPort(m_location.port);
    if (!m_location.user.isEmpty())
        database.setUserName(m_location.user);
    if (sqlite)
        database.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=15000"_qs);
    if (!database.open())
        return fail(QDir::toNativeSeparators(m_location.database) + u": "_qs + database.lastError().text());
    // A reader (the window, a report) never waits for a sync, and sees it a page at a time.
    if (sqlite && (!exec(u"PRAGMA journal_mode=WAL"_qs) || !exec(u"PRAGMA synchronous=NORMAL"_qs)))
        return fail(QDir::toNativeSeparators(m_location.database) + u": "_qs + m_error);
    return migrate(error);
}

bool OrderStore::exec(const QString &sql)
{
    QSqlQuery query(db());
    if (query.exec(sql))
        return true;
    m_error = query.lastError().text();
    return false;
}

// Runs a prepared statement; on failure its error is the store's.
bool OrderStore::exec(QSqlQuery &query)
{
    if (query.exec())
        return true;
    m_error = query.lastError().text();
    return false;
}

bool OrderStore::begin()
{
    // SQLite takes the write lock at once: two writers then wait for each other instead of one
    // failing when it first writes.
    return exec(m_location.driver == u"QSQLITE" ? u"BEGIN IMMEDIATE"_qs : u"BEGIN"_qs);
}

bool OrderStore::commit()
{
    if (exec(u"COMMIT"_qs))
        return true;
    rollback();
    return false;
}

void OrderStore::rollback()
{
    QSqlQuery(db()).exec(u"ROLLBACK"_qs);
}

bool OrderStore::migrate(QString *error)
{
    const auto fail = [&](const QString &why) {
        m_error = why;
        if (error)
            *error = why;
        rollback();
        return false;
    };
    if (!begin())
        return fail(m_error);
    int version = 0;
    if (db().tables().contains(u"schema_version"_qs)) {
        QSqlQuery query(db());
        if (!query.exec(u"SELECT version FROM schema_version"_qs) || !query.next())
            return fail(u"schema_version: "_qs + query.lastError().text());
        version = query.value(0).toInt();
    } else if (!exec(u"CREATE TABLE schema_version (version INTEGER NOT NULL)"_qs) ||
               !exec(u"INSERT INTO schema_version (version) VALUES (0)"_qs)) {
        return fail(m_error);
    }
    if (version > schemaVersion())
        return fail(QDir::toNativeSeparators(m_location.database) +
                    u": 由较新版本的淘页坊写入,请升级 / written by a newer 淘页坊, please upgrade"_qs);
    for (; version < schemaVersion(); ++version) {
        for (const QString &sql : migrations[version]) {
            if (!exec(sql))
                return fail(m_error);
        }
        QSqlQuery query(db());
        query.prepare(u"UPDATE schema_version SET version = ?"_qs);
        query.addBindValue(version + 1);
        if (!query.exec())
            return fail(query.lastError().text());
    }
    if (!commit())
        return fail(m_error);
    return true;
}

QString OrderStore::state(const QString &name)
{
    QSqlQuery query(db());
    query.prepare(u"SELECT value FROM sync_state WHERE name = ?"_qs);
    query.addBindValue(name);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

bool OrderStore::setState(const QString &name, const QString &value)
{
    QSqlQuery query(db());
    query.prepare(u"DELETE FROM sync_state WHERE name = ?"_qs);
    query.addBindValue(name);
    QSqlQuery insert(db());
    insert.prepare(u"INSERT INTO sync_state (name, value) VALUES (?, ?)"_qs);
    insert.addBindValue(name);
    insert.addBindValue(value);
    return exec(query) && exec(insert);
}

bool OrderStore::insertWindow(const Window &window)
{
    QSqlQuery exists(db());
    exists.prepare(u"SELECT end_time FROM sync_windows WHERE query_type = ? AND start_time = ?"_qs);
    exists.addBindValue(int(window.by));
    exists.addBindValue(gatewayTime(window.start));
    if (!exec(exists))
        return false;
    if (exists.next())
        return true;
    QSqlQuery query(db());
    query.prepare(u"INSERT INTO sync_windows (query_type, start_time, end_time, failures, pages) "
                  "VALUES (?, ?, ?, ?, 0)"_qs);
    query.addBindValue(int(window.by));
    query.addBindValue(gatewayTime(window.start));
    query.addBindValue(gatewayTime(window.end));
    query.addBindValue(window.failures);
    return exec(query);
}

bool OrderStore::deleteWindow(const Window &window)
{
    QSqlQuery query(db());
    query.prepare(u"DELETE FROM sync_windows WHERE query_type = ? AND start_time = ?"_qs);
    query.addBindValue(int(window.by));
    query.addBindValue(gatewayTime(window.start));
    return exec(query);
}

std::optional<QList<Window>> OrderStore::plan(const QDateTime &now, int days, qint64 windowSeconds,
                                              int overlapMinutes)
{
    if (!begin())
        return std::nullopt;
    const QDateTime until = fromGatewayTime(state(u"synced_until"_qs));
    QDateTime first = fromGatewayTime(state(u"first_from"_qs));
    const QDateTime from = now.addDays(-days);
    QList<Window> fresh;
    const auto cover = [&fresh, windowSeconds](QueryBy by, const QDateTime &start, const QDateTime &end) {
        for (QDateTime at = start; at < end; at = at.addSecs(windowSeconds))
            fresh.append(Window{by, at, std::min(at.addSecs(windowSeconds), end), 0});
    };
    if (!until.isValid() || !first.isValid()) {
        cover(QueryBy::Created, from, now);
        first = from;
    } else {
        cover(QueryBy::Modified, until.addSecs(-60 * qint64(overlapMinutes)), now);
        // Asked for more days than were ever read: the older ones by creation time.
        if (from < first) {
            cover(QueryBy::Created, from, first);
            first = from;
        }
    }
    for (const Window &window : std::as_const(fresh)) {
        if (!insertWindow(window)) {
            rollback();
            return std::nullopt;
        }
    }
    if (!setState(u"synced_until"_qs, gatewayTime(now)) || !setState(u"first_from"_qs, gatewayTime(first)) ||
        !commit()) {
        rollback();
        return std::nullopt;
    }
    return pendingWindows();
}

QList<Window> OrderStore::pendingWindows()
{
    QList<Window> windows;
    QSqlQuery query(db());
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT query_type, start_time, end_time, failures FROM sync_windows "
                    "ORDER BY start_time, query_type"_qs)) {
        m_error = query.lastError().text();
        return windows;
    }
    while (query.next()) {
        const int by = query.value(0).toInt();
        Window window{QueryBy(by), fromGatewayTime(query.value(1).toString()),
                      fromGatewayTime(query.value(2).toString()), query.value(3).toInt()};
        if (by >= 1 && by <= 4 && window.start.isValid() && window.end.isValid() && window.start < window.end)
            windows.append(window);
    }
    return windows;
}

std::optional<StoreCounts> OrderStore::storePage(const Window &window, const QList<Order> &page,
                                                 bool windowDone)
{
    if (!begin())
        return std::nullopt;
    StoreCounts counts;
    QSqlQuery find(db());
    find.prepare(u"SELECT "_qs + orderColumns + u" FROM orders WHERE trade_id = ?"_qs);
    QSqlQuery insert(db());
    insert.prepare(u"INSERT INTO orders ("_qs + orderColumns +
                   u") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_qs);
    QSqlQuery update(db());
    update.prepare(u"UPDATE orders SET trade_parent_id = ?, item_id = ?, item_title = ?, adzone_id = ?, "
                   "site_id = ?, tk_status = ?, paid_fen = ?, estimate_fen = ?, settled_fen = ?, "
                   "create_time = ?, paid_time = ?, earning_time = ?, modified_time = ?, refund_tag = ? "
                   "WHERE trade_id = ?"_qs);
    const auto failed = [this](const QSqlQuery &query) {
        m_error = query.lastError().text();
        rollback();
        return std::nullopt;
    };
    QHash<SumKey, SumChange> changes;
    for (const Order &order : page) {
        find.addBindValue(order.tradeId);
        if (!find.exec())
            return failed(find);
        if (!find.next()) {
            bindOrder(insert, order, true);
            if (!insert.exec())
                return failed(insert);
            count(changes, order, 1);
            ++counts.added;
        } else if (const Order stored = orderFrom(find); stored == order) {
            ++counts.unchanged;
        } else {
            bindOrder(update, order, false);
            if (!update.exec())
                return failed(update);
            count(changes, stored, -1);
            count(changes, order, 1);
            ++counts.updated;
        }
        find.finish();
    }
    QSqlQuery add(db());
    add.prepare(
        u"UPDATE order_sums SET orders = orders + ?, paid_fen = paid_fen + ?, estimate_fen = estimate_fen + "
        u"?, "
        "settled_fen = settled_fen + ? WHERE day = ? AND adzone_id = ? AND item_id = ? AND tk_status = ?"_qs);
    QSqlQuery create(db());
    create.prepare(
        u"INSERT INTO order_sums (orders, paid_fen, estimate_fen, settled_fen, day, adzone_id, item_id, "
        "tk_status) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_qs);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it->orders == 0 && it->paidFen == 0 && it->estimateFen == 0 && it->settledFen == 0)
            continue;
        const auto bind = [&it](QSqlQuery &query) {
            for (const QVariant &value :
                 {QVariant(it->orders), QVariant(it->paidFen), QVariant(it->estimateFen),
                  QVariant(it->settledFen), QVariant(it.key().day), QVariant(notNull(it.key().adzoneId)),
                  QVariant(notNull(it.key().itemId)), QVariant(it.key().status)})
                query.addBindValue(value);
            return query.exec();
        };
        if (!bind(add))
            return failed(add);
        if (add.numRowsAffected() == 0 && !bind(create))
            return failed(create);
    }
    if (windowDone) {
        if (!deleteWindow(window)) {
            rollback();
            return std::nullopt;
        }
    } else {
        QSqlQuery progress(db());
        progress.prepare(
            u"UPDATE sync_windows SET pages = pages + 1 WHERE query_type = ? AND start_time = ?"_qs);
        progress.addBindValue(int(window.by));
        progress.addBindValue(gatewayTime(window.start));
        if (!progress.exec())
            return failed(progress);
    }
    if (!commit())
        return std::nullopt;
    return counts;
}

bool OrderStore::splitWindow(const Window &window, const QList<Window> &parts)
{
    if (!begin())
        return false;
    if (!deleteWindow(window)) {
        rollback();
        return false;
    }
    for (const Window &part : parts) {
        if (!insertWindow(part)) {
            rollback();
            return false;
        }
    }
    return commit();
}

bool OrderStore::windowFailed(const Window &window)
{
    QSqlQuery query(db());
    query.prepare(
        u"UPDATE sync_windows SET failures = failures + 1 WHERE query_type = ? AND start_time = ?"_qs);
    query.addBindValue(int(window.by));
    query.addBindValue(gatewayTime(window.start));
    return exec(query);
}

std::optional<Order> OrderStore::order(const QString &tradeId)
{
    QSqlQuery query(db());
    query.prepare(u"SELECT "_qs + orderColumns + u" FROM orders WHERE trade_id = ?"_qs);
    query.addBindValue(tradeId);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return orderFrom(query);
}

qint64 OrderStore::orderCount()
{
    QSqlQuery query(db());
    return query.exec(u"SELECT COUNT(*) FROM orders"_qs) && query.next() ? query.value(0).toLongLong() : 0;
}

std::optional<QList<OrderGroup>> OrderStore::groups(const QString &fromDay, const QString &toDay)
{
    QSqlQuery query(db());
    query.setForwardOnly(true);
    query.prepare(u"SELECT adzone_id, item_id, day, tk_status, orders, paid_fen, estimate_fen, settled_fen "
                  "FROM order_sums WHERE day >= ? AND day <= ? AND orders <> 0"_qs);
    query.addBindValue(fromDay);
    query.addBindValue(toDay);
    if (!exec(query))
        return std::nullopt;
    QList<OrderGroup> out;
    while (query.next())
        out.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                    query.value(3).toInt(), query.value(4).toLongLong(), query.value(5).toLongLong(),
                    query.value(6).toLongLong(), query.value(7).toLongLong()});
    return out;
}

QDateTime OrderStore::syncedUntil()
{
    return fromGatewayTime(state(u"synced_until"_qs));
}

} // namespace orders
