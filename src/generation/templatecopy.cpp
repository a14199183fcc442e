#include "templatecopy.h"

#include <atomic>
#include <memory>

#include <QElapsedTimer>
#include <QThread>

#include "cancellation.h"
#include "formport.h"
#include "generationtexts.h"
#include "outputfolder.h"
#include "runprocess.h"

namespace {

// A copy that is over within this time shows no page of its own.
constexpr qint64 quietMs = 300;
constexpr int sliceMs = 100;

} // namespace

CopyOutcome copyTemplate(FormPort &form, const QString &source, const QString &target,
                         QStringList &skippedLinks, const net::Cancellation &cancel)
{
    std::atomic_int copied = 0;
    std::atomic_bool stop = false;
    bool ok = false;
    QStringList skipped;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        ok = outputfolder::copyTree(source, target, &skipped, [&](int files) {
            copied = files;
            return !stop;
        });
    }));
    QElapsedTimer clock;
    clock.start();
    worker->start();
    // Most templates are a handful of files, copied before a slice would even begin.
    worker->wait(20);

    int shown = -1;
    while (!worker->isFinished()) {
        RunProcess(sliceMs, worker.get(), &QThread::finished);
        if (cancel.isCancelled()) {
            stop = true;
        } else if (clock.elapsed() >= quietMs && copied != shown && !worker->isFinished()) {
            shown = copied;
            form.navigate(generationtexts::copyingPage(shown));
        }
    }
    worker->wait();

    if (cancel.isCancelled())
        return CopyOutcome::Cancelled;
    skippedLinks = skipped;
    return ok ? CopyOutcome::Copied : CopyOutcome::Failed;
}
