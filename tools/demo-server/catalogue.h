#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace demo {

// A product category of the demo catalogue and how its pictures look.
struct Category
{
    QString kind;   // "dress", "phone", ...
    QString name;   // the Chinese name shown and searched
    QString colour; // "#rrggbb", the base colour of its pictures
};

struct CatalogueItem
{
    QByteArray numIid;
    const Category *category = nullptr;
    QString tags; // extra search words, blank-separated
    QString title;
    QString price; // as the reply writes it, "128.00"
    double priceValue = 0;
    int volume = 0; // sold in the last 30 days
    double ratePercent = 0;
    int commissionNum = 0; // promoted sales in the last 30 days
    QString nick;
    QString location;
    int creditScore = 0;
    int shopId = 0; // the same for every item of one seller

    // Derived once at load.
    double commissionValue = 0; // per sale
    double commissionVolumeValue = 0;
    QString commission;       // "10.88"
    QString commissionRate;   // in hundredths of a percent, as the API writes it: "850.00"
    QString commissionVolume; // "17190.40"
};

class Catalogue
{
public:
    // The catalogue shipped with the demo service, loaded on first use.
    static const Catalogue &shipped();

    // Reads the tab-separated form (see catalogue.tsv); lines starting with "#" are comments.
    // On a malformed line returns an empty catalogue and, when asked, says why.
    static Catalogue fromTsv(QStringView text, QString *error = nullptr);

    static const QList<Category> &categories();

    // The same catalogue with about one price in ten changed, as a day's repricing does: the same
    // items and prices for the same seed; seed 0 changes nothing.
    Catalogue repriced(quint32 seed) const;

    const QList<CatalogueItem> &items() const { return m_items; }
    const CatalogueItem *find(QByteArrayView numIid) const;
    QList<const CatalogueItem *> shopItems(int shopId) const;

    // Items for which every term occurs in the title, the category name or the tags (ASCII
    // letters compared without case), in catalogue order. No terms: no items.
    QList<const CatalogueItem *> search(const QStringList &terms) const;

private:
    QList<CatalogueItem> m_items;
};

} // namespace demo
