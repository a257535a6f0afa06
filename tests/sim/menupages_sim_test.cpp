// Every address the program's menus open in its browser pane gets a page of
// its own at the simulator, never its "not found" page, so a newcomer to the
// demo sees where each command goes.
#include "foundation/hostroles.h"
#include "mainwindow/menupages.h"
#include "sim/core/simserver.h"
#include "tests/sim/simtestutil.h"

#include <gtest/gtest.h>

using SimTest::fetch;

TEST(MenuPagesAtSimulator, EveryMenuAddressOpensAPageOfItsOwnOnEverySite)
{
    Sim::SimServer server;
    ASSERT_TRUE(server.start()) << qPrintable(server.errorString());
    qputenv("TALLOWMERE_HOSTS", server.hostsFile().toLocal8Bit());
    HostRoles::reload();
    QNetworkAccessManager nam;

    // The site menus follow the chosen eBay site; a user ID may need encoding.
    const QStringList domains = {QStringLiteral("ebay.com"), QStringLiteral("ebay.co.uk")};
    const QStringList users = {QStringLiteral("demo"), QStringLiteral("o'brien & co")};
    for (const QString &domain : domains) {
        for (const QString &user : users) {
            const QList<MenuPages::Page> pages = MenuPages::All(domain, user);
            ASSERT_GE(pages.size(), 12);
            for (const MenuPages::Page &p : pages) {
                SCOPED_TRACE(qPrintable(p.command + QStringLiteral(": ") + p.url));
                EXPECT_TRUE(p.url.startsWith(QStringLiteral("http://127.0.0.1:"))
                            || p.url.startsWith(QStringLiteral("https://127.0.0.1:")))
                    << "the demo's hosts file covers the menu's host";
                const auto f = fetch(nam, p.url, 5000, server.caFile());
                ASSERT_TRUE(f.finished);
                EXPECT_EQ(f.status, 200);
                const QString body = QString::fromUtf8(f.body);
                EXPECT_FALSE(body.contains(QStringLiteral("Not Found"))) << qPrintable(body.left(300));
                EXPECT_TRUE(body.contains(QStringLiteral("<title>"))) << "a page a person can read";
            }
        }
    }
    qunsetenv("TALLOWMERE_HOSTS");
    HostRoles::reload();
}
