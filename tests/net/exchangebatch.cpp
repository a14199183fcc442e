#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTest>
#include <QUrlQuery>

#include "cancellation.h"
#include "eventwait.h"
#include "exchangebatch.h"
#include "httpserver.h"
#include "sendto.h"

Q_DECLARE_METATYPE(net::ExchangeResult::Status)

namespace {

const QString formType = u"application/x-www-form-urlencoded"_qs;

// Answers "<method> <body>" after the delay its query asks for, and keeps count of how many
// requests it is working on at once.
struct CountingServer
{
    int working = 0;
    int mostAtOnce = 0;
    std::function<void(const httpkit::Request &)> onRequest = [](const httpkit::Request &) {
    };
    httpkit::Server server{[](const httpkit::Request &request) {
        httpkit::Response response;
        response.status = QUrlQuery(QString::fromLatin1(request.query)).queryItemValue(u"status"_qs).toInt();
        if (response.status == 0)
            response.status = 200;
        response.delayMs = QUrlQuery(QString::fromLatin1(request.query)).queryItemValue(u"ms"_qs).toInt();
        response.body = request.method + ' ' + request.body;
        return response;
    }};

    CountingServer()
    {
        QObject::connect(&server, &httpkit::Server::requestReceived, &server,
                         [this](const httpkit::Request &request) {
                             mostAtOnce = std::max(mostAtOnce, ++working);
                             onRequest(request);
                         });
        QObject::connect(&server, &httpkit::Server::responseSent, &server, [this] { --working; });
    }
    QString url(int delayMs, int status = 200) const
    {
        return u"http://127.0.0.1:%1/echo?ms=%2&status=%3"_qs.arg(server.port()).arg(delayMs).arg(status);
    }
};

net::Exchange post(const QString &url, const QString &body, qint16 timeoutSeconds = 5)
{
    return {url, body, QString(), true, true, timeoutSeconds, true, formType};
}

// Requests the batch still holds anywhere; none may be left once it returns.
qsizetype repliesAlive()
{
    qsizetype alive = 0;
    for (int lane = 0; lane < net::managerLanes; ++lane)
        alive += net::threadManager(lane)->findChildren<QNetworkReply *>().size();
    return alive;
}

} // namespace

class TestExchangeBatch final : public QObject
{
    Q_OBJECT

    std::unique_ptr<CountingServer> m_service;

private slots:
    void init()
    {
        m_service = std::make_unique<CountingServer>();
        QVERIFY(m_service->server.listen());
    }

    // Every request answered, results in list order whatever order the answers came in, never
    // more out at once than allowed, and the connections kept for the next batch.
    void allAnswered_data()
    {
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("inFlight");
        QTest::addColumn<int>("mostAtOnce");
        QTest::newRow("twenty, eight at a time") << 20 << 8 << 8;
        QTest::newRow("fewer than eight") << 3 << 8 << 3;
        QTest::newRow("one at a time") << 5 << 1 << 1;
        QTest::newRow("more asked than allowed") << 12 << 50 << 8;
    }
    void allAnswered()
    {
        QFETCH(int, requests);
        QFETCH(int, inFlight);
        QList<net::Exchange> exchanges;
        for (int i = 0; i < requests; ++i)
            exchanges.append(post(m_service->url(30 + (i * 7 % 5) * 15), u"n="_qs + QString::number(i)));

        for (int round = 0; round < 2; ++round) {
            net::ExchangeBatch batch(exchanges, inFlight);
            QList<qsizetype> order;
            QVERIFY(batch.run(nullptr,
                              [&](qsizetype index, const net::ExchangeResult &) { order.append(index); }));
            QCOMPARE(batch.results().size(), requests);
            for (int i = 0; i < requests; ++i) {
                const net::ExchangeResult &result = batch.results()[i];
                QCOMPARE(result.status, net::ExchangeResult::Status::Replied);
                QCOMPARE(result.httpStatus, 200);
                QCOMPARE(result.text, u"POST n="_qs + QString::number(i));
            }
            QList<qsizetype> sorted = order;
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(sorted.size(), requests);
            for (int i = 0; i < requests; ++i)
                QCOMPARE(sorted[i], qsizetype(i));
            QCOMPARE(repliesAlive(), 0);
        }
        QTEST(m_service->mostAtOnce, "mostAtOnce");
        // Both rounds went over the same kept-alive connections.
        QVERIFY2(m_service->server.connectionsAccepted() <= std::min(inFlight, 8),
                 qPrintable(QString::number(m_service->server.connectionsAccepted())));
    }

