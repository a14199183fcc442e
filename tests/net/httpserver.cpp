#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

#include "eventwait.h"
#include "httpserver.h"

namespace {

struct Answer
{
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    QByteArray header(QByteArrayView name) const
    {
        for (const auto &[key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

// Takes complete responses off the front of `data`; stops at the first incomplete one.
QList<Answer> parseAnswers(QByteArray &data)
{
    QList<Answer> answers;
    for (;;) {
        const qsizetype headEnd = data.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return answers;
        const QList<QByteArray> lines = data.left(headEnd).split('\n');
        Answer answer;
        answer.status = lines.front().split(' ').value(1).toInt();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            answer.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
        }
        const qsizetype length = answer.header("Content-Length").toLongLong();
        if (data.size() < headEnd + 4 + length)
            return answers;
        answer.body = data.mid(headEnd + 4, length);
        data.remove(0, headEnd + 4 + length);
        answers.append(answer);
    }
}

// A client that writes raw bytes and collects what comes back.
class RawClient
{
public:
    explicit RawClient(quint16 port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket,
                         [this] { m_data += m_socket.readAll(); });
        QObject::connect(&m_socket, &QTcpSocket::disconnected, &m_socket, [this] { m_closed = true; });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_socket.waitForConnected(5000);
    }
    void send(const QByteArray &bytes) { m_socket.write(bytes); }
    // Waits for n complete responses (or the connection's end).
    QList<Answer> answers(int n)
    {
        (void)eventwait::until(
            [&] {
                QByteArray copy = m_data;
                return parseAnswers(copy).size() >= n || m_closed;
            },
            5000);
        return parseAnswers(m_data);
    }
    bool closedByServer()
    {
        return eventwait::until([&] { return m_closed; }, 5000);
    }
    QTcpSocket &socket() { return m_socket; }
    QByteArray raw()
    {
        (void)eventwait::until([&] { return !m_data.isEmpty(); }, 5000);
        return m_data;
    }

private:
    QTcpSocket m_socket;
    QByteArray m_data;
    bool m_closed = false;
};

httpkit::Response echo(const httpkit::Request &request)
{
    httpkit::Response response;
    if (request.path == "/slow")
        response.delayMs = 300;
    if (request.path == "/throw")
        throw std::runtime_error("handler fault");
    if (request.path == "/bad-header")
        response.headers = {{"X-Ok", "1"}, {"X-Bad", "a\r\nX-Injected: 1"}, {"Bad Name", "2"}};
    response.body = request.method + ' ' + request.target + ' ' + request.body;
    if (request.path == "/big")
        response.body += QByteArray(5 * 1024 * 1024, 'b');
    return response;
}

} // namespace

class TestHttpServer final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<httpkit::Server> m_server;

private slots:
    void init()
    {
        m_server = std::make_unique<httpkit::Server>(echo);
        QVERIFY(m_server->listen());
        QVERIFY(m_server->port() != 0);
    }

    void parsesRequest()
    {
        RawClient client(m_server->port());
        client.send("POST /p/a%20b?q=1&r=2 HTTP/1.1\r\nHost: x\r\nX-Test:  spaced  \r\nx-test: second\r\n"
                    "Content-Length: 3\r\n\r\nabc");
        const QList<Answer> answers = client.answers(1);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0].status, 200);
        QCOMPARE(answers[0].body, QByteArray("POST /p/a%20b?q=1&r=2 abc"));
        QCOMPARE(answers[0].header("Content-Type"), QByteArray("text/html; charset=utf-8"));

