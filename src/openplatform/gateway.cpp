#include "gateway.h"

#include <memory>

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include "cancellation.h"
#include "httpexchange.h"
#include "toprequest.h"
#include "webtext.h"

namespace openplatform {

namespace {

const QString formContentType = u"application/x-www-form-urlencoded;charset=utf-8"_qs;

// Replies above this are no answer of the gateway's.
constexpr qint64 maxReplyBytes = 16 * 1024 * 1024;

} // namespace

CallResult call(QStringView method, const Parameters &own, const itemsource::OpenPlatformSetup &account,
                const QDateTime &now, const net::Cancellation *cancel, int timeoutMs)
{
    CallResult result;
    if (cancel && cancel->isCancelled()) {
        result.status = CallResult::Status::Cancelled;
        return result;
    }
    const QUrl url(account.gateway.trimmed());
    if (!webtext::isHttpUrl(url) || !QCoreApplication::instance()) {
        result.status = CallResult::Status::BadGateway;
        return result;
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, formContentType.toLatin1());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(timeoutMs);

    const QByteArray body = formBody(signedCall(method, own, account, now));
    // The thread's kept manager: a run makes one call per item for its 淘口令, over one connection.
    std::unique_ptr<QNetworkReply, net::ReplyDeleter> reply(net::threadManager()->post(request, body));
    QNetworkReply *r = reply.get();

    bool tooLarge = false;
    QObject::connect(r, &QNetworkReply::downloadProgress, r, [r, &tooLarge](qint64 received, qint64) {
        if (received > maxReplyBytes && !tooLarge) {
            tooLarge = true;
            r->abort();
        }
    });

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (cancel)
        QObject::connect(cancel, &net::Cancellation::cancelled, &loop, &QEventLoop::quit);
    // A cancel that came before the connection above is seen here; exec() would forget its quit.
    if (!r->isFinished() && !(cancel && cancel->isCancelled())) {
        deadline.start(timeoutMs);
        loop.exec();
    }

    if (cancel && cancel->isCancelled()) {
        result.status = CallResult::Status::Cancelled;
        return result;
    }
    if (timedOut || r->error() == QNetworkReply::TimeoutError ||
        r->error() == QNetworkReply::OperationCanceledError) {
        result.status = tooLarge ? CallResult::Status::NetworkError : CallResult::Status::TimedOut;
        result.detail = tooLarge ? u"回复过大"_qs : QString();
        return result;
    }
    result.httpStatus = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = r->readAll();
    if (result.httpStatus >= 200 && result.httpStatus < 300) {
        result.status = CallResult::Status::Replied;
    } else if (result.httpStatus != 0) {
        result.status = CallResult::Status::HttpError;
    } else {
        result.status = CallResult::Status::NetworkError;
        result.detail = r->errorString();
    }
    return result;
}

net::Exchange callExchange(QStringView method, const Parameters &own,
                           const itemsource::OpenPlatformSetup &account, const QDateTime &now)
{
    net::Exchange exchange;
    exchange.url = account.gateway.trimmed();
    // Percent-encoded: plain ASCII, whatever the parameters hold.
    exchange.body = QString::fromLatin1(formBody(signedCall(method, own, account, now)));
    exchange.cached = false;
    exchange.timeoutSeconds = qint16(callTimeoutMs / 1000);
    exchange.contentType = formContentType;
    return exchange;
}

} // namespace openplatform
