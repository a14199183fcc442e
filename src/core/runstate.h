#pragma once

#include <QList>
#include <QString>

#include "itemrecord.h"

// What one generation run owns: the template it split, the items it filled and the folder it
// wrote. The success page's links act on the run that showed it, so a page of an earlier run
// never reaches another run's files.
struct RunState
{
    QString keyword;
    QString templateName;

    QString templateText;
    QString headerPart;
    QString itemBlock;
    QString footerPart;

    QString itemsHtml;
    int itemCount = 0;
    QString firstPicture;        // the first item's picture, for a site index
    QList<ItemRecord> pageItems; // the items in plain text, for the page's metadata

    QString outputFolder; // empty until the run has made its folder

    // The page as written to "index.htm" and copied to the clipboard.
    QString pageSource() const { return headerPart + itemsHtml + footerPart; }
};
