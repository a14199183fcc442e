// What the recogniser finds in pasted text: spans in order, inside the text and apart, each the
// text it claims to be; item ids plain letters and digits; and a rewrite that replaces nothing,
// or only the spans, leaves every other character where it was.
//
// Input: the pasted text (see fuzzinput::text).

#include <cstdint>

#include "fuzzinput.h"
#include "recogniser.h"

namespace {

// Letters and digits, with at most one "-" between them, checked here by its own rules.
bool plainId(const QString &id)
{
    if (id.isEmpty() || id.startsWith(u'-') || id.endsWith(u'-') || id.count(u'-') > 1)
        return false;
    for (const QChar c : id) {
        const char16_t u = c.unicode();
        if (!(u == u'-' || (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzinput::text(std::string_view(reinterpret_cast<const char *>(data), size));
    const QList<convert::Found> found = convert::recognise(text);

    qsizetype end = 0;
    QString expected; // the text with each span replaced by a mark
    QStringList marks;
    for (const convert::Found &f : found) {
        FUZZ_CHECK(f.length > 0 && f.start >= end && f.start + f.length <= text.size());
        FUZZ_CHECK(f.written == text.mid(f.start, f.length));
        if (f.isItem())
            FUZZ_CHECK(plainId(f.input));
        else if (f.kind == convert::Found::Kind::Tpwd)
            FUZZ_CHECK(f.input == f.written);
        else
            FUZZ_CHECK(f.input.startsWith(u"http://") || f.input.startsWith(u"https://"));
        const QString mark = u"<"_qs + QString::number(marks.size()) + u'>';
        expected += text.mid(end, f.start - end) + mark;
        marks << mark;
        end = f.start + f.length;
    }
    expected += text.mid(end);

    FUZZ_CHECK(convert::rewrite(text, found, {}) == text);
    FUZZ_CHECK(convert::rewrite(text, found, marks) == expected);
    return 0;
}
