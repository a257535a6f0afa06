#include "foundation/hostroles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using HostRoles::Role;

TEST(HostRoles, DefaultsAndOverridesPerScheme)
{
    HostRoles::reload();
    EXPECT_EQ(HostRoles::url(Role::SignIn, "/x", true), "https://signin.ebay.com/x");
    EXPECT_EQ(HostRoles::host(Role::SiteItem, false, "ebay.co.uk"), "cgi.ebay.co.uk");
    EXPECT_EQ(HostRoles::host(Role::SiteBase, false, "ebay.de"), "ebay.de");
    EXPECT_EQ(HostRoles::url(Role::Www, "/itm/x"), "http://www.ebay.com/itm/x");

    QTemporaryDir dir;
    const QString file = dir.path() + "/hosts";
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# simulator\n"
            "signin.http=127.0.0.1:8080\n"
            "signin.https=127.0.0.1:8443\n"
            "item=127.0.0.1:8080\n"
            "SiteItem = localhost:9000\n");
    f.close();
    qputenv("TALLOWMERE_HOSTS", file.toUtf8());
    HostRoles::reload();
    EXPECT_EQ(HostRoles::url(Role::SignIn, "/in", true), "https://127.0.0.1:8443/in");
    EXPECT_EQ(HostRoles::url(Role::SignIn, "/out", false), "http://127.0.0.1:8080/out");
    EXPECT_EQ(HostRoles::url(Role::Item, "/i", true), "https://127.0.0.1:8080/i"); // one port for both
    EXPECT_EQ(HostRoles::host(Role::SiteItem, false, "ebay.fr"), "localhost:9000");
    EXPECT_EQ(HostRoles::host(Role::Offer), "offer.ebay.com"); // not overridden
    qunsetenv("TALLOWMERE_HOSTS");
    HostRoles::reload();
}
