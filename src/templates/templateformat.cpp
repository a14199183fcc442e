#include "templateformat.h"

#include <QFile>

#include "gbk.h"
#include "generationtexts.h"
#include "textops.h"
#include "webtext.h"

namespace templateformat {

QString readTemplateFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return gbk::decode(file.readAll());
}

QString keywordInPage(const QString &keyword)
{
    // "[" as a character reference as well: a keyword holding a placeholder or a loop marker is
    // text in the page, never a marker of the template.
    return textops::replaceAll(webtext::htmlEscaped(keyword), u"["_qs, u"&#91;"_qs);
}

QString replaceKeyword(const QString &text, const QString &keyword)
{
    return textops::replaceAll(text, keywordMarker.toString(), keywordInPage(keyword));
}

bool splitLoop(QStringView text, QString &headerPart, QString &itemBlock, QString &footerPart)
{
    const qsizetype start = text.indexOf(startMarker);
    const qsizetype end = text.indexOf(endMarker);
    if (start < 0 || end < start + startMarker.size())
        return false;
    headerPart = textops::trimSpaces(text.first(start));
    itemBlock =
        textops::trimSpaces(text.sliced(start + startMarker.size(), end - start - startMarker.size()));
    footerPart = text.sliced(end + endMarker.size()).toString();
    return true;
}

QString split(const QString &text, const QString &keyword, QString &headerPart, QString &itemBlock,
              QString &footerPart)
{
    const qsizetype start = text.indexOf(startMarker);
    if (start < 0)
        return generationtexts::templateHeaderInvalid.toString();
    headerPart = replaceKeyword(textops::trimSpaces(QStringView(text).first(start)), keyword);

    const qsizetype end = text.indexOf(endMarker);
    if (end < 0)
        return generationtexts::templateFooterInvalid.toString();
    const qsizetype blockStart = start + startMarker.size();
    // The first end marker of the text has to close the block; one before the start marker would
    // put marker text into the header and the footer.
    if (end < blockStart)
        return generationtexts::templateLoopInvalid.toString();

    footerPart = replaceKeyword(text.mid(end + endMarker.size()), keyword);
    itemBlock =
        replaceKeyword(textops::trimSpaces(QStringView(text).sliced(blockStart, end - blockStart)), keyword);
    return QString();
}

} // namespace templateformat
