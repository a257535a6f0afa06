// The relist schedule without the network: "relist.dat" as written and as
// older or damaged files hold it, the scheduler's catch-up and lateness rule
// on a fixed clock with a stand-in robot, the hooks the start-up and the
// shut-down use, the entry editor's 12-hour fields and the confirmation
// page's new item number.
#include "engine/listfileformat.h"
#include "engine/relistscheduler.h"
#include "engine/startupwindows.h"
#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "sellertools/frmrelistedit.h"
#include "sellertools/frmrelistitems.h"
#include "sellertools/relistfile.h"
#include "sellertools/relistpages.h"

#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

namespace {

QString relistPath()
{
    QDir().mkpath(basGeneral::DataFolder());
    return QDir(basGeneral::DataFolder()).filePath("relist.dat");
}

RelistFile::Entry entry(const QString &item, const QDateTime &next, const QString &days = "7")
{
    return {item, "alice", "Lamp", "Every " + days + " day(s) at 9:00 AM", RelistFile::NextRelistingText(next), days};
}

// The schedule window loaded from `entries`, the clock at `now`, relists
// recorded instead of run.
struct Schedule
{
    Schedule(const QList<RelistFile::Entry> &entries, const QDateTime &now)
    {
        RelistFile::Save(relistPath(), entries);
        if (frmRelistItems::isLoaded())
            frmRelistItems::unloadInstance();
        clock = now;
        frmRelistItems::Clock = [this] { return clock; };
        frmRelistItems::RelistHook = [this](ListItem *row) {
            relisted << row->Text();
            EXPECT_TRUE(RelistInProgress);
        };
    }
    ~Schedule()
    {
        frmRelistItems::Clock = nullptr;
        frmRelistItems::RelistHook = nullptr;
        if (frmRelistItems::isLoaded())
            frmRelistItems::unloadInstance();
    }
    frmRelistItems &window() { return frmRelistItems::instance(); }
    QString storedNext() const { return RelistFile::Load(relistPath()).value(0).nextRelisting; }

    QDateTime clock;
    QStringList relisted;
};

const QDateTime kNow(QDate(2024, 3, 10), QTime(9, 2, 30));

} // namespace

TEST(RelistFile, EntriesRoundTripWithQuotesAndReadUnderAnotherLocale)
{
    const QList<RelistFile::Entry> entries = {
        {"110", "alice", "A \"rare\" lamp, boxed", "Every 7 day(s) at 3:5 PM", "2024-12-18 15:05:00", "7"},
        {"111", "bob", "", "Every 1 day(s) at 12:00 AM", "2024-12-19 00:00:00", "1"}};
    ASSERT_TRUE(RelistFile::Save(relistPath(), entries));
    QFile f(relistPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("\"110\",\"alice\",\"A &quot;rare&quot; lamp, boxed\",\"Every 7 day(s) at 3:5 PM\","
                                 "\"2024-12-18 15:05:00\",\"7\"\r\n"));
    EXPECT_EQ(RelistFile::Load(relistPath()), entries);

    const QLocale before = QLocale::system();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(*RelistFile::ReadNextRelisting(entries[0].nextRelisting), QDateTime(QDate(2024, 12, 18), QTime(15, 5)));
    QLocale::setDefault(before);
}

TEST(RelistFile, OlderAndDamagedLinesLoseNoOtherEntry)
{
    const QString text = "\"200\",\"alice\",\"One\",\"s\",\"2024-01-02 10:00:00\",\"3\"\r\n"
                         "\r\n"
                         "\"201\",\"alice\",\"Two with an unclosed quote\r\n"
                         "\"202\",\"bob\",\"Three\",\"s\",\"2024-01-03 11:00:00\",\"5\"\r\n";
    const QList<RelistFile::Entry> read = RelistFile::Parse(text);
    ASSERT_EQ(read.size(), 3);
    EXPECT_EQ(read[0].itemNumber, "200");
    EXPECT_EQ(read[1].itemNumber, "201");
    EXPECT_EQ(read[1].seller, "alice");
    EXPECT_EQ(read[2].periodDays, "5");
    EXPECT_TRUE(RelistFile::Load(relistPath() + ".absent").isEmpty());

    // The locale's own form, as older files hold it, and a date alone for midnight.
    const QLocale loc = QLocale::system();
    const QDateTime when(QDate(2024, 5, 6), QTime(14, 30, 0));
    const QString older = loc.toString(when.date(), QLocale::ShortFormat) + ' ' + loc.toString(when.time(), QLocale::LongFormat);
    EXPECT_EQ(RelistFile::ReadNextRelisting(older), when);
    EXPECT_EQ(RelistFile::ReadNextRelisting(loc.toString(when.date(), QLocale::ShortFormat)), QDateTime(when.date(), QTime(0, 0)));
    EXPECT_FALSE(RelistFile::ReadNextRelisting("soon"));
}

