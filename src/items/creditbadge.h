#pragma once

#include <QString>
#include <QVariant>

// The seller credit badge: scores 1 to 20 have pictures in four series of five grades.
namespace creditbadge {

// The badge picture's address on `imageHost` for a score, or empty text when no badge applies
// (0, negative, above 20, or a fraction between two series).
QString badgeUrl(double score, const QString &imageHost);

// Replaces a numeric score by its badge address when there is one; anything else stays.
void apply(QVariant &score, const QString &imageHost);

// What a page shows for the score field: the badge address, or the number in shortest form.
QString scoreText(const QVariant &score);

} // namespace creditbadge
