#include "pictures.h"

#include <algorithm>
#include <cmath>

#include <QString>

#include "webtext.h"

namespace demo {

namespace {

struct Rgb
{
    int r = 0, g = 0, b = 0;
};

Rgb parseColour(QStringView hex)
{
    const uint value = hex.sliced(1).toUInt(nullptr, 16);
    return {int(value >> 16) & 0xff, int(value >> 8) & 0xff, int(value) & 0xff};
}

// Moves the colour towards `to` by `amount` (0 to 1).
Rgb mix(Rgb from, Rgb to, double amount)
{
    auto channel = [amount](int a, int b) {
        return std::clamp(int(a + (b - a) * amount + 0.5), 0, 255);
    };
    return {channel(from.r, to.r), channel(from.g, to.g), channel(from.b, to.b)};
}

// Turns the colour round the colour wheel by `degrees`, keeping its lightness and saturation.
Rgb shiftHue(Rgb c, double degrees)
{
    const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
    const double high = std::max({r, g, b}), low = std::min({r, g, b});
    const double light = (high + low) / 2, range = high - low;
    if (range == 0)
        return c;
    const double sat = range / (1 - std::abs(2 * light - 1));
    double hue = high == r   ? std::fmod((g - b) / range, 6.0)
                 : high == g ? (b - r) / range + 2
                             : (r - g) / range + 4;
    hue = std::fmod(hue * 60 + degrees + 720, 360.0);

    const double chroma = (1 - std::abs(2 * light - 1)) * sat;
    const double x = chroma * (1 - std::abs(std::fmod(hue / 60, 2.0) - 1));
    const double m = light - chroma / 2;
    double rr = 0, gg = 0, bb = 0;
    switch (int(hue / 60)) {
    case 0:
        rr = chroma, gg = x;
        break;
    case 1:
        rr = x, gg = chroma;
        break;
    case 2:
        gg = chroma, bb = x;
        break;
    case 3:
        gg = x, bb = chroma;
        break;
    case 4:
        rr = x, bb = chroma;
        break;
    default:
        rr = chroma, bb = x;
        break;
    }
    auto channel = [m](double v) {
        return std::clamp(int((v + m) * 255 + 0.5), 0, 255);
    };
    return {channel(rr), channel(gg), channel(bb)};
}

QString colourText(Rgb c)
{
    return u"#"_qs + QString::number((c.r << 16) | (c.g << 8) | c.b, 16).rightJustified(6, u'0');
}

// The cloth of the textile silhouettes below, where a print is laid; empty for other kinds.
QString clothOutline(const QString &kind)
{
    if (kind == u"dress")
        return u"<path d=\"M170 60 L186 60 L192 96 L208 96 L214 60 L230 60 L236 112 Q240 132 228 150 "
               "L292 298 Q200 320 108 298 L172 150 Q160 132 164 112 Z\"/>"_qs;
    if (kind == u"menswear")
        return u"<path d=\"M150 68 Q200 104 250 68 L322 104 L296 162 L266 146 L266 302 L134 302 L134 146 "
               "L104 162 L78 104 Z\"/>"_qs;
    if (kind == u"bag")
        return u"<path d=\"M108 150 L292 150 L308 300 L92 300 Z\"/>"_qs;
    return QString();
}

// A print for the cloth: plain, dots or stripes, picked by `variant`.
QString print(int variant, const QString &colour)
{
    QString shapes;
    if (variant % 3 == 1) {
        for (int y = 70; y < 310; y += 26) {
            for (int x = 80 + (y / 26 % 2) * 13; x < 330; x += 26)
                shapes += u"<circle cx=\""_qs + QString::number(x) + u"\" cy=\""_qs + QString::number(y) +
                          u"\" r=\"5\"/>"_qs;
        }
    } else if (variant % 3 == 2) {
        for (int y = 66; y < 310; y += 28)
            shapes += u"<rect x=\"70\" y=\""_qs + QString::number(y) + u"\" width=\"270\" height=\"10\"/>"_qs;
    }
    if (shapes.isEmpty())
        return shapes;
    return u"<g clip-path=\"url(#cloth)\" fill=\""_qs + colour + u"\" fill-opacity=\"0.45\">"_qs + shapes +
           u"</g>"_qs;
}

// Silhouettes on a 400 x 400 canvas, drawn in white over the background; `accent` fills details.
QString silhouette(const QString &kind, const QString &accent)
{
    const QString a = u"fill=\""_qs + accent + u'"';
    if (kind == u"dress")
        return clothOutline(kind) + u"<rect x=\"168\" y=\"146\" width=\"64\" height=\"10\" rx=\"4\" "_qs + a +
               u"/>"_qs;
    if (kind == u"phone")
        return u"<rect x=\"135\" y=\"48\" width=\"130\" height=\"256\" rx=\"22\"/>"
               "<rect x=\"147\" y=\"78\" width=\"106\" height=\"192\" rx=\"4\" "_qs +
               a + u"/><circle cx=\"200\" cy=\"287\" r=\"8\" "_qs + a +
               u"/><rect x=\"184\" y=\"60\" width=\"32\" height=\"6\" rx=\"3\" "_qs + a + u"/>"_qs;
    if (kind == u"shoes")
        return u"<path d=\"M78 252 Q78 204 120 192 L170 180 Q190 150 216 140 L242 134 Q256 172 292 190 "
               "Q334 202 338 236 L338 260 Q200 272 78 262 Z\"/>"
               "<rect x=\"74\" y=\"256\" width=\"268\" height=\"18\" rx=\"9\" "_qs +
               a + u"/><path d=\"M190 170 L214 182 M200 158 L226 170 M212 148 L236 160\" stroke=\""_qs +
               accent + u"\" stroke-width=\"6\" stroke-linecap=\"round\"/>"_qs;
    if (kind == u"snack")
        return u"<path d=\"M130 72 L140 60 L150 72 L160 60 L170 72 L180 60 L190 72 L200 60 L210 72 L220 60 "
               "L230 72 L240 60 L250 72 L260 60 L270 72 L262 104 Q286 190 272 302 L128 302 "
               "Q114 190 138 104 Z\"/><circle cx=\"200\" cy=\"196\" r=\"46\" "_qs +
               a + u"/>"_qs;
    if (kind == u"beauty")
        return u"<rect x=\"170\" y=\"56\" width=\"60\" height=\"48\" rx=\"8\" "_qs + a +
               u"/><rect x=\"182\" y=\"100\" width=\"36\" height=\"34\"/>"
               "<rect x=\"148\" y=\"130\" width=\"104\" height=\"172\" rx=\"20\"/>"
               "<rect x=\"166\" y=\"180\" width=\"68\" height=\"70\" rx=\"6\" "_qs +
               a + u"/>"_qs;
    if (kind == u"home")
        return u"<rect x=\"118\" y=\"120\" width=\"146\" height=\"176\" rx=\"18\"/>"
               "<path d=\"M262 160 Q324 160 324 212 Q324 262 262 262\" fill=\"none\" stroke=\"#fff\" "
               "stroke-width=\"20\"/><path d=\"M160 98 Q150 80 162 62 M196 98 Q186 80 198 62 M232 98 "
               "Q222 80 234 62\" fill=\"none\" stroke=\"#fff\" stroke-width=\"7\" stroke-linecap=\"round\"/>"
               "<rect x=\"140\" y=\"170\" width=\"102\" height=\"12\" rx=\"6\" "_qs +
               a + u"/>"_qs;
    if (kind == u"menswear")
        return clothOutline(kind) + u"<path d=\"M160 74 Q200 112 240 74\" fill=\"none\" stroke=\""_qs +
               accent + u"\" stroke-width=\"6\"/>"_qs;
    if (kind == u"bag")
        return u"<path d=\"M150 152 Q150 78 200 78 Q250 78 250 152\" fill=\"none\" stroke=\"#fff\" "
               "stroke-width=\"16\"/>"_qs +
               clothOutline(kind) + u"<rect x=\"184\" y=\"176\" width=\"32\" height=\"26\" rx=\"5\" "_qs + a +
               u"/>"_qs;
    // digital: headphones
    return u"<path d=\"M122 214 Q122 78 200 78 Q278 78 278 214\" fill=\"none\" stroke=\"#fff\" "
           "stroke-width=\"18\"/><rect x=\"98\" y=\"192\" width=\"48\" height=\"88\" rx=\"16\"/>"
           "<rect x=\"254\" y=\"192\" width=\"48\" height=\"88\" rx=\"16\"/>"
           "<rect x=\"110\" y=\"208\" width=\"24\" height=\"56\" rx=\"8\" "_qs +
           a + u"/><rect x=\"266\" y=\"208\" width=\"24\" height=\"56\" rx=\"8\" "_qs + a + u"/>"_qs;
}

QString priceLabel(QString price)
{
    if (price.endsWith(u".00"))
        price.chop(3);
    return u"¥"_qs + price;
}

} // namespace

QByteArray itemPictureSvg(const CatalogueItem &item)
{
    // Items of one category differ in shade and print, so a page of them does not look cloned.
    const int variant = item.numIid.isEmpty() ? 0 : item.numIid.back() - '0';
    const Rgb base = shiftHue(parseColour(item.category->colour), (variant - 4.5) * 7);
    const Rgb light = mix(base, {255, 255, 255}, 0.35 + variant * 0.03);
    const Rgb dark = mix(base, {0, 0, 0}, 0.05 + (9 - variant) * 0.02);
    const QString accent = colourText(mix(base, {0, 0, 0}, 0.15));
    const QString tag = item.tags.section(u' ', 1, 1, QString::SectionSkipEmpty);
    const QString label = tag.isEmpty() ? item.category->name : tag;
    const QString cloth = clothOutline(item.category->kind);
    const QString cjkFonts = u"'Noto Sans CJK SC','Microsoft YaHei','PingFang SC',sans-serif"_qs;

    QString svg = u"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"400\" "
                  "viewBox=\"0 0 400 400\"><defs><linearGradient id=\"g\" x1=\"0\" y1=\"0\" x2=\"1\" "
                  "y2=\"1\"><stop offset=\"0\" stop-color=\""_qs +
                  colourText(light) + u"\"/><stop offset=\"1\" stop-color=\""_qs + colourText(dark) +
                  u"\"/></linearGradient>"_qs;
    if (!cloth.isEmpty())
        svg += u"<clipPath id=\"cloth\">"_qs + cloth + u"</clipPath>"_qs;
    svg += u"</defs><rect width=\"400\" height=\"400\" fill=\"url(#g)\"/>"
           "<circle cx=\"200\" cy=\"180\" r=\"138\" fill=\"#fff\" fill-opacity=\"0.16\"/>"
           "<g fill=\"#fff\" fill-opacity=\"0.95\">"_qs +
           silhouette(item.category->kind, accent) + u"</g>"_qs;
    if (!cloth.isEmpty())
        svg += print(variant, colourText(base));
    svg += u"<rect y=\"324\" width=\"400\" height=\"76\" fill=\"#000\" fill-opacity=\"0.22\"/>"
           "<text x=\"22\" y=\"374\" font-family=\""_qs +
           cjkFonts + u"\" font-size=\"32\" fill=\"#fff\">"_qs + webtext::htmlEscaped(label) +
           u"</text><text x=\"378\" y=\"374\" text-anchor=\"end\" font-family=\"Arial,sans-serif\" "
           "font-size=\"34\" font-weight=\"bold\" fill=\"#fff\">"_qs +
           webtext::htmlEscaped(priceLabel(item.price)) + u"</text></svg>"_qs;
    return svg.toUtf8();
}

QByteArray badgeSvg(QStringView series, int grade)
{
    QString symbol;
    if (series == u"red")
        symbol =
            u"<path d=\"M8 14.2 L2.3 8.4 A3.3 3.3 0 0 1 8 3.9 A3.3 3.3 0 0 1 13.7 8.4 Z\" fill=\"#f23d3d\" "
            "stroke=\"#b81f1f\" stroke-width=\"0.8\"/>"_qs;
    else if (series == u"blue")
        symbol = u"<path d=\"M8 1.8 L14.2 6.4 L8 14.4 L1.8 6.4 Z\" fill=\"#3a8ee6\" stroke=\"#1f5fae\" "
                 "stroke-width=\"0.8\"/><path d=\"M1.8 6.4 L14.2 6.4 M8 1.8 L5.6 6.4 L8 14.4 L10.4 6.4 Z\" "
                 "fill=\"#8cc4ff\" fill-opacity=\"0.6\" stroke=\"#1f5fae\" stroke-width=\"0.5\"/>"_qs;
    else if (series == u"cap" || series == u"crown") {
        const bool gold = series == u"crown";
        symbol = u"<path d=\"M2 12.6 L1.4 4.4 L5.1 7.6 L8 2.4 L10.9 7.6 L14.6 4.4 L14 12.6 Z\" fill=\""_qs +
                 (gold ? u"#f5b81c"_qs : u"#3468d4"_qs) + u"\" stroke=\""_qs +
                 (gold ? u"#b07a00"_qs : u"#1c3f8f"_qs) +
                 u"\" stroke-width=\"0.8\"/><rect x=\"2\" y=\"12.4\" width=\"12\" height=\"2\" fill=\""_qs +
                 (gold ? u"#b07a00"_qs : u"#1c3f8f"_qs) + u"\"/>"_qs;
    }
    if (symbol.isEmpty() || grade < 1 || grade > 5)
        return QByteArray();

    QString svg = u"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""_qs + QString::number(grade * 16) +
                  u"\" height=\"16\" viewBox=\"0 0 "_qs + QString::number(grade * 16) + u" 16\">"_qs;
    for (int i = 0; i < grade; ++i)
        svg += u"<g transform=\"translate("_qs + QString::number(i * 16) + u" 0)\">"_qs + symbol + u"</g>"_qs;
    svg += u"</svg>"_qs;
    return svg.toUtf8();
}

} // namespace demo
