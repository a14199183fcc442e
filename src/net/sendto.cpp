#include "sendto.h"

#include <algorithm>
#include <memory>

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QThread>
#include <QUrl>

#include "bytes2bstr.h"
#include "cancellation.h"
#include "gbk.h"
#include "runprocess.h"

namespace {

// A reply body above this is not a page anyone asked for; it is dropped instead of filling memory.
constexpr qint64 maxReplyBytes = 32 * 1024 * 1024;

constexpr int sliceMs = 100;

thread_local QPointer<QNetworkAccessManager> threadManager;

// One manager per thread, kept so that connections are reused from one call to the next.
QNetworkAccessManager *manager()
{
    if (threadManager)
        return threadManager;
    auto *nam = new QNetworkAccessManager;
    threadManager = nam;
    QThread *thread = QThread::currentThread();
    QCoreApplication *app = QCoreApplication::instance();
    if (thread == app->thread())
        nam->setParent(app);
    else
        QObject::connect(
            thread, &QThread::finished, nam, [nam] { delete nam; }, Qt::DirectConnection);
    return nam;
}

// Header values come from callers; a line break in one would start a header of its own.
QByteArray headerValue(const QString &text)
{
    QByteArray value = text.toUtf8();
    value.replace('\r', ' ').replace('\n', ' ').replace('\0', ' ');
    return value.isNull() ? QByteArray("") : value;
}

QByteArray charsetOf(const QByteArray &contentType)
{
    const QList<QByteArray> params = contentType.split(';');
    for (qsizetype i = 1; i < params.size(); ++i) {
        const QByteArray param = params[i].trimmed();
        const qsizetype eq = param.indexOf('=');
        if (eq < 0 || param.left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = param.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value.trimmed().toLower();
    }
    return {};
}

// The reply as text, the way a browser's request object reads it: the charset of the reply,
// else a byte order mark, else UTF-8.
QString decodeText(const QByteArray &body, const QByteArray &contentType)
{
    const QByteArray charset = charsetOf(contentType);
    if (charset == "gbk" || charset == "gb2312" || charset == "x-gbk" || charset == "cp936")
        return gbk::decode(body);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    if (auto encoding = QStringConverter::encodingForData(body)) {
        QStringDecoder decoder(*encoding);
        return decoder.decode(body);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    return utf8.decode(body);
}

// The exchange broke down before the whole reply was in. An HTTP error status that came with its
// body is a reply like any other; a transport error, or a body that stops short of the length
// its header gave, is not. A compressed body's length says nothing about the decoded one.
bool brokenOff(const QNetworkReply &reply, qint64 bodySize)
{
    const QNetworkReply::NetworkError error = reply.error();
    if (error != QNetworkReply::NoError) {
        const bool gotStatus = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        if (!gotStatus || error < QNetworkReply::ContentAccessDenied ||
            error == QNetworkReply::ProtocolFailure)
            return true;
    }
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return false;
    bool ok = false;
    const qint64 length = reply.rawHeader("Content-Length").trimmed().toLongLong(&ok);
    return ok && bodySize < length;
}

struct ReplyDeleter
{
    void operator()(QNetworkReply *reply) const
    {
        if (!reply->isFinished())
            reply->abort();
        delete reply;
    }
};

QString exchange(const QString &网址, const QString &数据, const QString &来路, bool 返回, bool 是否缓存,
                 qint16 延时时间, bool 编码, const QString &ContentType, const net::Cancellation *cancel)
{
    if ((cancel && cancel->isCancelled()) || !QCoreApplication::instance())
        return timeoutText;

    // Only web addresses: the request object must not read local files or other schemes.
    const QUrl url(网址, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return timeoutText;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (!来路.isEmpty())
        request.setRawHeader("Referer", headerValue(来路));
    request.setRawHeader("Content-Type", headerValue(ContentType));
    if (是否缓存) {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    } else {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setRawHeader("Cache-Control", "no-cache");
        request.setRawHeader("Pragma", "no-cache");
    }

    // Declared before the reply: its signals may still touch them while it is being aborted.
    QByteArray body;
    bool tooLarge = false;

    QNetworkAccessManager *nam = manager();
    QNetworkReply *sent = nullptr;
    if (数据.isEmpty())
        sent = nam->get(request);
    else if (ContentType.isEmpty()) // a plain POST would get a second, default Content-Type from Qt
        sent = nam->sendCustomRequest(request, "POST", 数据.toUtf8());
    else
        sent = nam->post(request, 数据.toUtf8());
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(sent);
    if (!reply)
        return timeoutText;

    QNetworkReply *r = reply.get();
    const auto collect = [r, &body, &tooLarge] {
        if (tooLarge)
            return;
        if (body.size() + r->bytesAvailable() > maxReplyBytes) {
            tooLarge = true;
            r->abort();
            return;
        }
        body += r->readAll();
    };
    QObject::connect(r, &QIODevice::readyRead, r, collect);
    QObject::connect(r, &QNetworkReply::metaDataChanged, r, [r, &tooLarge] {
        const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
        const bool isRedirect = r->attribute(QNetworkRequest::RedirectionTargetAttribute).isValid();
        if (!isRedirect && length.isValid() && length.toLongLong() > maxReplyBytes) {
            tooLarge = true;
            r->abort();
        }
    });

    // A cancel ends the reply, and with it the slice in progress.
    if (cancel)
        QObject::connect(cancel, &net::Cancellation::cancelled, r, &QNetworkReply::abort);

    // Slices of 100 ms; the reply's end wakes the slice, so completion is seen at once.
    const int slices = std::max(1, int(延时时间) * 10);
    bool timedOut = false;
    for (int slice = 0; !r->isFinished();) {
        RunProcess(sliceMs, r, &QNetworkReply::finished);
        ++slice;
        if (r->isFinished())
            break;
        if (slice >= slices) {
            timedOut = true;
            break;
        }
    }
    if (timedOut || (cancel && cancel->isCancelled()))
        return timeoutText; // the deleter aborts the request

    collect();
    if (tooLarge)
        return {};
    if (brokenOff(*r, body.size()))
        return connectionErrorText;
    if (!返回)
        return {};
    const QByteArray contentType = r->rawHeader("Content-Type");
    reply.reset();
    if (编码)
        return decodeText(body, contentType);
    return bytes2BSTR(body).value_or(QString());
}

} // namespace

QString SendTo(const QString &网址, const QString &数据, const QString &来路, bool 返回, bool 是否缓存,
               qint16 延时时间, bool 编码, const QString &ContentType, const net::Cancellation *cancel)
{
    try {
        return exchange(网址, 数据, 来路, 返回, 是否缓存, 延时时间, 编码, ContentType, cancel);
    } catch (...) {
        return {};
    }
}
