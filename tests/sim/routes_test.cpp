// Requests as the program sends them reach the right page: query decoding,
// ISAPI commands and the route table.
#include "sim/core/routetable.h"
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

using namespace Sim;
using SimTest::request;

namespace {

// The full sign-in request, composed as the program composes it.
QString fullSignIn(const QString &user, const QString &pass)
{
    return QStringLiteral("/ws/eBayISAPI.dll?MfcISAPICommand=SignInWelcome&bhid=DEF_CI&UsingSSL=1&inputversion=2&lse=false"
                          "&kgver=1&kgupg=1&rhr=f&siteid=0&co_partnerId=2&ru=http://127.0.0.1:1/ws/eBayISAPI.dll?SellHub3"
                          "&i1=-1&pageType=-1&userid=")
        + user + QStringLiteral("&pass=") + pass;
}

QString quickSignIn(const QString &user, const QString &pass)
{
    return QStringLiteral("/ws/eBayISAPI.dll?co_partnerid=2&siteid=0&UsingSSL=1&MfcISAPICommand=SignInWelcome&siteid=0"
                          "&co_partnerId=2&UsingSSL=1&i1=-1&userid=")
        + user + QStringLiteral("&pass=") + pass;
}

} // namespace

TEST(SimRequest, DecodesParametersByteForByte)
{
    // The program encodes every character but letters, digits and "*", in the
    // single-byte code page; "+" is not a space.
    const Request r = request(QStringLiteral("/p?userid=a%20b*1%2E&pass=x%26y%3D%E9+z&flag"));
    EXPECT_EQ(r.param(QStringLiteral("userid")), QStringLiteral("a b*1."));
    EXPECT_EQ(r.param(QStringLiteral("pass")), QStringLiteral("x&y=\u00e9+z"));
    EXPECT_EQ(r.param(QStringLiteral("USERID")), QStringLiteral("a b*1.")) << "names compare in any letter case";
    bool found = true;
    EXPECT_EQ(r.param(QStringLiteral("missing"), &found), QString());
    EXPECT_FALSE(found);
    EXPECT_FALSE(r.hasParam(QStringLiteral("flag"))) << "a word without '=' is a command, not a parameter";
    EXPECT_EQ(percentDecode(QStringLiteral("100%")), QStringLiteral("100%")) << "a stray % stays";
}

