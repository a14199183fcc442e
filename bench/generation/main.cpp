// A 40-item generation run against the demo service on 127.0.0.1, from the generate command to
// the success page loaded in the pane; with short links on (81 requests) and off (1 request).
// Prints each run's time and the median of five.
#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

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

void copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(source, target);
    }
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
    bool successShown = false;
    const QMetaObject::Connection asked =
        QObject::connect(&form, &Form1::navigated, &form, [&](const QString &address) {
            successAsked = address.contains(u"单页生成成功"_qs);
        });
    const QMetaObject::Connection shown = QObject::connect(
        pane, &QWebEngineView::loadFinished, &form, [&](bool ok) { successShown = ok && successAsked; });
    QElapsedTimer clock;
    clock.start();
    form.findChild<QAction *>(u"shengcheng"_qs)->trigger();
    const double run = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (!QTest::qWaitFor([&] { return successShown; }, 60000))
        qFatal("the success page did not come");
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QObject::disconnect(asked);
    QObject::disconnect(shown);
    if (form.latestRun()->itemsHtml.count(u"[#"_qs) != 0 ||
        form.latestRun()->itemsHtml.count(u"class=\"goods\""_qs) != 40)
        qFatal("the run did not fill the page");
    return {run, ms};
}

} // namespace

int main(int argc, char *argv[])
{
    Form1::prepareApplication();
    QApplication app(argc, argv);
    const demo::Catalogue catalogue = benchCatalogue();
    demo::DemoService service(catalogue);
    httpkit::Server server([&service](const httpkit::Request &request) { return service.handle(request); });
    if (!server.listen())
        qFatal("cannot listen");
    service.setOrigin(u"http://127.0.0.1:"_qs + QString::number(server.port()));

    QTemporaryDir dir;
    copyTree(QStringLiteral(TAOYEFANG_SOURCE_DIR) + u"/data/模板"_qs, dir.filePath(u"模板"_qs));
    writeSettings(dir.path(), server.port());
    Form1 form(dir.path());
    form.setQuitOnClose(false);
    form.show();
    if (!QTest::qWaitFor([&] { return form.browser()->url().toString() == u"taoyefang://help/"_qs; }, 20000))
        qFatal("no start page");
    auto *combo = form.findChild<QComboBox *>(u"Combo1"_qs);
    combo->setCurrentIndex(combo->findText(u"经典网格"_qs));

    QTextStream out(stdout);
    for (const Qt::CheckState option : {Qt::Checked, Qt::Unchecked}) {
        form.findChild<QCheckBox *>(u"Check1"_qs)->setCheckState(option);
        const qsizetype before = server.requests().size();
        QList<double> runs;
        QList<double> shown;
        for (int i = 0; i < 5; ++i) {
            const Timing timing = timeRun(form);
            runs << timing.run;
            shown << timing.shown;
        }
        const qsizetype requests = (server.requests().size() - before) / 5;
        for (QList<double> *times : {&runs, &shown}) {
            out << "40 items, short links " << (option == Qt::Checked ? "on, " : "off,") << requests
                << (times == &runs ? " requests, run to success page asked:"
                                   : " requests, to success page loaded:");
            for (double t : *times)
                out << ' ' << QString::number(t, 'f', 1);
            std::sort(times->begin(), times->end());
            out << " ms; median " << QString::number((*times)[2], 'f', 1) << " ms\n";
        }
        out.flush();
    }
    return 0;
}
