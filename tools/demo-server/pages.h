#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "catalogue.h"

// The HTML pages of the demo service (UTF-8): where promotion links and short links lead.
namespace demo {

// `pid` is the affiliate PID the visitor came with (empty when none).
QByteArray itemPage(const CatalogueItem &item, const QString &pid, const QString &origin);
QByteArray shopPage(const QList<const CatalogueItem *> &items, const QString &pid, const QString &origin);
QByteArray homePage(const Catalogue &catalogue, const QString &origin);
QByteArray notFoundPage(const QString &path);
QByteArray redirectPage(const QString &url);

} // namespace demo