TEST(RelistFile, AFileWithMoreEntriesThanAnyScheduleIsRefused)
{
    const RelistFile::Entry e{"300", "alice", "Shelf", "s", "2024-01-02 10:00:00", "1"};
    ASSERT_TRUE(RelistFile::Save(relistPath(), QList<RelistFile::Entry>(50000, e)));
    bool refused = true;
    EXPECT_EQ(RelistFile::Load(relistPath(), &refused).size(), 50000);
    EXPECT_FALSE(refused);
    ASSERT_TRUE(RelistFile::Save(relistPath(), QList<RelistFile::Entry>(50001, e)));
    EXPECT_TRUE(RelistFile::Load(relistPath(), &refused).isEmpty());
    EXPECT_TRUE(refused);
}

TEST(RelistFile, AQuoteOutsideTheTitleSurvivesARewrite)
{
    // A hand-edited line whose unquoted item field holds a quote (found by
    // fuzzing), and a seller field with one: written back bare, the quote
    // cut the line and shifted its fields.
    const QString text = ListFile::DecodeFile(QByteArray("\x8e\xd2=\"\r\n"
                                                         "\"300\",sel\"ler,\"T\",\"s\",\"2024-01-02 10:00:00\",\"3\"\r\n"));
    const QList<RelistFile::Entry> read = RelistFile::Parse(text);
    ASSERT_EQ(read.size(), 2);
    EXPECT_EQ(read[1].seller, "sel\"ler");
    EXPECT_EQ(RelistFile::Parse(RelistFile::Compose(read)), read);
    ASSERT_TRUE(RelistFile::Save(relistPath(), read));
    EXPECT_EQ(RelistFile::Load(relistPath()), read);
}

TEST(RelistScheduler, ADueEntryIsRelistedOnceAndMovesOnOnePeriod)
{
    Schedule s({entry("300", kNow), entry("301", kNow.addSecs(60))}, kNow);
    s.window().tmrTimer_Timer();
    s.window().tmrTimer_Timer();
    EXPECT_EQ(s.relisted, QStringList{"300"});
    EXPECT_FALSE(RelistInProgress);
    EXPECT_EQ(s.storedNext(), RelistFile::NextRelistingText(kNow.addDays(7)));

    // A tick while a relist runs, or while an auction is about to end, does nothing.
    s.clock = kNow.addSecs(120);
    RelistInProgress = true;
    s.window().tmrTimer_Timer();
    RelistInProgress = false;
    EXPECT_EQ(s.relisted.size(), 1);
    s.window().tmrTimer_Timer();
    EXPECT_EQ(s.relisted, (QStringList{"300", "301"}));
}

TEST(RelistScheduler, TheListShowsEveryHeadingAndValueWholeAtTheWindowsDefaultWidth)
{
    RelistFile::Entry e = entry("110000000001", kNow.addDays(1), "14");
    e.seller = "bookbinder_jo";
    e.title = "Hand-bound leather sketchbook, 200 pages";
    e.schedule = "Every 14 day(s) at 12:45 PM";
    Schedule s({e}, kNow);
    frmRelistItems &w = s.window();
    w.show();
    QCoreApplication::processEvents(); // lays the shown window out
    const ListView &list = *w.lvwRelist;
    ASSERT_EQ(list.Count(), 1);
    for (int column = 0; column < list.ColumnCount(); ++column) {
        SCOPED_TRACE(list.headerItem()->text(column).toStdString());
        EXPECT_GE(list.columnWidth(column), list.header()->sectionSizeHint(column)) << "the heading is cut off";
        EXPECT_GE(list.columnWidth(column), static_cast<const QAbstractItemView &>(list).sizeHintForColumn(column))
            << "the value is cut off";
    }
    EXPECT_GE(list.viewport()->width(), list.header()->length()) << "the window cuts the last columns off";
    w.hide();
}

