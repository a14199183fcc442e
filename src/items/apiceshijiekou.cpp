#include "apiceshijiekou.h"

#include "creditbadge.h"
#include "formport.h"
#include "itemquery.h"
#include "itemrendering.h"
#include "linkshortening.h"
#include "replyparsing.h"
#include "statuspages.h"
#include "textops.h"
#include "windowstate.h"

RetrievalOutcome apiceshijiekou(FormPort &form, WindowState &state)
{
    state.sortCode = itemquery::sortCodeFor(form.sortText());
    form.navigate(statuspages::requesting());

    // Read after the page is shown, in this order, as the window has them now.
    const QString pid = form.pidText();
    const QString keyword = form.keywordText();
    const QString countText = form.countText();
    state.replyText =
        itemquery::send(state.hosts, itemquery::requestBody(pid, keyword, state.sortCode, countText));
    if (form.isClosing())
        return RetrievalOutcome::Aborted;

    replyparsing::decodeEntities(state.replyText);
    switch (replyparsing::classify(state.replyText)) {
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

    // The count box may have changed while the query ran; its text now decides.
    const double count = textops::numericValue(form.countText());
    for (int rank = 1; rank <= count; ++rank) {
        std::optional<QString> element = replyparsing::takeElement(state.replyText);
        if (!element)
            break;
        state.itemText = std::move(*element);

        // Every item starts empty, so a field its element lacks never shows another item's value.
        state.record = ItemRecord();
        QString volume;
        replyparsing::extractFields(state.itemText, state.record, volume);
        creditbadge::apply(state.record.seller_credit_score, state.hosts.imageHost);

        if (!linkshortening::shortenItemLinks(form, state))
            return RetrievalOutcome::Aborted;
        itemrendering::appendItem(state.itemsHtml, state.itemBlock, rank, state.record, volume);
    }

    form.navigate(statuspages::completed());
    return RetrievalOutcome::Completed;
}
