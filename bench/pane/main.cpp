// The browser pane under the stream of status pages a generation run gives it: bursts of link
// pages as the short links come back, then the completed page, the generated file and the success
// page. Prints, per kind of stream, how many status pages the pane showed per second and how long
// the success page took from being asked for to being loaded (medians of 7).
#include <algorithm>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include "browserpane.h"
#include "helpscheme.h"

namespace {

struct Stream
{
    const char *name;
    int pages; // link pages
    int burst; // pages that arrive together
    int gapMs; // between bursts
};

struct Trial
{
    int shown = 0; // status pages that finished loading before the success page
    double pagesPerSecond = 0;
    double successMs = 0; // from asking for the success page to its being loaded
};

QString linkPage(int n)
{
    return u"about:<center><br/><br/><br/>正在将商品<新款<span class=H>连衣裙</span>"_qs +
           QString::number(n) + u">的推广地址转换为短网址..."_qs;
}

bool waitLoaded(BrowserPane &pane, const QString &address)
{
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    bool loaded = false;
    const auto c = QObject::connect(&pane, &QWebEngineView::loadFinished, &loop, [&](bool ok) {
        if (ok) {
            loaded = true;
            loop.quit();
        }
    });
    pane.Navigate(address);
    loop.exec();
    QObject::disconnect(c);
    return loaded;
}

Trial runStream(BrowserPane &pane, const Stream &stream, const QString &indexFile, int round)
{
    Trial trial;
    const QString tag = u"bench"_qs + QString::number(round);
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 successAsked = -1;
    qint64 successLoaded = -1;
    const auto finished = QObject::connect(&pane, &QWebEngineView::loadFinished, &loop, [&](bool ok) {
        if (!ok)
            return;
        if (pane.url().toString().contains(tag)) {
            successLoaded = clock.nsecsElapsed();
            loop.quit();
        } else if (successAsked < 0) {
            ++trial.shown;
        }
    });

    int sent = 0;
    QTimer bursts;
    bursts.setTimerType(Qt::PreciseTimer);
    bursts.setInterval(stream.gapMs);
    QObject::connect(&bursts, &QTimer::timeout, &loop, [&] {
        for (int i = 0; i < stream.burst && sent < stream.pages; ++i)
            pane.Navigate(linkPage(++sent));
        if (sent < stream.pages)
            return;
        bursts.stop();
        pane.Navigate(u"about:<br/><br/><br/><br/><br/><br/><br/><center>商品数据获取完毕..."_qs);
        pane.Navigate(indexFile);
        successAsked = clock.nsecsElapsed();
        pane.Navigate(u"about:<center><br/><br/><br/><b>单页生成成功,已保存到【/tmp/x】文件夹</b>"
                      u"<br/><br/><br/><br/><a href=\"minglin1.htm\">查看生成的单页文件</a>"_qs,
                      tag);
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    clock.start();
    bursts.start();
    loop.exec();
    QObject::disconnect(finished);
    if (successLoaded < 0)
        qFatal("the success page did not come");
    trial.successMs = double(successLoaded - successAsked) / 1e6;
    trial.pagesPerSecond = trial.shown / (double(successAsked) / 1e9);
    return trial;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    schemes::registerSchemes();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString indexFile = dir.filePath(u"index.htm"_qs);
    QFile file(indexFile);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write the page");
    file.write(QByteArray("<html><body>") + QByteArray("<p>item</p>").repeated(40) + "</body></html>");
    file.close();

    BrowserPane pane(dir.path(), nullptr);
    pane.setSilent(true);
    pane.resize(800, 600);
    pane.show();
    const QString blank = u"about:<center>ready"_qs;
    if (!waitLoaded(pane, blank))
        qFatal("the pane shows nothing");

    const Stream streams[] = {
        {"80 link pages, 8 at a time every 1 ms (latency 0)", 80, 8, 1},
        {"80 link pages, 8 at a time every 50 ms (latency 50)", 80, 8, 50},
        {"10 link pages, one every 100 ms", 10, 1, 100},
    };
    QTextStream out(stdout);
    int round = 0;
    for (const Stream &stream : streams) {
        QList<double> perSecond;
        QList<double> success;
        QList<double> shown;
        for (int i = 0; i < 7; ++i) {
            waitLoaded(pane, blank);
            const Trial trial = runStream(pane, stream, indexFile, ++round);
            perSecond << trial.pagesPerSecond;
            success << trial.successMs;
            shown << trial.shown;
        }
        out << stream.name << ": status pages shown " << median(shown) << ", "
            << QString::number(median(perSecond), 'f', 0) << " a second; success page loaded "
            << QString::number(median(success), 'f', 1) << " ms after asked (medians of 7)\n";
        out.flush();
    }
    return 0;
}
