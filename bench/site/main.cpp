// A lasting site of 100 keywords, 40 items a page, short links on, the demo service 50 ms away and
// 8 jobs: the time and the files written below www/ to create it, to refresh it with nothing
// changed, and to refresh it after 10 keywords changed (their counts edited in 关键词.txt); then
// the peak memory. With rclone on PATH each step is followed by a publish to a local
// `rclone serve sftp`: its time and the files it sent (after the unchanged refresh, 0). Without arguments it
// runs itself for 10 and for 100 keywords, each in a fresh process, so that the two peaks can be compared.
// With --fresh-links the items come from the demo gateway, which mints a new link and 淘口令 on every
// call as a live gateway may, with a 淘口令 and a short link per item: each step also gives the calls
// made, by method.
//   bench_site                                         both cases
//   bench_site KEYWORDS [LATENCY_MS]                   one case (latency 50 unless given)
//   bench_site --fresh-links [KEYWORDS [LATENCY_MS]]   the open platform minting new links (100, 50)
//   bench_site records                                 reading and writing 站点.ini of 1,000 to 4,000
//                                                      pages, and of a file that claims 2,000,000,000
#include <algorithm>
#include <ctime>
#include <functional>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include "benchsupport.h"
#include "demoservice.h"
#include "httpserver.h"
#include "publishrun.h"
#include "site.h"
#include "sitepublish.h"

