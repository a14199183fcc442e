#include <algorithm>

#include <QElapsedTimer>
#include <QPointer>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

#include "eventwait.h"
#include "httpserver.h"
#include "runprocess.h"
#include "sendto.h"

namespace {

const QString formType = u"application/x-www-form-urlencoded"_qs;

QByteArray gbkBytes(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

httpkit::Response reply(QByteArray body, QByteArray contentType = "text/html; charset=utf-8",
                        int status = 200)
{
    httpkit::Response response;
    response.status = status;
    response.contentType = std::move(contentType);
    response.body = std::move(body);
    return response;
}

httpkit::Response route(const httpkit::Request &request)
{
    const QUrlQuery query(QString::fromLatin1(request.query));
    const QByteArray &path = request.path;
    if (path == "/echo")
        return reply(request.method + ' ' + request.body);
    if (path == "/delay") {
        httpkit::Response response = reply("late");
        response.delayMs = query.queryItemValue(u"ms"_qs).toInt();
        return response;
    }
    if (path == "/missing")
        return reply("nothing here", "text/html; charset=utf-8", 404);
    if (path == "/charset")
        return reply(
            QByteArray::fromPercentEncoding(query.queryItemValue(u"body"_qs, QUrl::FullyEncoded).toLatin1()),
            QByteArray::fromPercentEncoding(query.queryItemValue(u"type"_qs, QUrl::FullyEncoded).toLatin1()));
    if (path == "/redirect") {
        httpkit::Response response = reply("moved", "text/html", query.queryItemValue(u"status"_qs).toInt());
        response.headers.emplace_back("Location", query.queryItemValue(u"to"_qs).toLatin1());
        return response;
    }
    if (path == "/loop") {
        httpkit::Response response = reply("again", "text/html", 302);
        response.headers.emplace_back("Location", "/loop");
        return response;
    }
    if (path == "/final")
        return reply("final " + request.method + ' ' + request.body);
    if (path == "/big")
        return reply(QByteArray(query.queryItemValue(u"mib"_qs).toInt() * 1024 * 1024 + 1, 'x'),
                     "text/plain");
    return reply("unknown", "text/plain", 404);
}

// A server that misbehaves in one way, for the cases httpkit would never produce.
class RawServer : public QObject
{
    Q_OBJECT
public:
    enum Mode {
        Silent,
        Trickle,
        Reset,
        CloseEarly,
        ResetMidBody,
        ResetAfterBody,
        GarbageOpen,
        GarbageClose,
        UntilClose,
        Endless
    };

    explicit RawServer(Mode mode)
        : m_mode(mode)
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                m_sockets.append(socket);
                connect(socket, &QTcpSocket::disconnected, this, [this] { ++m_disconnects; });
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRequest(socket); });
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    QString url() const { return u"http://127.0.0.1:%1/x"_qs.arg(m_server.serverPort()); }
    int disconnects() const { return m_disconnects; }
    int connections() const { return int(m_sockets.size()); }

private:
    void onRequest(QTcpSocket *socket)
    {
        if (m_mode == Reset) {
            socket->abort(); // unread data in the buffer: the peer gets a reset
            return;
        }
        if (m_mode == ResetMidBody || m_mode == ResetAfterBody) {
            if (socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            // The request stays unread, so the close below is a reset, once the client has had
            // time to take in what was sent.
            socket->write(
                m_mode == ResetMidBody
                    ? "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n<taobaoke_item>1</taobaoke_item>"
                    : "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789");
            socket->flush();
            QTimer::singleShot(100, socket, [socket] { socket->abort(); });
            return;
        }
        socket->readAll();
        if (socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        switch (m_mode) {
        case Silent:
        case Reset:
        case ResetMidBody:
        case ResetAfterBody:
            break;
        case Trickle: {
            auto *timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [socket] {
                static const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
                const int sent = socket->property("sent").toInt();
                if (sent < answer.size())
                    socket->write(answer.mid(sent, 1));
                socket->setProperty("sent", sent + 1);
            });
            timer->start(1000);
            break;
        }
        case CloseEarly:
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
            socket->disconnectFromHost();
            break;
        case GarbageOpen:
            socket->write("garbage garbage\r\n\r\n");
            break;
        case GarbageClose:
            socket->write("\x01\x02\xff garbage\r\n\r\nmore");
            socket->disconnectFromHost();
            break;
        case UntilClose:
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\nbody until close");
            socket->disconnectFromHost();
            break;
        case Endless: {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n");
            const auto more = [socket] {
                if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < (1 << 20))
                    socket->write(QByteArray(1 << 20, 'y'));
            };
            connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
            break;
        }
        }
    }

