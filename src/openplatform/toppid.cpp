#include "toppid.h"

#include <QRegularExpression>

#include "topmessages.h"

namespace openplatform {

namespace {

bool isNumber(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    [[maybe_unused]] const quint64 value = text.toULongLong(&ok); // up to 64 bits
    return ok;
}

bool isOldForm(QStringView pid)
{
    static const QRegularExpression oldForms(u"^(?:[0-9]{8}|mm_[^_]*_0_0)$"_qs);
    return oldForms.match(pid).hasMatch();
}

} // namespace

std::optional<QString> adzoneOf(QStringView pid)
{
    if (!pid.startsWith(u"mm_"))
        return std::nullopt;
    const QList<QStringView> parts = pid.sliced(3).split(u'_');
    if (parts.size() != 3 || !isNumber(parts[0]) || !isNumber(parts[1]) || !isNumber(parts[2]))
        return std::nullopt;
    if (parts[2].toULongLong() == 0)
        return std::nullopt;
    return QString::number(parts[2].toULongLong());
}

QString pidRefusal(QStringView pid)
{
    if (adzoneOf(pid))
        return QString();
    QString message = pidMessage.toString();
    if (isOldForm(pid))
        message += pidWithoutAdzone;
    return message;
}

} // namespace openplatform
