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

// The record's values made safe for a page, for a source whose values are plain text (the open
// platform's JSON): every text and link HTML-escaped, for element text and quoted attributes
// alike. The test tool's values are HTML already (its titles carry highlight markup) and are not
// passed through this.
ItemRecord escapedForPage(const ItemRecord &record);

} // namespace itemrendering
