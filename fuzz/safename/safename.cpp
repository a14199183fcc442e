// Output folder names: whatever the keyword and template name, the folder is one plain name
// inside the output root on every system the program runs on.
//
// Input: the text that names the folder (see fuzzinput::text).

#include <cstdint>

#include <QDir>

#include "fuzzinput.h"
#include "outputfolder.h"
#include "textops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = fuzzinput::text(std::string_view(reinterpret_cast<const char *>(data), size));
    const QString safe = outputfolder::safeName(name);

    FUZZ_CHECK(!safe.isEmpty() && safe != u"."_qs && safe != u".."_qs);
    for (const QChar c : safe)
        FUZZ_CHECK(c.unicode() >= 0x20 && !QStringView(u"\\/:*?\"<>|").contains(c));
    // Windows drops trailing dots and blanks, which would make it another folder.
    FUZZ_CHECK(!safe.endsWith(u'.') && !safe.endsWith(u' '));
    // A device name would open the device instead of a folder.
    const QString stem = safe.section(u'.', 0, 0).toUpper();
    for (const QStringView device : {u"CON", u"PRN", u"AUX", u"NUL", u"COM1", u"LPT1"})
        FUZZ_CHECK(stem != device);
    // One level below the root, and stable: made safe twice, it is the same.
    FUZZ_CHECK(QDir::cleanPath(u"/root/"_qs + safe) == u"/root/"_qs + safe);
    FUZZ_CHECK(outputfolder::safeName(safe) == safe);
    // Nothing in it makes it show as another name (DEL, C1 and bidirectional controls are gone).
    FUZZ_CHECK(textops::withoutControls(safe) == safe);
    FUZZ_CHECK(safe.size() <= name.size() + 1);
    return 0;
}
