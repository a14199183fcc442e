#include "catalogue.h"

#include <cmath>

#include <QFile>
#include <QHash>

namespace demo {

namespace {

// Money in whole cents, so that rounding is the shop's half-up and not binary noise.
qint64 cents(double value)
{
    return qint64(std::llround(value * 100.0));
}

QString money(qint64 cents)
{
    return QString::number(cents / 100) + u'.' + QString::number(cents % 100).rightJustified(2, u'0');
}

bool readNumber(QStringView text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value) && *value >= 0 && *value < 1e8;
}

bool readCount(QStringView text, int *value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= 0;
}

} // namespace

const QList<Category> &Catalogue::categories()
{
    static const QList<Category> list = {
        {u"dress"_qs, u"连衣裙"_qs, u"#e2557a"_qs},     {u"phone"_qs, u"手机"_qs, u"#3b6fd8"_qs},
        {u"shoes"_qs, u"鞋靴"_qs, u"#e8862e"_qs},       {u"snack"_qs, u"零食美食"_qs, u"#c9642b"_qs},
        {u"beauty"_qs, u"美妆护肤"_qs, u"#c04fb0"_qs},  {u"home"_qs, u"家居日用"_qs, u"#2f9e82"_qs},
        {u"menswear"_qs, u"男装"_qs, u"#3d5a80"_qs},    {u"bag"_qs, u"箱包"_qs, u"#8a5a44"_qs},
        {u"digital"_qs, u"数码配件"_qs, u"#5b4fc4"_qs},
    };
    return list;
}

namespace {

// What follows from the price and the rate: the commission per sale and over the month.
void deriveCommission(CatalogueItem &item)
{
    // The rate in hundredths of a percent, as the API writes it: 8.50 % is 850.
    const qint64 rate = cents(item.ratePercent);
    const qint64 commission = (cents(item.priceValue) * rate + 5000) / 10000;
    const qint64 volume = commission * item.commissionNum;
    item.commissionValue = commission / 100.0;
    item.commissionVolumeValue = volume / 100.0;
    item.commission = money(commission);
    item.commissionRate = money(rate * 100);
    item.commissionVolume = money(volume);
}

} // namespace

const Catalogue &Catalogue::shipped()
{
    static const Catalogue catalogue = [] {
        QFile file(u":/demo-server/catalogue.tsv"_qs);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("demo catalogue missing from the resources");
        QString error;
        Catalogue loaded = fromTsv(QString::fromUtf8(file.readAll()), &error);
        if (loaded.items().isEmpty())
            qFatal("demo catalogue unreadable: %s", qPrintable(error));
        return loaded;
    }();
    return catalogue;
}

Catalogue Catalogue::fromTsv(QStringView text, QString *error)
{
    Catalogue catalogue;
    QHash<QString, int> shops;
    QHash<QByteArray, bool> seen;
    int lineNo = 0;
    for (QStringView line : text.tokenize(u'\n')) {
        ++lineNo;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QList<QStringView> cells = line.split(u'\t');
        auto fail = [&](const QString &why) {
            if (error)
                *error = u"line "_qs + QString::number(lineNo) + u": "_qs + why;
            return Catalogue();
        };
        if (cells.size() != 11)
            return fail(u"expected 11 cells"_qs);

        CatalogueItem item;
        item.numIid = cells[0].toLatin1();
        bool digits = !item.numIid.isEmpty();
        for (const char c : item.numIid)
            digits = digits && c >= '0' && c <= '9';
        if (!digits || seen.contains(item.numIid))
            return fail(u"bad or repeated num_iid"_qs);
        seen.insert(item.numIid, true);

        for (const Category &category : categories()) {
            if (category.kind == cells[1])
                item.category = &category;
        }
        if (!item.category)
            return fail(u"unknown kind"_qs);
        item.tags = cells[2].toString();
        item.title = cells[3].toString();
        item.price = cells[4].toString();
        item.nick = cells[8].toString();
        item.location = cells[9].toString();
        if (item.title.isEmpty() || item.nick.isEmpty())
            return fail(u"empty title or nick"_qs);
        if (!readNumber(cells[4], &item.priceValue) || !readCount(cells[5], &item.volume) ||
            !readNumber(cells[6], &item.ratePercent) || !readCount(cells[7], &item.commissionNum) ||
            !readCount(cells[10], &item.creditScore) || item.creditScore > 20 || item.ratePercent > 100)
            return fail(u"bad number"_qs);

        item.shopId = shops.value(item.nick, 0);
        if (item.shopId == 0) {
            item.shopId = 100101 + int(shops.size()) * 7;
            shops.insert(item.nick, item.shopId);
        }
        deriveCommission(item);
        catalogue.m_items.append(item);
    }
    return catalogue;
}

Catalogue Catalogue::repriced(quint32 seed) const
{
    Catalogue changed = *this;
    if (seed == 0)
        return changed;
    for (CatalogueItem &item : changed.m_items) {
        // About one item in ten, the same ones for the same seed, 5 to 20 % cheaper or dearer.
        const quint32 mix = qHash(item.numIid, seed);
        if (mix % 10 != 0)
            continue;
        const int percent = 5 + int(mix / 10 % 16);
        const qint64 price = cents(item.priceValue) * (mix / 160 % 2 ? 100 + percent : 100 - percent) / 100;
        item.priceValue = price / 100.0;
        item.price = money(price);
        deriveCommission(item);
    }
    return changed;
}

const CatalogueItem *Catalogue::find(QByteArrayView numIid) const
{
    for (const CatalogueItem &item : m_items) {
        if (item.numIid == numIid)
            return &item;
    }
    return nullptr;
}

QList<const CatalogueItem *> Catalogue::shopItems(int shopId) const
{
    QList<const CatalogueItem *> found;
    for (const CatalogueItem &item : m_items) {
        if (item.shopId == shopId)
            found.append(&item);
    }
    return found;
}

QList<const CatalogueItem *> Catalogue::search(const QStringList &terms) const
{
    QList<const CatalogueItem *> found;
    if (terms.isEmpty())
        return found;
    for (const CatalogueItem &item : m_items) {
        bool all = true;
        for (const QString &term : terms) {
            all = item.title.contains(term, Qt::CaseInsensitive) ||
                  item.category->name.contains(term, Qt::CaseInsensitive) ||
                  item.tags.contains(term, Qt::CaseInsensitive);
            if (!all)
                break;
        }
        if (all)
            found.append(&item);
    }
    return found;
}

} // namespace demo
