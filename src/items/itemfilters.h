#pragma once

#include <QString>
#include <QStringView>

#include "itemfilter.h"

// The filters of a page as text: how the command line, 站点.ini and the dialogs write them, the
// checks every one of those places shares, and what each source can send.
namespace itemfilters {

// The filters' names, as the dialogs label them and 站点.ini keys them.
inline constexpr QStringView couponOnlyName = u"只要有券";
inline constexpr QStringView tmallOnlyName = u"只要天猫";
inline constexpr QStringView priceName = u"价格区间";
inline constexpr QStringView commissionName = u"最低佣金比率";

// 价格区间 as "最低-最高" in yuan: "20-200", "20-" (no highest) or "-200" (no lowest); empty text is
// no band. Returns the refusal, naming the text, or empty text with the band set in `filter`.
QString setPrice(QStringView text, ItemFilter &filter);
// 最低佣金比率 in percent, "5", "5.5" or "5%"; empty text or 0 is none. The same contract.
QString setCommission(QStringView text, ItemFilter &filter);

QString priceText(const ItemFilter &filter);      // "" when no band
QString commissionText(const ItemFilter &filter); // "" when none

// A short account of the filters for a list, "有券 天猫 20-200元 佣金≥5%", or "-".
QString summary(const ItemFilter &filter);

// What the API test tool cannot send (it has no coupon parameter); empty when it can send all.
QString testToolRefusal(const ItemFilter &filter);

} // namespace itemfilters
