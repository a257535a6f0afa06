// The feedback settings: "feedback.dat", the pages the run reads, and the
// feedback window with its comment editor.
#include "sellertools/feedbackfile.h"
#include "sellertools/feedbackpages.h"
#include "sellertools/frmfeedback.h"
#include "sellertools/frmfeedbackmessage.h"

#include "engine/listfileformat.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/hostroles.h"
#include "platform/listview.h"
#include "tests/support/frozenfolder.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/procstatus.h"
#include "tests/support/testfiles.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using FeedbackFile::Entry;

namespace {

void setAccounts(const QStringList &users)
{
    ListView *list = frmSettings::instance().lvwUsers;
    list->Clear();
    for (const QString &u : users)
        list->Add(u);
}

frmFeedback &freshWindow()
{
    if (frmFeedback::isLoaded())
        frmFeedback::unloadInstance();
    QCoreApplication::processEvents();
    return frmFeedback::instance();
}

QStringList rows(const frmFeedback &w)
{
    QStringList out;
    for (int i = 1; i <= w.lvwSellers->Count(); ++i) {
        const ListItem *r = w.lvwSellers->Item(i);
        out << (r->Checked() ? "[x] " : "[ ] ") + r->Text() + " | " + r->SubItem(1);
    }
    return out;
}

} // namespace

TEST(FeedbackFile, QuotesSurviveAndOlderFilesReadAsBefore)
{
    const QList<Entry> entries = {{"amy", R"(Say "thanks" & more)"}, {"ben", ""}};
    const QByteArray bytes = FeedbackFile::Format(entries);
    EXPECT_EQ(bytes, QByteArray("\"amy\",\"Say &quot;thanks&quot; & more\"\r\n\"ben\",\"\"\r\n"));
    EXPECT_EQ(FeedbackFile::Parse(bytes), entries);

    // Written without the escape by earlier versions.
    EXPECT_EQ(FeedbackFile::Parse("\"amy\",\"Thank you\"\r\n\"ben\",\"A+ buyer\"\r\n"),
              QList<Entry>({{"amy", "Thank you"}, {"ben", "A+ buyer"}}));
    // A record cut off at the end loses only itself.
    EXPECT_EQ(FeedbackFile::Parse("\"amy\",\"Thank you\"\r\n\"ben\",\"A+ bu"), QList<Entry>({{"amy", "Thank you"}}));
    EXPECT_TRUE(FeedbackFile::Parse("").isEmpty());

    ASSERT_TRUE(FeedbackFile::Write(entries));
    EXPECT_EQ(FeedbackFile::Read(), entries);
    ASSERT_TRUE(FeedbackFile::Write({}));
    EXPECT_EQ(fileBytes(FeedbackFile::Path()), QByteArray());
}

TEST(FeedbackFile, AFileOfTheSmallestRecordsIsSetAsideAtItsCountWhileRead)
{
    // A one-letter field and its comma, twice to a record, to the size bound.
    const QByteArray bytes = QByteArray("a,a,").repeated(int(ListFile::kMaxFileBytes / 4));
    writeBytes(FeedbackFile::Path(), bytes);
    const bool peakKnown = ResetOwnPeak();
    const qint64 beforeKb = StatusKb(QCoreApplication::applicationPid(), "VmRSS");
    bool refused = false;
    EXPECT_TRUE(FeedbackFile::Read(&refused).isEmpty());
    EXPECT_TRUE(refused);
    if (peakKnown) // millions of records would take gigabytes
        EXPECT_LT(PeakKb(QCoreApplication::applicationPid()) - beforeKb, 500 * 1024);

    // The window sets it aside unchanged, and starts an empty list.
    setAccounts({"amy"});
    MsgBoxScript::instance().clear();
    frmFeedback &w = freshWindow();
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith("Your feedback list file is too large to be read."));
    EXPECT_FALSE(QFile::exists(FeedbackFile::Path()));
    const QDir data(basGeneral::DataFolder());
    const QStringList aside = data.entryList({"feedback-backup-*.dat"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(fileBytes(data.filePath(aside[0])), bytes);
    EXPECT_EQ(rows(w), QStringList({"[ ] amy | <no feedback will be left>"}));
    frmFeedback::unloadInstance();
    QFile::remove(data.filePath(aside[0]));

    // The largest real list still reads.
    ASSERT_TRUE(FeedbackFile::Write(QList<Entry>(ListFile::kMaxRecords, {"amy", "Thanks"})));
    EXPECT_EQ(FeedbackFile::Read(&refused).size(), ListFile::kMaxRecords);
    EXPECT_FALSE(refused);
}

// A refused file that cannot be set aside stays the user's to move: no save
// of the window writes over it, even once the folder could be written again.
TEST(FeedbackFile, ARefusedFileThatCannotBeSetAsideIsNeverWrittenOver)
{
    const QByteArray bytes = QByteArray("\"amy\",\"Thanks\"\r\n").repeated(ListFile::kMaxRecords + 1);
    writeBytes(FeedbackFile::Path(), bytes);
    setAccounts({"amy"});
    MsgBoxScript::instance().clear();
    frmFeedback *w = nullptr;
    {
        const FrozenFolder frozen(basGeneral::DataFolder());
        if (!frozen.held())
            GTEST_SKIP() << "this file system cannot keep the data folder from being changed";
        w = &freshWindow();
    }
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith("Your feedback list file could not be renamed."))
        << MsgBoxScript::instance().lastPrompt().toStdString();
    EXPECT_EQ(rows(*w), QStringList({"[ ] amy | <no feedback will be left>"}));
    w->cmdOK->click();
    EXPECT_FALSE(frmFeedback::isLoaded());
    EXPECT_TRUE(fileBytes(FeedbackFile::Path()) == bytes) << "the refused file was written over";
    EXPECT_TRUE(QDir(basGeneral::DataFolder()).entryList({"feedback-backup-*"}).isEmpty());
    QFile::remove(FeedbackFile::Path());
}

