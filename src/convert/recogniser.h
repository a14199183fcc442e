#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// What a pasted text holds that can be turned into the user's own promotion: item links, bare
// item ids, promotion links and 淘口令. Everything else in the text is left as it is.
namespace convert {

struct Found
{
    enum class Kind {
        ItemLink,      // an item or Tmall detail page with its id in the query
        ItemId,        // an item id on its own, numeric or the new alphanumeric form
        PromotionLink, // s.click, uland or m.tb.cn: the gateway reads the item out of it
        Tpwd,          // a 淘口令 between ￥, € or brackets
    };
    Kind kind = Kind::ItemId;
    qsizetype start = 0; // in UTF-16 code units
    qsizetype length = 0;
    // What the gateway is asked about: the item id (item_id_list) for ItemLink and ItemId, the
    // link with its scheme or the 淘口令 as written (material_list) for the others.
    QString input;
    QString written; // the input as the text has it

    bool isItem() const { return kind == Kind::ItemLink || kind == Kind::ItemId; }
};

// Everything recognised in `text`, in order, without overlaps.
QList<Found> recognise(const QString &text);

// An item id as the gateway takes it: up to 20 digits, or the new form of ASCII letters and digits
// (at least 16 of them, both cases and a digit) with at most one inner "-".
bool isItemId(QStringView id);

// `text` with found[i] replaced by replacements[i] wherever that is not empty; every other
// character stays as it was.
QString rewrite(const QString &text, const QList<Found> &found, const QStringList &replacements);

} // namespace convert
