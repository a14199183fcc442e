#include "apiceshijiekou.h"

#include <algorithm>

#include "cancellation.h"
#include "creditbadge.h"
#include "formport.h"
#include "inputrules.h"
#include "itemquery.h"
#include "itemrecord.h"
#include "itemrendering.h"
#include "linkshortening.h"
#include "replyparsing.h"
#include "runstate.h"
#include "services.h"
#include "statuspages.h"
#include "textops.h"
#include "webtext.h"

RetrievalOutcome apiceshijiekou(FormPort &form, const ServiceHosts &hosts, RunState &run,
                                const net::Cancellation &cancel, const ItemFilter &filter)
{
    const QString sortCode = itemquery::sortCodeFor(form.sortText());
    form.navigate(statuspages::requesting());

    // Read after the page is shown, in this order, as the window has them now.
    const QString pid = form.pidText();
    const QString keyword = form.keywordText();
    const QString countText = form.countText();
    QString replyText =
        itemquery::send(hosts, itemquery::requestBody(pid, keyword, sortCode, countText, filter), &cancel);
    if (cancel.isCancelled())
        return RetrievalOutcome::Aborted;

    replyparsing::decodeEntities(replyText);
    switch (replyparsing::classify(replyText)) {
    case replyparsing::ReplyKind::TimedOut:
        form.navigate(statuspages::timedOut());
        return RetrievalOutcome::TimedOut;
    case replyparsing::ReplyKind::NoItems:
        form.navigate(statuspages::failed());
        return RetrievalOutcome::Failed;
    case replyparsing::ReplyKind::Items:
        break;
    }
    form.navigate(statuspages::generating());

    // The count box may have changed while the query ran; its text now decides, within the
    // bounds a page can have whatever the reply holds.
    const double count = std::min(textops::numericValue(form.countText()), double(inputrules::maxItemCount));
    // Every item starts empty, so a field its element lacks never shows another item's value.
    QList<ItemRecord> records;
    QStringList volumes;
    for (int rank = 1; rank <= count; ++rank) {
        const std::optional<QString> element = replyparsing::takeElement(replyText);
        if (!element)
            break;
        ItemRecord &record = records.emplace_back();
        replyparsing::extractFields(*element, record, volumes.emplace_back());
        creditbadge::apply(record.seller_credit_score, hosts.imageHost);
    }

    // All links of the run at once: over a real network each request costs a round trip.
    if (!linkshortening::shortenLinks(form, hosts, run.templateText, records, cancel))
        return RetrievalOutcome::Aborted;
    for (qsizetype i = 0; i < records.size(); ++i) {
        itemrendering::appendItem(run.itemsHtml, run.itemBlock, int(i + 1), records[i], volumes[i]);
        // The tool's values are HTML (titles carry highlight markup); the metadata wants text.
        ItemRecord &plain = run.pageItems.emplace_back(records[i]);
        for (QString *value : {&plain.title, &plain.click_url, &plain.pic_url, &plain.price})
            *value = webtext::plainText(*value);
        if (run.itemCount++ == 0)
            run.firstPicture = records[i].pic_url;
    }

    form.navigate(statuspages::completed());
    return RetrievalOutcome::Completed;
}