TEST(FeedbackPages, RowDatesAndTheTenDayLimit)
{
    const QDate today(2024, 3, 15);
    EXPECT_EQ(FeedbackPages::RowDate("Mar-05-24"), QDate(2024, 3, 5));
    EXPECT_EQ(FeedbackPages::RowDate("12-31-1999"), QDate(1999, 12, 31));
    EXPECT_FALSE(FeedbackPages::RowDate("Feb-30-24"));
    EXPECT_FALSE(FeedbackPages::RowDate("yesterday"));

    EXPECT_FALSE(FeedbackPages::TooOld("Mar-05-24", today)); // 10 days
    EXPECT_TRUE(FeedbackPages::TooOld("Mar-04-24", today));  // 11 days
    EXPECT_FALSE(FeedbackPages::TooOld("", today));          // not a date: processed
    EXPECT_FALSE(FeedbackPages::TooOld("Mar-16-24", today)); // eBay's clock ahead of ours
}

TEST(FeedbackPages, PositiveRowsRatedBuyersAndTheFormsTransaction)
{
    const QString pos = FeedbackPages::PositiveRowMarker();
    ASSERT_TRUE(pos.contains("http://" + HostRoles::host(HostRoles::Role::StaticPics) + "/aw/pics/icon/iconPos_16x16.gif"));
    const QString neutral = QString(pos).replace("iconPos", "iconNeu").replace("Positive", "Neutral");
    const QString page = FeedbackPages::WithoutLineBreaks(
        "<h1>alice</h1>\r\n<tr>" + pos + "\t<td>ok</td><td><a href=\"x?userid=carol\">carol</a></td>"
        "<td nowrap=\"nowrap\">Mar-14-24 10:00</td></tr>\r\n<tr><td>Item (#1001)</td></tr>"
        "<tr>" + neutral + "<td><a href=\"x?userid=erin\">erin</a></td><td nowrap=\"nowrap\">Mar-13-24 9:00</td>"
        "<td>(#1002)</td></tr>"
        "<tr>" + pos + "<td><a href=\"x?userid=dave\">dave</a></td><td nowrap=\"nowrap\">Mar-12-24 8:00</td>"
        "<td>Item (#1003)</td></tr>");
    EXPECT_FALSE(page.contains('\t'));
    EXPECT_FALSE(page.contains("\r\n"));

    FeedbackPages::PositiveRows scan(page);
    FeedbackPages::Row row;
    ASSERT_TRUE(scan.Next(&row));
    EXPECT_EQ(row.date, "Mar-14-24");
    EXPECT_EQ(row.buyer, "carol");
    EXPECT_EQ(row.item, "1001");
    // The neutral row is passed over, not read as the next one.
    ASSERT_TRUE(scan.Next(&row));
    EXPECT_EQ(row.buyer, "dave");
    EXPECT_EQ(row.item, "1003");
    EXPECT_FALSE(scan.Next(&row));

    const QString left = R"(<a href="x?userid=bobby">bobby</a><a href="x?userid=Gina">Gina</a>)";
    EXPECT_TRUE(FeedbackPages::AlreadyRated(left, "bobby"));
    EXPECT_TRUE(FeedbackPages::AlreadyRated(left, "bob")); // the start of a rated user ID
    EXPECT_FALSE(FeedbackPages::AlreadyRated(left, "bobby2"));
    EXPECT_FALSE(FeedbackPages::AlreadyRated(left, "gina")); // exact case

    EXPECT_EQ(FeedbackPages::TransactionId(R"(<input name="transactionId0" value="T77"><input name="transactionId1" value="T78">)"),
              "T77");
    EXPECT_EQ(FeedbackPages::TransactionId("<p>Please sign in</p>"), "");
    EXPECT_TRUE(FeedbackPages::PostURL("1001", "a b", "T1", R"(Thanks "A+")")
                    .endsWith("&itemId0=1001&toUserName0=a%20b&transactionId0=T1&comment0=Thanks%20%22A%2B%22"));
}

