#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "topreply.h"
#include "topsign.h"

// The open platform's general link conversion: item ids and materials (links and 淘口令) turned
// into links of the caller's own 推广位, and the reply read in either of the gateway's shapes.
namespace convert {

inline constexpr QStringView linkConvertMethod = u"taobao.tbk.dg.general.link.convert";
// The most item ids, or materials, one call may carry.
inline constexpr int maxPerCall = 20;

// One call's own parameters: the adzone, and the ids and materials joined by commas.
openplatform::Parameters linkConvert(const QString &adzoneId, const QStringList &itemIds,
                                     const QStringList &materials);

// What the gateway made of one input. Every value is trimmed; links are only ever plain http(s)
// addresses and 淘口令 only short plain text, anything else is left out.
struct Conversion
{
    QString input;  // the item id or material it answers, as the gateway repeated it
    QString itemId; // the item's id when the gateway named it
    QString title;
    QString link; // the coupon link where there is a coupon, else the plain promotion link
    QString tpwd; // the 淘口令 of that link
    bool hasCoupon = false;
    QString couponAmount; // in yuan, as the gateway wrote it when that is a number
    QString couponDesc;
    QString couponStart;
    QString couponEnd;
    QString couponRemain;
    QString commissionRate; // in percent: "8.50"
    QString finalPrice;     // in yuan: "118.00"
    // The entry's own refusal: a code other than 0, and what the gateway said.
    QString code;
    QString msg;
};

struct LinkConvertReply
{
    openplatform::ReplyKind kind = openplatform::ReplyKind::Unparseable;
    QList<Conversion> items;     // data.item_url_list
    QList<Conversion> materials; // data.material_url_list
    openplatform::TopError error;
};

// Links are taken as openplatform::webLink() takes them: "//" as https, plain web addresses only.
LinkConvertReply parseLinkConvert(const QByteArray &json);

// Short text that can go back into a message as it is: no line breaks, controls or invisible
// formatting characters.
bool isPlainValue(QStringView value, qsizetype maxLength = 200);

} // namespace convert
