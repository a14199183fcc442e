// The shortening service's reply: the link that goes into the page is either the long link, as
// it was, or a plain http(s) address that can do no harm in an attribute.
//
// Input: the reply text (see fuzzinput::text).

#include <cstdint>

#include <QUrl>

#include "fuzzinput.h"
#include "linkshortening.h"
#include "webtext.h"

namespace {

const QString longLink = u"http://s.click.taobao.com/t_8?e=7HZ%3D&p=mm_30571968_0_0"_qs;

// Checked here by its own rules, not by the function under test.
bool harmless(const QString &link)
{
    if (link.size() > 2048)
        return false;
    const QString lower = link.toLower();
    if (!lower.startsWith(u"http://"_qs) && !lower.startsWith(u"https://"_qs))
        return false;
    for (const QChar c : link) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || c.isSpace() || QStringView(u"\"'<>\\`").contains(c))
            return false;
    }
    return !QUrl(link).host().isEmpty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply = fuzzinput::text(std::string_view(reinterpret_cast<const char *>(data), size));

    QString link = longLink;
    const bool found = linkshortening::applyReply(reply, link);
    FUZZ_CHECK(found == reply.contains(u"tinyurl\":\""_qs));
    FUZZ_CHECK(link == longLink || harmless(link));

    if (webtext::isPlainWebAddress(reply))
        FUZZ_CHECK(harmless(reply));
    return 0;
}
