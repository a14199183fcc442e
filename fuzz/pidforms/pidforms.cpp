// The PID forms: the test tool takes eight ASCII digits only; the open platform takes a PID only
// when its adzone is a plain number above zero, the adzone named in the call is exactly the PID's
// third number, and a PID that is refused says why.
//
// Input: the PID text.

#include <cstdint>

#include "fuzzinput.h"
#include "appsetup.h"
#include "itemretrieval.h"
#include "toppid.h"

namespace {

bool isAsciiDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString pid = fuzzinput::text(std::string_view(reinterpret_cast<const char *>(data), size));

    // The test tool takes the PID's eight digits, and nothing else.
    AppSetup testTool;
    testTool.source = itemsource::Source::TestTool;
    FUZZ_CHECK(pidRefusal(testTool, pid).isEmpty() == (pid.size() == 8 && isAsciiDigits(pid)));

    const std::optional<QString> adzone = openplatform::adzoneOf(pid);
    const QString refusal = openplatform::pidRefusal(pid);
    FUZZ_CHECK(refusal.isEmpty() == adzone.has_value());
    if (!adzone)
        return 0;
    FUZZ_CHECK(isAsciiDigits(*adzone) && !adzone->startsWith(u'0') && adzone->size() <= 20);
    FUZZ_CHECK(pid.startsWith(u"mm_"));
    const QStringList parts = pid.sliced(3).split(u'_');
    FUZZ_CHECK(parts.size() == 3);
    for (const QString &part : parts)
        FUZZ_CHECK(isAsciiDigits(part));
    FUZZ_CHECK(parts[2].toULongLong() == adzone->toULongLong());
    return 0;
}
