#include "linkshortening.h"

#include "cancellation.h"
#include "encoders.h"
#include "exchangebatch.h"
#include "formport.h"
#include "itemrecord.h"
#include "markers.h"
#include "placeholders.h"
#include "statuspages.h"
#include "textops.h"
#include "services.h"
#include "webtext.h"

namespace linkshortening {

namespace {

// The member name with its closing quote, the colon and the value's opening quote.
const QString shortLinkMarker = u"tinyurl\":\""_qs;

// Only a ticked box counts; the greyed state does not.
bool optionTicked(const FormPort &form)
{
    return form.shortLinkState() == 1;
}

// One link to shorten: which item, and which of its two links.
struct LinkJob
{
    qsizetype item;
    bool shopLink;
};

} // namespace

QString requestBody(const QString &link)
{
    return u"url="_qs + URLEncode(link);
}

net::Exchange request(const ServiceHosts &hosts, const QString &link)
{
    return {u"http://"_qs + hosts.shortHost + u"/create.php"_qs,
            requestBody(link),
            QString(),
            true,
            true,
            30,
            true,
            u"application/x-www-form-urlencoded"_qs};
}

bool applyReply(const QString &reply, QString &link)
{
    if (!reply.contains(shortLinkMarker))
        return false;
    QString text = reply;
    const std::optional<QString> shortLink = jiequ(text, shortLinkMarker, u"\""_qs, false, false, false);
    if (!shortLink)
        return true;
    // An empty member is the service's way of saying it made none; the long link still works.
    const QString candidate = textops::replaceAll(*shortLink, u"\\/"_qs, u"/"_qs);
    if (webtext::isPlainWebAddress(candidate))
        link = candidate;
    return true;
}

bool shortenLinks(FormPort &form, const ServiceHosts &hosts, const QString &templateText,
                  QList<ItemRecord> &records, const net::Cancellation &cancel)
{
    // The option and the template are consulted per item and link, in the order the items come.
    QList<LinkJob> jobs;
    QList<net::Exchange> exchanges;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (optionTicked(form)) {
            jobs.append({i, false});
            exchanges.append(request(hosts, records[i].click_url));
        }
        // The shop link costs a request only when the template shows it.
        if (templateText.contains(placeholders::shopUrl) && optionTicked(form)) {
            jobs.append({i, true});
            exchanges.append(request(hosts, records[i].shop_click_url));
        }
    }
    if (jobs.isEmpty())
        return true;

    net::ExchangeBatch batch(exchanges);
    return batch.run(&cancel, [&](qsizetype index, const net::ExchangeResult &result) {
        const LinkJob &job = jobs[index];
        ItemRecord &record = records[job.item];
        if (applyReply(result.text, job.shopLink ? record.shop_click_url : record.click_url))
            form.navigate(statuspages::linkShortened(record.title, job.shopLink));
    });
}

bool shortenItemLinks(FormPort &form, const ServiceHosts &hosts, const QString &templateText,
                      ItemRecord &record, const net::Cancellation &cancel)
{
    QList<ItemRecord> one{record};
    if (!shortenLinks(form, hosts, templateText, one, cancel))
        return false;
    record = one.constFirst();
    return true;
}

} // namespace linkshortening
