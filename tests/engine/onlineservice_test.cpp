// The online service's request addresses as the client builds them, and how
// each operation reads the service's replies.
#include "engine/onlineservice.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

using namespace OnlineService;

namespace {

const QString kSecure = QStringLiteral("https://secure.vendor.invalid/online/");

// "bob" active with a password holding every kind of character.
void bobActive()
{
    qunsetenv("TALLOWMERE_HOSTS");
    HostRoles::reload();
    ListView *users = frmSettings::instance().lvwUsers;
    users->Clear();
    users->Add(QStringLiteral("alice"))->setTag(basGeneral::ScramblePassword(QStringLiteral("other")));
    users->Add(QStringLiteral("bob"))->setTag(basGeneral::ScramblePassword(QStringLiteral("a b*9.&+#=%")));
    CurrentUser = QStringLiteral("bob");
}

const QString kBob = QStringLiteral("username=bob&pswd=a%20b*9%2E%26%2B%23%3D%25");

} // namespace

TEST(OnlineServiceRequests, KeysInOrderCredentialsOfTheActiveUserAndEachValueEncodedAsItsKeyWants)
{
    bobActive();
    EXPECT_EQ(SendSnipeURL("110123", "12.50", "cameras"),
              kSecure + "senditem.asp?ver=2&" + kBob + "&item=110123&bid=12.50&group=cameras");
    EXPECT_EQ(ReplaceSnipeURL("110123", "12.50", ""),
              kSecure + "senditem.asp?" + kBob + "&item=110123&bid=12.50&group=&replace=yes");
    EXPECT_EQ(CancelSnipeURL("110123"), kSecure + "remitem.asp?" + kBob + "&item=110123&keepwatch=yes");
    EXPECT_EQ(RemoveItemURL("110123"), kSecure + "remitem.asp?" + kBob + "&item=110123");
    EXPECT_EQ(ExportItemURL("110123"), kSecure + "export.asp?" + kBob + "&item=110123");
    EXPECT_EQ(ImportItemsURL(), kSecure + "import.asp?" + kBob);
    EXPECT_EQ(LoginPageURL(), kSecure + "login.asp");

    // A group, and an item or amount holding more than digits and ".", can
    // no longer add a key or cut the value.
    EXPECT_EQ(SendSnipeURL(" 110123", "1,000", "a&b=c #1+2"),
              kSecure + "senditem.asp?ver=2&" + kBob + "&item=%20110123&bid=1%2C000&group=a%26b%3Dc%20%231%2B2");

    // The credentials are read when the request is built.
    CurrentUser = QStringLiteral("Alice");
    EXPECT_EQ(ImportItemsURL(), kSecure + "import.asp?username=Alice&pswd=other");
    CurrentUser = QStringLiteral("carol"); // no stored account
    EXPECT_EQ(ImportItemsURL(), kSecure + "import.asp?username=carol&pswd=");

    // The account query goes to the plain vendor host with the ID as it is.
    CurrentUser = QStringLiteral("bo b&x");
    EXPECT_EQ(AccountQueryURL(), "http://www.vendor.invalid/online/isreg.asp?version=2&user=bo b&x");
}

TEST(OnlineServiceRequests, AccountCreationSendsThePasswordInItsDigitEncoding)
{
    bobActive();
    const QString url = CreateAccountURL("  ", "me@x.org");
    const QString prefix = kSecure + "autoacct.asp?fullname=%20%20&username=bob&email=me%40x%2Eorg&pswd=";
    ASSERT_TRUE(url.startsWith(prefix)) << qPrintable(url);
    const QString digits = url.mid(prefix.size());
    // 11 characters: 2 + 44 + 1 content digits and one filler after each three.
    EXPECT_EQ(digits.size(), 47 + 47 / 3);
    EXPECT_TRUE(std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }));
    EXPECT_NE(CreateAccountURL("  ", "me@x.org"), url) << "a new encoding on every request";
}

