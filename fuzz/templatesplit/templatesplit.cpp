// The template format: the keyword goes in exactly where its placeholder stood, and a split
// either refuses or gives a header, item block and footer that hold no loop marker and make up
// the template.
//
// Input: the keyword, then the template text, separated by 0x1F.

#include <cstdint>

#include "fuzzinput.h"
#include "generationtexts.h"
#include "templateformat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    const QString keyword = fuzzinput::text(fuzzinput::takePart(rest));
    const QString raw = fuzzinput::text(rest);

    const QString text = templateformat::replaceKeyword(raw, keyword);
    const qsizetype markers = raw.count(templateformat::keywordMarker);
    FUZZ_CHECK(text.size() == raw.size() + markers * (keyword.size() - templateformat::keywordMarker.size()));

    QString header = u"old header"_qs, block = u"old block"_qs, footer = u"old footer"_qs;
    const QString refusal = templateformat::split(text, header, block, footer);
    if (!refusal.isEmpty()) {
        FUZZ_CHECK(refusal == generationtexts::templateHeaderInvalid ||
                   refusal == generationtexts::templateFooterInvalid ||
                   refusal == generationtexts::templateLoopInvalid);
        FUZZ_CHECK(block == u"old block"_qs && footer == u"old footer"_qs);
        return 0;
    }
    const QStringView start = templateformat::startMarker;
    const QStringView end = templateformat::endMarker;
    FUZZ_CHECK(!header.contains(start) && !block.contains(end));
    FUZZ_CHECK(!header.startsWith(u' ') && !header.endsWith(u' ') && !block.startsWith(u' ') &&
               !block.endsWith(u' '));
    // header, start marker, block, end marker and footer, with only blanks between them.
    const qsizetype startAt = text.indexOf(start);
    const qsizetype endAt = text.indexOf(end);
    FUZZ_CHECK(text.first(startAt).trimmed() == header.trimmed() && text.first(startAt).contains(header));
    FUZZ_CHECK(text.sliced(startAt + start.size(), endAt - startAt - start.size()).contains(block));
    FUZZ_CHECK(text.sliced(endAt + end.size()) == footer);
    return 0;
}
