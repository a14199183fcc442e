// The open platform's replies (the material search and the 淘口令 call): whatever the gateway
// sends, an answer is never also an error, no more items than asked for are built and none of
// them empty, every link or picture is empty or a plain web address, every value is trimmed,
// and a call-limit wait is bounded. The same bytes parse the same way.
//
// Input: a first byte (the item limit, 0-63), then the reply.

#include <cstdint>

#include "fuzzinput.h"
#include "topmessages.h"
#include "topreply.h"
#include "webtext.h"

namespace {

bool trimmed(const QString &value)
{
    return value == value.trimmed();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype limit = data[0] % 64;
    const QByteArray json(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const openplatform::SearchReply reply = openplatform::parseMaterialSearch(json, limit);
    FUZZ_CHECK(reply.items.size() <= limit);
    FUZZ_CHECK(reply.kind == openplatform::ReplyKind::Answer || reply.items.isEmpty());
    for (const openplatform::MaterialItem &item : reply.items) {
        const ItemRecord &r = item.record;
        for (const QString *link : {&r.click_url, &r.pic_url})
            FUZZ_CHECK(link->isEmpty() || webtext::isPlainWebAddress(*link));
        for (const QString *value :
             {&r.title, &r.price, &r.nick, &r.reserve_price, &r.final_promotion_price, &r.coupon_fee,
              &r.coupon_desc, &item.volume, &item.itemId, &item.sellerId})
            FUZZ_CHECK(trimmed(*value));
    }
    if (reply.kind == openplatform::ReplyKind::Error) {
        if (const std::optional<double> wait = openplatform::callLimitSeconds(reply.error))
            FUZZ_CHECK(*wait == -1.0 || (*wait >= 0 && *wait <= openplatform::maxCallLimitWait));
        FUZZ_CHECK(!openplatform::errorMessage(reply.error, QString()).isEmpty());
    }
    // A larger limit reads the same reply the same way.
    const openplatform::SearchReply again = openplatform::parseMaterialSearch(json, limit + 1);
    FUZZ_CHECK(again.kind == reply.kind && again.items.size() >= reply.items.size());

    const openplatform::TpwdReply tpwd = openplatform::parseTpwdCreate(json);
    FUZZ_CHECK(tpwd.kind == reply.kind);
    FUZZ_CHECK(tpwd.kind == openplatform::ReplyKind::Answer || tpwd.password.isEmpty());
    FUZZ_CHECK(trimmed(tpwd.password));
    return 0;
}
