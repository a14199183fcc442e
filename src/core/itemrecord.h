#pragma once

#include <QString>
#include <QVariant>

// The fields of one item of the item query's reply, named after its XML elements. Each element
// of the reply starts from empty fields, so a missing element never shows another item's value.
struct ItemRecord
{
    QString title;
    QString click_url;
    QString pic_url;
    QString price;
    QString shop_click_url;
    QString nick;
    // A number after parsing, then the badge address when the score maps to a badge.
    QVariant seller_credit_score = QString();
};