TEST(RelistScheduler, MissedPeriodsCatchUpOneATickAndOnlyALateEnoughOneRelists)
{
    // Three weeks behind: two ticks move the date without relisting, the third relists.
    Schedule s({entry("400", kNow.addDays(-21).addSecs(-120))}, kNow);
    s.window().tmrTimer_Timer();
    s.window().tmrTimer_Timer();
    EXPECT_TRUE(s.relisted.isEmpty());
    s.window().tmrTimer_Timer();
    EXPECT_EQ(s.relisted, QStringList{"400"});
    EXPECT_EQ(s.storedNext(), RelistFile::NextRelistingText(kNow.addSecs(-120)));

    // Moved to 29 minutes in the past relists; 30 minutes does not.
    Schedule late({entry("401", kNow.addDays(-1).addSecs(-29 * 60), "1"), entry("402", kNow.addDays(-1).addSecs(-30 * 60), "1")},
                  kNow);
    late.window().tmrTimer_Timer();
    EXPECT_EQ(late.relisted, QStringList{"401"});
}

TEST(RelistScheduler, AnEntryWithoutAPeriodOfOneTo89DaysIsNeverRelisted)
{
    // Hand-edited or damaged periods: none may keep the entry due tick after tick.
    const QStringList periods = {"0", "-1", "-7", "90", "", " ", "x", "1.5", "99999999999"};
    QList<RelistFile::Entry> entries;
    for (const QString &days : periods)
        entries << entry("70" + QString::number(entries.size()), kNow.addSecs(-60), days);
    entries << entry("799", kNow.addSecs(-60), "89");
    Schedule s(entries, kNow);
    for (int tick = 0; tick < 3; ++tick) {
        s.clock = kNow.addSecs(60 * tick);
        s.window().tmrTimer_Timer();
    }
    EXPECT_EQ(s.relisted, QStringList{"799"});
    const QList<RelistFile::Entry> stored = RelistFile::Load(relistPath());
    EXPECT_EQ(stored.mid(0, periods.size()), entries.mid(0, periods.size())) << "left as they were";
}

TEST(RelistScheduler, ADueEntryAlwaysMovesOnByAPeriodTheEditorTakes)
{
    // Every period text near the editor's range and beyond, every lateness
    // from well ahead of the clock to months behind it: an entry is due only
    // when its date has come and its period is 1 to 89 days, and then moves
    // on by exactly that period, so no entry is due again at the next tick.
    QStringList texts = {"", " ", "x", "7x", "1.0", "+3", " 5 ", "2147483648", "-2147483648"};
    for (int days = -100; days <= 200; ++days)
        texts << QString::number(days);
    for (const QString &text : texts) {
        bool isNumber = false;
        const int days = text.trimmed().toInt(&isNumber);
        const bool editorTakes = isNumber && days >= 1 && days <= 89;
        for (qint64 lateS : {-86400LL, -1LL, 0LL, 1LL, 59LL, 86400LL, 100LL * 86400}) {
            const QDateTime next = kNow.addSecs(-lateS);
            const std::optional<QDateTime> moved
                = RelistFile::DueMovedOn(RelistFile::NextRelistingText(next), text, kNow);
            SCOPED_TRACE(("period \"" + text + "\", late " + QString::number(lateS) + " s").toStdString());
            ASSERT_EQ(moved.has_value(), editorTakes && lateS >= 0);
            if (moved)
                EXPECT_EQ(*moved, next.addDays(days));
        }
    }
    EXPECT_FALSE(RelistFile::DueMovedOn("soon", "7", kNow));
}

TEST(RelistScheduler, StartUpKeepsItOnlyWithEntriesAndTheShutDownSwitchesIt)
{
    frmRelistItems::Register();
    {
        Schedule empty({}, kNow);
        EXPECT_FALSE(StartupWindows::KeepRelistScheduler());
        EXPECT_FALSE(frmRelistItems::isLoaded());
        EXPECT_FALSE(RelistScheduler::Running());
    }
    Schedule s({entry("500", kNow.addDays(1))}, kNow);
    EXPECT_TRUE(StartupWindows::KeepRelistScheduler());
    EXPECT_TRUE(RelistScheduler::Running());
    RelistScheduler::Switch(false);
    EXPECT_FALSE(s.window().tmrTimer->Enabled());
    RelistScheduler::Switch(true);
    EXPECT_TRUE(RelistScheduler::Running());
    // Closed with an entry it only hides, and the timer runs on.
    s.window().show();
    s.window().close();
    EXPECT_TRUE(frmRelistItems::isLoaded());
}

