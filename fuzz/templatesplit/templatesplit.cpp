// The template format: the keyword goes in, escaped, exactly where its placeholder stood and can
// add no markup or marker; a split either refuses or gives a header, item block and footer that
// hold no loop marker and make up the template.
//
// Input: the keyword, then the template text, separated by 0x1F.

#include <cstdint>

#include "fuzzinput.h"
#include "generationtexts.h"
#include "templateformat.h"
#include "textops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    const QString keyword = fuzzinput::text(fuzzinput::takePart(rest));
    const QString raw = fuzzinput::text(rest);

    const QString text = templateformat::replaceKeyword(raw, keyword);
    const QString inPage = templateformat::keywordInPage(keyword);
    const qsizetype markers = raw.count(templateformat::keywordMarker);
    FUZZ_CHECK(text.size() == raw.size() + markers * (inPage.size() - templateformat::keywordMarker.size()));
    // The keyword is text: it cannot add a marker, a tag or an attribute's end to the page.
    FUZZ_CHECK(!inPage.contains(u'[') && !inPage.contains(u'<') && !inPage.contains(u'"'));

    // The split is the raw template's, whatever the keyword holds; then the keyword goes in.
    QString header = u"old header"_qs, block = u"old block"_qs, footer = u"old footer"_qs;
    const QString refusal = templateformat::split(raw, keyword, header, block, footer);
    if (!refusal.isEmpty()) {
        FUZZ_CHECK(refusal == generationtexts::templateHeaderInvalid ||
                   refusal == generationtexts::templateFooterInvalid ||
                   refusal == generationtexts::templateLoopInvalid);
        FUZZ_CHECK(block == u"old block"_qs && footer == u"old footer"_qs);
        return 0;
    }
    const QStringView start = templateformat::startMarker;
    const QStringView end = templateformat::endMarker;
    const qsizetype startAt = raw.indexOf(start);
    const qsizetype endAt = raw.indexOf(end);
    FUZZ_CHECK(startAt >= 0 && endAt >= startAt + start.size());
    const auto filled = [&keyword](QStringView part) {
        return templateformat::replaceKeyword(part.toString(), keyword);
    };
    // header, start marker, block, end marker and footer, blanks trimmed, keyword put in after.
    FUZZ_CHECK(header == filled(textops::trimSpaces(raw.first(startAt))));
    FUZZ_CHECK(block == filled(textops::trimSpaces(
                            raw.sliced(startAt + start.size(), endAt - startAt - start.size()))));
    FUZZ_CHECK(footer == filled(raw.sliced(endAt + end.size())));
    return 0;
}
