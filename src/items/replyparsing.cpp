#include "replyparsing.h"

#include "sendto.h"
#include "textops.h"
#include "itemrecord.h"

namespace replyparsing {

namespace {

const QString itemOpen = u"<taobaoke_item>"_qs;
const QString itemClose = u"</taobaoke_item>"_qs;

// The text between the first `<name>` and the first `</name>` after it, spaces trimmed.
std::optional<QString> elementValue(const QString &itemText, QStringView name)
{
    const QString open = u'<' + name + u'>';
    const QString close = u"</"_qs + name + u'>';
    const qsizetype start = itemText.indexOf(open);
    if (start < 0)
        return std::nullopt;
    const qsizetype valueStart = start + open.size();
    const qsizetype end = itemText.indexOf(close, valueStart);
    if (end < 0)
        return std::nullopt;
    return textops::trimSpaces(QStringView(itemText).mid(valueStart, end - valueStart));
}

void extractText(const QString &itemText, QStringView name, QString &field)
{
    if (const auto value = elementValue(itemText, name))
        field = *value;
}

} // namespace

void decodeEntities(QString &replyText)
{
    replyText = textops::replaceAll(replyText, u"&amp;"_qs, u"&"_qs);
    replyText = textops::replaceAll(replyText, u"&lt;"_qs, u"<"_qs);
    replyText = textops::replaceAll(replyText, u"&gt;"_qs, u">"_qs);
    replyText = textops::replaceAll(replyText, u"&amp;"_qs, u"&"_qs);
    replyText = textops::replaceAll(replyText, u"&quot;"_qs, u"\""_qs);
    replyText = textops::replaceAll(replyText, u"&nbsp;"_qs, u" "_qs);
}

ReplyKind classify(const QString &replyText)
{
    // The exchange's time-out text wins even over items: the reply is then not the tool's.
    if (replyText.contains(timeoutText))
        return ReplyKind::TimedOut;
    // A reply cut off on the way is no reply: some of its items would pass for all of them.
    if (replyText.contains(connectionErrorText))
        return ReplyKind::NoItems;
    if (!replyText.contains(itemOpen) || !replyText.contains(itemClose))
        return ReplyKind::NoItems;
    return ReplyKind::Items;
}

std::optional<QString> takeElement(QString &replyText)
{
    const qsizetype start = replyText.indexOf(itemOpen);
    if (start < 0)
        return std::nullopt;
    replyText.remove(0, start + itemOpen.size());

    const qsizetype end = replyText.indexOf(itemClose);
    const qsizetype nextStart = replyText.indexOf(itemOpen);
    // An unclosed element would otherwise take the fields of the one after it, or of none.
    if (end < 0 || (nextStart >= 0 && nextStart < end))
        return std::nullopt;
    return textops::trimSpaces(QStringView(replyText).first(end));
}

void extractFields(const QString &itemText, ItemRecord &record, QString &volume)
{
    extractText(itemText, u"title", record.title);
    extractText(itemText, u"click_url", record.click_url);
    extractText(itemText, u"pic_url", record.pic_url);
    extractText(itemText, u"price", record.price);
    extractText(itemText, u"volume", volume);
    extractText(itemText, u"shop_click_url", record.shop_click_url);
    extractText(itemText, u"nick", record.nick);
    extractText(itemText, u"num_iid", record.item_id);
    if (const auto score = elementValue(itemText, u"seller_credit_score"))
        record.seller_credit_score = textops::numericValue(*score);
}

} // namespace replyparsing
