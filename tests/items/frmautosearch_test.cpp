// Saved searches: the add window's price boxes and row texts, and the
// searches fetched one per due minute, going round the rows.
#include "items/frmaddautosearch.h"
#include "items/frmautosearch.h"

#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/support/tinyhttp.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>

namespace {

frmAutoSearch &freshList()
{
    if (frmAutoSearch::isLoaded())
        frmAutoSearch::unloadInstance();
    return frmAutoSearch::instance();
}

frmAddAutoSearch &freshAdd()
{
    if (frmAddAutoSearch::isLoaded())
        frmAddAutoSearch::unloadInstance();
    return frmAddAutoSearch::instance();
}

void addSearch(const QString &name, const QString &url)
{
    frmAddAutoSearch &add = freshAdd();
    add.txtSearchURL->setText(url);
    add.txtSearchName->setText(name);
    add.cmdOK_Click();
}

} // namespace

TEST(AddAutoSearch, PriceBoxesFollowTheAddressesRangeParameters)
{
    freshList();
    frmAddAutoSearch &add = freshAdd();
    add.txtSearchURL->setText("http://search.test/sch?_nkw=lamp&_udlo=25&_udhi=100&_sop=1");
    EXPECT_EQ(add.txtBINMin->text(), "25");
    EXPECT_EQ(add.txtBINMax->text(), "100");
    add.txtSearchURL->setText("http://search.test/sch?_nkw=lamp&_udlo=25&_sop=1");
    EXPECT_EQ(add.txtBINMin->text(), "25");
    EXPECT_EQ(add.txtBINMax->text(), "") << "a dropped parameter empties its box";
    add.txtSearchURL->setText("http://search.test/sch?_nkw=lamp&_udhi=7.5");
    EXPECT_EQ(add.txtBINMin->text(), "");
    EXPECT_EQ(add.txtBINMax->text(), "7.5") << "the last parameter runs to the end";
}

TEST(AddAutoSearch, OkAddsACheckedRowWithItsNotificationAndBuyItNowTexts)
{
    frmAutoSearch &list = freshList();
    struct Case
    {
        bool screen, email, buy;
        const char *min, *max;
        const char *notifications, *buyItNow;
    };
    const Case cases[] = {
        {true, false, false, "5", "9", "On screen", "No"},
        {true, true, true, "", "", "On screen & Email", "At any price"},
        {false, true, true, "5", "", "Email", "Over $5"},
        {false, false, true, "5", "9", "", "Between $5 and $9"},
        {false, false, true, "", "9", "", "Under $9"},
    };
    int n = 0;
    for (const Case &c : cases) {
        frmAddAutoSearch &add = freshAdd();
        add.txtSearchURL->setText(QStringLiteral("http://search.test/%1").arg(n));
        add.txtSearchName->setText(QStringLiteral("search %1").arg(n));
        add.chkScreenNotif->setChecked(c.screen);
        add.chkEmailNotif->setChecked(c.email);
        add.chkBuy->setChecked(c.buy);
        add.txtBINMin->setText(c.min);
        add.txtBINMax->setText(c.max);
        add.cmdOK_Click();
        EXPECT_FALSE(frmAddAutoSearch::isLoaded());
        ++n;
        ASSERT_EQ(list.lvwSearches->Count(), n);
        const ListItem *row = list.lvwSearches->Item(n);
        EXPECT_EQ(row->Text(), QStringLiteral("search %1").arg(n - 1));
        EXPECT_EQ(row->SubItem(1), c.notifications);
        EXPECT_EQ(row->SubItem(2), c.buyItNow);
        EXPECT_TRUE(row->Checked());
        EXPECT_EQ(row->Tag(), QStringLiteral("http://search.test/%1").arg(n - 1));
    }
    freshAdd().cmdCancel_Click();
    EXPECT_EQ(list.lvwSearches->Count(), n) << "Cancel adds nothing";
}

TEST(AutoSearch, OpensEmptyWithItsColumnsAndAMinuteTimer)
{
    frmAutoSearch &list = freshList();
    EXPECT_EQ(list.windowTitle(), "Auto Search");
    ASSERT_EQ(list.lvwSearches->ColumnCount(), 3);
    EXPECT_EQ(list.lvwSearches->headerItem()->text(0), "Search Name");
    EXPECT_EQ(list.lvwSearches->headerItem()->text(1), "Notifications");
    EXPECT_EQ(list.lvwSearches->headerItem()->text(2), "Buy It Now");
    EXPECT_EQ(list.txtSearchInterval->text(), "5");
    EXPECT_EQ(list.tmrTimer->Interval(), 60000);
    EXPECT_TRUE(list.tmrTimer->Enabled());
    EXPECT_EQ(list.lvwSearches->Count(), 0);
}

TEST(AutoSearch, TwoSearchesEveryTwoMinutesAreFetchedInTurnOnTicksTwoFourAndSix)
{
    TinyHttp server([](const TinyHttp::Request &) { return TinyHttp::Reply{200, "results"}; });
    frmAutoSearch &list = freshList();
    list.tmrTimer->setEnabled(false); // the test gives the minutes itself
    list.txtSearchInterval->setText("2");
    addSearch("lamps", QString::fromLatin1(server.url("/sch?q=lamps")));
    addSearch("chairs", QString::fromLatin1(server.url("/sch?q=chairs")));

    QStringList fetchedOnTick;
    for (int tick = 1; tick <= 6; ++tick) {
        const qsizetype before = server.requests().size();
        list.tmrTimer_Timer();
        fetchedOnTick << (server.requests().size() > before ? QString::fromLatin1(server.requests().last().target) : QString());
    }
    EXPECT_EQ(fetchedOnTick, QStringList({"", "/sch?q=lamps", "", "/sch?q=chairs", "", "/sch?q=lamps"}));
}

TEST(AutoSearch, NoSearchWithoutRowsOrWithAnIntervalThatIsNoWholeNumber)
{
    TinyHttp server([](const TinyHttp::Request &) { return TinyHttp::Reply{200, "results"}; });
    frmAutoSearch &list = freshList();
    list.tmrTimer->setEnabled(false);
    list.txtSearchInterval->setText("1");
    list.tmrTimer_Timer();
    EXPECT_EQ(list.Ticks(), 0) << "a due minute without rows starts the count again";
    addSearch("lamps", QString::fromLatin1(server.url("/sch?q=lamps")));
    list.txtSearchInterval->setText("two");
    for (int tick = 0; tick < 3; ++tick)
        list.tmrTimer_Timer();
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST(AutoSearch, TheWindowsTimerRunsTheSearchWhenTheMinuteIsShortened)
{
    TinyHttp server([](const TinyHttp::Request &) { return TinyHttp::Reply{200, "results"}; });
    frmAutoSearch &list = freshList();
    list.txtSearchInterval->setText("1");
    addSearch("lamps", QString::fromLatin1(server.url("/sch?q=lamps")));
    list.tmrTimer->setInterval(10); // test hook: a minute of 10 ms
    EXPECT_TRUE(waitFor([&server] { return !server.requests().isEmpty(); }));
    list.tmrTimer->setEnabled(false);
}
