// A batch of keywords, 40 items each, against the demo service in this process: total time, time
// per page and peak resident memory. Without arguments it runs itself once per case (10 and 100
// keywords, one job and four), each in a fresh process so that each peak is its own.
//   bench_batch                       the four cases, one line each
//   bench_batch KEYWORDS JOBS [short] one case; "short" turns short links on (81 requests a page)
#include <algorithm>
#include <utility>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "batchrun.h"
#include "benchsupport.h"
#include "demoservice.h"
#include "httpserver.h"

namespace {

using namespace benchsupport;

int runOne(int keywords, int jobs, bool shortLinks)
{
    BenchProgram program;
    const AppSetup &setup = program.setup;

    QList<keywordfile::Entry> entries;
    for (int n = 1; n <= keywords; ++n)
        entries.append({u"连衣裙 "_qs + keywordTag(n), QString(), QString(), n});
    BatchSettings settings;
    settings.templateName = u"经典网格"_qs;
    settings.count = u"40"_qs;
    settings.pid = u"30571968"_qs;
    settings.shortLinkState = shortLinks ? 1 : 0;
    settings.siteName = u"bench"_qs;
    settings.baseUrl = u"https://example.com/"_qs;
    settings.jobs = jobs;

    const long before = peakResidentKiB();
    QElapsedTimer clock;
    clock.start();
    BatchRun run(setup, settings, entries);
    const BatchSummary &summary = run.exec();
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    for (const PageResult &page : summary.written) {
        if (page.itemCount != 40)
            qFatal("a page has %d items", page.itemCount);
    }
    if (summary.written.size() != keywords || summary.indexFile.isEmpty())
        qFatal("%d of %d pages written", int(summary.written.size()), keywords);

    QTextStream(stdout) << keywords << " keywords x 40 items, " << jobs << (jobs == 1 ? " job, " : " jobs, ")
                        << "short links " << (shortLinks ? "on" : "off") << ": "
                        << QString::number(ms, 'f', 0) << " ms in all, "
                        << QString::number(ms / keywords, 'f', 1) << " ms a page; peak RSS "
                        << peakResidentKiB() << " KiB (" << before << " KiB before the batch)\n";
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3)
        return runOne(std::clamp(args[1].toInt(), 1, maxKeywords), std::clamp(args[2].toInt(), 1, 8),
                      args.value(3) == u"short");
    const std::pair<int, int> cases[] = {{10, 1}, {100, 1}, {10, 4}, {100, 4}};
    for (const auto &[keywords, jobs] : cases) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::number(keywords), QString::number(jobs)});
        if (!child.waitForFinished(600000) || child.exitCode() != 0)
            return 1;
    }
    return 0;
}