TEST(frmFeedback, ListsEveryAccountWithTheStoredChoicesAndSavesTheChecked)
{
    setAccounts({"amy", "ben", "cal"});
    ASSERT_TRUE(FeedbackFile::Write({{"ben", "Cheers \"mate\""}, {"gone", "old"}, {"cal", ""}}));
    frmFeedback &w = freshWindow();
    EXPECT_EQ(w.lvwSellers->headerItem()->text(0), "User ID");
    EXPECT_EQ(w.lvwSellers->headerItem()->text(1), "Feedback To Leave");
    EXPECT_EQ(rows(w), QStringList({"[ ] amy | <no feedback will be left>", "[x] ben | Cheers \"mate\"",
                                    "[x] cal | Thank you for your purchase"}));

    // Unchecking loses the comment; checking again gives the default and
    // opens the editor, whose Cancel keeps it.
    bool editorOpened = false;
    w.lvwSellers->Item(2)->setChecked(false);
    EXPECT_EQ(w.lvwSellers->Item(2)->SubItem(1), frmFeedback::kNoFeedback);
    QTimer::singleShot(0, [&] {
        editorOpened = frmFeedbackMessage::isLoaded() && frmFeedbackMessage::instance().isVisible();
        frmFeedbackMessage::instance().cmdCancel->click();
    });
    w.lvwSellers->Item(2)->setChecked(true);
    EXPECT_TRUE(editorOpened);
    EXPECT_EQ(w.lvwSellers->SelectedItem(), w.lvwSellers->Item(2));
    EXPECT_EQ(w.lvwSellers->Item(2)->SubItem(1), frmFeedback::kDefaultComment);

    // Cancel writes nothing; OK writes the checked rows in list order.
    const QByteArray before = fileBytes(FeedbackFile::Path());
    w.cmdCancel->click();
    EXPECT_EQ(fileBytes(FeedbackFile::Path()), before);
    frmFeedback &again = freshWindow();
    again.lvwSellers->Item(3)->setChecked(false);
    again.cmdOK->click();
    EXPECT_FALSE(frmFeedback::isLoaded());
    EXPECT_EQ(FeedbackFile::Read(), QList<Entry>({{"ben", "Cheers \"mate\""}}));

    // Nothing checked: an empty file, and nothing checked after it.
    frmFeedback &third = freshWindow();
    third.lvwSellers->Item(2)->setChecked(false);
    third.Save();
    EXPECT_EQ(fileBytes(FeedbackFile::Path()), QByteArray());
    EXPECT_EQ(rows(freshWindow()).filter("[x]"), QStringList());
    frmFeedback::unloadInstance();
}

TEST(frmFeedbackMessage, EditsTheSelectedRowsCommentUpToEightyCharacters)
{
    setAccounts({"amy"});
    ASSERT_TRUE(FeedbackFile::Write({{"amy", "Thanks"}}));
    frmFeedback &w = freshWindow();
    w.cmdEditMsg->click(); // no row selected: nothing opens
    EXPECT_FALSE(frmFeedbackMessage::isLoaded());

    w.lvwSellers->setSelectedItem(w.lvwSellers->Item(1));
    QString label, start, charsLeft;
    QTimer::singleShot(0, [&] {
        frmFeedbackMessage &m = frmFeedbackMessage::instance();
        label = m.Label1->text();
        start = m.txtFB->text();
        m.txtFB->setText(QString(85, 'x'));
        charsLeft = m.lblCharsLeft->text();
        m.txtFB->setText(m.txtFB->text().left(70) + "!");
        m.cmdOK->click();
    });
    w.cmdEditMsg->click();
    EXPECT_EQ(label, "Enter the feedback message you want to be returned from seller amy:");
    EXPECT_EQ(start, "Thanks");
    EXPECT_EQ(charsLeft, "0 characters left");
    EXPECT_EQ(w.lvwSellers->Item(1)->SubItem(1), QString(70, 'x') + "!");
    EXPECT_FALSE(frmFeedbackMessage::isLoaded());
    frmFeedback::unloadInstance();
}
