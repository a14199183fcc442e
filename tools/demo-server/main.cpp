#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "demoserver.h"
#include "terminationsignals.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"demo-server"_qs);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Offline stand-in for the item query, the open platform's REST gateway (AppKey demo-app, "
        "AppSecret demo-secret), the URL-shortening and picture services, on 127.0.0.1."_qs);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_qs,
                                        u"Port to listen on (default %1)."_qs.arg(demo::defaultPort), u"N"_qs,
                                        QString::number(demo::defaultPort));
    const QCommandLineOption gbkOption(u"gbk"_qs, u"Send the item query's page in GBK instead of UTF-8."_qs);
    const QCommandLineOption delayOption(
        u"delay"_qs, u"Answer item queries and shortening requests after MS milliseconds."_qs, u"MS"_qs,
        u"0"_qs);
    const QCommandLineOption latencyOption(
        u"latency"_qs, u"Answer every request MS milliseconds late, as across a real network."_qs, u"MS"_qs,
        u"0"_qs);
    const QCommandLineOption repriceOption(
        u"reprice"_qs,
        u"Change about one price in ten, the same ones for the same SEED, as a day's repricing does "
        "(also GET /demo/reprice?seed=N while running; 0 is the shipped prices)."_qs,
        u"SEED"_qs, u"0"_qs);
    const QCommandLineOption ordersOption(
        u"orders-per-day"_qs,
        u"Orders a day for each ad zone searched with (default %1)."_qs.arg(demo::defaultOrdersPerDay),
        u"N"_qs, QString::number(demo::defaultOrdersPerDay));
    const QCommandLineOption freshOption(
        u"fresh-links"_qs,
        u"Mint a new link (e=) in every click_url and coupon_share_url and a new 淘口令 on every call, "
        "as a live gateway may; GET /demo/calls counts the calls by method."_qs);
    parser.addOptions(
        {portOption, gbkOption, delayOption, latencyOption, repriceOption, freshOption, ordersOption});
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    bool delayOk = false;
    const int delay = parser.value(delayOption).toInt(&delayOk);
    bool latencyOk = false;
    const int latency = parser.value(latencyOption).toInt(&latencyOk);
    bool seedOk = false;
    const uint seed = parser.value(repriceOption).toUInt(&seedOk);
    bool ordersOk = false;
    const int ordersPerDay = parser.value(ordersOption).toInt(&ordersOk);
    if (!portOk || port > 65535 || !delayOk || delay < 0 || !latencyOk || latency < 0 || !seedOk ||
        !ordersOk || ordersPerDay < 0 || ordersPerDay > 100000) {
        std::fprintf(stderr, "demo-server: --port takes 0 to 65535, --delay and --latency a number of "
                             "milliseconds, --reprice a whole number, --orders-per-day 0 to 100000\n");
        return 2;
    }

    demo::DemoServer server;
    server.service().setGbkReplies(parser.isSet(gbkOption));
    server.service().setReplyDelay(delay);
    server.service().setLatency(latency);
    server.service().setReprice(seed);
    server.service().setFreshLinks(parser.isSet(freshOption));
    server.service().orders().setOrdersPerDay(ordersPerDay);
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "demo-server: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    onTerminationSignals(&app, [&app] { app.quit(); });
    std::printf("demo-server listening on http://127.0.0.1:%u\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
