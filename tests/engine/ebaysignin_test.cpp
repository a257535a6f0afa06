#include "engine/ebaysignin.h"

#include <gtest/gtest.h>

using namespace eBaySignIn;

// The hosts are eBay's own here (no host override in tests).
TEST(eBaySignIn, RequestsCarryTheEncodedUserAndPassword)
{
    const QString full = QStringLiteral(
        "https://signin.ebay.com/ws/eBayISAPI.dll?MfcISAPICommand=SignInWelcome&bhid=DEF_CI&UsingSSL=1"
        "&inputversion=2&lse=false&kgver=1&kgupg=1&rhr=f&siteid=0&co_partnerId=2"
        "&ru=http://cgi5.ebay.com/ws/eBayISAPI.dll?SellHub3&i1=-1&pageType=-1");
    const QString quick = QStringLiteral(
        "signin.ebay.com/ws/eBayISAPI.dll?co_partnerid=2&siteid=0&UsingSSL=1&MfcISAPICommand=SignInWelcome"
        "&siteid=0&co_partnerId=2&UsingSSL=1&i1=-1");

    // Spaces, "&", "*", letters and digits.
    EXPECT_EQ(SignInURL(QStringLiteral("john doe&co*7"), QStringLiteral("p&ss=Word 1")),
              full + QStringLiteral("&userid=john%20doe%26co*7&pass=p%26ss%3DWord%201"));
    // Characters beyond ASCII go as their Windows-1252 byte; one without a
    // byte there as "?".
    EXPECT_EQ(SignInURL(QStringLiteral("j\u00fcrgen"), QString::fromUtf8("\u20acuro\u0436")),
              full + QStringLiteral("&userid=j%FCrgen&pass=%80uro%3F"));
    // Empty values stay empty parameters.
    EXPECT_EQ(SignInURL(QString(), QString()), full + QStringLiteral("&userid=&pass="));

    EXPECT_EQ(QuickSignInURL(QStringLiteral("Ann B"), QStringLiteral("a&b*C"), true),
              QStringLiteral("https://") + quick + QStringLiteral("&userid=Ann%20B&pass=a%26b*C"));
    EXPECT_EQ(QuickSignInURL(QStringLiteral("ann"), QStringLiteral("\u00e9t\u00e9"), false),
              QStringLiteral("http://") + quick + QStringLiteral("&userid=ann&pass=%E9t%E9"));

    // The sign-out goes over plain http, also before an https sign-in.
    EXPECT_EQ(SignOutURL(), QStringLiteral("http://signin.ebay.com/ws2/eBayISAPI.dll?SignIn&ssPageName=h:h:sout:US"));
}

TEST(eBaySignIn, RejectionIsOnlyTheTwoExactMarkers)
{
    EXPECT_TRUE(SignInRejected(QStringLiteral("<p>Your user ID or password is invalid here</p>")));
    EXPECT_TRUE(SignInRejected(QStringLiteral("Sorry, that password is incorrect.")));

    EXPECT_FALSE(SignInRejected(QString())); // a failed fetch
    EXPECT_FALSE(SignInRejected(QStringLiteral("Invalid request"))); // capital letter, no spaces around
    EXPECT_FALSE(SignInRejected(QStringLiteral("is invalid."))); // no space after
    EXPECT_FALSE(SignInRejected(QStringLiteral("Password is incorrect")));
    EXPECT_FALSE(SignInRejected(QStringLiteral("<title>My eBay</title>")));
}
