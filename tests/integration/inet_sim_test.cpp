// The program's transfer control against the simulator: pages over http,
// sign-in over https with its cookie, and replies that never come.
#include "foundation/ebaysignin.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/timetext.h"
#include "foundation/pageaccess.h"
#include "platform/inet.h"
#include "platform/network.h"
#include "platform/vberror.h"
#include "sim/core/simserver.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>

using HostRoles::Role;

namespace {

// One simulator per test process, set up before the first request: the
// process reads the certificate authority to trust only once.
Sim::SimServer &simulator()
{
    static Sim::SimServer *server = [] {
        auto *s = new Sim::SimServer;
        EXPECT_TRUE(s->start()) << s->errorString().toStdString();
        qputenv("TALLOWMERE_HOSTS", s->hostsFile().toUtf8());
        qputenv("TALLOWMERE_CA", s->caFile().toUtf8());
        HostRoles::reload();
        Network::trustConfiguredAuthority();
        return s;
    }();
    return *server;
}

class InetSim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Other tests of this program may have pointed the hosts elsewhere.
        qputenv("TALLOWMERE_HOSTS", sim.hostsFile().toUtf8());
        HostRoles::reload();
        sim.reset();
        from = sim.requestLog().nextIndex();
    }

    // "scheme role target" of each request since the test began.
    QStringList arrived() const
    {
        QStringList seen;
        for (const Sim::LogEntry &e : sim.requestLog().since(from))
            seen << e.scheme + QLatin1Char(' ') + e.role + QLatin1Char(' ') + e.target;
        return seen;
    }

    int openUrlError(Inet &inet, const QString &url)
    {
        try {
            inet.OpenURL(url);
        } catch (const VbError &e) {
            return e.number();
        }
        return 0;
    }

    Sim::SimServer &sim = simulator();
    qint64 from = 0;
};

QString itemUrl(const QString &number)
{
    return HostRoles::url(Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number);
}

} // namespace

TEST_F(InetSim, ItemPageReadsBackThroughTheFieldReader)
{
    Sim::SimItem item;
    item.number = QStringLiteral("120000000001");
    item.title = QStringLiteral("Pocket  watch & chain");
    item.seller = QStringLiteral("TimeKeeper");
    item.price = 48.0;
    item.bids = 4;
    item.quantity = 2;
    item.shipping = QStringLiteral("US $6.00");
    item.endsAt = sim.now().addSecs(3 * 3600);
    item.buyItNow = 120;
    sim.items().add(item);

    Inet inet;
    const QString page = inet.OpenURL(itemUrl(item.number));
    ASSERT_TRUE(itemUrl(item.number).startsWith(QStringLiteral("http://127.0.0.1:%1/").arg(sim.httpPort())));
    using basGeneral::GetItemField;
    EXPECT_EQ(GetItemField(page, QStringLiteral("title")), QStringLiteral("Pocket watch & chain"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("bids")), QStringLiteral("4"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("currentbid")), QStringLiteral("US $48.00"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("minbid")), QStringLiteral("US $49.00"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("binprice")), QStringLiteral("US $120.00"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("shipping")), QStringLiteral("US $6.00"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("qty")), QStringLiteral("2"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("seller")), QStringLiteral("timekeeper"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("feedbackpercent")), QStringLiteral("100"));
    EXPECT_EQ(GetItemField(page, QStringLiteral("picture")), QString()) << "a spacer is no picture";
    EXPECT_FALSE(basGeneral::ParseShortDate(GetItemField(page, QStringLiteral("endtime"))).isEmpty())
        << GetItemField(page, QStringLiteral("endtime")).toStdString();
    EXPECT_EQ(basGeneral::InStrClean(page, QStringLiteral(">Ended:<")), 0);

    EXPECT_EQ(arrived(), QStringList{QStringLiteral("http item /ws/eBayISAPI.dll?ViewItem&item=120000000001")});
}

TEST_F(InetSim, TimeLeftFollowsEbaysClockNotTheLocalOne)
{
    // eBay's clock runs 40 minutes ahead; the item still ends 10 minutes from now.
    sim.setClockOffset(40 * 60);
    Sim::SimItem item;
    item.number = QStringLiteral("120000000002");
    item.endsAt = sim.now().addSecs(600);
    sim.items().add(item);

    Inet inet;
    const QString timePage = inet.OpenURL(HostRoles::url(Role::Time, QStringLiteral("/ws/eBayISAPI.dll?EbayTime")));
    const QDateTime ebayNow = basGeneral::ParseLongDate(
        basGeneral::GetBetween(timePage, QStringLiteral("<p>The official eBay Time is now:</p><p><b>"), QStringLiteral("</b></p>"), true));
    const QString end = basGeneral::ParseShortDate(basGeneral::GetItemField(inet.OpenURL(itemUrl(item.number)), QStringLiteral("endtime")));
    ASSERT_FALSE(end.isEmpty());
    const auto endDate = basGeneral::ReadDate(end);
    ASSERT_TRUE(endDate.has_value());
    EXPECT_NEAR(double(ebayNow.secsTo(*endDate)), 600.0, 2.0);

    EXPECT_EQ(arrived(), QStringList({QStringLiteral("http time /ws/eBayISAPI.dll?EbayTime"),
                                      QStringLiteral("http item /ws/eBayISAPI.dll?ViewItem&item=120000000002")}));
}

