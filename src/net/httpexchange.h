#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace net {

// One HTTP request as SendTo takes it; SendTo and ExchangeBatch build it onto the wire the same way.
struct Exchange
{
    QString url;               // 网址
    QString body;              // 数据: empty text selects GET
    QString referer;           // 来路: empty text sends no Referer
    bool readReply = true;     // 返回
    bool cached = true;        // 是否缓存
    qint16 timeoutSeconds = 5; // 延时时间
    bool asText = true;        // 编码
    QString contentType;       // ContentType, always sent

    // 延时时间 × 10 slices of 100 ms, one slice when ≤ 0.
    int timeoutMs() const;
};

// How many managers a thread keeps. Qt 6.4 opens at most six connections per host and manager, and
// the connections of one manager are not shared with another, so two of them give room for eight.
inline constexpr int managerLanes = 2;

// The thread's kept manager of a lane (0 is SendTo's), so that connections are reused from one
// request to the next. It lives as long as the thread.
QNetworkAccessManager *threadManager(int lane = 0);

// Owns a reply: one still on its way is aborted before it is deleted.
struct ReplyDeleter
{
    void operator()(QNetworkReply *reply) const;
};

// One request on its way: sent on construction, its body collected as it arrives (a body above
// 32 MiB is dropped), aborted when destroyed before its end.
class PendingExchange
{
public:
    // Nothing is sent, and reply() is null, for an address that is not http(s) or has no host.
    PendingExchange(QNetworkAccessManager &manager, const Exchange &exchange);
    ~PendingExchange();
    PendingExchange(const PendingExchange &) = delete;
    PendingExchange &operator=(const PendingExchange &) = delete;

    QNetworkReply *reply() const { return m_reply.get(); }
    bool isFinished() const;
    // The HTTP status of the finished reply; 0 when none arrived.
    int httpStatus() const;
    // Once finished: what SendTo returns for it (the body decoded as asked, or empty text).
    QString result();
    // Ends the request now if it is still on its way.
    void abort();

private:
    void collect(QNetworkReply *reply);

    const bool m_readReply;
    const bool m_asText;
    // Declared before the reply: its signals may still touch them while it is being aborted.
    QByteArray m_body;
    bool m_tooLarge = false;
    std::unique_ptr<QNetworkReply, ReplyDeleter> m_reply;
};

} // namespace net
