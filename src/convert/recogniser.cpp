#include "recogniser.h"

#include <algorithm>
#include <optional>

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace convert {

namespace {

// What a link in running text is made of: a blank, a quote or anything outside ASCII (a Chinese
// word or punctuation right after it) ends it.
const QString linkChar = uR"([A-Za-z0-9\-._~:/?#\[\]@!$&()*+,;=%])"_qs;

// Links with a scheme, and the marketplace's own hosts written without one. Every link found
// is taken whole, so that nothing inside it is read as an id or a 淘口令.
const QRegularExpression &linkPattern()
{
    static const QRegularExpression pattern(
        uR"((?<![A-Za-z0-9])https?://)"_qs + linkChar + u"+|(?<!"_qs + linkChar +
            uR"()(?:[A-Za-z0-9-]+\.)*(?:taobao\.com|tmall\.com|tmall\.hk|tb\.cn)[/?])"_qs + linkChar + u'*',
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// ￥…￥ (full- or half-width yen), €…€ and brackets (full- or half-width).
const QRegularExpression &tpwdPattern()
{
    static const QRegularExpression pattern(
        uR"([￥¥]([A-Za-z0-9]{8,20})[￥¥]|€([A-Za-z0-9]{8,20})€|[(（]([A-Za-z0-9]{8,20})[)）])"_qs);
    return pattern;
}

// A run of letters and digits (one inner "-" allowed) that is no part of a path, an address, a
// decimal number, a parameter or a longer word.
const QRegularExpression &idPattern()
{
    static const QRegularExpression pattern(
        uR"((?<![A-Za-z0-9/.=_\-@#%&?+])[A-Za-z0-9]+(?:-[A-Za-z0-9]+)?(?![A-Za-z0-9/=_\-@%&]|\.[A-Za-z0-9]))"_qs);
    return pattern;
}

const QStringList itemHosts{
    u"item.taobao.com"_qs,    u"detail.tmall.com"_qs, u"detail.tmall.hk"_qs,   u"chaoshi.detail.tmall.com"_qs,
    u"detail.m.tmall.com"_qs, u"h5.m.taobao.com"_qs,  u"m.intl.taobao.com"_qs,
};
const QStringList promotionHosts{u"s.click.taobao.com"_qs, u"uland.taobao.com"_qs, u"m.tb.cn"_qs};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isAllDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isDigit);
}

// Punctuation that ends a sentence rather than the link, and closing brackets the link did not open.
// The brackets are counted once and the counts kept as the end moves back, so a link followed by
// any number of ")" takes linear time.
qsizetype linkLength(QStringView link)
{
    // Only closing brackets and punctuation are ever cut, so the opening counts stay as they are.
    const qsizetype opens[2] = {link.count(u'('), link.count(u'[')};
    qsizetype closes[2] = {link.count(u')'), link.count(u']')};
    qsizetype end = link.size();
    while (end > 0) {
        const QChar last = link[end - 1];
        const int bracket = last == u')' ? 0 : last == u']' ? 1 : -1;
        if (bracket >= 0 && opens[bracket] < closes[bracket])
            --closes[bracket];
        else if (!QStringView(u".,;:!?").contains(last))
            break;
        --end;
    }
    return end;
}

std::optional<Found> linkFound(const QString &link, qsizetype start)
{
    const bool hasScheme =
        link.startsWith(u"http://", Qt::CaseInsensitive) || link.startsWith(u"https://", Qt::CaseInsensitive);
    // The scheme in small letters, as the gateway expects it; written without one, https.
    const qsizetype schemeEnd = hasScheme ? link.indexOf(u':') : 0;
    const QString address =
        hasScheme ? link.first(schemeEnd).toLower() + link.sliced(schemeEnd) : u"https://"_qs + link;
    const QUrl url(address);
    if (!url.isValid())
        return std::nullopt;
    const QString host = url.host().toLower();
    const QString path = url.path().toLower();
    if (itemHosts.contains(host) && (path.contains(u"item") || path.contains(u"detail"))) {
        const QString id = QUrlQuery(url).queryItemValue(u"id"_qs, QUrl::FullyDecoded);
        if (!isItemId(id))
            return std::nullopt;
        return Found{Found::Kind::ItemLink, start, link.size(), id, link};
    }
    if (promotionHosts.contains(host) && (path.size() > 1 || url.hasQuery())) {
        // The gateway splits its list at commas.
        QString material = address;
        material.replace(u',', u"%2C"_qs);
        return Found{Found::Kind::PromotionLink, start, link.size(), material, link};
    }
    return std::nullopt;
}

// Random codes, not words: a letter always, and in brackets both cases and no CamelCase word.
bool isTpwdCode(QStringView code, bool bracketed)
{
    const bool upper = std::any_of(code.begin(), code.end(), [](QChar c) { return c >= u'A' && c <= u'Z'; });
    const bool lower = std::any_of(code.begin(), code.end(), [](QChar c) { return c >= u'a' && c <= u'z'; });
    if (!bracketed)
        return upper || lower;
    static const QRegularExpression word(u"^[A-Z]?[a-z]+(?:[A-Z][a-z]*)*[0-9]*$"_qs);
    return upper && lower && !word.match(code).hasMatch();
}

bool isBareId(QStringView token)
{
    if (isAllDigits(token))
        return token.size() >= 9 && token.size() <= 13 && token.front() != u'0';
    return isItemId(token);
}

// Marks [start, start + length) as taken; false, marking nothing, when any of it already is.
bool take(QList<bool> &taken, qsizetype start, qsizetype length)
{
    if (std::any_of(taken.begin() + start, taken.begin() + start + length, [](bool t) { return t; }))
        return false;
    std::fill(taken.begin() + start, taken.begin() + start + length, true);
    return true;
}

} // namespace

bool isItemId(QStringView id)
{
    if (isAllDigits(id))
        return id.size() <= 20 && id.front() != u'0';
    const qsizetype dash = id.indexOf(u'-');
    if (dash == 0 || dash == id.size() - 1 || (dash > 0 && id.indexOf(u'-', dash + 1) >= 0))
        return false;
    bool upper = false, lower = false, digit = false;
    qsizetype count = 0;
    for (const QChar c : id) {
        if (c == u'-')
            continue;
        if (c >= u'A' && c <= u'Z')
            upper = true;
        else if (c >= u'a' && c <= u'z')
            lower = true;
        else if (isDigit(c))
            digit = true;
        else
            return false;
        ++count;
    }
    return upper && lower && digit && count >= 16 && count <= 64;
}

QList<Found> recognise(const QString &text)
{
    QList<Found> found;
    QList<bool> taken(text.size(), false);

    for (auto it = linkPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const qsizetype length = linkLength(match.capturedView());
        if (length == 0)
            continue;
        take(taken, match.capturedStart(), length);
        if (const auto link = linkFound(match.captured().first(length), match.capturedStart()))
            found.append(*link);
    }
    for (auto it = tpwdPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const int group = match.hasCaptured(1) ? 1 : match.hasCaptured(2) ? 2 : 3;
        if (isTpwdCode(match.capturedView(group), group == 3) &&
            take(taken, match.capturedStart(), match.capturedLength()))
            found.append({Found::Kind::Tpwd, match.capturedStart(), match.capturedLength(), match.captured(),
                          match.captured()});
    }
    for (auto it = idPattern().globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (isBareId(match.capturedView()) && take(taken, match.capturedStart(), match.capturedLength()))
            found.append({Found::Kind::ItemId, match.capturedStart(), match.capturedLength(),
                          match.captured(), match.captured()});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.start < b.start; });
    return found;
}

QString rewrite(const QString &text, const QList<Found> &found, const QStringList &replacements)
{
    QString out;
    qsizetype at = 0;
    for (qsizetype i = 0; i < found.size(); ++i) {
        const QString replacement = replacements.value(i);
        if (replacement.isEmpty())
            continue;
        out += QStringView(text).sliced(at, found[i].start - at);
        out += replacement;
        at = found[i].start + found[i].length;
    }
    out += QStringView(text).sliced(at);
    return out;
}

} // namespace convert
