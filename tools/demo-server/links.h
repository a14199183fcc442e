#pragma once

#include <QString>

#include "catalogue.h"

// The addresses the demo service hands out. `origin` is "http://127.0.0.1:PORT".
namespace demo {

// The promotion links carry the affiliate's PID as the marketplace's links did: mm_<pid>_0_0.
QString itemLink(const QString &origin, const CatalogueItem &item, const QString &pid);
QString shopLink(const QString &origin, const CatalogueItem &item, const QString &pid);
QString pictureLink(const QString &origin, const CatalogueItem &item);

// The credit badge for a score of 1 to 20; empty for any other score.
QString badgePath(int score);

} // namespace demo
