#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

#include "demoserver.h"
#include "demoservice.h"
#include "routerrest.h"
#include "toprequest.h"

Q_DECLARE_METATYPE(itemsource::SignMethod)

namespace {

const QDateTime gatewayNow(QDate(2024, 5, 1), QTime(4, 0, 0), QTimeZone::utc());

itemsource::OpenPlatformSetup demoAccount(itemsource::SignMethod method = itemsource::SignMethod::HmacSha256)
{
    itemsource::OpenPlatformSetup account;
    account.appKey = u"demo-app"_qs;
    account.appSecret = u"demo-secret"_qs;
    account.signMethod = method;
    return account;
}

openplatform::Parameters search(const QString &keyword = u"连衣裙"_qs, int pageSize = 5,
                                const QString &sort = u"tk_total_commi_des"_qs)
{
    return openplatform::materialSearch(u"34567890"_qs, keyword, pageSize, sort);
}

} // namespace

class TestDemoRouterRest final : public QObject
{
    Q_OBJECT

    demo::DemoService m_service;

    QJsonObject answer(const QByteArray &body, const QByteArray &method = "POST")
    {
        httpkit::Request request;
        request.method = method;
        request.path = "/router/rest";
        if (method == "POST")
            request.body = body;
        else
            request.query = body;
        const httpkit::Response response = m_service.handle(request);
        [&] {
            QCOMPARE(response.status, 200);
            QVERIFY(response.contentType.startsWith("application/json"));
        }();
        return QJsonDocument::fromJson(response.body).object();
    }
    QJsonObject call(QStringView method, const openplatform::Parameters &own,
                     const itemsource::OpenPlatformSetup &account = demoAccount(),
                     const QDateTime &at = gatewayNow)
    {
        return answer(openplatform::formBody(openplatform::signedCall(method, own, account, at)));
    }
    static QString errorCode(const QJsonObject &reply)
    {
        return QString::number(reply.value(u"error_response").toObject().value(u"code").toInt());
    }

private slots:
    void init()
    {
        m_service.setOrigin(u"http://127.0.0.1:17580"_qs);
        m_service.setClock([] { return gatewayNow; });
    }

