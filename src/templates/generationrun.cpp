#include "generationrun.h"

#include <QDir>
#include <QFile>

#include "apiceshijiekou.h"
#include "formport.h"
#include "gbk.h"
#include "generationtexts.h"
#include "outputfolder.h"
#include "templateformat.h"
#include "templatelibrary.h"
#include "windowstate.h"

namespace {

QTime (*generationClock)() = nullptr;

const QString indexFileName = u"index.htm"_qs;

void restoreCommand(FormPort &form)
{
    form.setGenerateCommand(true, generationtexts::commandIdle.toString());
}

void refuseTemplate(FormPort &form, const QString &message)
{
    form.showMessage(message);
    restoreCommand(form);
}

void showFailure(FormPort &form, const QString &folder, QStringView reason)
{
    form.navigate(generationtexts::failurePage(QDir::toNativeSeparators(folder), reason));
    restoreCommand(form);
}

} // namespace

void setGenerationClock(QTime (*clock)())
{
    generationClock = clock;
}

void shengcheng_Click(FormPort &form, WindowState &state)
{
    // Both are taken once: the user may pick another template or edit the keyword while the
    // items are fetched, and the folder has to match the page that was split.
    const QString templateName = form.templateName();
    if (templateName.isEmpty()) {
        form.showMessage(generationtexts::chooseTemplate.toString());
        return;
    }
    if (form.pidText().size() != 8) {
        form.showMessage(generationtexts::badPid.toString());
        return;
    }
    const QString keyword = form.keywordText();
    if (keyword.isEmpty()) {
        form.showMessage(generationtexts::emptyKeyword.toString());
        return;
    }

    form.setGenerateCommand(false, generationtexts::commandRunning.toString());
    state.itemsHtml.clear();

    const QString templateFolder =
        findTemplateFolder({state.templateRoot, state.userTemplateRoot}, templateName);
    const QString templateFile = joinPath(templateFolder, templateformat::templateFileName.toString());
    if (!isPresentFile(templateFile)) {
        refuseTemplate(form, generationtexts::templateFileInvalid.toString());
        return;
    }
    state.templateText =
        templateformat::replaceKeyword(templateformat::readTemplateFile(templateFile), keyword);
    const QString refusal =
        templateformat::split(state.templateText, state.headerPart, state.itemBlock, state.footerPart);
    if (!refusal.isEmpty()) {
        refuseTemplate(form, refusal);
        return;
    }

    const RetrievalOutcome outcome = apiceshijiekou(form, state);
    // The window is gone, or going: nothing more is written and the form is left alone.
    if (outcome == RetrievalOutcome::Aborted || form.isClosing())
        return;
    // Retrieval has shown its time-out or failure page; a page without items would only hide it.
    if (outcome != RetrievalOutcome::Completed) {
        restoreCommand(form);
        return;
    }

    const QString outputRoot = state.outputRoot;
    if (const QString reason = outputfolder::ensureRoot(outputRoot); !reason.isEmpty()) {
        showFailure(form, outputRoot, reason);
        return;
    }
    const QTime now = generationClock ? generationClock() : QTime::currentTime();
    const QString baseName =
        outputfolder::safeName(QString(keyword + u'_' + templateName + u'_' + now.toString(u"hhmmss")));
    QString reason;
    const QString folder = outputfolder::createFresh(outputRoot, baseName, &reason);
    if (folder.isEmpty()) {
        showFailure(form, joinPath(outputRoot, baseName), reason);
        return;
    }
    state.outputFolder = folder;

    if (!outputfolder::copyTree(templateFolder, folder)) {
        showFailure(form, folder, generationtexts::reasonCannotCopy);
        return;
    }
    for (const QStringView name : {templateformat::templateFileName, templateformat::previewFileName}) {
        const QString copied = joinPath(folder, name.toString());
        if (isPresentFile(copied))
            QFile::remove(copied);
    }

    const QString indexFile = joinPath(folder, indexFileName);
    const QString page = state.headerPart + state.itemsHtml + state.footerPart;
    if (!outputfolder::writeWhole(indexFile, gbk::encode(page))) {
        showFailure(form, folder, generationtexts::reasonCannotWrite);
        return;
    }

    form.navigate(indexFile);
    form.navigate(generationtexts::successPage(QDir::toNativeSeparators(folder)));
    restoreCommand(form);
}
