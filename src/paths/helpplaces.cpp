#include "helpplaces.h"

#include <QDir>
#include <QRegularExpression>

#include "datalocations.h"

namespace {

QString codeFor(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return u"<code>"_qs + QDir::toNativeSeparators(path).toHtmlEscaped() + u"</code>"_qs;
}

} // namespace

QHash<QString, QString> helpPlaces(const DataLocations &where)
{
    QHash<QString, QString> places;
    places.insert(u"settings"_qs, codeFor(where.settingsPath));
    places.insert(u"output"_qs, codeFor(where.outputRoot));
    places.insert(u"user-templates"_qs, codeFor(where.userTemplateRoot));
    if (where.templateRoot == where.userTemplateRoot) {
        places.insert(u"templates"_qs, codeFor(where.templateRoot));
    } else {
        places.insert(u"templates"_qs, codeFor(where.templateRoot) + u" 和 "_qs +
                                           codeFor(where.userTemplateRoot) +
                                           u"（两处有同名模板时，用后者）"_qs);
    }
    return places;
}

QString fillPlaces(const QString &page, const QHash<QString, QString> &places)
{
    // A marked phrase holds no span of its own, so the first closing tag ends it.
    static const QRegularExpression mark(u"(<span data-place=\"([a-z-]+)\">)(.*?)(</span>)"_qs,
                                         QRegularExpression::DotMatchesEverythingOption);
    QString filled;
    qsizetype done = 0;
    for (auto it = mark.globalMatch(page); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const auto place = places.constFind(match.captured(2));
        if (place == places.constEnd())
            continue;
        filled += QStringView(page).sliced(done, match.capturedEnd(1) - done);
        filled += *place;
        done = match.capturedStart(4);
    }
    filled += QStringView(page).sliced(done);
    return filled;
}
