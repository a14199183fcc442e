#pragma once

#include <QString>

namespace net {
class Cancellation;
}

// The result of SendTo when the exchange did not complete in time.
inline const QString timeoutText = QStringLiteral("错误|连接超时");
// The result of SendTo when the exchange broke down before the whole reply arrived.
inline const QString connectionErrorText = QStringLiteral("错误|连接中断");

// One HTTP exchange over this thread's QNetworkAccessManager (kept, so connections are reused).
// - GET when 数据 is empty, else POST of 数据 as UTF-8. "Referer" only when 来路 is not empty,
//   "Content-Type" always (line breaks in either become spaces). 是否缓存 false bypasses every
//   cache (also asks proxies to with "Cache-Control"/"Pragma: no-cache").
// - Waits in 延时时间 × 10 slices of 100 ms (one slice when ≤ 0) while events are handled; the
//   reply's end cuts the slice short. A reply that has not ended by then gives timeoutText and the
//   request is aborted. Once `cancel` is cancelled the request is aborted and the result is
//   timeoutText at once; with a cancelled `cancel` nothing is sent.
// - The reply body whatever the HTTP status: decoded by the reply's charset (else a byte order
//   mark, else UTF-8) when 编码 is true, else by bytes2BSTR (empty text when that fails).
//   返回 false gives empty text after the full exchange.
// - An exchange that breaks down gives connectionErrorText, never the part of a reply that came:
//   a connection refused, reset or closed early, a reply that is not HTTP, a body shorter than its
//   Content-Length, too many redirects. A body above 32 MiB is dropped: empty text.
// - Redirects are followed as a browser does, but never from https to http nor to other schemes.
// - An address that is not http(s) gives timeoutText at once. Never throws.
QString SendTo(const QString &网址, const QString &数据, const QString &来路, bool 返回, bool 是否缓存,
               qint16 延时时间, bool 编码, const QString &ContentType,
               const net::Cancellation *cancel = nullptr);