    void everySignMethodIsChecked_data()
    {
        QTest::addColumn<itemsource::SignMethod>("method");
        QTest::newRow("md5") << itemsource::SignMethod::Md5;
        QTest::newRow("hmac") << itemsource::SignMethod::Hmac;
        QTest::newRow("hmac-sha256") << itemsource::SignMethod::HmacSha256;
    }
    void everySignMethodIsChecked()
    {
        QFETCH(itemsource::SignMethod, method);
        const QJsonObject good = call(openplatform::materialSearchMethod, search(), demoAccount(method));
        QVERIFY(!good.contains(u"error_response"));
        QCOMPARE(good.value(u"result_list").toArray().size(), 5);

        itemsource::OpenPlatformSetup wrong = demoAccount(method);
        wrong.appSecret = u"demo-secreT"_qs;
        QCOMPARE(errorCode(call(openplatform::materialSearchMethod, search(), wrong)), u"25"_qs);

        // A parameter changed after signing.
        openplatform::Parameters tampered = openplatform::signedCall(
            openplatform::materialSearchMethod, search(), demoAccount(method), gatewayNow);
        for (auto &[name, value] : tampered) {
            if (name == u"page_size")
                value = u"6"_qs;
        }
        QCOMPARE(errorCode(answer(openplatform::formBody(tampered))), u"25"_qs);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("body"); // "" for a signed call with the parameters below
        QTest::addColumn<QString>("appKey");
        QTest::addColumn<int>("clockOffsetSecs");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("adzone");
        QTest::addColumn<QString>("pageSize");
        QTest::addColumn<QString>("code");
        const QString search = u"taobao.tbk.dg.material.optional.upgrade"_qs;
        QTest::newRow("wrong app key")
            << QByteArray() << u"other"_qs << 0 << search << u"1"_qs << u"2"_qs << u"29"_qs;
        QTest::newRow("11 minutes late")
            << QByteArray() << u"demo-app"_qs << -660 << search << u"1"_qs << u"2"_qs << u"31"_qs;
        QTest::newRow("9 minutes early is fine")
            << QByteArray() << u"demo-app"_qs << 540 << search << u"1"_qs << u"2"_qs << QString();
        QTest::newRow("unknown method")
            << QByteArray() << u"demo-app"_qs << 0 << u"taobao.item.get"_qs << u"1"_qs << u"2"_qs << u"22"_qs;
        QTest::newRow("no adzone") << QByteArray() << u"demo-app"_qs << 0 << search << QString() << u"2"_qs
                                   << u"40"_qs;
        QTest::newRow("adzone not a number")
            << QByteArray() << u"demo-app"_qs << 0 << search << u"x1"_qs << u"2"_qs << u"41"_qs;
        QTest::newRow("page size 0") << QByteArray() << u"demo-app"_qs << 0 << search << u"1"_qs << u"0"_qs
                                     << u"41"_qs;
        QTest::newRow("no method") << QByteArray("app_key=demo-app") << QString() << 0 << QString()
                                   << QString() << QString() << u"21"_qs;
        QTest::newRow("no app key") << QByteArray("method=taobao.tbk.tpwd.create") << QString() << 0
                                    << QString() << QString() << QString() << u"28"_qs;
        QTest::newRow("no timestamp") << QByteArray("method=taobao.tbk.tpwd.create&app_key=demo-app")
                                      << QString() << 0 << QString() << QString() << QString() << u"30"_qs;
        QTest::newRow("no signature")
            << QByteArray("method=taobao.tbk.tpwd.create&app_key=demo-app&timestamp=2024-05-01+12%3A00%3A00")
            << QString() << 0 << QString() << QString() << QString() << u"24"_qs;
    }
    void refusals()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, appKey);
        QFETCH(int, clockOffsetSecs);
        QFETCH(QString, method);
        QFETCH(QString, adzone);
        QFETCH(QString, pageSize);
        QFETCH(QString, code);
        QJsonObject reply;
        if (body.isEmpty()) {
            itemsource::OpenPlatformSetup account = demoAccount();
            account.appKey = appKey;
            openplatform::Parameters own = openplatform::materialSearch(adzone, u"连衣裙"_qs, 1, QString());
            for (auto &[name, value] : own) {
                if (name == u"page_size")
                    value = pageSize;
            }
            reply = call(method, own, account, gatewayNow.addSecs(clockOffsetSecs));
        } else {
            reply = answer(body);
        }
        if (code.isEmpty()) {
            QVERIFY(!reply.contains(u"error_response"));
            return;
        }
        QCOMPARE(errorCode(reply), code);
        const QJsonObject error = reply.value(u"error_response").toObject();
        QVERIFY(!error.value(u"msg").toString().isEmpty());
        QVERIFY(!QJsonDocument(reply).toJson().contains("demo-secret"));
    }

    void searchIsSortedFilteredAndCut()
    {
        const QJsonArray all =
            call(openplatform::materialSearchMethod, search(u"裙"_qs, 100, u"final_promotion_price_des"_qs))
                .value(u"result_list")
                .toArray();
        QVERIFY(all.size() > 6);
        double previous = 1e9;
        int coupons = 0;
        for (const QJsonValue &value : all) {
            const QJsonObject item = value.toObject();
            const QJsonObject price = item.value(u"price_promotion_info").toObject();
            const QJsonObject basic = item.value(u"item_basic_info").toObject();
            const double final = price.value(u"final_promotion_price").toString().toDouble();
            QVERIFY(final <= previous);
            previous = final;
            QVERIFY(price.value(u"reserve_price").toString().toDouble() >
                    price.value(u"zk_final_price").toString().toDouble());
            QVERIFY(item.value(u"item_id").isString());
            QVERIFY(basic.value(u"pict_url").toString().startsWith(u"http://127.0.0.1:17580/img/"_qs));
            const int userType = basic.value(u"user_type").toInt(-1);
            QVERIFY(userType == 0 || userType == 1);
            const QJsonArray paths = price.value(u"final_promotion_path_list").toArray();
            if (!paths.isEmpty() &&
                paths.first().toObject().value(u"promotion_title").toString() == u"商品券") {
                ++coupons;
                QVERIFY(item.value(u"publish_info")
                            .toObject()
                            .value(u"coupon_share_url")
                            .toString()
                            .startsWith(u"http://127.0.0.1:17580/item/"_qs));
            }
        }
        // About a third carry a coupon.
        QVERIFY2(coupons * 4 >= all.size() && coupons * 2 <= all.size(),
                 qPrintable(QString::number(coupons)));

        openplatform::Parameters couponsOnly = search(u"裙"_qs, 100);
        couponsOnly.append({u"has_coupon"_qs, u"true"_qs});
        const QJsonObject filtered = call(openplatform::materialSearchMethod, couponsOnly);
        QCOMPARE(filtered.value(u"result_list").toArray().size(), coupons);
        QCOMPARE(filtered.value(u"total_results").toInt(), coupons);

        const QJsonObject two = call(openplatform::materialSearchMethod, search(u"裙"_qs, 2));
        QCOMPARE(two.value(u"result_list").toArray().size(), 2);
        QCOMPARE(two.value(u"total_results").toInt(), all.size());

        const QJsonObject none = call(openplatform::materialSearchMethod, search(u"不存在xyz"_qs, 2));
        QVERIFY(!none.contains(u"result_list") && !none.contains(u"error_response"));
    }

    void fullShapeWhenNotSimplified()
    {
        openplatform::Parameters signedCall =
            openplatform::signedCall(openplatform::materialSearchMethod, search(), demoAccount(), gatewayNow);
        signedCall.removeIf([](const auto &p) { return p.first == u"simplify" || p.first == u"sign"; });
        signedCall.append({u"sign"_qs, openplatform::sign(signedCall, u"demo-secret"_qs,
                                                          itemsource::SignMethod::HmacSha256)});
        httpkit::Request request;
        request.method = "POST";
        request.path = "/router/rest";
        request.body = openplatform::formBody(signedCall);
        const QByteArray body = m_service.handle(request).body;
        // Seller ids above 2^53 are written as plain digits, which a double would round.
        QVERIFY(QRegularExpression(u"\"seller_id\":9007199254\\d{6}[,}]"_qs)
                    .match(QString::fromUtf8(body))
                    .hasMatch());
        const QJsonObject response = QJsonDocument::fromJson(body)
                                         .object()
                                         .value(u"tbk_dg_material_optional_upgrade_response")
                                         .toObject();
        const QJsonArray items = response.value(u"result_list").toObject().value(u"map_data").toArray();
        QCOMPARE(items.size(), 5);
        QVERIFY(items.first().toObject().value(u"item_basic_info").toObject().value(u"volume").isString());
    }

    void tpwdInBothShapes()
    {
        const QRegularExpression token(u"^￥[A-Za-z0-9]{11}￥$"_qs);
        const openplatform::Parameters url = openplatform::tpwdCreate(u"https://127.0.0.1:17580/item/1"_qs);
        const QJsonObject simplified = call(openplatform::tpwdCreateMethod, url);
        const QString password = simplified.value(u"data").toObject().value(u"password_simple").toString();
        QVERIFY2(token.match(password).hasMatch(), qPrintable(password));

        httpkit::Request request;
        request.method = "POST";
        request.path = "/router/rest";
        openplatform::Parameters full =
            openplatform::signedCall(openplatform::tpwdCreateMethod, url, demoAccount(), gatewayNow);
        full.removeIf([](const auto &p) { return p.first == u"simplify" || p.first == u"sign"; });
        full.append(
            {u"sign"_qs, openplatform::sign(full, u"demo-secret"_qs, itemsource::SignMethod::HmacSha256)});
        request.body = openplatform::formBody(full);
        const QJsonObject wrapped = QJsonDocument::fromJson(m_service.handle(request).body).object();
        QCOMPARE(wrapped.value(u"tbk_tpwd_create_response")
                     .toObject()
                     .value(u"data")
                     .toObject()
                     .value(u"password_simple")
                     .toString(),
                 password);
        QCOMPARE(errorCode(call(openplatform::tpwdCreateMethod, {})), u"40"_qs);
    }

    void answersGetOverHttp()
    {
        demo::DemoServer server;
        QVERIFY(server.listen());
        server.service().setClock([] { return QDateTime::currentDateTimeUtc(); });
        const QByteArray query = openplatform::formBody(openplatform::signedCall(
            openplatform::tpwdCreateMethod, openplatform::tpwdCreate(u"https://a.b/c"_qs), demoAccount(),
            QDateTime::currentDateTime()));
        QNetworkAccessManager manager;
        QNetworkReply *reply = manager.get(
            QNetworkRequest(QUrl(server.origin() + u"/router/rest?"_qs + QString::fromLatin1(query))));
        QSignalSpy finished(reply, &QNetworkReply::finished);
        QVERIFY(reply->isFinished() || finished.wait(5000));
        const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
        delete reply;
        QCOMPARE(answer.value(u"data").toObject().value(u"password_simple").toString(),
                 demo::demoTpwd(u"https://a.b/c"_qs));
    }
};

QTEST_GUILESS_MAIN(TestDemoRouterRest)
#include "demo_routerrest.moc"
