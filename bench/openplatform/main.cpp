// One page of 14 items from the open platform's demo gateway, 50 ms away: plain, and with a 淘口令
// per item and short links, which add 28 requests. Prints the median of seven runs of each and
// the extra time the requests take.
//   bench_openplatform [LATENCY_MS]   (default 50)
#include <algorithm>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "batchrun.h"
#include "benchsupport.h"

namespace {

using namespace benchsupport;

double medianMs(BenchProgram &program, bool extras)
{
    AppSetup setup = program.setup;
    setup.source = itemsource::Source::OpenPlatform;
    setup.openPlatform.gateway = u"http://"_qs + setup.hosts.apiHost + u"/router/rest"_qs;
    setup.openPlatform.appKey = u"demo-app"_qs;
    setup.openPlatform.appSecret = u"demo-secret"_qs;
    setup.openPlatform.makeTpwd = extras;
    BatchSettings settings;
    settings.templateName = u"经典网格"_qs;
    settings.count = u"14"_qs;
    settings.pid = u"mm_1_2_3"_qs;
    settings.shortLinkState = extras ? 1 : 0;
    settings.siteName = u"bench"_qs;
    QList<double> times;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer clock;
        clock.start();
        BatchRun run(setup, settings, {{u"连衣裙 k001"_qs, QString(), QString(), 1}});
        const BatchSummary &summary = run.exec();
        times.append(double(clock.nsecsElapsed()) / 1e6);
        if (summary.written.size() != 1 || summary.written.first().itemCount != 14)
            qFatal("the page was not written with 14 items");
    }
    std::sort(times.begin(), times.end());
    return times[3];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int latency = argc > 1 ? std::max(0, QString::fromLocal8Bit(argv[1]).toInt()) : 50;
    BenchProgram program(latency);
    const double plain = medianMs(program, false);
    const double extras = medianMs(program, true);
    QTextStream(stdout) << "14 items, open platform " << latency << " ms away: plain "
                        << QString::number(plain, 'f', 0) << " ms, with 淘口令 and short links "
                        << QString::number(extras, 'f', 0) << " ms, extra "
                        << QString::number(extras - plain, 'f', 0) << " ms\n";
    return 0;
}
