#pragma once

#include <QList>
#include <QString>

class FormPort;
struct ItemRecord;
struct ServiceHosts;
namespace net {
class Cancellation;
struct Exchange;
} // namespace net

// Replaces an item's promotion links by short links from the URL-shortening service.
namespace linkshortening {

// The form body that asks the service to shorten `link`.
QString requestBody(const QString &link);

// The shortening request for `link`: a form POST without Referer, waiting up to 30 s.
net::Exchange request(const ServiceHosts &hosts, const QString &link);

// Applies a service reply to `link`. Returns false, leaving `link` alone, when the reply holds
// no short link member. Otherwise the link becomes the member's value with "\/" made "/", when
// that is a plain web address (it replaces a working link in a page that gets published); a
// member that is empty, not closed or not usable leaves the long link as it is.
bool applyReply(const QString &reply, QString &link);

// Shortens the links of a run's items when the short-link option is ticked: each click_url, and
// each shop_click_url when `templateText` uses the shop link. The requests are out together (up
// to eight at a time) and each link shortened shows its page as its answer comes; a link whose
// request fails or times out stays long. Returns false when `cancel` was cancelled meanwhile:
// no request is left running and the form is not touched after.
bool shortenLinks(FormPort &form, const ServiceHosts &hosts, const QString &templateText,
                  QList<ItemRecord> &records, const net::Cancellation &cancel);

// The same for the links of a single item.
bool shortenItemLinks(FormPort &form, const ServiceHosts &hosts, const QString &templateText,
                      ItemRecord &record, const net::Cancellation &cancel);

} // namespace linkshortening
