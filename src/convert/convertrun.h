#pragma once

#include <functional>

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "itemsource.h"
#include "linkconvert.h"
#include "recogniser.h"

namespace net {
class Cancellation;
}

// One 转链 of a pasted text: what it holds is found, asked of the gateway in calls of at most
// twenty ids or materials, and each input the gateway converted is replaced in the text.
namespace convert {

struct ConvertSetup
{
    itemsource::Source source = itemsource::Source::TestTool;
    itemsource::OpenPlatformSetup account;
    QString pid; // the full PID, whose 推广位 earns the commission
    std::function<QDateTime()> now = [] {
        return QDateTime::currentDateTime();
    };
};

struct ConvertOutcome
{
    enum class Status {
        Done,      // every input found was asked about; some may have been refused
        Refused,   // the set-up cannot convert: `refusal` says why, nothing was asked
        Cancelled, // stopped; the text is left as it was
    };
    Status status = Status::Done;
    QString refusal;
    QList<Found> found;
    QList<Conversion> conversions; // one per found input
    QStringList failures;          // one per found input: why it stayed, empty when converted
    QStringList replacements;      // one per found input: what replaced it, empty when it stayed
    QString text;                  // the text with every converted input replaced

    qsizetype convertedCount() const;
};

// Why `setup` cannot convert, in words; empty text when it can.
QString setupRefusal(const ConvertSetup &setup);

// Called after each call with the number of calls made and to make.
using Progress = std::function<void(int done, int total)>;

// Converts what `text` holds. The calls wait while the thread's events are handled; `cancel`
// ends the one in flight and makes no more.
ConvertOutcome convertText(const QString &text, const ConvertSetup &setup, const net::Cancellation *cancel,
                           const Progress &progress = {});

} // namespace convert
