#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>

// What a site last used for each item it showed: the links the search gave, the short link and
// the 淘口令 made from them, and the coupon they were made for. A gateway may hand out new links
// and mint a new 淘口令 on every call; an item whose coupon is the same keeps what it had, so its
// page keeps its bytes and no call is made for it. Kept in the site's folder, never published;
// shared by the keywords of one refresh, which run on threads of their own.
namespace openplatform {

struct MaterialItem;

struct ItemLinks
{
    QString pid;       // the PID whose ad zone the links carry
    QString clickUrl;  // the search's click_url
    QString couponUrl; // the search's coupon_share_url; empty without a coupon
    QString shortLink; // made from the page's link; empty when none was made
    QString tpwd;      // empty when none was made
    QString couponFee;
    QString couponStart;
    QString couponEnd;
    QDateTime made;
    QDate lastShown;

    // The link the page shows unshortened: the coupon's when there is one.
    QString pageLink() const { return couponUrl.isEmpty() ? clickUrl : couponUrl; }
};

// What a page needs of an item's links.
struct LinkNeeds
{
    QString pid;
    bool shortLink = false;
    bool tpwd = false;
};

class LinkRecord
{
public:
    static constexpr int defaultValidDays = 7;
    // An item that left every page is forgotten this long after it was last shown.
    static constexpr int forgetDays = 30;
    static constexpr int maxValidDays = 365;

    explicit LinkRecord(int validDays = defaultValidDays);

    // The record in `path`; an empty one when there is none or it is damaged (it then only costs
    // new links).
    static std::shared_ptr<LinkRecord> read(const QString &path, int validDays = defaultValidDays);
    // Forgets the items not shown for forgetDays before `today` and writes the file whole, only
    // when its bytes change; false when it could not be written.
    bool write(const QString &path, const QDate &today);

    // The links kept for `item`, when they are still good for `needs` at `now`: the same ad zone,
    // the same coupon (amount, start and end), younger than the validity, the coupon not ended, and
    // holding what the page needs. Counts the item as shown.
    std::optional<ItemLinks> reusable(const MaterialItem &item, const LinkNeeds &needs, const QDateTime &now);

    // Keeps `made` for the item, unless another keyword kept good ones for it meanwhile: those
    // are returned instead, so that every page shows the same.
    ItemLinks keep(const QString &itemId, const ItemLinks &made, const LinkNeeds &needs,
                   const QDateTime &now);

    qsizetype size() const;

private:
    bool goodFor(const ItemLinks &links, const LinkNeeds &needs, const QDateTime &now) const;
    QByteArray toJson() const;

    mutable std::mutex m_mutex;
    int m_validDays;
    QHash<QString, ItemLinks> m_items; // by item id
    QByteArray m_stored;               // the file's bytes as read or last written
};

// The links an item of a search would be kept with, once its page link, short link and 淘口令
// are known.
ItemLinks linksOf(const MaterialItem &item, const QString &pid, const QDateTime &made);

} // namespace openplatform
