#include "pageaddress.h"

#include <memory>
#include <mutex>

#include <unicode/translit.h>
#include <unicode/unistr.h>

namespace pageaddress {

namespace {

// ICU's transliterators are costly to make and not safe to share between threads unlocked.
QString transliterated(QStringView text)
{
    static std::mutex mutex;
    static std::unique_ptr<icu::Transliterator> latin;
    static bool tried = false;
    std::scoped_lock lock(mutex);
    if (!tried) {
        tried = true;
        UErrorCode status = U_ZERO_ERROR;
        latin.reset(icu::Transliterator::createInstance("Han-Latin; Latin-ASCII", UTRANS_FORWARD, status));
        if (U_FAILURE(status))
            latin.reset();
    }
    icu::UnicodeString unicode(reinterpret_cast<const char16_t *>(text.utf16()), int32_t(text.size()));
    if (latin)
        latin->transliterate(unicode);
    return QString(reinterpret_cast<const QChar *>(unicode.getBuffer()), unicode.length());
}

} // namespace

QString slugOf(QStringView keyword)
{
    QString slug;
    bool pendingDash = false;
    for (const QChar c : transliterated(keyword)) {
        const char16_t u = c.toLower().unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')) {
            if (pendingDash && !slug.isEmpty())
                slug += u'-';
            pendingDash = false;
            slug += QChar(u);
        } else {
            pendingDash = true;
        }
    }
    if (slug.size() > maxLength) {
        slug.truncate(maxLength);
        while (slug.endsWith(u'-'))
            slug.chop(1);
    }
    return slug;
}

QString freeName(QStringView keyword, const QSet<QString> &taken)
{
    const QString slug = slugOf(keyword);
    if (!slug.isEmpty() && !taken.contains(slug))
        return slug;
    for (int n = slug.isEmpty() ? 1 : 2;; ++n) {
        const QString name = (slug.isEmpty() ? u"p"_qs : slug) + u'-' + QString::number(n);
        if (!taken.contains(name))
            return name;
    }
}

bool isPageAddress(QStringView name)
{
    if (name.isEmpty() || name.size() > maxLength + 12 || name.startsWith(u'-') || name.endsWith(u'-') ||
        name.contains(u"--"))
        return false;
    for (const QChar c : name) {
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-'))
            return false;
    }
    return true;
}

} // namespace pageaddress
