#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Reading the form bodies that clients post to the demo service.
namespace demo {

using FormPairs = QList<QPair<QByteArray, QByteArray>>;

// Splits "a=1&b=2" into its pairs, in order; values stay encoded. A piece without "=" is a key
// with an empty value; empty pieces are dropped.
FormPairs splitForm(QByteArrayView body);

// Turns every "%" followed by two hex digits into its byte; a "%" that is not is kept as it is.
// With plusIsSpace, "+" becomes a blank as in standard form encoding.
QByteArray percentDecode(QByteArrayView encoded, bool plusIsSpace);

// Decoded bytes as text: UTF-8 when they are valid UTF-8, else GBK (the other encoding a
// Chinese client may send).
QString decodeText(const QByteArray &bytes);

// The first value of `key`, still encoded; empty when absent.
QByteArray formValue(const FormPairs &pairs, QByteArrayView key);
bool hasFormKey(const FormPairs &pairs, QByteArrayView key);

// The item query form. The program sends its keyword with only non-ASCII characters encoded,
// so a keyword may hold raw "&" and blanks: "keyword=a b&c&cid=&...". When the body ends with
// the fields the program sends after the keyword (cid ... session, in its order), everything
// between "keyword=" and that run is the keyword; otherwise the body is split as usual.
FormPairs splitItemQueryForm(QByteArrayView body);

} // namespace demo
