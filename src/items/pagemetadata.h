#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include "itemrecord.h"

// What a page says about itself to search engines, share cards and browsers: its description,
// canonical address and Open Graph tags, and its items as structured data (JSON-LD).
namespace pagemetadata {

struct Page
{
    QString keyword;
    QString address;         // the page's own address on the web; empty when not known
    QList<ItemRecord> items; // in plain text, as the source told them
};

// The description: the keyword and the first items' titles, at most `maxDescription` characters.
inline constexpr qsizetype maxDescription = 150;
QString description(const Page &page);

// `text` (a part of the page outside the item block) with the page placeholders filled, each
// escaped for where it stands, in one pass: nothing a value holds is read as a placeholder.
QString fill(QStringView text, const Page &page);

} // namespace pagemetadata
