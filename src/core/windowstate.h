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

// Where the program's outside services live; each is a host[:port] from the settings file.
struct ServiceHosts
{
    QString apiHost;   // the API test tool
    QString shortHost; // the URL-shortening service
    QString imageHost; // the host of the credit badge pictures
};

// Text the main window keeps for as long as it exists, shared by its handlers. Only itemsHtml
// is ever reset, at the start of each generation run that passes the input checks.
struct WindowState
{
    QString programFolder; // the folder that holds the executable, no trailing separator
    QString settingsPath;
    QString templateRoot;     // the shipped templates, ends with a separator
    QString userTemplateRoot; // the user's own, ends with a separator; templateRoot in a portable folder
    QString outputRoot;       // 已生成, where each run makes its folder
    QString helpBaseUrl;      // ends with "/"
    ServiceHosts hosts;

    QString templateText;
    QString headerPart;
    QString itemBlock;
    QString footerPart;
    QString itemsHtml;
    QString outputFolder;

    QString sortCode;
    QString replyText;
    QString itemText;
    ItemRecord record;
    QString shortReply;
};