TEST_F(InetSim, EndedWonAndRemovedItemsShowTheirMarkers)
{
    Sim::SimItem item;
    item.number = QStringLiteral("120000000003");
    item.endsAt = sim.now().addSecs(-5);
    item.winner = QStringLiteral("alice");
    sim.items().add(item);

    Inet inet;
    const QString ended = inet.OpenURL(itemUrl(item.number));
    EXPECT_GT(basGeneral::InStrClean(ended, QStringLiteral(">Ended:<")), 0);
    EXPECT_TRUE(ended.contains(QLatin1String(">Winning bidder:<")) && ended.contains(QLatin1String(">alice</a>")));
    EXPECT_FALSE(basGeneral::ParseShortDate(basGeneral::GetItemField(ended, QStringLiteral("endtime"))).isEmpty());

    const QString removed = inet.OpenURL(itemUrl(QStringLiteral("120000000999"))).remove(QStringLiteral("\r\n"));
    EXPECT_TRUE(removed.contains(QLatin1String(") has been removed, or this item is not available.<"), Qt::CaseInsensitive));
}

TEST_F(InetSim, SignInOverHttpsKeepsTheSessionUntilSignOut)
{
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("Right Pass&1"));
    Inet inet;
    const QUrl siteUrl(HostRoles::url(Role::Item, QStringLiteral("/")));
    QNetworkCookieJar *jar = Network::manager().cookieJar();

    EXPECT_TRUE(eBaySignIn::SignInRejected(inet.OpenURL(eBaySignIn::SignInURL(QStringLiteral("alice"), QStringLiteral("wrong")))));
    EXPECT_TRUE(jar->cookiesForUrl(siteUrl).isEmpty());

    const QString accepted = inet.OpenURL(eBaySignIn::SignInURL(QStringLiteral("alice"), QStringLiteral("Right Pass&1")));
    EXPECT_FALSE(eBaySignIn::SignInRejected(accepted));
    EXPECT_EQ(jar->cookiesForUrl(siteUrl).size(), 1);
    inet.OpenURL(HostRoles::url(Role::Time, QStringLiteral("/ws/eBayISAPI.dll?EbayTime")));
    inet.OpenURL(eBaySignIn::SignOutURL());
    EXPECT_TRUE(jar->cookiesForUrl(siteUrl).isEmpty());

    const auto log = sim.requestLog().since(from);
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[0].scheme, QStringLiteral("https"));
    EXPECT_TRUE(log[1].target.endsWith(QLatin1String("&userid=alice&pass=Right%20Pass%261"))) << log[1].target.toStdString();
    EXPECT_EQ(log[2].user, QStringLiteral("alice")) << "the cookie from https came along over http";
    EXPECT_EQ(log[3].scheme, QStringLiteral("http"));
    EXPECT_EQ(log[3].role, QStringLiteral("signin"));
}

TEST_F(InetSim, AReplyThatNeverComesTimesOutAs35761)
{
    Sim::FaultRule hang;
    hang.pattern = QStringLiteral("EbayTime");
    sim.faults().add(hang);

    Inet inet;
    inet.RequestTimeout = 2;
    const QString url = HostRoles::url(Role::Time, QStringLiteral("/ws/eBayISAPI.dll?EbayTime"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(openUrlError(inet, url), VbErr::InetTimeout);
    EXPECT_GE(clock.elapsed(), 1900);
    EXPECT_LT(clock.elapsed(), 6000);
    EXPECT_FALSE(inet.StillExecuting());

    // The rule was for one request: the next is answered.
    EXPECT_TRUE(inet.OpenURL(url).contains(QLatin1String("The official eBay Time is now:")));
    // And GetURL turns a time-out into an empty page.
    sim.faults().add(hang);
    EXPECT_EQ(basGeneral::GetURL(url, inet), QString());
}

TEST_F(InetSim, SlowAndEmptyRepliesWithinTheTimeOut)
{
    Sim::FaultRule slow;
    slow.pattern = QStringLiteral("*item=120000000004");
    slow.delayMs = 800;
    sim.faults().add(slow);
    Sim::FaultRule empty;
    empty.pattern = QStringLiteral("EbayTime");
    empty.mode = Sim::FaultMode::Empty;
    sim.faults().add(empty);

    Inet inet;
    inet.RequestTimeout = 2;
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(inet.OpenURL(itemUrl(QStringLiteral("120000000004"))).contains(QLatin1String("has been removed")));
    EXPECT_GE(clock.elapsed(), 750);
    EXPECT_EQ(inet.OpenURL(HostRoles::url(Role::Time, QStringLiteral("/ws/eBayISAPI.dll?EbayTime"))), QString());
}

TEST_F(InetSim, FeedbackProfileCarriesTheAccountsNumbers)
{
    sim.addAccount(QStringLiteral("Alice"), QStringLiteral("pw"), 1234, 99.5);
    Inet inet;
    const QString page = inet.OpenURL(HostRoles::url(Role::Feedback, QStringLiteral("/ws/eBayISAPI.dll?ViewFeedback&userid=alice")));
    using basGeneral::GetBetween;
    using basGeneral::StripTags;
    EXPECT_EQ(StripTags(GetBetween(page, QStringLiteral("<span class=\"mbg-l\"> ( "), QStringLiteral(")"))).trimmed(), QStringLiteral("1234"));
    EXPECT_EQ(StripTags(GetBetween(page, QStringLiteral(">Positive Feedback (last 12 months):"), QStringLiteral("%"), true)).trimmed(),
              QStringLiteral("99.5"));
}
