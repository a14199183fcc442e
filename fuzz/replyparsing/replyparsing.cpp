// The API test tool's reply, from decoding to filled item blocks: no more items than the reply
// has elements, every value cut from the reply, and each item adds to the page only its own
// block, never touching what came before.
//
// Input: the item count (first byte), the item block, then the reply text, separated by 0x1F.

#include <algorithm>
#include <cstdint>

#include "creditbadge.h"
#include "fuzzinput.h"
#include "itemrendering.h"
#include "replyparsing.h"
#include "textops.h"
#include "itemrecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int count = data[0] % 48;
    std::string_view rest(reinterpret_cast<const char *>(data) + 1, size - 1);
    const QString block = fuzzinput::text(fuzzinput::takePart(rest));
    QString reply = fuzzinput::text(rest);

    replyparsing::decodeEntities(reply);
    const QString decoded = reply;
    const qsizetype opens = decoded.count(u"<taobaoke_item>"_qs);
    const qsizetype closes = decoded.count(u"</taobaoke_item>"_qs);
    const replyparsing::ReplyKind kind = replyparsing::classify(decoded);
    if (kind == replyparsing::ReplyKind::Items)
        FUZZ_CHECK(opens > 0 && closes > 0);

    QString html;
    QString volume;
    int taken = 0;
    for (int rank = 1; rank <= count; ++rank) {
        const std::optional<QString> element = replyparsing::takeElement(reply);
        if (!element)
            break;
        ++taken;
        FUZZ_CHECK(decoded.contains(*element));

        // Every item starts from empty fields; the volume lives for the whole run.
        ItemRecord record;
        const QString volumeBefore = volume;
        replyparsing::extractFields(*element, record, volume);
        for (const QString *field : {&record.title, &record.click_url, &record.pic_url, &record.price,
                                     &record.shop_click_url, &record.nick})
            FUZZ_CHECK(element->contains(*field));
        FUZZ_CHECK(volume == volumeBefore || element->contains(volume));
        creditbadge::apply(record.seller_credit_score, u"img.example"_qs);

        const QString values[] = {textops::numberText(rank),
                                  record.title,
                                  record.click_url,
                                  record.pic_url,
                                  record.price,
                                  volume,
                                  record.shop_click_url,
                                  record.nick,
                                  creditbadge::scoreText(record.seller_credit_score)};
        qsizetype longest = 0;
        for (const QString &value : values)
            longest = std::max(longest, value.size());

        const QString before = html;
        itemrendering::appendItem(html, block, rank, record, volume);
        FUZZ_CHECK(html.startsWith(before));
        const qsizetype added = html.size() - before.size();
        FUZZ_CHECK(added <= block.size() + block.count(u"[#"_qs) * longest);
    }
    FUZZ_CHECK(taken <= opens && taken <= closes);
    return 0;
}
