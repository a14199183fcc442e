#include "openplatformitems.h"

#include <algorithm>

#include "appsetup.h"
#include "callgate.h"
#include "cancellation.h"
#include "formport.h"
#include "exchangebatch.h"
#include "gateway.h"
#include "inputrules.h"
#include "itemrendering.h"
#include "linkrecord.h"
#include "linkshortening.h"
#include "runstate.h"
#include "sortorders.h"
#include "statuspages.h"
#include "textops.h"
#include "topmessages.h"
#include "toppid.h"
#include "toprequest.h"
#include "webtext.h"

namespace openplatform {

QString transportFailure(const CallResult &result, const QString &secret)
{
    switch (result.status) {
    case CallResult::Status::Replied:
    case CallResult::Status::Cancelled:
        return QString();
    case CallResult::Status::HttpError:
        return httpErrorMessage(result.httpStatus, secret);
    case CallResult::Status::TimedOut:
        return timedOutText.toString();
    case CallResult::Status::NetworkError:
        return networkErrorMessage(result.detail, secret);
    case CallResult::Status::BadGateway:
        return badGatewayText.toString();
    }
    return QString();
}

namespace {

// How long a batch holds back when the call-limit answer names no time.
constexpr double defaultCallLimitWait = 10;

// The record's links in place of the search's: the short link when the page wants one.
void showLinks(ItemRecord &record, const ItemLinks &links, const LinkNeeds &needs)
{
    record.click_url = needs.shortLink && !links.shortLink.isEmpty() ? links.shortLink : links.pageLink();
    record.tpwd = needs.tpwd ? links.tpwd : QString();
}

} // namespace

SearchOutcome searchMaterial(const itemsource::OpenPlatformSetup &account, const QString &adzoneId,
                             const QString &keyword, int pageSize, const QString &sort, const QDateTime &now,
                             const net::Cancellation *cancel, const ItemFilter &filter)
{
    SearchOutcome outcome;
    if (account.appKey.isEmpty() || account.appSecret.isEmpty()) {
        outcome.reason = missingAccountText.toString();
        return outcome;
    }
    const CallResult result =
        call(materialSearchMethod, materialSearch(adzoneId, keyword, pageSize, sort, filter), account, now,
             cancel);
    if (result.status == CallResult::Status::Cancelled) {
        outcome.status = SearchOutcome::Status::Cancelled;
        return outcome;
    }
    if (result.status == CallResult::Status::TimedOut)
        outcome.status = SearchOutcome::Status::TimedOut;
    if (result.status != CallResult::Status::Replied && result.status != CallResult::Status::HttpError) {
        outcome.reason = transportFailure(result, account.appSecret);
        return outcome;
    }

    const SearchReply reply = parseMaterialSearch(result.body, pageSize);
    // An error_response explains itself better than the status it came with.
    if (reply.kind == ReplyKind::Error) {
        outcome.reason = errorMessage(reply.error, account.appSecret);
        outcome.callLimitWait = callLimitSeconds(reply.error);
    } else if (result.status == CallResult::Status::HttpError) {
        outcome.reason = transportFailure(result, account.appSecret);
    } else if (reply.kind == ReplyKind::Unparseable) {
        outcome.reason = unparseableText.toString();
    } else {
        outcome.status = SearchOutcome::Status::Items;
        outcome.items = reply.items;
        outcome.totalResults = reply.totalResults;
    }
    return outcome;
}

bool createTpwds(FormPort &form, const itemsource::OpenPlatformSetup &account, QList<ItemRecord> &records,
                 const QDateTime &now, const net::Cancellation &cancel)
{
    QList<net::Exchange> calls;
    QList<qsizetype> owners;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (records[i].click_url.isEmpty())
            continue;
        calls.append(callExchange(tpwdCreateMethod, tpwdCreate(records[i].click_url), account, now));
        owners.append(i);
    }
    net::ExchangeBatch batch(calls);
    return batch.run(&cancel, [&](qsizetype index, const net::ExchangeResult &result) {
        ItemRecord &record = records[owners[index]];
        form.navigate(tpwdPage(record.title));
        if (result.status != net::ExchangeResult::Status::Replied || result.httpStatus < 200 ||
            result.httpStatus > 299)
            return;
        const TpwdReply reply = parseTpwdCreate(result.text.toUtf8());
        if (reply.kind == ReplyKind::Answer)
            record.tpwd = reply.password;
    });
}

