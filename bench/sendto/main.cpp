// 100 sequential form POSTs to a server on 127.0.0.1, made by SendTo and by a bare
// QNetworkAccessManager loop, in one run. Prints both times and their ratio.
#include <algorithm>
#include <cstdio>
#include <limits>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "httpserver.h"
#include "sendto.h"

namespace {

constexpr int requestCount = 100;
constexpr int rounds = 9;

const QByteArray form = "q=%E8%BF%9E%E8%A1%A3%E8%A3%99&page_no=1&page_size=40&sort=default";

bool viaSendTo(const QString &url)
{
    const QString reply = SendTo(url, QString::fromLatin1(form), url, true, false, 5, true,
                                 QStringLiteral("application/x-www-form-urlencoded"));
    return reply.size() == 2000;
}

bool viaBareLoop(QNetworkAccessManager &nam, const QString &url)
{
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    request.setRawHeader("Referer", url.toLatin1());
    QNetworkReply *reply = nam.post(request, form);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    const bool ok = QString::fromUtf8(reply->readAll()).size() == 2000;
    delete reply;
    return ok;
}

double median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2] / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    httpkit::Server server([](const httpkit::Request &) {
        httpkit::Response response;
        response.body = QByteArray(2000, 'x');
        return response;
    });
    if (!server.listen()) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1\n");
        return 2;
    }
    const QString url = QStringLiteral("http://127.0.0.1:%1/apitools/getResult.htm").arg(server.port());
    QNetworkAccessManager nam;

    // Each round makes the 100 requests both ways, one of each in turn, so a busy moment of the
    // machine weighs on both alike; the median round is reported.
    int failures = 0;
    QList<qint64> sendToTimes;
    QList<qint64> bareTimes;
    QList<qint64> sendToEach;
    QList<qint64> bareEach;
    QElapsedTimer clock;
    for (int round = 0; round <= rounds; ++round) {
        qint64 sendToNs = 0;
        qint64 bareNs = 0;
        for (int i = 0; i < requestCount; ++i) {
            clock.start();
            failures += viaSendTo(url) ? 0 : 1;
            const qint64 one = clock.nsecsElapsed();
            clock.start();
            failures += viaBareLoop(nam, url) ? 0 : 1;
            const qint64 other = clock.nsecsElapsed();
            sendToNs += one;
            bareNs += other;
            if (round > 0) {
                sendToEach.append(one);
                bareEach.append(other);
            }
        }
        if (round > 0) { // the first round warms up: connections, code paged in
            sendToTimes.append(sendToNs);
            bareTimes.append(bareNs);
        }
    }

    const double sendToMs = median(sendToTimes);
    const double bareMs = median(bareTimes);
    std::printf("requests per run:      %d (median of %d rounds)\n", requestCount, rounds);
    std::printf("SendTo:                %.1f ms (%.3f ms a request)\n", sendToMs, sendToMs / requestCount);
    std::printf("bare QNAM loop:        %.1f ms (%.3f ms a request)\n", bareMs, bareMs / requestCount);
    std::printf("ratio SendTo / bare:   %.2f (target <= 1.20)\n", sendToMs / bareMs);
    // The median single request is what a loaded machine disturbs least.
    const double sendToOne = median(sendToEach);
    const double bareOne = median(bareEach);
    std::printf("median request:        SendTo %.3f ms, bare %.3f ms, ratio %.2f\n", sendToOne, bareOne,
                sendToOne / bareOne);
    if (failures > 0) {
        std::printf("failed requests:       %d\n", failures);
        return 1;
    }
    return 0;
}
