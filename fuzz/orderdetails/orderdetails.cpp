// The order reader's replies: whatever the gateway sends, an answer is never also an error; every
// order kept has a trade id of digits and a creation time; item ids are plain letters, digits,
// "-" and "_"; titles carry no control or bidi character; money is never negative; the position
// to pass back holds no control character. The same bytes parse the same way, and every amount
// reads back from its own text.
//
// Input: the reply.

#include <cstdint>

#include <QRegularExpression>

#include "fuzzinput.h"
#include "orderreader.h"
#include "textops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    const orders::OrderPage page = orders::parseOrderDetails(json);
    FUZZ_CHECK(page.kind == openplatform::ReplyKind::Answer || (page.orders.isEmpty() && !page.hasNext));
    static const QRegularExpression digits(u"^\\d{1,32}$"_qs);
    static const QRegularExpression plainId(u"^[A-Za-z0-9_-]{0,64}$"_qs);
    for (const orders::Order &order : page.orders) {
        FUZZ_CHECK(digits.match(order.tradeId).hasMatch());
        FUZZ_CHECK(orders::fromGatewayTime(order.createTime).isValid());
        FUZZ_CHECK(plainId.match(order.itemId).hasMatch());
        FUZZ_CHECK(order.adzoneId.isEmpty() || digits.match(order.adzoneId).hasMatch());
        FUZZ_CHECK(textops::withoutControls(order.itemTitle) == order.itemTitle &&
                   order.itemTitle.size() <= 200);
        for (const qint64 fen : {order.paidFen, order.estimateFen, order.settledFen}) {
            FUZZ_CHECK(fen >= 0);
            FUZZ_CHECK(orders::fenOf(orders::yuanText(fen)) == fen);
        }
    }
    FUZZ_CHECK(textops::withoutControls(page.positionIndex) == page.positionIndex);
    const orders::OrderPage again = orders::parseOrderDetails(json);
    FUZZ_CHECK(again.kind == page.kind && again.orders == page.orders &&
               again.positionIndex == page.positionIndex);
    return 0;
}
