#pragma once

#include <QDir>
#include <QObject>
#include <QString>

#include "batchrun.h"
#include "commandline.h"
#include "progressline.h"
#include "statustext.h"

namespace cli {

// Shows a run's keywords on `progress` as they start and end (with the folder a page went to, when
// `showFolder`), and stops it on Ctrl+C: the first lets the keywords in progress finish and keeps
// them, a second stops them too.
template <typename Run>
void followRun(Run &run, ProgressLine &progress, const Environment &env, int &interrupts, bool showFolder)
{
    QObject::connect(&run, &Run::keywordStarted, &run,
                     [&progress](int, const QString &keyword) { progress.started(keyword); });
    QObject::connect(
        &run, &Run::keywordFinished, &run, [&progress, showFolder](const PageResult &result, int done, int) {
            QString text;
            if (result.outcome == RunOutcome::Written)
                text = QString::number(result.itemCount) + u"件商品 / items"_qs +
                       (showFolder ? u": "_qs + QDir::toNativeSeparators(result.folder) : QString());
            else if (result.outcome == RunOutcome::Cancelled)
                text = u"未完成 / not done: "_qs + result.reason;
            else
                text = u"未能生成 / failed: "_qs + statustext::withoutCommandAdvice(result.reason);
            progress.finished(done, result.entry.keyword, text, result.outcome == RunOutcome::Written);
        });
    if (env.interrupter)
        QObject::connect(env.interrupter, &Interrupter::interrupted, &run, [&run, &interrupts, &progress] {
            if (++interrupts == 1) {
                progress.note(u"正在停止:进行中的关键词完成后结束,再按一次立即停止 / stopping after the "
                              "keywords in progress; once more to stop now"_qs);
                run.cancel();
            } else {
                run.abort();
            }
        });
}

} // namespace cli
