#pragma once

#include <QString>
#include <QStringView>

class QUrl;

// Text that goes onto the web: into a page, or out as an address the program connects to.
namespace webtext {

// `text` as HTML text or as the value of a quoted attribute: & < > " and ' become entities, so
// nothing in it can start markup or end the attribute it stands in.
QString htmlEscaped(QStringView text);

// JSON text made fit to stand inside a <script> element of a page in any encoding: < > & and
// every character outside ASCII written as \u escapes, so nothing in it can close the element or
// open a comment, and a GBK page (whose character references a script never decodes) loses
// nothing. JSON has those characters only inside strings, where the escapes read the same.
QString jsonInScript(QStringView json);

// What HTML text reads as, for places that take plain text: tags dropped and character
// references (named &amp; &lt; &gt; &quot; &apos; &nbsp;, and numeric) decoded.
QString plainText(QStringView html);

// An address the program may connect to: a valid http or https URL with a host.
bool isHttpUrl(const QUrl &url);

// An address fit to stand in a page as a link or a picture: http or https with a host, at most
// 2,048 characters, and nothing that could end an attribute, start markup or hide itself: no
// blanks, quotes, angle brackets, backslashes (an escape left undecoded), control or invisible
// formatting characters.
bool isPlainWebAddress(QStringView address);

} // namespace webtext
