#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "convertrun.h"

// How a 转链 is shown: a row of the table per input, and on the command line one JSON object per
// input. Nothing from outside reaches a terminal with its control characters.
namespace convert {

// `text` without C0 and C1 control characters (tabs and line feeds stay) and without the
// characters that reorder text on screen (bidirectional embeddings, overrides and isolates).
QString forTerminal(QString text);

// The cells of the i-th input's row, one per converttexts::columns entry.
QStringList rowCells(const ConvertOutcome &outcome, qsizetype i);

// The i-th input as one line of compact JSON: input, item_id, short_url, tpwd, coupon_amount,
// coupon_end, commission_rate, final_price and error, each null when unknown.
QByteArray jsonLine(const ConvertOutcome &outcome, qsizetype i);

// An input the command line was given that holds nothing to convert.
QByteArray unrecognisedJsonLine(const QString &input);

} // namespace convert
