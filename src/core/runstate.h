#pragma once

#include <QString>

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
    QString firstPicture; // the first item's picture, for a site index

    QString outputFolder; // empty until the run has made its folder

    // The page as written to "index.htm" and copied to the clipboard.
    QString pageSource() const { return headerPart + itemsHtml + footerPart; }
};
