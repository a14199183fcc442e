#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The two encodings pages are written in, and the declarations that tell a browser which one.
namespace charsets {

enum class PageEncoding { Utf8, Gbk };

// A site's encoding as 站点.ini names it: "GBK" (any case) is GBK, anything else UTF-8.
PageEncoding fromName(QStringView name);
QString name(PageEncoding encoding);

// The files of a template copy that are text and carry a charset: .htm .html .css .js .svg.
bool isTextResource(QStringView fileName);

// A text resource read as its own declaration says (a GB encoding or UTF-8); without one, as
// UTF-8 when it is valid UTF-8, else as GBK, the encoding templates are made in.
QString decodeResource(const QByteArray &bytes);

// `text` with every charset declaration (<meta charset>, the http-equiv Content-Type's charset,
// @charset, the XML declaration's encoding) saying `encoding`.
QString declaring(QString text, PageEncoding encoding);

// `text` as a page's bytes in `encoding`, its declarations saying so. In GBK a character GBK
// cannot hold becomes a character reference.
QByteArray encodePage(const QString &text, PageEncoding encoding);

} // namespace charsets