namespace {

using namespace benchsupport;

QByteArray keywordList(int keywords, int changed)
{
    QString text;
    for (int n = 1; n <= keywords; ++n)
        text += u"连衣裙 "_qs + keywordTag(n) + (n <= changed ? u"\t39"_qs : QString()) + u'\n';
    return text.toUtf8();
}

// `rclone serve sftp` on a free port of 127.0.0.1, serving `root`; its port, or 0.
int serveSftp(QProcess &server, const QString &root, const QString &password)
{
    server.start(publish::rcloneProgram(),
                 {u"serve"_qs, u"sftp"_qs, root, u"--addr"_qs, u"127.0.0.1:0"_qs, u"--user"_qs, u"bench"_qs,
                  u"--pass"_qs, password, u"--config"_qs, QString()});
    server.setReadChannel(QProcess::StandardError); // where rclone logs
    QByteArray log;
    while (server.waitForReadyRead(15000)) {
        log += server.readAll();
        const qsizetype at = log.indexOf("listening on 127.0.0.1:");
        if (at >= 0 && log.indexOf('\n', at) > 0)
            return log.mid(at + 23, log.indexOf('\n', at) - at - 23).trimmed().toInt();
    }
    return 0;
}

// The calls the demo answered since the last reading, by method.
QString callsText(demo::DemoService &service)
{
    QStringList parts;
    int all = 0;
    for (auto it = service.calls().cbegin(); it != service.calls().cend(); ++it) {
        parts << it.key() + u' ' + QString::number(it.value());
        all += it.value();
    }
    service.resetCalls();
    return QString::number(all) + u" calls (" + (parts.isEmpty() ? u"none"_qs : parts.join(u", ")) + u')';
}

int runFreshLinks(int keywords, int latencyMs)
{
    BenchProgram program(latencyMs);
    program.service.setFreshLinks(true);
    AppSetup setup = program.setup;
    setup.source = itemsource::Source::OpenPlatform;
    setup.openPlatform.gateway = u"http://"_qs + setup.hosts.apiHost + u"/router/rest"_qs;
    setup.openPlatform.appKey = u"demo-app"_qs;
    setup.openPlatform.appSecret = u"demo-secret"_qs;

    siteconfig::Site site;
    site.name = u"bench"_qs;
    site.templateName = u"经典网格"_qs;
    site.count = u"40"_qs;
    site.pid = u"mm_1_2_3"_qs;
    site.shortLinks = true;
    site.tokens = true;
    site.baseUrl = u"https://example.com/"_qs;
    const QString folder =
        sites::create(sites::sitesRoot(setup.outputRoot), site, keywordList(keywords, 0), nullptr);
    if (folder.isEmpty())
        qFatal("cannot create the site");

    QTextStream out(stdout);
    out << keywords << " keywords x 40 items from the open platform minting new links and 淘口令 per call, "
        << "淘口令 and short links on, " << latencyMs << " ms away, 8 jobs:\n";
    const auto step = [&](const char *what) {
        program.service.resetCalls();
        QElapsedTimer clock;
        clock.start();
        const std::clock_t cpu = std::clock();
        sites::Refresh refresh(setup, folder, 8);
        const sites::RefreshSummary &summary = refresh.exec();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        // On a machine shared with other work the wall time says less than the time spent here.
        const double cpuMs = double(std::clock() - cpu) * 1000 / CLOCKS_PER_SEC;
        if (!summary.allDone())
            qFatal("%s: %s", what, qPrintable(summary.error));
        out << "  " << what << ": " << QString::number(ms, 'f', 0) << " ms (CPU "
            << QString::number(cpuMs, 'f', 0) << " ms), " << callsText(program.service) << ", "
            << summary.pagesChanged << " pages changed, " << summary.filesWritten << " files written\n";
        out.flush();
    };
    step("create");
    step("refresh, nothing changed");
    QFile list(sites::Paths(folder).keywords);
    if (!list.open(QIODevice::WriteOnly) || list.write(keywordList(keywords, 10)) < 0)
        qFatal("cannot edit the keyword list");
    list.close();
    step("refresh, 10 keywords changed");
    return 0;
}

int runOne(int keywords, int latencyMs)
{
    qunsetenv("DBUS_SESSION_BUS_ADDRESS"); // the made-up password stays out of the user's keyring
    BenchProgram program(latencyMs);
    const AppSetup &setup = program.setup;

    siteconfig::Site site;
    site.name = u"bench"_qs;
    site.templateName = u"经典网格"_qs;
    site.count = u"40"_qs;
    site.pid = u"30571968"_qs;
    site.shortLinks = true;
    site.baseUrl = u"https://example.com/"_qs;
    const QString folder =
        sites::create(sites::sitesRoot(setup.outputRoot), site, keywordList(keywords, 0), nullptr);
    if (folder.isEmpty())
        qFatal("cannot create the site");

    QTextStream out(stdout);
    out << keywords << " keywords x 40 items, short links on, " << latencyMs << " ms away, 8 jobs:\n";
    QTemporaryDir remote;
    QProcess server;
    const QString password = u"bench-throwaway"_qs;
    const int port = publish::rcloneProgram().isEmpty() ? 0 : serveSftp(server, remote.path(), password);
    if (port > 0) {
        secretstore::Place place;
        QString error;
        if (!sitepublish::setTarget(folder,
                                    u"sftp://bench@127.0.0.1:"_qs + QString::number(port) + u"/www"_qs,
                                    password, &place, &error))
            qFatal("target: %s", qPrintable(error));
    } else {
        out << "  (rclone serve sftp not available: no publishing figures)\n";
    }
    const auto publishStep = [&] {
        if (port == 0)
            return;
        QElapsedTimer clock;
        clock.start();
        QString error;
        const std::unique_ptr<publish::Run> run = sitepublish::runFor(folder, false, &error);
        if (!run)
            qFatal("publish: %s", qPrintable(error));
        run->start();
        const publish::Summary &summary = run->exec();
        if (!summary.ok())
            qFatal("publish: %s", qPrintable(summary.error));
        out << "    publish: " << QString::number(double(clock.nsecsElapsed()) / 1e6, 'f', 0) << " ms, "
            << summary.copied.size() << " files sent, " << summary.deleted.size() << " deleted\n";
        out.flush();
    };
    const auto step = [&](const char *what) {
        QElapsedTimer clock;
        clock.start();
        sites::Refresh refresh(setup, folder, 8);
        const sites::RefreshSummary &summary = refresh.exec();
        if (!summary.allDone())
            qFatal("%s: %s", what, qPrintable(summary.error));
        out << "  " << what << ": " << QString::number(double(clock.nsecsElapsed()) / 1e6, 'f', 0) << " ms, "
            << summary.pagesChanged << " pages changed, " << summary.filesWritten << " files written\n";
        out.flush();
        publishStep();
    };
    step("create");
    step("refresh, nothing changed");
    QFile list(sites::Paths(folder).keywords);
    if (!list.open(QIODevice::WriteOnly) || list.write(keywordList(keywords, 10)) < 0)
        qFatal("cannot edit the keyword list");
    list.close();
    step("refresh, 10 keywords changed");
    out << "  peak RSS " << peakResidentKiB() << " KiB\n";
    server.kill();
    server.waitForFinished();
    return 0;
}

// The median of five runs of `step`, in ms.
double medianMs(const std::function<void()> &step)
{
    QList<double> times;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        step();
        times.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

int records()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"站点.ini"_qs);
    QTextStream out(stdout);
    for (const int pages : {1000, 2000, 4000}) {
        siteconfig::Site site;
        site.name = u"bench"_qs;
        for (int n = 1; n <= pages; ++n)
            site.pages.append({u"连衣裙 "_qs + keywordTag(n), u"page-"_qs + QString::number(n),
                               QDateTime::currentDateTime(), 40, u"https://img.example.com/x.jpg"_qs,
                               u"19.90"_qs});
        const double write = medianMs([&] {
            if (!siteconfig::write(path, site))
                qFatal("cannot write");
        });
        qsizetype read = 0;
        const double readMs =
            medianMs([&] { read = siteconfig::read(path).value_or(siteconfig::Site()).pages.size(); });
        out << pages << " pages (" << QFileInfo(path).size() / 1024 << " KiB): read "
            << QString::number(readMs, 'f', 1) << " ms, write " << QString::number(write, 'f', 1) << " ms, "
            << read << " pages read\n";
    }
    QFile claim(path);
    if (!claim.open(QIODevice::WriteOnly) ||
        claim.write(QStringView(u"[站点]\r\n名称=x\r\n页数=2000000000\r\n").toString().toUtf8()) < 0)
        qFatal("cannot write");
    claim.close();
    out << "页数=2000000000: read " << QString::number(medianMs([&] { siteconfig::read(path); }), 'f', 2)
        << " ms\n";
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 2 && args[1] == u"records")
        return records();
    if (args.size() >= 2 && args[1] == u"--fresh-links")
        return runFreshLinks(std::clamp(args.size() >= 3 ? args[2].toInt() : maxKeywords, 10, maxKeywords),
                             args.size() >= 4 ? args[3].toInt() : 50);
    if (args.size() >= 2)
        return runOne(std::clamp(args[1].toInt(), 10, maxKeywords), args.size() >= 3 ? args[2].toInt() : 50);
    for (const int keywords : {10, 100}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::number(keywords)});
        if (!child.waitForFinished(1800000) || child.exitCode() != 0)
            return 1;
    }
    return 0;
}
