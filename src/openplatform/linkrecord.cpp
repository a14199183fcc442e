#include "linkrecord.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include "topreply.h"
#include "wholefile.h"

namespace openplatform {

namespace {

// Thousands of items with their links; anything larger is no record of ours.
constexpr qint64 maxFileSize = 32 * 1024 * 1024;
constexpr int formatVersion = 1;

// The end of a coupon as the gateway writes it: milliseconds since 1970, or a Beijing date and
// time (a day alone lasts to its end). Invalid when it says nothing usable.
QDateTime endTime(const QString &text)
{
    bool ms = false;
    const qint64 since = text.toLongLong(&ms);
    if (ms)
        return QDateTime::fromMSecsSinceEpoch(since, Qt::UTC);
    const QTimeZone beijing(8 * 3600);
    const QDateTime time = QDateTime::fromString(text, u"yyyy-MM-dd HH:mm:ss");
    if (time.isValid())
        return QDateTime(time.date(), time.time(), beijing);
    const QDate day = QDate::fromString(text, Qt::ISODate);
    return day.isValid() ? QDateTime(day.addDays(1), QTime(0, 0), beijing) : QDateTime();
}

QJsonObject toObject(const ItemLinks &links)
{
    return {{u"pid"_qs, links.pid},
            {u"click"_qs, links.clickUrl},
            {u"coupon"_qs, links.couponUrl},
            {u"short"_qs, links.shortLink},
            {u"tpwd"_qs, links.tpwd},
            {u"couponFee"_qs, links.couponFee},
            {u"couponStart"_qs, links.couponStart},
            {u"couponEnd"_qs, links.couponEnd},
            {u"made"_qs, links.made.toUTC().toString(Qt::ISODateWithMs)},
            {u"shown"_qs, links.lastShown.toString(Qt::ISODate)}};
}

std::optional<ItemLinks> fromObject(const QJsonObject &object)
{
    ItemLinks links{object[u"pid"].toString(),
                    object[u"click"].toString(),
                    object[u"coupon"].toString(),
                    object[u"short"].toString(),
                    object[u"tpwd"].toString(),
                    object[u"couponFee"].toString(),
                    object[u"couponStart"].toString(),
                    object[u"couponEnd"].toString(),
                    QDateTime::fromString(object[u"made"].toString(), Qt::ISODateWithMs),
                    QDate::fromString(object[u"shown"].toString(), Qt::ISODate)};
    // The links go into pages as they stand: only what the search could have given is taken back.
    const bool linksUsable = (links.clickUrl.isEmpty() || webLink(links.clickUrl) == links.clickUrl) &&
                             (links.couponUrl.isEmpty() || webLink(links.couponUrl) == links.couponUrl) &&
                             (links.shortLink.isEmpty() || webLink(links.shortLink) == links.shortLink) &&
                             !links.pageLink().isEmpty();
    if (!linksUsable || !links.made.isValid() || !links.lastShown.isValid())
        return std::nullopt;
    return links;
}

bool sameCoupon(const ItemLinks &a, const ItemLinks &b)
{
    return a.couponFee == b.couponFee && a.couponStart == b.couponStart && a.couponEnd == b.couponEnd &&
           a.couponUrl.isEmpty() == b.couponUrl.isEmpty();
}

} // namespace

ItemLinks linksOf(const MaterialItem &item, const QString &pid, const QDateTime &made)
{
    ItemLinks links;
    links.pid = pid;
    links.clickUrl = item.clickUrl;
    links.couponUrl = item.couponUrl;
    links.couponFee = item.record.coupon_fee;
    links.couponStart = item.couponStart;
    links.couponEnd = item.couponEnd;
    links.made = made;
    links.lastShown = made.date();
    return links;
}

LinkRecord::LinkRecord(int validDays)
    : m_validDays(validDays)
{
}

std::shared_ptr<LinkRecord> LinkRecord::read(const QString &path, int validDays)
{
    auto record = std::make_shared<LinkRecord>(validDays);
    // Only a regular file: a pipe or a device in its place would hang or flood the reader.
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.isSymLink() || info.size() > maxFileSize || !file.open(QIODevice::ReadOnly))
        return record;
    const QByteArray bytes = file.read(maxFileSize);
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject() || document[u"version"].toInt() != formatVersion)
        return record;
    const QJsonObject items = document[u"items"].toObject();
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (const std::optional<ItemLinks> links = fromObject(it.value().toObject());
            links && !it.key().isEmpty())
            record->m_items.insert(it.key(), *links);
    }
    record->m_stored = bytes;
    return record;
}

QByteArray LinkRecord::toJson() const
{
    QJsonObject items;
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        items.insert(it.key(), toObject(it.value()));
    return QJsonDocument(QJsonObject{{u"version"_qs, formatVersion}, {u"items"_qs, items}})
        .toJson(QJsonDocument::Compact);
}

bool LinkRecord::write(const QString &path, const QDate &today)
{
    std::scoped_lock lock(m_mutex);
    const QDate oldest = today.addDays(-forgetDays);
    m_items.removeIf([&oldest](const auto &item) { return item.value().lastShown < oldest; });
    // A site whose items never had links made (the test tool's) gets no record at all.
    const QByteArray bytes = toJson();
    if (bytes == m_stored || (m_items.isEmpty() && m_stored.isEmpty()))
        return true;
    if (!writeWholeFile(path, bytes))
        return false;
    m_stored = bytes;
    return true;
}

bool LinkRecord::goodFor(const ItemLinks &links, const LinkNeeds &needs, const QDateTime &now) const
{
    if (links.pid != needs.pid || (needs.shortLink && links.shortLink.isEmpty()) ||
        (needs.tpwd && links.tpwd.isEmpty()))
        return false;
    // A clock set back is no reason to keep links for ever.
    if (!links.made.isValid() || links.made > now.addSecs(3600) || links.made.addDays(m_validDays) <= now)
        return false;
    const QDateTime couponEnd = endTime(links.couponEnd);
    return links.couponFee.isEmpty() || !couponEnd.isValid() || now < couponEnd;
}

std::optional<ItemLinks> LinkRecord::reusable(const MaterialItem &item, const LinkNeeds &needs,
                                              const QDateTime &now)
{
    std::scoped_lock lock(m_mutex);
    const auto found = m_items.find(item.itemId);
    if (item.itemId.isEmpty() || found == m_items.end())
        return std::nullopt;
    ItemLinks &links = *found;
    if (!sameCoupon(links, linksOf(item, needs.pid, now)) || !goodFor(links, needs, now))
        return std::nullopt;
    links.lastShown = std::max(links.lastShown, now.date());
    return links;
}

ItemLinks LinkRecord::keep(const QString &itemId, const ItemLinks &made, const LinkNeeds &needs,
                           const QDateTime &now)
{
    std::scoped_lock lock(m_mutex);
    const auto found = m_items.find(itemId);
    // Made meanwhile by another keyword for the same coupon: its links win, whichever came first.
    if (found != m_items.end() && sameCoupon(*found, made) && goodFor(*found, needs, now)) {
        found->lastShown = std::max(found->lastShown, now.date());
        return *found;
    }
    m_items.insert(itemId, made);
    return made;
}

qsizetype LinkRecord::size() const
{
    std::scoped_lock lock(m_mutex);
    return m_items.size();
}

} // namespace openplatform
