#include "sendto.h"

#include <QCoreApplication>
#include <QNetworkReply>

#include "cancellation.h"
#include "httpexchange.h"
#include "runprocess.h"

namespace {

constexpr int sliceMs = 100;

QString exchange(const net::Exchange &request, const net::Cancellation *cancel)
{
    if ((cancel && cancel->isCancelled()) || !QCoreApplication::instance())
        return timeoutText;

    net::PendingExchange pending(*net::threadManager(), request);
    QNetworkReply *r = pending.reply();
    if (!r)
        return timeoutText;

    // A cancel ends the reply, and with it the slice in progress; one that came before the
    // connection ends the exchange here.
    if (cancel)
        QObject::connect(cancel, &net::Cancellation::cancelled, r, &QNetworkReply::abort);
    if (cancel && cancel->isCancelled())
        return timeoutText;

    // Slices of 100 ms; the reply's end wakes the slice, so completion is seen at once.
    const int slices = request.timeoutMs() / sliceMs;
    for (int slice = 0; !r->isFinished();) {
        RunProcess(sliceMs, r, &QNetworkReply::finished);
        ++slice;
        if (r->isFinished())
            break;
        if (slice >= slices)
            return timeoutText; // destroying `pending` aborts the request
    }
    if (cancel && cancel->isCancelled())
        return timeoutText;
    return pending.result();
}

} // namespace

QString SendTo(const QString &网址, const QString &数据, const QString &来路, bool 返回, bool 是否缓存,
               qint16 延时时间, bool 编码, const QString &ContentType, const net::Cancellation *cancel)
{
    try {
        return exchange({网址, 数据, 来路, 返回, 是否缓存, 延时时间, 编码, ContentType}, cancel);
    } catch (...) {
        return {};
    }
}
