// A keyword's page address: only a-z, 0-9 and single inner "-", at most the longest slug and a
// "-N" suffix, the same every time for the same keyword and names, and never one already taken,
// so keywords that clash get distinct folders.
//
// Input: the keyword, then the names already taken, each after a byte 0x1F (see fuzzinput::text).

#include <cstdint>

#include "fuzzinput.h"
#include "pageaddress.h"

namespace {

// a-z and 0-9 in runs joined by single "-", checked here by its own rules.
bool plainAddress(const QString &name)
{
    if (name.isEmpty() || name.front() == u'-' || name.back() == u'-' || name.contains(u"--"))
        return false;
    for (const QChar c : name) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-'))
            return false;
    }
    return true;
}

// `name` is `base` with a "-N" of N at least `from`.
bool hasSuffix(const QString &name, const QString &base, int from)
{
    if (!name.startsWith(base + u'-'))
        return false;
    bool ok = false;
    const QString digits = name.sliced(base.size() + 1);
    const qlonglong n = digits.toLongLong(&ok);
    return ok && n >= from && digits == QString::number(n);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string_view rest(reinterpret_cast<const char *>(data), size);
    const QString keyword = fuzzinput::text(fuzzinput::takePart(rest));
    QSet<QString> taken;
    while (!rest.empty())
        taken.insert(fuzzinput::text(fuzzinput::takePart(rest)));

    const QString slug = pageaddress::slugOf(keyword);
    FUZZ_CHECK(slug.size() <= pageaddress::maxLength);
    FUZZ_CHECK(slug.isEmpty() || (plainAddress(slug) && pageaddress::isPageAddress(slug)));
    FUZZ_CHECK(pageaddress::slugOf(keyword) == slug);

    // Each name given is added to the taken ones, as a site's list of pages grows with clashes.
    QString previous;
    for (int round = 0; round < 3; ++round) {
        const QString name = pageaddress::freeName(keyword, taken);
        FUZZ_CHECK(!taken.contains(name));
        FUZZ_CHECK(plainAddress(name) && pageaddress::isPageAddress(name));
        if (slug.isEmpty())
            FUZZ_CHECK(hasSuffix(name, u"p"_qs, 1));
        else
            FUZZ_CHECK(taken.contains(slug) ? hasSuffix(name, slug, 2) : name == slug);
        FUZZ_CHECK(name.size() <= pageaddress::maxLength + 1 + QString::number(taken.size() + 2).size());
        FUZZ_CHECK(pageaddress::freeName(keyword, taken) == name);
        FUZZ_CHECK(name != previous);
        previous = name;
        taken.insert(name);
    }
    return 0;
}
