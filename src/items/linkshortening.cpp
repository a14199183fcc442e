#include "linkshortening.h"

#include <QUrl>

#include "cancellation.h"
#include "encoders.h"
#include "formport.h"
#include "itemrecord.h"
#include "markers.h"
#include "placeholders.h"
#include "sendto.h"
#include "statuspages.h"
#include "textops.h"
#include "services.h"

namespace linkshortening {

namespace {

// The member name with its closing quote, the colon and the value's opening quote.
const QString shortLinkMarker = u"tinyurl\":\""_qs;

constexpr qsizetype maxShortLinkLength = 2048;

// Only a ticked box counts; the greyed state does not.
bool optionTicked(const FormPort &form)
{
    return form.shortLinkState() == 1;
}

// One link: request, link and page updated. False: the run was cancelled.
bool shortenLink(FormPort &form, const ServiceHosts &hosts, const QString &title, QString &link,
                 bool shopLink, const net::Cancellation &cancel)
{
    const QString shortReply = send(hosts, link, &cancel);
    if (cancel.isCancelled())
        return false;
    if (applyReply(shortReply, link))
        form.navigate(statuspages::linkShortened(title, shopLink));
    return true;
}

} // namespace

QString requestBody(const QString &link)
{
    return u"url="_qs + URLEncode(link);
}

QString send(const ServiceHosts &hosts, const QString &link, const net::Cancellation *cancel)
{
    return SendTo(u"http://"_qs + hosts.shortHost + u"/create.php"_qs, requestBody(link), QString(), true,
                  true, 30, true, u"application/x-www-form-urlencoded"_qs, cancel);
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
    if (isUsableShortLink(candidate))
        link = candidate;
    return true;
}

bool isUsableShortLink(QStringView link)
{
    if (link.size() > maxShortLinkLength)
        return false;
    if (!link.startsWith(u"http://", Qt::CaseInsensitive) &&
        !link.startsWith(u"https://", Qt::CaseInsensitive))
        return false;
    for (qsizetype i = 0; i < link.size(); ++i) {
        char32_t c = link[i].unicode();
        if (link[i].isHighSurrogate() && i + 1 < link.size() && link[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(link[i], link[i + 1]);
            ++i;
        } else if (link[i].isSurrogate()) {
            return false;
        }
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Space:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return false;
        default:
            break;
        }
        if (c < 0x80 && QByteArrayView("\"'<>\\`").contains(char(c)))
            return false;
    }
    const QUrl url(link.toString(), QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}

bool shortenItemLinks(FormPort &form, const ServiceHosts &hosts, const QString &templateText,
                      ItemRecord &record, const net::Cancellation &cancel)
{
    if (optionTicked(form) && !shortenLink(form, hosts, record.title, record.click_url, false, cancel))
        return false;
    // The shop link costs a request only when the template shows it.
    if (templateText.contains(placeholders::shopUrl) && optionTicked(form) &&
        !shortenLink(form, hosts, record.title, record.shop_click_url, true, cancel))
        return false;
    return true;
}

} // namespace linkshortening
