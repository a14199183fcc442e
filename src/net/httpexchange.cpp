#include "httpexchange.h"

#include <algorithm>
#include <array>

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QThread>
#include <QUrl>

#include "bytes2bstr.h"
#include "gbk.h"
#include "sendto.h"
#include "webtext.h"

namespace net {

namespace {

// A reply body above this is not a page anyone asked for; it is dropped instead of filling memory.
constexpr qint64 maxReplyBytes = 32 * 1024 * 1024;

thread_local std::array<QPointer<QNetworkAccessManager>, managerLanes> threadManagers;

// Header values come from callers; a line break in one would start a header of its own.
QByteArray headerValue(const QString &text)
{
    QByteArray value = text.toUtf8();
    value.replace('\r', ' ').replace('\n', ' ').replace('\0', ' ');
    return value.isNull() ? QByteArray("") : value;
}

// The exchange broke down before the whole reply was in. An HTTP error status that came with its
// body is a reply like any other; a transport error, or a body that stops short of the length
// its header gave, is not. A body that came whole by its length is whole, whatever the network
// said after it (Qt reports an error on some re-sent POSTs). A compressed body's length says
// nothing about the decoded one.
bool brokenOff(const QNetworkReply &reply, qint64 bodySize)
{
    const bool gotStatus = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    if (encoding.isEmpty() || encoding == "identity") {
        bool ok = false;
        const qint64 length = reply.rawHeader("Content-Length").trimmed().toLongLong(&ok);
        if (ok && bodySize < length)
            return true;
        if (ok && gotStatus)
            return false;
    }
    const QNetworkReply::NetworkError error = reply.error();
    return error != QNetworkReply::NoError && (!gotStatus || error < QNetworkReply::ContentAccessDenied ||
                                               error == QNetworkReply::ProtocolFailure);
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

} // namespace

int Exchange::timeoutMs() const
{
    return std::max(1, int(timeoutSeconds) * 10) * 100;
}

QNetworkAccessManager *threadManager(int lane)
{
    lane = std::clamp(lane, 0, managerLanes - 1);
    QPointer<QNetworkAccessManager> &kept = threadManagers.at(lane);
    if (kept)
        return kept;
    if (lane > 0) {
        // A further lane lives inside the first and keeps its cookies in the first one's jar, so
        // the services see one client whichever connection a request takes.
        QNetworkAccessManager *first = threadManager(0);
        auto *nam = new QNetworkAccessManager(first);
        kept = nam;
        QNetworkCookieJar *jar = first->cookieJar();
        nam->setCookieJar(jar);
        jar->setParent(first); // after this lane among the first's children: it goes first
        return nam;
    }
    auto *nam = new QNetworkAccessManager;
    kept = nam;
    QThread *thread = QThread::currentThread();
    QCoreApplication *app = QCoreApplication::instance();
    if (app && thread == app->thread())
        nam->setParent(app);
    else
        QObject::connect(
            thread, &QThread::finished, nam, [nam] { delete nam; }, Qt::DirectConnection);
    return nam;
}

void ReplyDeleter::operator()(QNetworkReply *reply) const
{
    if (!reply->isFinished())
        reply->abort();
    delete reply;
}

PendingExchange::PendingExchange(QNetworkAccessManager &manager, const Exchange &exchange)
    : m_readReply(exchange.readReply)
    , m_asText(exchange.asText)
{
    // Only web addresses: the request object must not read local files or other schemes.
    const QUrl url(exchange.url, QUrl::TolerantMode);
    if (!webtext::isHttpUrl(url))
        return;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (!exchange.referer.isEmpty())
        request.setRawHeader("Referer", headerValue(exchange.referer));
    request.setRawHeader("Content-Type", headerValue(exchange.contentType));
    if (exchange.cached) {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    } else {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setRawHeader("Cache-Control", "no-cache");
        request.setRawHeader("Pragma", "no-cache");
    }

    if (exchange.body.isEmpty())
        m_reply.reset(manager.get(request));
    else if (exchange.contentType.isEmpty()) // a plain POST would get a second, default Content-Type
        m_reply.reset(manager.sendCustomRequest(request, "POST", exchange.body.toUtf8()));
    else
        m_reply.reset(manager.post(request, exchange.body.toUtf8()));
    QNetworkReply *r = m_reply.get();
    if (!r)
        return;

    QObject::connect(r, &QIODevice::readyRead, r, [this, r] { collect(r); });
    QObject::connect(r, &QNetworkReply::metaDataChanged, r, [this, r] {
        const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
        const bool isRedirect = r->attribute(QNetworkRequest::RedirectionTargetAttribute).isValid();
        if (!isRedirect && length.isValid() && length.toLongLong() > maxReplyBytes) {
            m_tooLarge = true;
            r->abort();
        }
    });
}

PendingExchange::~PendingExchange()
{
    if (!m_tooLarge || !m_reply)
        return;
    // Qt 6.4 at times leaves the connection of a reply aborted in the middle of a flood of data
    // open, unread, for good. Dropping the manager's connections closes it; not while other
    // requests are out on them, though.
    QNetworkAccessManager *manager = m_reply->manager();
    m_reply.reset();
    if (manager && manager->findChildren<QNetworkReply *>(Qt::FindDirectChildrenOnly).isEmpty())
        manager->clearConnectionCache();
}

bool PendingExchange::isFinished() const
{
    return m_reply && m_reply->isFinished();
}

void PendingExchange::abort()
{
    if (m_reply && !m_reply->isFinished())
        m_reply->abort();
}

int PendingExchange::httpStatus() const
{
    return m_reply ? m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

void PendingExchange::collect(QNetworkReply *r)
{
    if (m_tooLarge)
        return;
    if (m_body.size() + r->bytesAvailable() > maxReplyBytes) {
        m_tooLarge = true;
        r->abort();
        return;
    }
    m_body += r->readAll();
}

QString PendingExchange::result()
{
    if (!m_reply)
        return {};
    collect(m_reply.get());
    if (m_tooLarge)
        return {};
    if (brokenOff(*m_reply, m_body.size()))
        return connectionErrorText;
    if (!m_readReply)
        return {};
    const QByteArray contentType = m_reply->rawHeader("Content-Type");
    if (m_asText)
        return decodeText(m_body, contentType);
    return bytes2BSTR(m_body).value_or(QString());
}

} // namespace net