TEST(OnlineServiceReplies, EachOperationReadsTheFormsItsCallersTest)
{
    // Send: "OK" followed by anything is a success.
    EXPECT_EQ(ClassifySend("OK").outcome, Outcome::Accepted);
    EXPECT_EQ(ClassifySend("OK anything").outcome, Outcome::Accepted);
    Reply r = ClassifySend("Exists: 12.50");
    EXPECT_EQ(r.outcome, Outcome::Exists);
    EXPECT_EQ(r.message, "12.50");
    r = ClassifySend("Useout: No credit left");
    EXPECT_EQ(r.outcome, Outcome::UseOut);
    EXPECT_EQ(r.message, "No credit left");
    r = ClassifySend("Error: Bad password");
    EXPECT_EQ(r.outcome, Outcome::Refused);
    EXPECT_EQ(r.message, "Bad password");
    EXPECT_EQ(ClassifySend("ok").outcome, Outcome::Unexpected) << "prefixes compare case-sensitively";
    EXPECT_EQ(ClassifySend("Error:x").outcome, Outcome::Unexpected);
    EXPECT_EQ(ClassifySend("<html>").outcome, Outcome::Unexpected);
    EXPECT_EQ(ClassifySend("").outcome, Outcome::NoReply);

    // Replace and account creation: only the whole reply "OK".
    for (const auto classify : {&ClassifyReplace, &ClassifyCreateAccount}) {
        EXPECT_EQ(classify("OK").outcome, Outcome::Accepted);
        for (const char *notQuite : {"OK.", "OK ", "OK\r\n", "OK\n"})
            EXPECT_EQ(classify(notQuite).outcome, Outcome::Unexpected) << notQuite;
        r = classify("Error: Taken");
        EXPECT_EQ(r.outcome, Outcome::Refused);
        EXPECT_EQ(r.message, "Taken");
        EXPECT_EQ(classify("").outcome, Outcome::NoReply);
    }

    // Cancel and remove: the six-character "Error:", message after seven.
    EXPECT_EQ(ClassifyCancelOrRemove("OK removed").outcome, Outcome::Accepted);
    r = ClassifyCancelOrRemove("Error:XNot held");
    EXPECT_EQ(r.outcome, Outcome::Refused);
    EXPECT_EQ(r.message, "Not held");
    EXPECT_EQ(ClassifyCancelOrRemove("Exists: 1").outcome, Outcome::Unexpected);

    // Export: the server's error stops, "OK" first is done, the rest retries.
    EXPECT_EQ(ClassifyExport("Error: Locked").message, "Locked");
    EXPECT_EQ(ClassifyExport("OK, exported").outcome, Outcome::Accepted);
    EXPECT_EQ(ClassifyExport("Exported").outcome, Outcome::Unexpected);

    // Import: the lines as sent; a trailing CR LF gives a last empty line.
    r = ClassifyImport("110\r\n220\r\n");
    EXPECT_EQ(r.outcome, Outcome::ItemList);
    EXPECT_EQ(r.lines, QStringList({"110", "220", ""}));
    EXPECT_EQ(ClassifyImport("110").lines, QStringList({"110"}));
    EXPECT_EQ(ClassifyImport("Error: No account").outcome, Outcome::Refused);
    r = ClassifyImport("");
    EXPECT_EQ(r.outcome, Outcome::NoReply);
    EXPECT_TRUE(r.lines.isEmpty());

    // Account query: the whole reply must be "OK: Registered".
    EXPECT_EQ(ClassifyAccountQuery("OK: Registered").outcome, Outcome::Registered);
    for (const char *other : {"OK: Registered\r\n", "OK: Not registered", "OK", "ok: registered"})
        EXPECT_EQ(ClassifyAccountQuery(other).outcome, Outcome::Unexpected) << other;
}

TEST(OnlineServiceAccount, OnlyAnAccountFoundAtStartOrASnipeTheServiceHoldsLetsThePasswordGoThere)
{
    const QStringList stored = {QStringLiteral("True"),  QStringLiteral("False"),  QString(),
                                QStringLiteral("true"),  QStringLiteral("TRUE"),   QStringLiteral(" True"),
                                QStringLiteral("True "), QStringLiteral("1"),      QStringLiteral("-1"),
                                QStringLiteral("Yes"),   QStringLiteral("OK: Registered")};
    const QStringList tags = {QString(),
                              QStringLiteral("Local"),
                              QStringLiteral("Online"),
                              QStringLiteral("Both"),
                              QStringLiteral("Ready to bid"),
                              QStringLiteral("Bid complete"),
                              QStringLiteral("Other in group won"),
                              QStringLiteral("Bid outcome unknown"),
                              QStringLiteral("online"),
                              QStringLiteral("Both "),
                              QStringLiteral("LocalOnline")};
    for (const QString &setting : stored) {
        for (const QString &tag : tags) {
            const bool expected = setting == QLatin1String("True") || tag == QLatin1String("Online") || tag == QLatin1String("Both");
            EXPECT_EQ(UserHasAccount(setting, tag), expected) << setting.toStdString() << " / " << tag.toStdString();
        }
    }

    // The stored answer of the start-up account query.
    DeleteSetting(QStringLiteral("Has TMRO Account"));
    EXPECT_FALSE(UserHasAccount(QStringLiteral("Local")));
    SaveSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("True"));
    EXPECT_TRUE(UserHasAccount(QStringLiteral("Local")));
    SaveSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("False"));
    EXPECT_FALSE(UserHasAccount(QString()));
    EXPECT_TRUE(UserHasAccount(QStringLiteral("Both")));
}
