#pragma once

#include <QString>

// The pages that item retrieval shows in the browser pane, each text kept only here.
namespace statuspages {

QString requesting(); // before the item query is sent
QString timedOut();   // the item query got no answer in time
QString failed();     // the reply holds no complete item element
QString generating(); // items found, the item loop starts
QString completed();  // the item loop is over
// After a link of the item titled `title` has been shortened; `shopLink` for the shop's link.
QString linkShortened(const QString &title, bool shopLink);

} // namespace statuspages
