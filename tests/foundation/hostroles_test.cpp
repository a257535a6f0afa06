#include "foundation/hostroles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryFile>
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

TEST(HostRoles, OnlyTheRolesOwnSecureHostIsTrustedWithAPassword)
{
    QTemporaryFile hosts;
    ASSERT_TRUE(hosts.open());
    hosts.write("signin.https=signin.ebay.localhost:4443\nvendorsecure=secure.vendor.localhost\n");
    hosts.flush();
    qputenv("TALLOWMERE_HOSTS", hosts.fileName().toUtf8());
    HostRoles::reload();
    EXPECT_TRUE(HostRoles::servedOverHttps("https://signin.ebay.localhost:4443/ws/eBayISAPI.dll?SignIn", Role::SignIn));
    EXPECT_TRUE(HostRoles::servedOverHttps("https://SIGNIN.ebay.localhost:4443/x", Role::SignIn));
    EXPECT_FALSE(HostRoles::servedOverHttps("http://signin.ebay.localhost:4443/x", Role::SignIn));
    EXPECT_FALSE(HostRoles::servedOverHttps("https://signin.ebay.localhost:4444/x", Role::SignIn));
    EXPECT_FALSE(HostRoles::servedOverHttps("https://signin.ebay.localhost/x", Role::SignIn));
    EXPECT_FALSE(HostRoles::servedOverHttps("https://signin.ebay.localhost.example.net:4443/x", Role::SignIn));
    EXPECT_FALSE(HostRoles::servedOverHttps("https://ebay.example.net/x", Role::SignIn));
    EXPECT_TRUE(HostRoles::servedOverHttps("https://secure.vendor.localhost/online/login.asp", Role::VendorSecure));
    EXPECT_TRUE(HostRoles::servedOverHttps("https://secure.vendor.localhost:443/online/login.asp", Role::VendorSecure));
    qunsetenv("TALLOWMERE_HOSTS");
    HostRoles::reload();
}
