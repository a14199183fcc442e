#include "formbody.h"

#include <iterator>
#include <string_view>

#include <QStringDecoder>

#include "gbk.h"

namespace demo {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The fields that follow the keyword in the item query form, in the order the program sends them.
constexpr std::string_view keywordTailKeys[] = {
    "cid",
    "start_price",
    "end_price",
    "auto_send",
    "area",
    "start_credit",
    "end_credit",
    "sort",
    "guarantee",
    "start_commissionRate",
    "end_commissionRate",
    "start_commissionNum",
    "end_commissionNum",
    "start_totalnum",
    "end_totalnum",
    "cash_coupon",
    "vip_card",
    "overseas_item",
    "sevendays_return",
    "real_describe",
    "onemonth_repair",
    "cash_ondelivery",
    "mall_item",
    "page_no",
    "page_size",
    "outer_code",
    "is_mobile",
    "session",
};

QByteArrayView keyOf(QByteArrayView piece)
{
    const qsizetype eq = piece.indexOf('=');
    return eq < 0 ? piece : piece.first(eq);
}

// Pieces between "&", empty ones kept: they may be part of a keyword.
QList<QByteArrayView> pieces(QByteArrayView body)
{
    QList<QByteArrayView> out;
    qsizetype from = 0;
    while (true) {
        const qsizetype amp = body.indexOf('&', from);
        if (amp < 0) {
            out.append(body.sliced(from));
            return out;
        }
        out.append(body.sliced(from, amp - from));
        from = amp + 1;
    }
}

QPair<QByteArray, QByteArray> toPair(QByteArrayView piece)
{
    const qsizetype eq = piece.indexOf('=');
    if (eq < 0)
        return {piece.toByteArray(), QByteArray()};
    return {piece.first(eq).toByteArray(), piece.sliced(eq + 1).toByteArray()};
}

} // namespace

FormPairs splitForm(QByteArrayView body)
{
    FormPairs pairs;
    for (const QByteArrayView piece : pieces(body)) {
        if (!piece.isEmpty())
            pairs.append(toPair(piece));
    }
    return pairs;
}

QByteArray percentDecode(QByteArrayView encoded, bool plusIsSpace)
{
    QByteArray out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0 &&
            hexValue(encoded[i + 2]) >= 0) {
            out += char(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return gbk::decode(bytes);
}

QByteArray formValue(const FormPairs &pairs, QByteArrayView key)
{
    for (const auto &[name, value] : pairs) {
        if (name == key)
            return value;
    }
    return QByteArray();
}

bool hasFormKey(const FormPairs &pairs, QByteArrayView key)
{
    for (const auto &pair : pairs) {
        if (pair.first == key)
            return true;
    }
    return false;
}

FormPairs splitItemQueryForm(QByteArrayView body)
{
    const QList<QByteArrayView> all = pieces(body);
    qsizetype at = 0;
    while (at < all.size() && !all[at].startsWith("keyword="))
        ++at;
    if (at == all.size())
        return splitForm(body);

    // The program's own form ends with a fixed run of fields after the keyword; when it is
    // there, everything between the keyword and that run belongs to the keyword.
    constexpr qsizetype tailSize = std::size(keywordTailKeys);
    qsizetype tail = at + 1;
    if (all.size() - at - 1 >= tailSize) {
        const qsizetype start = all.size() - tailSize;
        bool matches = true;
        for (qsizetype k = 0; k < tailSize && matches; ++k) {
            const std::string_view key = keywordTailKeys[k];
            matches = keyOf(all[start + k]) == QByteArrayView(key.data(), qsizetype(key.size()));
        }
        if (matches)
            tail = start;
    }

    FormPairs pairs;
    for (qsizetype k = 0; k < at; ++k) {
        if (!all[k].isEmpty())
            pairs.append(toPair(all[k]));
    }
    QByteArray keyword = all[at].sliced(qsizetype(sizeof("keyword=") - 1)).toByteArray();
    for (qsizetype k = at + 1; k < tail; ++k) {
        keyword += '&';
        keyword += all[k];
    }
    pairs.append({QByteArrayLiteral("keyword"), keyword});
    for (qsizetype k = tail; k < all.size(); ++k) {
        if (!all[k].isEmpty())
            pairs.append(toPair(all[k]));
    }
    return pairs;
}

} // namespace demo