        const httpkit::Request request = m_server->requests().constLast();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.target, QByteArray("/p/a%20b?q=1&r=2"));
        QCOMPARE(request.path, QByteArray("/p/a%20b"));
        QCOMPARE(request.query, QByteArray("q=1&r=2"));
        QCOMPARE(request.body, QByteArray("abc"));
        QCOMPARE(request.headers.size(), 4);
        QCOMPARE(request.headers[1].first, QByteArray("X-Test")); // names as sent, in order
        QCOMPARE(request.headers[2].first, QByteArray("x-test"));
        QCOMPARE(request.header("X-TEST"), QByteArray("spaced")); // the first, trimmed
        QVERIFY(request.hasHeader("content-length"));
        QVERIFY(!request.hasHeader("Referer"));
        QCOMPARE(request.header("Referer"), QByteArray());
    }

    // A request that comes in pieces, and several in one write, are all answered in order.
    void framing_data()
    {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::addColumn<QList<QByteArray>>("bodies");
        const QByteArray a = "GET /a HTTP/1.1\r\nHost: x\r\n\r\n";
        const QByteArray b = "POST /b HTTP/1.1\r\nContent-Length: 4\r\n\r\nbody";
        QList<QByteArray> bytewise;
        for (const char c : QByteArray(a + b))
            bytewise.append(QByteArray(1, c));
        QTest::newRow("two in one write")
            << QList<QByteArray>{a + b} << QList<QByteArray>{"GET /a ", "POST /b body"};
        QTest::newRow("byte by byte") << bytewise << QList<QByteArray>{"GET /a ", "POST /b body"};
        QTest::newRow("body split") << QList<QByteArray>{b.left(b.size() - 2), b.right(2)}
                                    << QList<QByteArray>{"POST /b body"};
        QTest::newRow("empty lines before the request")
            << QList<QByteArray>{"\r\n\r\n" + a} << QList<QByteArray>{"GET /a "};
        QTest::newRow("slow first answer keeps the order")
            << QList<QByteArray>{"GET /slow HTTP/1.1\r\n\r\n" + a}
            << QList<QByteArray>{"GET /slow ", "GET /a "};
    }
    void framing()
    {
        QFETCH(QList<QByteArray>, writes);
        QFETCH(QList<QByteArray>, bodies);
        RawClient client(m_server->port());
        for (const QByteArray &bytes : writes) {
            client.send(bytes);
            client.socket().flush();
            eventwait::settle(writes.size() > 2 ? 0 : 20);
        }
        const QList<Answer> answers = client.answers(int(bodies.size()));
        QCOMPARE(answers.size(), bodies.size());
        for (qsizetype i = 0; i < bodies.size(); ++i)
            QCOMPARE(answers[i].body, bodies[i]);
    }

    // Bad requests get an error status and the connection is closed; nothing crashes and the
    // server keeps serving others.
    void badRequests_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::newRow("garbage") << QByteArray("\x01\x02 garbage\r\n\r\n") << 400;
        QTest::newRow("no version") << QByteArray("GET /\r\n\r\n") << 400;
        QTest::newRow("not HTTP/1") << QByteArray("GET / HTTP/2.0\r\n\r\n") << 400;
        QTest::newRow("header without colon") << QByteArray("GET / HTTP/1.1\r\nbroken\r\n\r\n") << 400;
        QTest::newRow("negative length")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n") << 400;
        QTest::newRow("length not a number")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 1x\r\n\r\n") << 400;
        QTest::newRow("two lengths")
            << QByteArray("POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n") << 400;
        QTest::newRow("huge length") << QByteArray("POST / HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n")
                                     << 413;
        QTest::newRow("chunked body")
            << QByteArray("POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n") << 501;
        QTest::newRow("endless header")
            << QByteArray("GET / HTTP/1.1\r\nX: ") + QByteArray(70 * 1024, 'a') << 431;
    }
    void badRequests()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        RawClient client(m_server->port());
        client.send(bytes);
        const QList<Answer> answers = client.answers(1);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0].status, status);
        QVERIFY(client.closedByServer());
        QVERIFY(m_server->requests().isEmpty());

        RawClient next(m_server->port());
        next.send("GET /after HTTP/1.1\r\n\r\n");
        QCOMPARE(next.answers(1).value(0).body, QByteArray("GET /after "));
    }

    // Keep-alive unless the client says otherwise.
    void connectionLifetime_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("closes");
        QTest::newRow("1.1 stays open") << QByteArray("GET / HTTP/1.1\r\n\r\n") << false;
        QTest::newRow("1.1 close") << QByteArray("GET / HTTP/1.1\r\nConnection: Close\r\n\r\n") << true;
        QTest::newRow("1.0 closes") << QByteArray("GET / HTTP/1.0\r\n\r\n") << true;
        QTest::newRow("1.0 keep-alive")
            << QByteArray("GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n") << false;
    }
    void connectionLifetime()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, closes);
        RawClient client(m_server->port());
        client.send(request);
        const QList<Answer> first = client.answers(1);
        QCOMPARE(first.size(), 1);
        QCOMPARE(first[0].header("Connection").toLower(),
                 closes ? QByteArray("close") : QByteArray("keep-alive"));
        if (closes) {
            QVERIFY(client.closedByServer());
        } else {
            client.send("GET /again HTTP/1.1\r\n\r\n");
            QCOMPARE(client.answers(1).value(0).body, QByteArray("GET /again "));
        }
    }

    // A delayed answer on one connection does not hold up another.
    void delayedAnswerDoesNotBlockOthers()
    {
        RawClient slow(m_server->port());
        slow.send("GET /slow HTTP/1.1\r\n\r\n");
        eventwait::settle(20);
        RawClient fast(m_server->port());
        fast.send("GET /fast HTTP/1.1\r\n\r\n");
        QCOMPARE(fast.answers(1).size(), 1);
        QCOMPARE(m_server->requests().size(), 2);
        QCOMPARE(slow.answers(1).value(0).body, QByteArray("GET /slow "));
    }

    // A client that leaves before a delayed answer: nothing is written to a dead socket.
    void clientLeavesBeforeDelayedAnswer()
    {
        {
            RawClient gone(m_server->port());
            gone.send("GET /slow HTTP/1.1\r\n\r\n");
            WAIT_COMPARE(m_server->requests().size(), 1);
        }
        eventwait::settle(400);
        RawClient next(m_server->port());
        next.send("GET /next HTTP/1.1\r\n\r\n");
        QCOMPARE(next.answers(1).value(0).body, QByteArray("GET /next "));
    }

    void handlerFaults_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("okHeader");
        QTest::newRow("handler throws") << QByteArray("/throw") << 500 << QByteArray();
        QTest::newRow("header with a line break dropped")
            << QByteArray("/bad-header") << 200 << QByteArray("1");
    }
    void handlerFaults()
    {
        QFETCH(QByteArray, path);
        QFETCH(int, status);
        QFETCH(QByteArray, okHeader);
        RawClient client(m_server->port());
        client.send("GET " + path + " HTTP/1.1\r\n\r\n");
        const QList<Answer> answers = client.answers(1);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0].status, status);
        QCOMPARE(answers[0].header("X-Ok"), okHeader);
        QCOMPARE(answers[0].header("X-Injected"), QByteArray());
        QCOMPARE(answers[0].header("X-Bad"), QByteArray());
    }

    // Many requests in one write: all answered, in order, however many there are.
    void manyPipelinedRequests()
    {
        constexpr int count = 30000;
        QByteArray bytes;
        for (int i = 0; i < count - 1; ++i)
            bytes += "GET / HTTP/1.1\r\n\r\n";
        bytes += "GET /last HTTP/1.1\r\nConnection: close\r\n\r\n";
        RawClient client(m_server->port());
        client.send(bytes);
        QVERIFY(client.closedByServer());
        const QByteArray raw = client.raw();
        QCOMPARE(raw.count("HTTP/1.1 200 OK\r\n"), count);
        QVERIFY(raw.endsWith("GET /last "));
        QCOMPARE(m_server->requests().size(), 10000); // the latest ones are kept
    }

    // Big answers to pipelined requests: the server waits for the client to read before it
    // serves more, and then goes on.
    void bigAnswersPipelined()
    {
        RawClient client(m_server->port());
        client.send("GET /big HTTP/1.1\r\n\r\nGET /big HTTP/1.1\r\n\r\nGET /big HTTP/1.1\r\n\r\nGET /end "
                    "HTTP/1.1\r\n\r\n");
        const QList<Answer> answers = client.answers(4);
        QCOMPARE(answers.size(), 4);
        QCOMPARE(answers[2].body.size(), 5 * 1024 * 1024 + 9);
        QCOMPARE(answers[3].body, QByteArray("GET /end "));
    }
};

QTEST_GUILESS_MAIN(TestHttpServer)
#include "httpserver.moc"
