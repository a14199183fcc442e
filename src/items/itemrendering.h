#pragma once

#include <QString>

struct ItemRecord;

// Fills the template's item block once per item.
namespace itemrendering {

// Appends a copy of `itemBlock` to `itemsHtml` with the block's placeholders filled by the
// item's values, unescaped. The values are data: a placeholder inside a title or a link stays
// text, and the copies appended before are never touched. The score field shows its badge
// address or its number. The placeholders of what only the open platform tells (original and
// final price, coupon and its terms, platform, 淘口令) are empty where the source lacks them.
void appendItem(QString &itemsHtml, const QString &itemBlock, int rank, const ItemRecord &record,
                const QString &volume);

} // namespace itemrendering
