// A 40-item generation run against the demo service on 127.0.0.1 (on a thread of its own, as a
// service elsewhere would be), from the generate command to the success page loaded in the pane;
// with short links on (81 requests) and off (1 request), with the service answering at once and
// 50 ms late as across a real network (demo-server --latency). Prints each run's time and the
// median of seven.
// Usage: bench_generation [latency-ms ...]   (default: 50 0)
#include <algorithm>
#include <atomic>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include "benchsupport.h"
#include "browserpane.h"
#include "demoservice.h"
#include "form1.h"
#include "runstate.h"
#include "gbk.h"

namespace {

// The shipped catalogue holds fewer than 40 dresses; four copies of each under new numbers do.
demo::Catalogue benchCatalogue()
{
    QFile file(u":/demo-server/catalogue.tsv"_qs);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the demo catalogue is missing");
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    QStringList out;
    for (const QString &line : lines) {
        out << line;
        if (!line.contains(u"\tdress\t"_qs))
            continue;
        for (int copy = 1; copy <= 3; ++copy)
            out << QString::number(copy) + line;
    }
    QString error;
    demo::Catalogue catalogue = demo::Catalogue::fromTsv(out.join(u'\n'), &error);
    if (!error.isEmpty())
        qFatal("catalogue: %s", qPrintable(error));
    return catalogue;
}

void writeSettings(const QString &programFolder, quint16 port)
{
    const QString host = u"127.0.0.1:"_qs + QString::number(port);
    QFile ini(programFolder + u"/设置.ini"_qs);
    if (!ini.open(QIODevice::WriteOnly))
        qFatal("cannot write the settings file");
    ini.write(
        gbk::encode(QString(u"[基本设置]\r\nText1=连衣裙\r\nText2=30571968\r\nText3=40\r\nCheck1=1\r\n"
                            u"Combo2=0\r\n[服务设置]\r\n接口主机="_qs +
                            host + u"\r\n短网址主机="_qs + host + u"\r\n图片主机="_qs + host + u"\r\n"_qs)));
}

// One run, from the generate command to the success page loaded in the pane.
struct Timing
{
    double run;   // until the run has asked for the success page
    double shown; // until the pane has loaded it
};

Timing timeRun(Form1 &form)
{
    BrowserPane *pane = form.browser();
    bool successAsked = false;
    qint64 shownNs = -1;
    QEventLoop loop;
    QElapsedTimer clock;
    const QMetaObject::Connection asked =
        QObject::connect(&form, &Form1::navigated, &form, [&](const QString &address) {
            successAsked = address.contains(u"单页生成成功"_qs);
        });
    const QMetaObject::Connection shown =
        QObject::connect(pane, &QWebEngineView::loadFinished, &loop, [&](bool ok) {
            if (ok && successAsked) {
                shownNs = clock.nsecsElapsed();
                loop.quit();
            }
        });
    clock.start();
    form.findChild<QAction *>(u"shengcheng"_qs)->trigger();
    const double run = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (shownNs < 0) {
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QObject::disconnect(asked);
    QObject::disconnect(shown);
    if (shownNs < 0)
        qFatal("the success page did not come");
    if (form.latestRun()->itemsHtml.count(u"[#"_qs) != 0 ||
        form.latestRun()->itemsHtml.count(u"class=\"goods\""_qs) != 40)
        qFatal("the run did not fill the page");
    return {run, static_cast<double>(shownNs) / 1e6};
}

// The demo service on a thread of its own, so that it does not share the window's event loop.
class ServiceThread
{
public:
    explicit ServiceThread(const demo::Catalogue &catalogue)
        : m_service(catalogue)
    {
        m_thread.start();
        m_anchor.moveToThread(&m_thread);
        onThread([this] {
            m_server = new httpkit::Server([this](const httpkit::Request &request) {
                ++m_requests;
                return m_service.handle(request);
            });
            if (!m_server->listen())
                qFatal("cannot listen");
            m_port = m_server->port();
            m_service.setOrigin(u"http://127.0.0.1:"_qs + QString::number(m_port));
        });
    }
    ~ServiceThread()
    {
        onThread([this] {
            delete m_server;
            m_anchor.moveToThread(QCoreApplication::instance()->thread());
        });
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_port; }
    int requests() const { return m_requests; }
    void setLatency(int ms)
    {
        onThread([this, ms] { m_service.setLatency(ms); });
    }

private:
    template <typename F> void onThread(F f)
    {
        QMetaObject::invokeMethod(&m_anchor, f, Qt::BlockingQueuedConnection);
    }

    demo::DemoService m_service;
    QThread m_thread;
    QObject m_anchor;
    httpkit::Server *m_server = nullptr;
    quint16 m_port = 0;
    std::atomic_int m_requests = 0;
};

double median(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    QList<int> latencies;
    for (const QString &arg : app.arguments().mid(1))
        latencies << arg.toInt();
    if (latencies.isEmpty())
        latencies = {50, 0};

    const demo::Catalogue catalogue = benchCatalogue();
    ServiceThread service(catalogue);

    QTemporaryDir dir;
    benchsupport::copyTree(QStringLiteral(TAOYEFANG_SOURCE_DIR) + u"/data/模板"_qs, dir.filePath(u"模板"_qs));
    writeSettings(dir.path(), service.port());
    Form1 form(dir.path());
    form.setQuitOnClose(false);
    form.show();
    {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (form.browser()->url().toString() == u"taoyefang://help/"_qs)
                loop.quit();
        });
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        poll.start(5);
        loop.exec();
        if (form.browser()->url().toString() != u"taoyefang://help/"_qs)
            qFatal("no start page");
    }
    auto *combo = form.findChild<QComboBox *>(u"Combo1"_qs);
    combo->setCurrentIndex(combo->findText(u"经典网格"_qs));

    constexpr int runs = 7;
    QTextStream out(stdout);
    for (const int latency : latencies) {
        service.setLatency(latency);
        for (const Qt::CheckState option : {Qt::Checked, Qt::Unchecked}) {
            form.findChild<QCheckBox *>(u"Check1"_qs)->setCheckState(option);
            const int before = service.requests();
            QList<double> asked;
            QList<double> shown;
            for (int i = 0; i < runs; ++i) {
                const Timing timing = timeRun(form);
                asked << timing.run;
                shown << timing.shown;
            }
            const int requests = (service.requests() - before) / runs;
            // Round trips that cannot overlap: the item query, then the links eight at a time.
            const int roundTrips = 1 + (requests - 1 + 7) / 8;
            out << "latency " << latency << " ms, 40 items, short links "
                << (option == Qt::Checked ? "on, " : "off,") << ' ' << requests << " requests\n";
            out << "  run to success page asked: median " << QString::number(median(asked), 'f', 1)
                << " ms\n";
            out << "  to success page loaded:";
            for (double t : shown)
                out << ' ' << QString::number(t, 'f', 1);
            out << " ms; median " << QString::number(median(shown), 'f', 1) << " ms";
            if (latency > 0)
                out << " (" << roundTrips << " round trips of " << latency
                    << " ms at least: " << roundTrips * latency << " ms)";
            out << "\n";
            out.flush();
        }
    }
    return 0;
}