TEST(SimRequest, FindsTheIsapiCommandInEveryRequestForm)
{
    EXPECT_EQ(request(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=1")).command(), QStringLiteral("ViewItem"));
    EXPECT_EQ(request(QStringLiteral("/ws/eBayISAPI.dll?EbayTime")).command(), QStringLiteral("EbayTime"));
    EXPECT_EQ(request(fullSignIn(QStringLiteral("u"), QStringLiteral("p"))).command(), QStringLiteral("SignInWelcome"));
    EXPECT_EQ(request(quickSignIn(QStringLiteral("u"), QStringLiteral("p"))).command(), QStringLiteral("SignInWelcome"));
    EXPECT_EQ(request(QStringLiteral("/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US")).command(), QStringLiteral("SignIn"));
    EXPECT_EQ(request(QStringLiteral("/x?a=1")).command(), QString());
}

TEST(SimRoutes, MatchByPathCommandSchemeAndTest)
{
    RouteTable table;
    auto page = [](const char *name) { return [name](const Request &) { return Response::html(QString::fromLatin1(name)); }; };
    table.add(QStringLiteral("a"), QStringLiteral("/ws/eBayISAPI.dll"), QStringLiteral("ViewItem"), Scheme::Any, page("item"));
    table.add(QStringLiteral("b"), QStringLiteral("/secure"), QString(), Scheme::Https, page("secure"));
    Route special;
    special.role = QStringLiteral("c");
    special.path = QStringLiteral("/files/*");
    special.when = [](const Request &r) { return r.param(QStringLiteral("v")) == QLatin1String("2"); };
    special.handler = page("files");
    table.add(special);
    table.add(QStringLiteral("d"), QStringLiteral("/ws/eBayISAPI.dll"), QString(), Scheme::Any, page("any"));

    auto roleOf = [&](const QString &target, bool https = false) {
        const Route *r = table.find(request(target, https));
        return r ? r->role : QStringLiteral("-");
    };
    EXPECT_EQ(roleOf(QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=1")), QStringLiteral("a"));
    EXPECT_EQ(roleOf(QStringLiteral("/ws/ebayisapi.dll?viewitem&item=1")), QStringLiteral("a")) << "lower-cased links still work";
    EXPECT_EQ(roleOf(QStringLiteral("/ws/eBayISAPI.dll?EbayTime")), QStringLiteral("d")) << "falls through to the next route";
    EXPECT_EQ(roleOf(QStringLiteral("/secure")), QStringLiteral("-")) << "https only";
    EXPECT_EQ(roleOf(QStringLiteral("/secure"), true), QStringLiteral("b"));
    EXPECT_EQ(roleOf(QStringLiteral("/files/x/y?v=2")), QStringLiteral("c"));
    EXPECT_EQ(roleOf(QStringLiteral("/files/x/y?v=3")), QStringLiteral("-"));
    EXPECT_EQ(roleOf(QStringLiteral("/filesx?v=2")), QStringLiteral("-"));
}

TEST(SimRoutes, ProgramRequestsReachTheirPages)
{
    SimServer server; // not started: pages are answered without a network
    server.items().add(SimItem{});
    const QString number = server.items().numbers().first();

    struct Case { QString target; bool https; QString role; int status; };
    const Case cases[] = {
        {QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number, false, QStringLiteral("item"), 200},
        {QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=42"), false, QStringLiteral("item"), 200},
        {QStringLiteral("/ws/eBayISAPI.dll?EbayTime"), false, QStringLiteral("time"), 200},
        {QStringLiteral("/ws/eBayISAPI.dll?ViewFeedback&userid=u"), false, QStringLiteral("feedback"), 200},
        {fullSignIn(QStringLiteral("u"), QStringLiteral("p")), true, QStringLiteral("signin"), 200},
        {quickSignIn(QStringLiteral("u"), QStringLiteral("p")), false, QStringLiteral("signin"), 200},
        {QStringLiteral("/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US"), false, QStringLiteral("signin"), 200},
        {QStringLiteral("/aw/pics/spacer.gif"), false, QStringLiteral("pics"), 200},
        {QStringLiteral("/"), false, QStringLiteral("site"), 200},
        {QStringLiteral("/ws/eBayISAPI.dll?NoSuchCommand"), false, QString(), 404},
    };
    for (const Case &c : cases) {
        QString role = QStringLiteral("unset");
        const Response r = server.respond(request(c.target, c.https), &role);
        EXPECT_EQ(role, c.role) << qPrintable(c.target);
        EXPECT_EQ(r.status, c.status) << qPrintable(c.target);
    }
}

TEST(SimRoutes, SignInChecksConfiguredAccounts)
{
    SimServer server;
    auto signIn = [&](const QString &target) { return QString::fromLatin1(server.respond(request(target, true)).body); };

    // No accounts: anything goes, and a session cookie is set.
    const Response open = server.respond(request(fullSignIn(QStringLiteral("anyone"), QStringLiteral("x")), true));
    EXPECT_FALSE(QString::fromLatin1(open.body).contains(QLatin1String("password is incorrect")));
    ASSERT_EQ(open.headers.size(), 1);
    EXPECT_EQ(open.headers.first().first, QByteArrayLiteral("Set-Cookie"));
    EXPECT_TRUE(open.headers.first().second.startsWith("simsession="));

    server.addAccount(QStringLiteral("Buyer1"), QStringLiteral("p&ss w"));
    // The wizard lower-cases the user ID; passwords keep their case and are encoded.
    EXPECT_FALSE(signIn(quickSignIn(QStringLiteral("buyer1"), QStringLiteral("p%26ss%20w"))).contains(QLatin1String("password is incorrect")));
    EXPECT_FALSE(signIn(fullSignIn(QStringLiteral("Buyer1"), QStringLiteral("p%26ss%20w"))).contains(QLatin1String("password is incorrect")));
    const Response rejected = server.respond(request(fullSignIn(QStringLiteral("Buyer1"), QStringLiteral("P%26ss%20w")), true));
    const QString page = QString::fromLatin1(rejected.body);
    EXPECT_TRUE(page.contains(QLatin1String("password is incorrect")));
    EXPECT_FALSE(page.contains(QLatin1String(" invalid ")));
    EXPECT_TRUE(rejected.headers.isEmpty()) << "no session for a rejected sign-in";
    EXPECT_TRUE(signIn(fullSignIn(QStringLiteral("nobody"), QStringLiteral("p%26ss%20w"))).contains(QLatin1String("password is incorrect")));
}
