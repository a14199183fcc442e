#pragma once

#include <QString>

#include "itemfilter.h"

struct ServiceHosts;
namespace net {
class Cancellation;
}

// The query for affiliate items that goes to the API test tool.
namespace itemquery {

// The sort code for the text of the sort box; an unknown text sorts by commission volume.
QString sortCodeFor(const QString &sortText);

// The form body of a taobao.taobaoke.items.get call: forty pairs, in the test tool's order.
// `countText` is the count box's text; its numeric value becomes page_size. The filter's price
// band, rate and Tmall choice go into the tool's own fields (it has none for coupons).
QString requestBody(const QString &pid, const QString &keyword, const QString &sortCode,
                    const QString &countText, const ItemFilter &filter = {});

QString endpointUrl(const ServiceHosts &hosts);
QString refererUrl(const ServiceHosts &hosts);

// Posts the body and waits up to 5 s; returns the reply text or the exchange's time-out text.
QString send(const ServiceHosts &hosts, const QString &body, const net::Cancellation *cancel = nullptr);

} // namespace itemquery