    // The same request bytes as SendTo sends.
    void sameRequestAsSendTo()
    {
        net::Exchange exchange{
            m_service->url(0), u"url=http%3A%2F%2Fa"_qs, u"http://ref/"_qs, true, false, 5, true, formType};
        SendTo(exchange.url, exchange.body, exchange.referer, exchange.readReply, exchange.cached,
               exchange.timeoutSeconds, exchange.asText, exchange.contentType);
        net::ExchangeBatch batch({exchange});
        QVERIFY(batch.run());
        const QList<httpkit::Request> seen = m_service->server.requests();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[1].method, seen[0].method);
        QCOMPARE(seen[1].target, seen[0].target);
        QVERIFY(seen[1].headers == seen[0].headers);
        QCOMPARE(seen[1].body, seen[0].body);
    }

    // A cookie the service set is sent back whichever connection, and manager, a request takes.
    void cookiesSharedByAllRequests()
    {
        httpkit::Server server([](const httpkit::Request &request) {
            httpkit::Response response;
            if (request.path == "/login")
                response.headers.emplace_back("Set-Cookie", "session=abc; Path=/");
            response.delayMs = 30;
            response.body = request.header("Cookie");
            return response;
        });
        QVERIFY(server.listen());
        const QString origin = u"http://127.0.0.1:%1"_qs.arg(server.port());
        SendTo(origin + u"/login"_qs, QString(), QString(), true, true, 5, true, formType);
        QList<net::Exchange> exchanges;
        for (int i = 0; i < 8; ++i)
            exchanges.append(post(origin + u"/t"_qs, u"n="_qs + QString::number(i)));
        net::ExchangeBatch batch(exchanges);
        QVERIFY(batch.run());
        for (const net::ExchangeResult &result : batch.results())
            QCOMPARE(result.text, u"session=abc"_qs);
    }

    // One request among eight that goes wrong ends on its own; the others are not held up by it.
    void oneGoesWrong_data()
    {
        QTest::addColumn<QString>("badUrl");
        QTest::addColumn<net::ExchangeResult::Status>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("endsLast");
        QTest::newRow("times out") << u"slow"_qs << net::ExchangeResult::Status::TimedOut << timeoutText
                                   << true;
        QTest::newRow("refused") << u"refused"_qs << net::ExchangeResult::Status::Failed
                                 << connectionErrorText << false;
        QTest::newRow("not a web address")
            << u"file:///etc/passwd"_qs << net::ExchangeResult::Status::Failed << timeoutText << false;
        QTest::newRow("error status is a reply")
            << u"status"_qs << net::ExchangeResult::Status::Replied << u"POST n=3"_qs << false;
    }
    void oneGoesWrong()
    {
        QFETCH(QString, badUrl);
        QFETCH(net::ExchangeResult::Status, status);
        QFETCH(QString, text);
        QFETCH(bool, endsLast);
        if (badUrl == u"slow"_qs) {
            badUrl = m_service->url(20000); // answered long after the time-out, unless aborted
        } else if (badUrl == u"status"_qs) {
            badUrl = m_service->url(0, 502);
        } else if (badUrl == u"refused"_qs) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            badUrl = u"http://127.0.0.1:%1/"_qs.arg(closed.serverPort());
        }
        QList<net::Exchange> exchanges;
        for (int i = 0; i < 8; ++i)
            exchanges.append(post(i == 3 ? badUrl : m_service->url(40), u"n="_qs + QString::number(i), 1));

        net::ExchangeBatch batch(exchanges);
        QList<qsizetype> order;
        QVERIFY(
            batch.run(nullptr, [&](qsizetype index, const net::ExchangeResult &) { order.append(index); }));
        QCOMPARE(order.size(), 8);
        QCOMPARE(order.constLast() == 3, endsLast);
        for (int i = 0; i < 8; ++i) {
            const net::ExchangeResult &result = batch.results()[i];
            QCOMPARE(result.status, i == 3 ? status : net::ExchangeResult::Status::Replied);
            QCOMPARE(result.text, i == 3 ? text : u"POST n="_qs + QString::number(i));
        }
        QCOMPARE(repliesAlive(), 0);
        // The timed-out request's connection is closed by the client.
        if (endsLast)
            WAIT_COMPARE(m_service->server.answersOwed(), 0, 5000);
    }

    // A cancel stops the batch at once: what is out is aborted (the server sees its connections
    // close), nothing more is sent and no result is reported after it.
    void cancelled_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("sent"); // -1: not known exactly, at most eight
        QTest::newRow("while eight are out") << u"eighth request"_qs << 8;
        QTest::newRow("from a result") << u"first result"_qs << -1;
        QTest::newRow("before it starts") << u"before"_qs << 0;
    }
    void cancelled()
    {
        QFETCH(QString, when);
        QFETCH(int, sent);
        net::Cancellation cancel;
        int received = 0;
        m_service->onRequest = [&](const httpkit::Request &) {
            if (++received == 8 && when == u"eighth request"_qs)
                cancel.cancel();
        };
        if (when == u"before"_qs)
            cancel.cancel();
        QList<net::Exchange> exchanges;
        const bool quickFirst = when == u"first result"_qs;
        for (int i = 0; i < 20; ++i)
            exchanges.append(
                post(m_service->url(quickFirst && i == 0 ? 0 : 20000), u"n="_qs + QString::number(i)));

        net::ExchangeBatch batch(exchanges);
        int reportsAfterCancel = 0;
        QVERIFY(!batch.run(&cancel, [&](qsizetype, const net::ExchangeResult &) {
            reportsAfterCancel += cancel.isCancelled() ? 1 : 0;
            if (when == u"first result"_qs)
                cancel.cancel();
        }));
        QCOMPARE(reportsAfterCancel, 0);
        QCOMPARE(repliesAlive(), 0);
        // Every connection with a request still out is closed by the client (one that had not
        // carried its request yet may stay for later ones).
        WAIT_COMPARE(m_service->server.answersOwed(), 0, 5000);
        // Nothing is sent after: a ninth request would mean the batch went on. A request written
        // just before the cancel may still be on its way to the server, so the count is taken
        // once things have settled.
        eventwait::settle(100);
        const qsizetype seen = m_service->server.requests().size();
        if (sent >= 0)
            QCOMPARE(seen, sent);
        QVERIFY(seen <= 8);
    }
};

QTEST_GUILESS_MAIN(TestExchangeBatch)
#include "exchangebatch.moc"
