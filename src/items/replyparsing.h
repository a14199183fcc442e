#pragma once

#include <optional>

#include <QString>

struct ItemRecord;

// Turns the API test tool's reply into items.
namespace replyparsing {

// The test tool escapes its XML as HTML; this undoes it in place. "&amp;" is replaced before
// and again after "&lt;" and "&gt;", so text that was escaped twice becomes markup as well.
void decodeEntities(QString &replyText);

enum class ReplyKind {
    TimedOut, // the exchange's time-out text is in the reply
    NoItems,  // no complete item element: an error reply, an empty reply, a page of the tool,
              // or an exchange that broke down before the whole reply arrived
    Items,
};
ReplyKind classify(const QString &replyText);

// Removes the front of `replyText` up to and including the next "<taobaoke_item>" and returns
// the element's text up to its "</taobaoke_item>", spaces trimmed; the closing tag stays in
// `replyText`. Nothing when there is no further element, or when the element is not closed
// before the reply ends or the next element opens: the item list ends there.
std::optional<QString> takeElement(QString &replyText);

// Copies the fields that the element holds into `record` and `volume`; a field whose element
// is missing, or not closed after it opens, is left as it is. The seller credit score becomes
// a number (0 for a text that does not begin with one).
void extractFields(const QString &itemText, ItemRecord &record, QString &volume);

} // namespace replyparsing
