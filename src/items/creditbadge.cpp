#include "creditbadge.h"

#include <array>

#include "textops.h"

namespace creditbadge {

QString badgeUrl(double score, const QString &imageHost)
{
    struct Series
    {
        double first;
        QStringView prefix;
    };
    static constexpr std::array<Series, 4> series{{
        {1, u"/newrank/s_red_"},
        {6, u"/newrank/s_blue_"},
        {11, u"/newrank/s_cap_"},
        {16, u"/newrank/s_crown_"},
    }};
    for (const Series &s : series) {
        if (score >= s.first && score <= s.first + 4) {
            const double grade = score - s.first + 1;
            return u"http://"_qs + imageHost + s.prefix + textops::numberText(grade) + u".gif"_qs;
        }
    }
    return {};
}

void apply(QVariant &score, const QString &imageHost)
{
    if (score.typeId() != QMetaType::Double)
        return;
    const QString url = badgeUrl(score.toDouble(), imageHost);
    if (!url.isEmpty())
        score = url;
}

QString scoreText(const QVariant &score)
{
    if (score.typeId() == QMetaType::Double)
        return textops::numberText(score.toDouble());
    return score.toString();
}

} // namespace creditbadge
