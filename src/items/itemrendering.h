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

} // namespace itemrendering
