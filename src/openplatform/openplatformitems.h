#pragma once

#include <optional>

#include <QDateTime>
#include <QList>
#include <QString>

#include "apiceshijiekou.h"
#include "gateway.h"
#include "itemsource.h"
#include "topreply.h"

class FormPort;
struct AppSetup;
struct RunState;
namespace net {
class CallGate;
class Cancellation;
} // namespace net

// The open platform as a source of items, beside the API test tool.
namespace openplatform {

// Why a call brought no answer, in words without the secret; empty text when `result` holds one
// to read, or the call was cancelled.
QString transportFailure(const CallResult &result, const QString &secret);

// One material search, read and explained.
struct SearchOutcome
{
    enum class Status { Items, Failed, TimedOut, Cancelled };
    Status status = Status::Failed;
    QList<MaterialItem> items; // with Items, possibly none
    QString totalResults;      // as the gateway wrote it
    QString reason;            // with Failed and TimedOut: what went wrong, in words, without the secret
    // With Failed on the call-limit answer: the seconds to wait (-1 when the gateway named none).
    std::optional<double> callLimitWait;
};

SearchOutcome searchMaterial(const itemsource::OpenPlatformSetup &account, const QString &adzoneId,
                             const QString &keyword, int pageSize, const QString &sort, const QDateTime &now,
                             const net::Cancellation *cancel, const ItemFilter &filter = {});

// A 淘口令 for each record's link, the calls out together (up to eight at a time), each record's
// page shown as its answer comes; a call that fails leaves that record's 淘口令 empty. False when
// `cancel` was cancelled meanwhile: no call is left running.
bool createTpwds(FormPort &form, const itemsource::OpenPlatformSetup &account, QList<ItemRecord> &records,
                 const QDateTime &now, const net::Cancellation &cancel);

// The retrieval run of the open platform: searches for the inputs of `form` with the account of
// `setup` and appends one filled item block per item to run.itemsHtml, with a 淘口令 per item
// when the account asks for them and short links when the option is ticked. It shows the same
// progress pages as the test tool's retrieval; a refusal of the gateway ends on a page that says
// why, and nothing is appended. The call-limit answer pauses `callGate` when there is one. With
// a site's link record in `setup`, an item whose links are still good shows them again and costs
// no call; the links made for the others are kept in it.
RetrievalOutcome openPlatformItems(FormPort &form, const AppSetup &setup, RunState &run,
                                   const net::Cancellation &cancel, net::CallGate *callGate = nullptr);

} // namespace openplatform
