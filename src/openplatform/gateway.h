#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "itemsource.h"
#include "topsign.h"

namespace net {
class Cancellation;
struct Exchange;
} // namespace net

// One signed call of the open platform's REST gateway.
namespace openplatform {

struct CallResult
{
    enum class Status {
        Replied,      // a reply with a success status: `body` holds it
        HttpError,    // another status; `body` may still hold an error_response
        TimedOut,     // no complete reply in time
        NetworkError, // no connection, or it broke; `detail` says why
        Cancelled,    // the run was stopped
        BadGateway,   // the gateway is no http(s) address
    };
    Status status = Status::NetworkError;
    int httpStatus = 0;
    QByteArray body;
    QString detail;
};

// How long one call may take.
inline constexpr int callTimeoutMs = 15000;

// Posts the signed call of `method` with `own` parameters to the account's gateway, as UTF-8
// form data, and waits for the reply while the thread's events are handled.
CallResult call(QStringView method, const Parameters &own, const itemsource::OpenPlatformSetup &account,
                const QDateTime &now, const net::Cancellation *cancel, int timeoutMs = callTimeoutMs);

// The same signed call as one request of a net::ExchangeBatch, for calls that go out together.
net::Exchange callExchange(QStringView method, const Parameters &own,
                           const itemsource::OpenPlatformSetup &account, const QDateTime &now);

} // namespace openplatform
