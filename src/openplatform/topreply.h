#pragma once

#include <limits>

#include <QByteArray>
#include <QList>
#include <QString>

#include "itemrecord.h"

// Reading the gateway's JSON replies. Both shapes are read: the simplified one (the method's
// members at the top) and the full one (inside "<method>_response"). Wherever a list is expected
// an array, an object holding one list, or a single object is taken. Numbers may come as text
// and text as numbers.
namespace openplatform {

// An error_response: the call was refused.
struct TopError
{
    QString code;
    QString msg;
    QString subCode;
    QString subMsg;
};

// One item of the material search.
struct MaterialItem
{
    ItemRecord record; // title, link, picture, prices, shop, coupon and platform
    QString volume;
    QString itemId;   // opaque, as the gateway wrote it
    QString sellerId; // exact, also above 2^53
    // The two links as the search gave them (the record's link is the coupon's when there is one),
    // and the coupon's period as the gateway wrote it: with its amount, what tells one coupon
    // from the next.
    QString clickUrl = {};
    QString couponUrl = {};
    QString couponStart = {};
    QString couponEnd = {};
};

enum class ReplyKind {
    Answer,      // the method's answer
    Error,       // an error_response
    Unparseable, // no JSON object
};

struct SearchReply
{
    ReplyKind kind = ReplyKind::Unparseable;
    QList<MaterialItem> items;
    QString totalResults;
    TopError error;
};

struct TpwdReply
{
    ReplyKind kind = ReplyKind::Unparseable;
    QString password; // data.password_simple, "￥...￥"
    TopError error;
};

// A link or picture of a reply as it may stand in a page: a protocol-relative address
// ("//host/...") as https, and only a plain web address; anything else (a script address, text
// that would break out of an attribute) is empty.
QString webLink(const QString &address);

// The material search's reply, with at most `maxItems` items (empty objects are no items).
SearchReply parseMaterialSearch(const QByteArray &json,
                                qsizetype maxItems = std::numeric_limits<qsizetype>::max());

TpwdReply parseTpwdCreate(const QByteArray &json);

} // namespace openplatform
