#include "linkshortening.h"

#include <QUrl>

#include "encoders.h"
#include "formport.h"
#include "markers.h"
#include "placeholders.h"
#include "sendto.h"
#include "statuspages.h"
#include "textops.h"
#include "windowstate.h"

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

// One link: request, reply into state.shortReply, link and page updated. False: window closed.
bool shortenLink(FormPort &form, WindowState &state, QString &link, bool shopLink)
{
    state.shortReply = send(state.hosts, link);
    if (form.isClosing())
        return false;
    if (applyReply(state.shortReply, link))
        form.navigate(statuspages::linkShortened(state.record.title, shopLink));
    return true;
}

} // namespace

QString requestBody(const QString &link)
{
    return u"url="_qs + URLEncode(link);
}

QString send(const ServiceHosts &hosts, const QString &link)
{
    return SendTo(u"http://"_qs + hosts.shortHost + u"/create.php"_qs, requestBody(link), QString(), true,
                  true, 30, true, u"application/x-www-form-urlencoded"_qs);
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

bool shortenItemLinks(FormPort &form, WindowState &state)
{
    if (optionTicked(form) && !shortenLink(form, state, state.record.click_url, false))
        return false;
    // The shop link costs a request only when the template shows it.
    if (state.templateText.contains(placeholders::shopUrl) && optionTicked(form) &&
        !shortenLink(form, state, state.record.shop_click_url, true))
        return false;
    return true;
}

} // namespace linkshortening
