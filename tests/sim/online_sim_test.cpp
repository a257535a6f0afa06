// The simulated online service beyond what the client tests reach: reading
// the password's digit encoding back, the login page, and the control paths.
#include "foundation/passwords.h"
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Sim;

TEST(SimOnlineService, ReadsBackTheProgramsDigitEncodingOfAnyPassword)
{
    for (const QString &password : {QStringLiteral("x"), QStringLiteral("pw"), QStringLiteral("abc"),
                                    QStringLiteral("se cr&t+#%.1"), QString(QChar(0xE9)) + QStringLiteral("t\xE9")}) {
        for (int round = 0; round < 20; ++round) { // a new offset and factor each time
            const QString digits = basGeneral::EncodeForServer(password);
            QString plain;
            ASSERT_TRUE(OnlineDesk::decodeFromClient(digits, &plain)) << qPrintable(digits);
            EXPECT_EQ(plain, password) << qPrintable(digits);
        }
    }
    QString plain;
    EXPECT_FALSE(OnlineDesk::decodeFromClient(QStringLiteral("12a4"), &plain));
    EXPECT_FALSE(OnlineDesk::decodeFromClient(QStringLiteral("1234"), &plain));
}

TEST(SimOnlineService, LoginPageCarriesItsFieldsAndAFailedLoginReturnsWithError)
{
    SimServer server;
    server.online().addAccount(OnlineAccount{"alice", "se cr&t", {}, {}, {{"110", "12.5", "g"}}});
    auto login = [&](const QByteArray &body) {
        Request r;
        r.method = QStringLiteral("POST");
        r.path = QStringLiteral("/online/login.asp");
        r.https = true;
        r.body = body;
        return server.respond(r);
    };

    Request page;
    page.method = QStringLiteral("GET");
    page.path = QStringLiteral("/online/login.asp");
    page.https = true;
    QString role;
    const QString form = QString::fromLatin1(server.respond(page, &role).body);
    EXPECT_EQ(role, "vendorsecure");
    for (const char *id : {"id=\"username\"", "id=\"pswd\"", "id=\"submit\""})
        EXPECT_TRUE(form.contains(QLatin1String(id))) << id;
    page.https = false;
    EXPECT_EQ(server.respond(page).status, 404) << "the service lives on the secure host only";

    const Response wrong = login("username=alice&pswd=secret&submit=Log+in");
    EXPECT_EQ(wrong.status, 302);
    EXPECT_EQ(wrong.headers.value(0).second, "/online/login.asp?error=1");

    const Response right = login("username=Alice&pswd=se+cr%26t&submit=Log+in");
    EXPECT_EQ(right.status, 200);
    EXPECT_TRUE(right.body.contains("Logged in as alice"));
    EXPECT_TRUE(right.body.contains("<td>110</td><td>12.50</td><td>g</td>"));
}

TEST(SimOnlineService, ControlPathsSetUpAccountsAndCannedReplies)
{
    SimServer server;
    ASSERT_TRUE(server.start()) << qPrintable(server.errorString());
    QNetworkAccessManager nam;
    auto control = [&](const QByteArray &verb, const QString &path, const QJsonObject &body = {}) {
        const auto f = SimTest::fetch(nam, server.url(QStringLiteral("/_sim/online") + path), 5000, {}, verb,
                                      body.isEmpty() ? QByteArray() : QJsonDocument(body).toJson());
        EXPECT_EQ(f.status, 200) << f.body.constData();
        return QJsonDocument::fromJson(f.body).object();
    };
    auto service = [&](const QString &pathAndQuery) {
        return QString::fromLatin1(SimTest::fetch(nam, server.url(pathAndQuery, true), 5000, server.caFile()).body);
    };

    control("POST", "/accounts",
            QJsonObject{{"user", "bob"}, {"password", "pw"}, {"items", QJsonArray{QJsonObject{{"item", "7"}, {"bid", "3"}}}}});
    EXPECT_EQ(service("/online/senditem.asp?ver=2&username=bob&pswd=pw&item=7&bid=4&group="), "Exists: 3.00");

    control("POST", "/replies", QJsonObject{{"path", "senditem.asp"}, {"reply", "Useout: No bids left"}, {"count", 2}});
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(service("/online/senditem.asp?ver=2&username=bob&pswd=pw&item=8&bid=4&group="), "Useout: No bids left");
    EXPECT_EQ(service("/online/senditem.asp?ver=2&username=bob&pswd=pw&item=8&bid=4&group="), "OK");

    const QJsonObject state = control("GET", "");
    const QJsonArray items = state.value("accounts").toArray().at(0).toObject().value("items").toArray();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items.at(1).toObject().value("bid").toString(), "4");
    EXPECT_TRUE(state.value("replies").toArray().isEmpty());

    control("DELETE", "");
    EXPECT_EQ(service("/online/import.asp?username=bob&pswd=pw").left(7), "Error: ");
    EXPECT_EQ(SimTest::fetch(nam, server.url("/online/isreg.asp?version=2&user=bob")).body, "OK: Not registered");
}
