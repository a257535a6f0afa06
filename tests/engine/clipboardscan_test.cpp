// The clipboard scanner: which copied texts count as an item, that the same
// text is never acted on twice, and which action each "Copy Option" starts.
#include "engine/clipboardscan.h"
#include "engine/itemwindows.h"
#include "foundation/frmsettings.h"
#include "foundation/hostroles.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/engine/enginetestutil.h"

#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTemporaryFile>

namespace {

// What the scanner makes of each text in turn, starting with nothing seen.
QStringList numbersOf(const QStringList &texts)
{
    QString last;
    QStringList numbers;
    for (const QString &t : texts)
        numbers << ClipboardScan::ItemNumberOfCopiedText(t, last);
    return numbers;
}

// The engine window with its calls recorded, and the two item-window seams
// recorded in place of the prompt and the wizard.
struct ScanFixture : ::testing::Test
{
    EngineTest::TestEngineForm *form = nullptr;
    QStringList asked, bid;

    void SetUp() override
    {
        form = &EngineTest::FreshForm();
        ItemWindows::AskAboutCopiedItem = [this](const QString &n) { asked << n; };
        ItemWindows::BidOnCopiedItem = [this](const QString &n) { bid << n; };
    }
    void TearDown() override
    {
        ItemWindows::AskAboutCopiedItem = nullptr;
        ItemWindows::BidOnCopiedItem = nullptr;
        frmSettings::instance().optCopyAsk->setChecked(true);
    }
    void copy(const QString &text)
    {
        Desktop::SetClipboardText(text);
        ClipboardScan::tmrClipboardScan_Timer(*form);
    }
};

} // namespace

TEST(CopiedText, NumbersOfTenToFourteenCharactersAndHttpItemAddressesCount)
{
    const QString link = QStringLiteral("http://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item=1234567890&rd=1");
    EXPECT_EQ(numbersOf({"1234567890"}), QStringList{"1234567890"});
    EXPECT_EQ(numbersOf({"12345678901234"}), QStringList{"12345678901234"});
    EXPECT_EQ(numbersOf({link}), QStringList{"1234567890"});
    // Letters in any case.
    EXPECT_EQ(numbersOf({link.toUpper()}), QStringList{"1234567890"});
    // Too short, too long (then tried as an address), https, no eBay host, prose.
    EXPECT_EQ(numbersOf({"123456789", "123456789012345", "https://cgi.ebay.com/ws/eBayISAPI.dll?ViewItem&item=1234567890",
                         "http://example.com/?item=1234567890", "buy 1234567890 now", ""}),
              QStringList({"", "", "", "", "", ""}));
}

TEST(CopiedText, AnAddressOnTheHostItemPagesAreReadFromCountsWhateverItsName)
{
    QTemporaryFile hosts;
    ASSERT_TRUE(hosts.open());
    hosts.write("item.http=127.0.0.1:8123\nitem.https=127.0.0.1:8124\nwww=127.0.0.1:8123\n");
    hosts.close();
    qputenv("TALLOWMERE_HOSTS", hosts.fileName().toUtf8());
    HostRoles::reload();
    const QString path = QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=1234567890");
    EXPECT_EQ(numbersOf({"http://127.0.0.1:8123" + path}), QStringList{"1234567890"});
    EXPECT_EQ(numbersOf({"HTTP://127.0.0.1:8123" + path}), QStringList{"1234567890"});
    // Another port of the same machine, https, or a host that only starts alike.
    EXPECT_EQ(numbersOf({"http://127.0.0.1:8125" + path, "https://127.0.0.1:8124" + path,
                         "http://127.0.0.10:8123" + path, "http://127.0.0.1" + path}),
              QStringList({"", "", "", ""}));
    qunsetenv("TALLOWMERE_HOSTS");
    HostRoles::reload();
}

TEST(CopiedText, TheSameTextIsTakenOnceAndAgainOnlyAfterAnotherItem)
{
    EXPECT_EQ(numbersOf({"1234567890", "1234567890", "2234567890", "1234567890"}),
              QStringList({"1234567890", "", "2234567890", "1234567890"}));
    // An eBay address without an item number changes nothing: the number
    // copied before it is still the last one.
    EXPECT_EQ(numbersOf({"1234567890", "http://www.ebay.com/", "1234567890"}), QStringList({"1234567890", "", ""}));
}

TEST(CopiedText, LineBreaksCountInTheLengthAndLeaveTheNumber)
{
    // Eight digits and CR LF are ten characters: a number, without the break.
    EXPECT_EQ(numbersOf({"12345678\r\n"}), QStringList{"12345678"});
    EXPECT_EQ(numbersOf({"1234567890\r\n"}), QStringList{"1234567890"});
}

TEST_F(ScanFixture, EachCopyOptionStartsItsOwnActionOncePerCopiedText)
{
    frmSettings &settings = frmSettings::instance();
    settings.optCopyAsk->setChecked(true);
    copy("1234567890");
    copy("1234567890");
    EXPECT_EQ(asked, QStringList{"1234567890"});

    // The choice is read at every tick.
    settings.optCopyBid->setChecked(true);
    copy("2234567890");
    EXPECT_EQ(bid, QStringList{"2234567890"});

    // Watch: the item is looked up by the watch itself; an item already in
    // the list is not fetched or added again.
    settings.optCopyWatch->setChecked(true);
    EngineTest::AddRow("3234567890", {{"user", "alice"}});
    copy("3234567890");
    EXPECT_EQ(form->lvwAuctions->Count(), 1);
    EXPECT_EQ(form->strLastCB, "3234567890");
    EXPECT_EQ(asked.size(), 1);
    EXPECT_EQ(bid.size(), 1);
}

TEST_F(ScanFixture, TheWindowsTimerRunsTheScanAndOtherClipboardTextIsIgnored)
{
    frmSettings::instance().optCopyAsk->setChecked(true);
    Desktop::SetClipboardText("not an item");
    emit form->tmrClipboardScan->Timer();
    Desktop::SetClipboardText("4234567890");
    emit form->tmrClipboardScan->Timer();
    EXPECT_EQ(asked, QStringList{"4234567890"});
}