    Mode m_mode;
    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_sockets;
    int m_disconnects = 0;
};

} // namespace

class TestSendTo final : public QObject
{
    Q_OBJECT

private:
    QString url(const QString &pathAndQuery) const
    {
        return u"http://127.0.0.1:%1"_qs.arg(m_server->port()) + pathAndQuery;
    }
    httpkit::Request lastRequest() const { return m_server->requests().constLast(); }

    std::unique_ptr<httpkit::Server> m_server;

private slots:
    void initTestCase()
    {
        m_server = std::make_unique<httpkit::Server>(route);
        QVERIFY(m_server->listen());
    }

    // What the server receives: method, body bytes, and exactly the headers asked for.
    void requestAsReceived_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("referer");
        QTest::addColumn<bool>("mayCache");
        QTest::addColumn<QString>("contentType");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("refererSent");

        QTest::newRow("empty body is a GET") << QString() << QString() << false << formType
                                             << QByteArray("GET") << QByteArray() << QByteArray();
        QTest::newRow("body is a POST") << u"a=1&b=2"_qs << QString() << false << formType
                                        << QByteArray("POST") << QByteArray("a=1&b=2") << QByteArray();
        QTest::newRow("referer sent")
            << u"q=1"_qs << u"http://ref.example/page?x=1"_qs << false << formType << QByteArray("POST")
            << QByteArray("q=1") << QByteArray("http://ref.example/page?x=1");
        QTest::newRow("cached kind") << u"url=x"_qs << QString() << true << formType << QByteArray("POST")
                                     << QByteArray("url=x") << QByteArray();
        QTest::newRow("empty content type still sent")
            << u"x"_qs << QString() << false << QString() << QByteArray("POST") << QByteArray("x")
            << QByteArray();
        QTest::newRow("empty content type on a GET") << QString() << QString() << false << QString()
                                                     << QByteArray("GET") << QByteArray() << QByteArray();
        QTest::newRow("non-ascii body as UTF-8")
            << u"k=连衣裙"_qs << QString() << false << formType << QByteArray("POST")
            << u"k=连衣裙"_qs.toUtf8() << QByteArray();
        QTest::newRow("line break cannot add a header")
            << u"x"_qs << u"http://r/\r\nX-Injected: 1"_qs << false << u"text/plain\r\nX-Injected: 2"_qs
            << QByteArray("POST") << QByteArray("x") << QByteArray("http://r/  X-Injected: 1");
    }
    void requestAsReceived()
    {
        QFETCH(QString, data);
        QFETCH(QString, referer);
        QFETCH(bool, mayCache);
        QFETCH(QString, contentType);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, refererSent);

        const QString result = SendTo(url(u"/echo"_qs), data, referer, true, mayCache, 5, true, contentType);
        QCOMPARE(result, QString::fromUtf8(method + ' ' + body));
        const httpkit::Request request = lastRequest();
        QCOMPARE(request.method, method);
        QCOMPARE(request.body, body);
        QCOMPARE(request.hasHeader("Referer"), !refererSent.isEmpty());
        QCOMPARE(request.header("Referer"), refererSent);
        const auto contentTypes =
            std::count_if(request.headers.cbegin(), request.headers.cend(), [](const auto &h) {
                return h.first.compare("Content-Type", Qt::CaseInsensitive) == 0;
            });
        QCOMPARE(contentTypes, 1);
        QCOMPARE(QString::fromUtf8(request.header("Content-Type")),
                 QString(contentType).replace(u"\r\n"_qs, u"  "_qs));
        QVERIFY(!request.hasHeader("X-Injected"));
        // The uncached kind must get past every cache on the way.
        QCOMPARE(request.header("Cache-Control"), mayCache ? QByteArray() : QByteArray("no-cache"));
        QCOMPARE(request.header("Pragma"), mayCache ? QByteArray() : QByteArray("no-cache"));
    }

    // The body as text: by the reply's charset when asked to decode, else read as GBK pairs.
    void replyDecoding_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<bool>("decode");
        QTest::addColumn<QString>("text");
        const QString word = u"连衣裙"_qs;
        QTest::newRow("no charset is UTF-8") << word.toUtf8() << QByteArray("text/html") << true << word;
        QTest::newRow("no content type at all") << word.toUtf8() << QByteArray() << true << word;
        QTest::newRow("gbk") << gbkBytes(word) << QByteArray("text/html; charset=gbk") << true << word;
        QTest::newRow("GB2312 quoted")
            << gbkBytes(word) << QByteArray("text/xml;charset=\"GB2312\"") << true << word;
        QTest::newRow("gb18030 beyond GBK")
            << QByteArray("\x95\x32\x82\x36") << QByteArray("text/plain; charset=GB18030") << true
            << QString::fromUcs4(U"\U00020000");
        QTest::newRow("utf-8 named") << word.toUtf8() << QByteArray("text/html; charset=UTF-8") << true
                                     << word;
        QTest::newRow("latin-1 named")
            << QByteArray("caf\xe9") << QByteArray("text/plain; charset=iso-8859-1") << true << u"café"_qs;
        QTest::newRow("unknown charset falls back to UTF-8")
            << word.toUtf8() << QByteArray("text/plain; charset=x-nonsense") << true << word;
        QTest::newRow("UTF-8 byte order mark dropped")
            << QByteArray("\xef\xbb\xbf") + word.toUtf8() << QByteArray("text/plain") << true << word;
        QTest::newRow("raw bytes read as GBK pairs")
            << gbkBytes(word) << QByteArray("text/html; charset=utf-8") << false << word;
        QTest::newRow("raw bytes, lone lead byte: empty")
            << QByteArray("ok\xb0") << QByteArray("text/plain") << false << QString();
    }
    void replyDecoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, type);
        QFETCH(bool, decode);
        QFETCH(QString, text);
        const QString target = u"/charset?body="_qs + QString::fromLatin1(body.toPercentEncoding()) +
                               u"&type="_qs + QString::fromLatin1(type.toPercentEncoding());
        QCOMPARE(SendTo(url(target), QString(), QString(), true, false, 5, decode, formType), text);
    }

    // The status is not examined; 返回 false still makes and awaits the whole exchange.
    void statusAndReturnFlag_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("wanted");
        QTest::addColumn<QString>("result");
        QTest::newRow("404 body returned") << u"/missing"_qs << true << u"nothing here"_qs;
        QTest::newRow("not wanted: empty") << u"/echo"_qs << false << QString();
        QTest::newRow("not wanted, slow reply: empty, not timed out")
            << u"/delay?ms=150"_qs << false << QString();
    }
    void statusAndReturnFlag()
    {
        QFETCH(QString, path);
        QFETCH(bool, wanted);
        QFETCH(QString, result);
        const qsizetype before = m_server->requests().size();
        QCOMPARE(SendTo(url(path), u"p=1"_qs, QString(), wanted, false, 1, true, formType), result);
        QCOMPARE(m_server->requests().size(), before + 1);
        QCOMPARE(lastRequest().body, QByteArray("p=1"));
    }

    // 延时时间 × 10 slices; a reply that arrives within the last slice still counts.
    void timeOut_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("result");
        QTest::newRow("in time") << 300 << 1 << u"late"_qs;
        QTest::newRow("too late") << 1500 << 1 << timeoutText;
        QTest::newRow("zero: one slice, reply within it") << 0 << 0 << u"late"_qs;
        QTest::newRow("zero: one slice, too late") << 600 << 0 << timeoutText;
        QTest::newRow("negative: one slice") << 600 << -1 << timeoutText;
        QTest::newRow("most negative: one slice") << 600 << -32768 << timeoutText;
        QTest::newRow("beyond 16-bit slice count still waits") << 250 << 32767 << u"late"_qs;
        QTest::newRow("just beyond 16-bit slice count") << 250 << 3277 << u"late"_qs;
    }
    void timeOut()
    {
        QFETCH(int, delayMs);
        QFETCH(int, seconds);
        QFETCH(QString, result);
        QCOMPARE(SendTo(url(u"/delay?ms=%1"_qs.arg(delayMs)), QString(), QString(), true, false,
                        qint16(seconds), true, formType),
                 result);
    }

    // Servers that misbehave: each ends in the time-out text or the connection error text, never
    // in a part of a reply nor a hang, and a timed-out request is aborted. A reply that came whole
    // stays a reply, whatever the connection does after it.
    void misbehavingServers_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("clientCloses");
        QTest::newRow("never answers") << int(RawServer::Silent) << timeoutText << true;
        QTest::newRow("one byte a second") << int(RawServer::Trickle) << timeoutText << true;
        QTest::newRow("resets") << int(RawServer::Reset) << connectionErrorText << false;
        QTest::newRow("closes early") << int(RawServer::CloseEarly) << connectionErrorText << false;
        QTest::newRow("resets in the middle of the body")
            << int(RawServer::ResetMidBody) << connectionErrorText << false;
        QTest::newRow("resets after the whole body")
            << int(RawServer::ResetAfterBody) << u"0123456789"_qs << false;
        QTest::newRow("garbage, stays open") << int(RawServer::GarbageOpen) << connectionErrorText << true;
        QTest::newRow("garbage, closes") << int(RawServer::GarbageClose) << connectionErrorText << false;
        QTest::newRow("body until close") << int(RawServer::UntilClose) << u"body until close"_qs << false;
        QTest::newRow("endless body") << int(RawServer::Endless) << QString() << true;
    }
    void misbehavingServers()
    {
        QFETCH(int, mode);
        QFETCH(QString, result);
        QFETCH(bool, clientCloses);
        RawServer server(static_cast<RawServer::Mode>(mode));
        QCOMPARE(SendTo(server.url(), u"a=1"_qs, QString(), true, false, 1, true, formType), result);
        QVERIFY(server.connections() >= 1); // a connection that fails early is tried again
        if (clientCloses)
            WAIT_COMPARE(server.disconnects(), server.connections()); // nothing left running
    }

    void hugeReply_data()
    {
        QTest::addColumn<int>("mib");
        QTest::addColumn<int>("size");
        QTest::newRow("one MiB returned whole") << 1 << 1024 * 1024 + 1;
        QTest::newRow("above the bound: dropped") << 33 << 0;
    }
    void hugeReply()
    {
        QFETCH(int, mib);
        QFETCH(int, size);
        const QString result =
            SendTo(url(u"/big?mib=%1"_qs.arg(mib)), QString(), QString(), true, false, 5, true, formType);
        QCOMPARE(result.size(), size);
    }

    // Redirects are followed like a browser would, within http and https only.
    void redirects_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("result");
        QTest::newRow("302 on GET followed")
            << u"/redirect?status=302&to=/final"_qs << QString() << u"final GET "_qs;
        QTest::newRow("303 on POST becomes GET")
            << u"/redirect?status=303&to=/final"_qs << u"a=1"_qs << u"final GET "_qs;
        QTest::newRow("307 keeps the POST")
            << u"/redirect?status=307&to=/final"_qs << u"a=1"_qs << u"final POST a=1"_qs;
        QTest::newRow("endless loop: broken off") << u"/loop"_qs << QString() << connectionErrorText;
        QTest::newRow("to a local file refused")
            << u"/redirect?status=302&to=file:///etc/hostname"_qs << QString() << connectionErrorText;
    }
    void redirects()
    {
        QFETCH(QString, target);
        QFETCH(QString, data);
        QFETCH(QString, result);
        QCOMPARE(SendTo(url(target), data, QString(), true, false, 5, true, formType), result);
    }

    // Addresses the request object must not touch, and a port nobody listens on.
    void unusableAddresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("result");
        QTest::newRow("empty") << QString() << timeoutText;
        QTest::newRow("not an address") << u"::not a url::"_qs << timeoutText;
        QTest::newRow("local file") << u"file:///etc/hostname"_qs << timeoutText;
        QTest::newRow("data url") << u"data:text/plain,hello"_qs << timeoutText;
        QTest::newRow("refused") << u"refused"_qs << connectionErrorText;
    }
    void unusableAddresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, result);
        if (address == u"refused") {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            address = u"http://127.0.0.1:%1/"_qs.arg(closed.serverPort());
            closed.close();
        }
        QCOMPARE(SendTo(address, QString(), QString(), true, false, 1, true, formType), result);
    }

    // The window keeps working while a request is out: queued events, timers and a second
    // exchange started by a handler all run before the first returns.
    void eventsDuringExchange()
    {
        bool queuedRan = false;
        QString nested;
        bool nestedDoneBeforeOuter = false;
        QMetaObject::invokeMethod(
            this, [&] { queuedRan = true; }, Qt::QueuedConnection);
        QTimer::singleShot(20, this, [&] {
            nested = SendTo(url(u"/echo"_qs), u"inner"_qs, QString(), true, true, 5, true, formType);
        });
        const QString outer =
            SendTo(url(u"/delay?ms=400"_qs), QString(), QString(), true, false, 5, true, formType);
        nestedDoneBeforeOuter = !nested.isEmpty();
        QVERIFY(queuedRan);
        QVERIFY(nestedDoneBeforeOuter);
        QCOMPARE(nested, u"POST inner"_qs);
        QCOMPARE(outer, u"late"_qs);
        QVERIFY(!mobjWaitTimer());
    }

    // The nested exchange outlasts the outer one: both still get their own replies.
    void nestedOutlastsOuter()
    {
        QString nested;
        QTimer::singleShot(0, this, [&] {
            nested = SendTo(url(u"/delay?ms=300"_qs), QString(), QString(), true, false, 5, true, formType);
        });
        const QString outer =
            SendTo(url(u"/delay?ms=50"_qs), QString(), QString(), true, false, 5, true, formType);
        QCOMPARE(outer, u"late"_qs);
        QCOMPARE(nested, u"late"_qs);
    }

    // Closing the window during a run: the run's exchange in progress ends at once with the
    // time-out text and its later ones do not go out; the exchanges of a later run do.
    void cancelledRun()
    {
        net::Cancellation run;
        QTimer::singleShot(50, this, [&run] { run.cancel(); });
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(
            SendTo(url(u"/delay?ms=20000"_qs), QString(), QString(), true, false, 30, true, formType, &run),
            timeoutText);
        QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
        const qsizetype before = m_server->requests().size();
        QCOMPARE(SendTo(url(u"/echo"_qs), u"x"_qs, QString(), true, false, 30, true, formType, &run),
                 timeoutText);
        QCOMPARE(m_server->requests().size(), before);

        net::Cancellation next;
        QCOMPARE(SendTo(url(u"/echo"_qs), u"x"_qs, QString(), true, false, 30, true, formType, &next),
                 u"POST x"_qs);
        QCOMPARE(SendTo(url(u"/echo"_qs), u"y"_qs, QString(), true, false, 30, true, formType), u"POST y"_qs);
    }

    // Connections are reused: sequential exchanges do not open one connection each.
    void connectionReused()
    {
        int connections = 0;
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                    socket->readAll();
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
                });
            }
        });
        const QString address = u"http://127.0.0.1:%1/"_qs.arg(server.serverPort());
        for (int i = 0; i < 5; ++i)
            QCOMPARE(SendTo(address, u"n=1"_qs, QString(), true, false, 5, true, formType), u"ok"_qs);
        QCOMPARE(connections, 1);
    }
};

QTEST_GUILESS_MAIN(TestSendTo)
#include "sendto.moc"
