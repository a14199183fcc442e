// 站点.ini: whatever the bytes, reading gives page addresses that stay inside the site (safe
// folder names, no two records sharing one), a count of pages no larger than what the file
// holds, and a file that reads back as itself once written. A value put in comes back exactly.
//
// Input: file bytes and a value, separated by 0x1F.

#include <cstdint>

#include <QSet>

#include "fuzzinput.h"
#include "pageaddress.h"
#include "siteconfig.h"

namespace {

// The value as a written file gives it back: line breaks and NULs as blanks, a lone surrogate as
// U+FFFD; nothing else changes.
QString storedForm(const QString &value)
{
    QString v;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate()) {
            v += c;
            v += value[++i];
        } else if (c.isSurrogate()) {
            v += QChar(QChar::ReplacementCharacter);
        } else {
            v += c == u'\r' || c == u'\n' || c.isNull() ? QChar(u' ') : c;
        }
    }
    return v;
}

void checkSite(const siteconfig::Site &site, qsizetype fileSize)
{
    // Each record takes at least a section header and two entries in the file.
    FUZZ_CHECK(site.pages.size() <= fileSize / 8 + 1);
    QSet<QString> folders;
    for (const siteconfig::PageRecord &page : site.pages) {
        FUZZ_CHECK(!page.keyword.isEmpty());
        FUZZ_CHECK(pageaddress::isPageAddress(page.folder));
        FUZZ_CHECK(!page.folder.contains(u'/') && !page.folder.contains(u'.') && page.folder.size() <= 80);
        FUZZ_CHECK(!folders.contains(page.folder));
        folders.insert(page.folder);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    const std::string_view fileBytes = fuzzinput::takePart(rest);
    const QString value = fuzzinput::text(rest);
    const QByteArrayView file(fileBytes.data(), qsizetype(fileBytes.size()));

    if (const std::optional<siteconfig::Site> site = siteconfig::fromBytes(file)) {
        checkSite(*site, file.size());
        // Written, read and written again: the same file, the same pages.
        const QByteArray written = siteconfig::toBytes(*site);
        const std::optional<siteconfig::Site> back = siteconfig::fromBytes(written);
        FUZZ_CHECK(back);
        FUZZ_CHECK(back->pages.size() == site->pages.size());
        FUZZ_CHECK(siteconfig::toBytes(*back) == written);
    }

    // Any value comes back exactly as a name, a keyword, a target and a price.
    const QString expected = storedForm(value);
    siteconfig::Site made;
    made.name = value;
    made.target = value;
    made.pages.append({value, u"a-1"_qs, {}, 2, value, value});
    const std::optional<siteconfig::Site> back = siteconfig::fromBytes(siteconfig::toBytes(made));
    FUZZ_CHECK(back.has_value() == !expected.isEmpty());
    if (back) {
        FUZZ_CHECK(back->name == expected);
        FUZZ_CHECK(back->target == expected);
        FUZZ_CHECK(back->pages.size() == 1);
        FUZZ_CHECK(back->pages[0].keyword == expected && back->pages[0].folder == u"a-1");
        FUZZ_CHECK(back->pages[0].picture == expected && back->pages[0].price == expected);
    }
    return 0;
}
