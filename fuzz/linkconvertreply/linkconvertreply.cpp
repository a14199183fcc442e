// The 转链 reply: whatever the gateway sends, links are empty or plain http(s) addresses, 淘口令
// short plain text, every value trimmed, rates, prices and coupon amounts finite numbers or
// empty, and an answer is never also an error. A reply built from one entry per input gives one
// result per input, each carrying its own input.
//
// Input: a first byte, then either the reply's bytes (first byte odd), or the values of entries
// (first byte even), seven to an entry, each after a byte 0x1F: input, title, link, 淘口令, rate,
// price, coupon amount. A value that reads as a JSON number goes in as one. Bit 1 of the first
// byte picks the wrapped shape, bit 2 the materials' list.

#include <cmath>
#include <cstdint>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "fuzzinput.h"
#include "linkconvert.h"
#include "recogniser.h"
#include "webtext.h"

namespace {

bool trimmed(const QString &value)
{
    return value == value.trimmed();
}

bool finiteOrEmpty(const QString &value)
{
    if (value.isEmpty())
        return true;
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && std::isfinite(number) && number >= 0;
}

void checkConversion(const convert::Conversion &c)
{
    for (const QString *value :
         {&c.input, &c.itemId, &c.title, &c.link, &c.tpwd, &c.couponAmount, &c.couponDesc, &c.couponStart,
          &c.couponEnd, &c.couponRemain, &c.commissionRate, &c.finalPrice, &c.code, &c.msg})
        FUZZ_CHECK(trimmed(*value));
    FUZZ_CHECK(c.link.isEmpty() || ((c.link.startsWith(u"http://", Qt::CaseInsensitive) ||
                                     c.link.startsWith(u"https://", Qt::CaseInsensitive)) &&
                                    webtext::isPlainWebAddress(c.link)));
    FUZZ_CHECK(c.tpwd.isEmpty() || convert::isPlainValue(c.tpwd, 64));
    FUZZ_CHECK(c.itemId.isEmpty() || convert::isItemId(c.itemId));
    FUZZ_CHECK(c.hasCoupon || c.couponAmount.isEmpty());
    for (const QString *number : {&c.commissionRate, &c.finalPrice, &c.couponAmount})
        FUZZ_CHECK(finiteOrEmpty(*number));
}

// A value as a JSON number where it reads as one, else as a string.
QJsonValue jsonValue(const QString &text)
{
    const QJsonDocument document = QJsonDocument::fromJson('[' + text.toUtf8() + ']');
    if (document.isArray() && document.array().size() == 1 && document.array().first().isDouble())
        return document.array().first();
    return text;
}

// A reply of one entry for every seven values, and the inputs they carry.
QByteArray builtReply(std::string_view rest, bool wrapped, bool materials, QStringList &inputs)
{
    QJsonArray entries;
    while (!rest.empty()) {
        QStringList v;
        // Valid Unicode only, so that the JSON holds each value exactly as given.
        for (int i = 0; i < 7; ++i)
            v << QString::fromUtf8(fuzzinput::text(fuzzinput::takePart(rest)).toUtf8());
        inputs << v[0];
        const bool coupon = !v[6].isEmpty();
        entries.append(QJsonObject{
            {materials ? u"input_material_url"_qs : u"input_item_id"_qs, v[0]},
            {u"title"_qs, v[1]},
            {u"link_info_dto"_qs, QJsonObject{{coupon ? u"coupon_short_url"_qs : u"cps_short_url"_qs, v[2]},
                                              {coupon ? u"coupon_short_tpwd"_qs : u"cps_short_tpwd"_qs, v[3]},
                                              {coupon ? u"coupon_full_tpwd"_qs : u"cps_full_tpwd"_qs, v[3]}}},
            {u"promotion_info_dto"_qs,
             QJsonObject{{u"commission_rate"_qs, jsonValue(v[4])}, {u"promotion_price"_qs, jsonValue(v[5])}}},
            {u"coupon_info_dto"_qs, QJsonObject{{u"coupon_amount"_qs, jsonValue(v[6])}}},
        });
    }
    QJsonObject data{{materials ? u"material_url_list"_qs : u"item_url_list"_qs, entries}};
    QJsonObject top{{u"data"_qs, data}};
    if (wrapped)
        top = QJsonObject{{u"tbk_dg_general_link_convert_response"_qs, top}};
    return QJsonDocument(top).toJson(QJsonDocument::Compact);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    std::string_view rest(reinterpret_cast<const char *>(data + 1), size - 1);
    const bool built = !(mode & 1);
    const bool materials = mode & 4;
    QStringList inputs;
    const QByteArray json = built ? builtReply(rest, mode & 2, materials, inputs)
                                  : QByteArray(rest.data(), qsizetype(rest.size()));

    const convert::LinkConvertReply reply = convert::parseLinkConvert(json);
    FUZZ_CHECK(reply.kind == openplatform::ReplyKind::Answer ||
               (reply.items.isEmpty() && reply.materials.isEmpty()));
    for (const convert::Conversion &c : reply.items + reply.materials)
        checkConversion(c);

    if (built) {
        FUZZ_CHECK(reply.kind == openplatform::ReplyKind::Answer);
        const QList<convert::Conversion> &results = materials ? reply.materials : reply.items;
        FUZZ_CHECK((materials ? reply.items : reply.materials).isEmpty());
        FUZZ_CHECK(results.size() == inputs.size());
        for (qsizetype i = 0; i < inputs.size(); ++i)
            FUZZ_CHECK(results[i].input == inputs[i].trimmed());
    }

    // The same bytes read the same way.
    const convert::LinkConvertReply again = convert::parseLinkConvert(json);
    FUZZ_CHECK(again.kind == reply.kind && again.items.size() == reply.items.size() &&
               again.materials.size() == reply.materials.size());
    return 0;
}