RetrievalOutcome openPlatformItems(FormPort &form, const AppSetup &setup, RunState &run,
                                   const net::Cancellation &cancel, net::CallGate *callGate)
{
    const QString sort = sortorders::forText(form.sortText()).topCode.toString();
    form.navigate(statuspages::requesting());

    // Read after the page is shown, in the order the test tool's retrieval reads them.
    const QString pid = form.pidText();
    const QString keyword = form.keywordText();
    const double count =
        std::clamp(textops::numericValue(form.countText()), 1.0, double(inputrules::maxItemCount));
    const int pageSize = int(count);

    const auto fail = [&form](const QString &reason) {
        form.navigate(failurePage(reason));
        return RetrievalOutcome::Failed;
    };
    // The run checked the PID, but the box stays editable while the run goes on.
    const std::optional<QString> adzone = adzoneOf(pid);
    if (!adzone)
        return fail(pidRefusal(pid));

    const itemsource::OpenPlatformSetup &account = setup.openPlatform;
    const SearchOutcome found =
        searchMaterial(account, *adzone, keyword, pageSize, sort, setup.now(), &cancel, setup.filter);
    switch (found.status) {
    case SearchOutcome::Status::Cancelled:
        return RetrievalOutcome::Aborted;
    case SearchOutcome::Status::TimedOut:
        form.navigate(failurePage(found.reason));
        return RetrievalOutcome::TimedOut;
    case SearchOutcome::Status::Failed:
        // The other runs of a batch hold back too; one on its own just says so.
        if (found.callLimitWait && callGate)
            callGate->pauseFor(*found.callLimitWait >= 0 ? *found.callLimitWait : defaultCallLimitWait);
        return fail(found.reason);
    case SearchOutcome::Status::Items:
        break;
    }
    if (found.items.isEmpty())
        return fail(noItemsText.toString());
    form.navigate(statuspages::generating());

    const qsizetype taken = std::min<qsizetype>(found.items.size(), pageSize);
    QList<ItemRecord> records;
    for (qsizetype i = 0; i < taken; ++i)
        records.append(found.items[i].record);

    // Items whose kept links are still good show them; only the others cost calls.
    const LinkNeeds needs{pid, form.shortLinkState() == 1, account.makeTpwd};
    LinkRecord *const kept = setup.linkRecord.get();
    const QDateTime now = setup.now();
    QList<qsizetype> toMake;
    for (qsizetype i = 0; i < taken; ++i) {
        if (const std::optional<ItemLinks> links =
                kept ? kept->reusable(found.items[i], needs, now) : std::nullopt)
            showLinks(records[i], *links, needs);
        else
            toMake.append(i);
    }
    QList<ItemRecord> made;
    for (const qsizetype i : std::as_const(toMake))
        made.append(records[i]);
    // The 淘口令 open the marketplace's own links, so they are asked for before any link is
    // shortened; the open platform gives no shop link, so only the items' own links are.
    if (account.makeTpwd && !createTpwds(form, account, made, now, cancel))
        return RetrievalOutcome::Aborted;
    if (!linkshortening::shortenLinks(form, setup.hosts, QString(), made, cancel))
        return RetrievalOutcome::Aborted;
    for (qsizetype j = 0; j < toMake.size(); ++j) {
        const MaterialItem &item = found.items[toMake[j]];
        ItemRecord &record = records[toMake[j]];
        record = made[j];
        if (!kept || item.itemId.isEmpty())
            continue;
        ItemLinks links = linksOf(item, pid, now);
        links.shortLink = record.click_url != links.pageLink() ? record.click_url : QString();
        links.tpwd = record.tpwd;
        showLinks(record, kept->keep(item.itemId, links, needs, now), needs);
    }
    for (qsizetype i = 0; i < taken; ++i) {
        // The reply's values are text: a title holding markup shows as written, never runs.
        itemrendering::appendItem(run.itemsHtml, run.itemBlock, int(i) + 1,
                                  itemrendering::escapedForPage(records[i]),
                                  webtext::htmlEscaped(found.items[i].volume));
        run.pageItems.append(records[i]);
        if (run.itemCount++ == 0)
            run.firstPicture = records[i].pic_url;
    }

    form.navigate(statuspages::completed());
    return RetrievalOutcome::Completed;
}

} // namespace openplatform
