#pragma once

#include <QByteArray>
#include <QStringView>

#include "catalogue.h"

// Pictures drawn in code, so generated pages look real without the network.
namespace demo {

// A square product picture: the category's colour, a silhouette of the product, a short label
// and the price.
QByteArray itemPictureSvg(const CatalogueItem &item);

// A credit badge: `grade` (1 to 5) symbols of the series "red" (hearts), "blue" (diamonds),
// "cap" (blue crowns) or "crown" (gold crowns). Empty for an unknown series or grade.
QByteArray badgeSvg(QStringView series, int grade);

} // namespace demo
