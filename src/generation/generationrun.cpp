#include "generationrun.h"

#include <algorithm>
#include <memory>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "appsetup.h"
#include "cancellation.h"
#include "charsets.h"
#include "filenames.h"
#include "formport.h"
#include "gbk.h"
#include "generationtexts.h"
#include "inputrules.h"
#include "itemretrieval.h"
#include "outputfolder.h"
#include "pagemetadata.h"
#include "runstate.h"
#include "templateformat.h"
#include "templatecopy.h"
#include "joinpath.h"
#include "templatelibrary.h"
#include "textops.h"

namespace {

const QString indexFileName = filenames::pageFile.toString();

void restoreCommand(FormPort &form)
{
    form.setGenerateCommand(true, generationtexts::commandIdle.toString());
}

RunOutcome refuseTemplate(FormPort &form, const QString &message)
{
    form.showMessage(message);
    restoreCommand(form);
    return RunOutcome::Refused;
}

RunOutcome showFailure(FormPort &form, const QString &folder, QStringView reason)
{
    form.navigate(generationtexts::failurePage(QDir::toNativeSeparators(folder), reason));
    restoreCommand(form);
    return RunOutcome::Failed;
}

// The checks made before anything changes; returns the refusal message, or empty text.
QString inputRefusal(FormPort &form, const AppSetup &setup, const QString &templateName, QString &keyword)
{
    if (templateName.isEmpty())
        return generationtexts::chooseTemplate.toString();
    if (const QString refusal = sourceRefusal(setup); !refusal.isEmpty())
        return refusal;
    if (const QString refusal = pidRefusal(setup, form.pidText()); !refusal.isEmpty())
        return refusal;
    if (const QString refusal = filterRefusal(setup, setup.filter); !refusal.isEmpty())
        return refusal;
    keyword = form.keywordText();
    if (const QString refusal = keywordRefusal(keyword); !refusal.isEmpty())
        return refusal;
    return inputrules::countRefusal(textops::numericValue(form.countText())).toString();
}

// The template copy's text files in UTF-8, their declarations saying so; a file that already
// is stays as it is.
bool convertCopyToUtf8(const QString &folder)
{
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (!charsets::isTextResource(path) || files.fileInfo().isSymLink())
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray bytes = file.readAll();
        file.close();
        const QByteArray converted =
            charsets::encodePage(charsets::decodeResource(bytes), charsets::PageEncoding::Utf8);
        if (converted != bytes && !outputfolder::writeWhole(path, converted))
            return false;
    }
    return true;
}

// Finishes the folder the template was copied into; returns the reason when it could not.
QString writePage(const RunState &run, bool utf8)
{
    for (const QStringView name :
         {templateformat::templateFileName, templateformat::previewFileName, templateformat::indexFileName}) {
        const QString copied = joinPath(run.outputFolder, name.toString());
        if (isPresentFile(copied) && !QFile::remove(copied))
            return generationtexts::reasonCannotCopy.toString();
    }
    if (utf8 && !convertCopyToUtf8(run.outputFolder))
        return generationtexts::reasonCannotWrite.toString();
    const QByteArray page = utf8 ? charsets::encodePage(run.pageSource(), charsets::PageEncoding::Utf8)
                                 : gbk::encodeHtml(run.pageSource());
    if (!outputfolder::writeWhole(joinPath(run.outputFolder, indexFileName), page))
        return generationtexts::reasonCannotWrite.toString();
    return {};
}

} // namespace

QString keywordRefusal(const QString &keyword)
{
    if (keyword.trimmed().isEmpty())
        return generationtexts::emptyKeyword.toString();
    const auto characters =
        std::count_if(keyword.cbegin(), keyword.cend(), [](QChar c) { return !c.isLowSurrogate(); });
    return characters > generationtexts::maxKeywordLength ? generationtexts::keywordTooLong.toString()
                                                          : QString();
}

RunOutcome shengcheng_Click(FormPort &form, const AppSetup &setup, const net::Cancellation &cancel,
                            net::CallGate *callGate)
{
    // Both are taken once: the user may pick another template or edit the keyword while the
    // items are fetched, and the folder has to match the page that was split.
    const QString templateName = form.templateName();
    QString keyword;
    if (const QString refusal = inputRefusal(form, setup, templateName, keyword); !refusal.isEmpty()) {
        form.showMessage(refusal);
        return RunOutcome::Refused;
    }

    form.setGenerateCommand(false, generationtexts::commandRunning.toString());
    auto run = std::make_shared<RunState>();
    run->keyword = keyword;
    run->templateName = templateName;

    // Only a plain name from the template list finds a file: never a folder elsewhere on the disk.
    const QString templateFile = findTemplateFile(setup.templateRoots, templateName);
    if (templateFile.isEmpty())
        return refuseTemplate(form, generationtexts::templateFileInvalid.toString());
    const QString templateFolder = QFileInfo(templateFile).path();
    const QString templateText = templateformat::readTemplateFile(templateFile);
    run->templateText = templateformat::replaceKeyword(templateText, keyword);
    const QString refusal =
        templateformat::split(templateText, keyword, run->headerPart, run->itemBlock, run->footerPart);
    if (!refusal.isEmpty())
        return refuseTemplate(form, refusal);

    const RetrievalOutcome outcome = retrieveItems(form, setup, *run, cancel, callGate);
    // The window is gone, or going: nothing more is written and the form is left alone.
    if (outcome == RetrievalOutcome::Aborted || cancel.isCancelled())
        return RunOutcome::Cancelled;
    // Retrieval has shown its time-out or failure page; a page without items would only hide it.
    if (outcome != RetrievalOutcome::Completed) {
        restoreCommand(form);
        return RunOutcome::Failed;
    }

    const pagemetadata::Page metadata{keyword, setup.pageAddress, run->pageItems};
    run->headerPart = pagemetadata::fill(run->headerPart, metadata);
    run->footerPart = pagemetadata::fill(run->footerPart, metadata);

    if (const QString reason = outputfolder::ensureRoot(setup.outputRoot); !reason.isEmpty())
        return showFailure(form, setup.outputRoot, reason);
    const QString baseName = outputfolder::safeName(
        QString(keyword + u'_' + templateName + u'_' + setup.now().time().toString(u"hhmmss")));
    QString reason;
    run->outputFolder = outputfolder::createFresh(setup.outputRoot, baseName, &reason);
    if (run->outputFolder.isEmpty())
        return showFailure(form, joinPath(setup.outputRoot, baseName), reason);

    // The folder is the run's own, made moments ago: whatever stops the run from here on, nothing
    // half-made is left behind.
    QStringList skippedLinks;
    const CopyOutcome copied = copyTemplate(form, templateFolder, run->outputFolder, skippedLinks, cancel);
    if (copied == CopyOutcome::Cancelled) {
        QDir(run->outputFolder).removeRecursively();
        return RunOutcome::Cancelled;
    }
    reason = copied == CopyOutcome::Copied ? writePage(*run, setup.utf8Pages)
                                           : generationtexts::reasonCannotCopy.toString();
    if (!reason.isEmpty()) {
        QDir(run->outputFolder).removeRecursively();
        return showFailure(form, run->outputFolder, reason);
    }

    form.navigate(joinPath(run->outputFolder, indexFileName));
    form.showResult(generationtexts::successPage(QDir::toNativeSeparators(run->outputFolder), skippedLinks),
                    run);
    restoreCommand(form);
    return RunOutcome::Written;
}
