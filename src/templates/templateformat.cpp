#include "templateformat.h"

#include <QFile>

#include "gbk.h"
#include "generationtexts.h"
#include "textops.h"

namespace templateformat {

QString readTemplateFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return gbk::decode(file.readAll());
}

QString replaceKeyword(const QString &text, const QString &keyword)
{
    return textops::replaceAll(text, keywordMarker.toString(), keyword);
}

QString split(const QString &text, QString &headerPart, QString &itemBlock, QString &footerPart)
{
    const qsizetype start = text.indexOf(startMarker);
    if (start < 0)
        return generationtexts::templateHeaderInvalid.toString();
    headerPart = textops::trimSpaces(QStringView(text).first(start));

    const qsizetype end = text.indexOf(endMarker);
    if (end < 0)
        return generationtexts::templateFooterInvalid.toString();
    const qsizetype blockStart = start + startMarker.size();
    // The first end marker of the text has to close the block; one before the start marker would
    // put marker text into the header and the footer.
    if (end < blockStart)
        return generationtexts::templateLoopInvalid.toString();

    footerPart = text.mid(end + endMarker.size());
    itemBlock = textops::trimSpaces(QStringView(text).sliced(blockStart, end - blockStart));
    return QString();
}

} // namespace templateformat
