#pragma once

#include <QString>

struct ItemRecord;

// Fills the template's item block once per item.
namespace itemrendering {

// Appends `itemBlock` to `itemsHtml` and fills the placeholders of the whole accumulated text
// with the item's values, unescaped, in a fixed order. The score field shows its badge address
// or its number.
void appendItem(QString &itemsHtml, const QString &itemBlock, int rank, const ItemRecord &record,
                const QString &volume);

// Fills the placeholders of what only the open platform tells (original price, final price,
// coupon, its terms, platform, 淘口令) in the whole accumulated text, after the nine of
// appendItem; a value the source lacks leaves its placeholder empty.
void fillOfferPlaceholders(QString &itemsHtml, const ItemRecord &record);

} // namespace itemrendering
