#pragma once

#include <QString>

class FormPort;
struct ItemRecord;
struct ServiceHosts;
namespace net {
class Cancellation;
}

// Replaces an item's promotion links by short links from the URL-shortening service.
namespace linkshortening {

// The form body that asks the service to shorten `link`.
QString requestBody(const QString &link);

// Posts one shortening request for `link` and waits up to 30 s; returns the service's reply
// or the exchange's time-out text.
QString send(const ServiceHosts &hosts, const QString &link, const net::Cancellation *cancel = nullptr);

// Applies a service reply to `link`. Returns false, leaving `link` alone, when the reply holds
// no short link member. Otherwise the link becomes the member's value with "\/" made "/", when
// that is a usable short link; a member that is empty, not closed or not usable leaves the long
// link as it is.
bool applyReply(const QString &reply, QString &link);

// A short link replaces a working link in a page that gets published, so only a plain web
// address is taken: http or https with a host, at most 2,048 characters, and nothing that could
// end an attribute, start markup or hide itself: no blanks, quotes, angle brackets, backslashes
// (an escape left undecoded), control or invisible formatting characters.
bool isUsableShortLink(QStringView link);

// Shortens the item's links when the short-link option is ticked: click_url always,
// shop_click_url only when `templateText` uses the shop link. Each link shortened shows its page.
// Returns false when `cancel` was cancelled during a request; nothing more is touched then.
bool shortenItemLinks(FormPort &form, const ServiceHosts &hosts, const QString &templateText,
                      ItemRecord &record, const net::Cancellation &cancel);

} // namespace linkshortening