TEST(RelistScheduler, RelistNowSavesTheNewNumberAndKeepsTheDate)
{
    Schedule s({entry("600", kNow.addDays(3))}, kNow);
    frmRelistItems::RelistHook = [](ListItem *row) { row->setText("601"); };
    frmRelistItems &w = s.window();
    w.lvwRelist->setSelectedItem(w.lvwRelist->Item(1));
    w.cmdRelistNow_Click();
    const QList<RelistFile::Entry> stored = RelistFile::Load(relistPath());
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].itemNumber, "601");
    EXPECT_EQ(stored[0].nextRelisting, RelistFile::NextRelistingText(kNow.addDays(3)));
}

TEST(RelistEditor, TheTwelveHourFieldsGoBothWays)
{
    struct Case { QTime time; const char *hour; const char *minute; const char *ampm; };
    for (const Case &c : {Case{QTime(0, 30), "12", "30", "AM"}, Case{QTime(12, 5), "12", "05", "PM"},
                          Case{QTime(15, 7), "3", "07", "PM"}, Case{QTime(9, 0), "9", "00", "AM"}}) {
        frmAddRelist &e = frmAddRelist::instance();
        e.FillForEdit("700", "7", RelistFile::NextRelistingText(QDateTime(QDate(2024, 12, 18), c.time)));
        EXPECT_EQ(e.txtHour->text(), c.hour);
        EXPECT_EQ(e.txtMinute->text(), c.minute);
        EXPECT_EQ(e.ddnAMPM->currentText(), c.ampm);
        EXPECT_EQ(e.Calendar->selectedDate(), QDate(2024, 12, 18));
        EXPECT_EQ(e.GetTime(), c.time);
        frmAddRelist::unloadInstance();
    }
}

TEST(RelistEditor, NumberFieldsTakeOnlyDigitsAndLetTheUserCorrectThem)
{
    frmAddRelist &e = frmAddRelist::instance();
    e.show();
    int field = 0;
    for (QLineEdit *box : {e.txtItemNum, e.txtFreq, e.txtHour, e.txtMinute}) {
        SCOPED_TRACE(field++);
        box->setText("12");
        box->setCursorPosition(2);
        QTest::keyClicks(box, "a.-");
        EXPECT_EQ(box->text(), "12");
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_7);
        EXPECT_EQ(box->text(), "17");
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClick(box, Qt::Key_Delete);
        EXPECT_EQ(box->text(), "7");
        // Ctrl+A selects the whole number, and the next digit replaces it.
        box->setText("34");
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(box->selectedText(), "34");
        QTest::keyClick(box, Qt::Key_5);
        EXPECT_EQ(box->text(), "5");
    }
    frmAddRelist::unloadInstance();
}

TEST(RelistPages, TheConfirmationNamesTheNewNumberOnlyAsDigits)
{
    EXPECT_EQ(RelistPages::NewItemNumber("<p>congratulations!</p><a href=\"http://h/ws?viewitem&amp;item=5500&amp;x=1\">"), "5500");
    EXPECT_EQ(RelistPages::NewItemNumber("congratulations! <a href=\"http://h/?item=77\">"), "77");
    EXPECT_FALSE(RelistPages::NewItemNumber("<a href=\"http://h/?item=77\">"));
    EXPECT_FALSE(RelistPages::NewItemNumber("congratulations! <a href=\"http://h/?item=&amp;x\">"));
    EXPECT_FALSE(RelistPages::NewItemNumber("congratulations! <a href=\"http://h/?item=error\">"));
    EXPECT_TRUE(RelistPages::ShowsUser("hi, <b>johndoe</b>", "JohnDoe"));
    const QString signIn = HostRoles::url(HostRoles::Role::SignIn, "/ws/eBayISAPI.dll?SignIn", true);
    const QString form = "<form name=signinform> user id";
    EXPECT_FALSE(RelistPages::IsSignInForm(signIn, form + " your user id or password is incorrect"));
    EXPECT_TRUE(RelistPages::IsSignInForm(signIn, form));
    // The password goes to the sign-in host over HTTPS only, not to any
    // page that merely holds "ebay." in its address.
    EXPECT_FALSE(RelistPages::IsSignInForm(HostRoles::url(HostRoles::Role::SignIn, "/ws/eBayISAPI.dll?SignIn"), form));
    EXPECT_FALSE(RelistPages::IsSignInForm("https://signin.ebay.lookalike.localhost/ws/eBayISAPI.dll?SignIn", form));
}
