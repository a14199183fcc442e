#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "catalogue.h"
#include "gatewayparts.h"
#include "shortlinks.h"

namespace demo {

inline constexpr QStringView linkConvertMethod = u"taobao.tbk.dg.general.link.convert";

// taobao.tbk.dg.general.link.convert for the demo catalogue. Item ids are its numbers or the ids
// its material search hands out; an id it does not have gets a refusal of its own. A material (a
// promotion link or 淘口令) that names a catalogue number is that item; any other stands for one
// item picked by its text, the same one every time, so that what is pasted from elsewhere
// converts too. Each answer's link is a short link of `shortLinks` (the long link without it),
// its 淘口令 the demo's for the long link; a third of the items carry a coupon, as in the search.
QByteArray linkConvertReply(const Catalogue &catalogue, const CallParameters &call, const QString &origin,
                            const QDateTime &now, ShortLinks *shortLinks);

} // namespace demo
