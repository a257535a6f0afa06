// The update check against the simulated vendor server: a newer release
// offered once a day with its notes, a critical one, the tick held while the
// offer made at start-up is open, and failed requests that are reported and
// retried rather than taken for "no newer version".
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/pointedroles.h"

#include "foundation/basgeneral.h"
#include "platform/statusbar.h"
#include "platform/ticktimer.h"
#include "sellertools/frmupdate.h"
#include "sellertools/updatecheck.h"
#include "tests/support/filemode.h"
#include "tests/support/hostiletls.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/tinyhttp.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSslSocket>

using namespace RefreshSim;

namespace {

const QDate kToday = QDate::currentDate();
const QDate kYesterday = kToday.addDays(-1);

// A window whose day has not been checked yet, the check installed, no
// update window and no earlier failure.
Form &uncheckedForm()
{
    Form &form = FreshForm();
    QDir().mkpath(basGeneral::DataFolder());
    QFile::remove(basGeneral::DataFolder() + "update.inf");
    UpdateCheck::Register();
    UpdateCheck::ReleaseKey = Sim::SimServer::releasePublicKey();
    UpdateCheck::LastFailure = QDateTime();
    if (frmUpdate::isLoaded())
        frmUpdate::unloadInstance();
    form.LastDate = kYesterday;
    MsgBoxScript::instance().clear();
    return form;
}

const QString kNotes = "<notes>\r\nQuicker refresh\r\nFixed sign-in\r\n</notes>\r\n";

// The vendor's reply: the served archive as release `version`, signed with
// the simulator's key, with notes and the critical mark.
QString release(int version, const QString &critical = "False")
{
    if (Server().releaseArchive().isEmpty())
        Server().setReleaseArchive("release archive");
    return "Latest release\r\n" + Server().releaseInfoLines(version) + "\r\n" + kNotes + "<critical>\r\n" + critical
        + "\r\n";
}

int updateRequestsSince(qint64 mark)
{
    int n = 0;
    for (const Sim::LogEntry &e : RequestsSince(mark))
        if (e.target == "/?app=tallow&action=getinf" && e.scheme == "https" && e.role == "vendorsecure")
            ++n;
    return n;
}

bool updateWindowShown()
{
    return frmUpdate::isLoaded() && frmUpdate::instance().isVisible();
}

const QString kFailurePrompt = "An error occured while looking for updates\r\n\r\nThe last step completed was: ";

} // namespace

TEST(UpdateCheckWithSimulator, TheDailyTickOffersANewerReleaseOnceWithItsNotes)
{
    Form &form = uncheckedForm();
    Server().setUpdateReply(release(UpdateCheck::RunningRevision() + 1));
    const qint64 mark = Mark();

    form.tmrTimer_Timer();
    EXPECT_EQ(updateRequestsSince(mark), 1);
    ASSERT_TRUE(updateWindowShown());
    frmUpdate &w = frmUpdate::instance();
    EXPECT_EQ(w.txtNotes->toPlainText(), "Quicker refresh\nFixed sign-in\n");
    EXPECT_EQ(w.lblMsg->text(), "A new version of Tallowmere is available");
    EXPECT_TRUE(w.lblCritical->isHidden());
    EXPECT_EQ(form.LastDate, kToday);
    EXPECT_FALSE(form.blnPreventExit);
    EXPECT_EQ(form.PanelText("Status"), "Looking for updates...");
    EXPECT_EQ(DataFileText("update.inf"), release(UpdateCheck::RunningRevision() + 1) + "\r\n");
    EXPECT_EQ(FileMode(basGeneral::DataFolder() + "update.inf"), "0600");

    // The day is checked: later ticks leave the server alone.
    form.tmrTimer_Timer();
    EXPECT_EQ(updateRequestsSince(mark), 1);

    // Put off without a question; the tick runs on.
    form.tmrTimer->setEnabled(false);
    w.cmdRemind->click();
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
    EXPECT_FALSE(frmUpdate::isLoaded());
    EXPECT_TRUE(form.tmrTimer->Enabled());
}

TEST(UpdateCheckWithSimulator, ACriticalReleaseAtStartUpHoldsTheTickUntilItIsPutOff)
{
    Form &form = uncheckedForm();
    Server().setUpdateReply(release(UpdateCheck::RunningRevision() + 1, "True"));
    form.tmrTimer->setEnabled(false);

    // As the start-up does: the tick only runs when nothing is offered.
    if (!form.LookForUpdate(false))
        form.tmrTimer->setEnabled(true);
    ASSERT_TRUE(updateWindowShown());
    frmUpdate &w = frmUpdate::instance();
    EXPECT_FALSE(w.lblCritical->isHidden());
    EXPECT_TRUE(w.lblMsg->isHidden());
    EXPECT_FALSE(form.tmrTimer->Enabled());

    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    w.cmdRemind->click();
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 1);
    EXPECT_EQ(MsgBoxScript::instance().calls().first().prompt,
              "This is a critical update, Tallowmere may no longer work properly without this update\r\n\r\n"
              "Are you sure you want to continue without updating?");
    EXPECT_EQ(MsgBoxScript::instance().calls().first().style, Desktop::BoxYesNo | Desktop::BoxExclamation | Desktop::BoxDefaultButton2);
    EXPECT_FALSE(frmUpdate::isLoaded());
    EXPECT_TRUE(form.tmrTimer->Enabled());
}

TEST(UpdateCheckWithSimulator, TheSameRevisionIsOfferedOnlyWhenForced)
{
    Form &form = uncheckedForm();
    Server().setUpdateReply(release(UpdateCheck::RunningRevision()));

    EXPECT_FALSE(form.LookForUpdate(true));
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "You are currently using the latest version of Tallowmere");
    EXPECT_FALSE(frmUpdate::isLoaded());
    EXPECT_EQ(form.LastDate, kToday);

    // A reply that names no release at all is a reply too.
    form.LastDate = kYesterday;
    Server().setUpdateReply("Service notice: nothing new");
    EXPECT_FALSE(form.LookForUpdate(true));
    EXPECT_EQ(MsgBoxScript::instance().calls().size(), 2);
    EXPECT_EQ(form.LastDate, kToday);

    form.blnForceUpdate = true;
    EXPECT_TRUE(form.LookForUpdate(false));
    EXPECT_TRUE(updateWindowShown());
    EXPECT_FALSE(form.blnForceUpdate);
}

TEST(UpdateCheckWithSimulator, OnlyANewerReleaseSignedByTheVendorIsOfferedWithItsNotes)
{
    Form &form = uncheckedForm();
    const int running = UpdateCheck::RunningRevision();
    const QString newer = release(running + 1, "True");
    const struct
    {
        QString reply;
        QString why;
    } refused[] = {
        // The vendor's lines of the running release, then a newer revision
        // and a critical mark that nobody signed.
        {release(running) + "<version>\r\n" + QString::number(running + 7) + "\r\n",
         "The update information gives <version> more than once"},
        {"<version>\r\n" + QString::number(running + 1) + "\r\n" + kNotes + "<critical>\r\nTrue",
         "The update information names no release to download"},
        // Signed for another revision than the one offered.
        {QString(newer).replace("<version>\r\n" + QString::number(running + 1),
                                "<version>\r\n" + QString::number(running + 2)),
         "The release is not signed by the vendor"},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.why.toStdString());
        Server().setUpdateReply(c.reply);
        EXPECT_FALSE(form.LookForUpdate(true));
        EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), kFailurePrompt + "Response saved\r\n\r\nError: #321 " + c.why);
        EXPECT_FALSE(frmUpdate::isLoaded());
        EXPECT_EQ(form.LastDate, kYesterday);
    }

    // The running release, signed: nothing newer.
    Server().setUpdateReply(release(running, "True"));
    EXPECT_FALSE(form.LookForUpdate(true));
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "You are currently using the latest version of Tallowmere");
    EXPECT_FALSE(frmUpdate::isLoaded());

    Server().setUpdateReply(newer);
    EXPECT_TRUE(form.LookForUpdate(false));
    ASSERT_TRUE(updateWindowShown());
    EXPECT_EQ(frmUpdate::instance().txtNotes->toPlainText(), "Quicker refresh\nFixed sign-in\n");
    EXPECT_TRUE(frmUpdate::instance().blnCritical);
    frmUpdate::unloadInstance();
}

TEST(UpdateCheckWithSimulator, AFailedRequestIsReportedByHandAndRetriedHourlyByTheTick)
{
    Form &form = uncheckedForm();
    Server().setUpdateReply("");
    form.blnForceUpdate = true;
    const qint64 mark = Mark();

    EXPECT_FALSE(form.LookForUpdate(true));
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(),
              kFailurePrompt + "Connecting to server\r\n\r\nError: #35750 The update server sent no reply");
    EXPECT_EQ(form.LastDate, kYesterday);
    EXPECT_FALSE(form.blnForceUpdate);
    EXPECT_FALSE(form.blnPreventExit);

    // A dropped connection fails the same way; a broken reply fails once saved.
    AddFault("action=getinf", Sim::FaultMode::Close, -1);
    EXPECT_FALSE(form.LookForUpdate(true));
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith(kFailurePrompt + "Connecting to server"));
    Server().faults().clear();
    Server().setUpdateReply("<version>\r\nsoon\r\n");
    form.blnForceUpdate = true;
    EXPECT_FALSE(form.LookForUpdate(true));
    EXPECT_FALSE(form.blnForceUpdate);
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), kFailurePrompt + "Response saved\r\n\r\nError: #13 Type mismatch");
    EXPECT_EQ(form.LastDate, kYesterday);
    Server().setUpdateReply(release(UpdateCheck::RunningRevision() + 1));
    const int asked = updateRequestsSince(mark);

    // The tick does not ask again within the hour, and asks after it.
    form.tmrTimer_Timer();
    EXPECT_EQ(updateRequestsSince(mark), asked);
    EXPECT_EQ(form.LastDate, kYesterday);
    UpdateCheck::LastFailure = QDateTime::currentDateTime().addSecs(-3601);
    form.tmrTimer_Timer();
    EXPECT_EQ(updateRequestsSince(mark), asked + 1);
    EXPECT_EQ(form.LastDate, kToday);
    EXPECT_TRUE(updateWindowShown());
}

TEST(UpdateCheckWithSimulator, NoCheckWhileABidIsBeingPlaced)
{
    Form &form = uncheckedForm();
    Server().setUpdateReply(release(UpdateCheck::RunningRevision() + 1));
    form.blnBidding = true;
    const qint64 mark = Mark();

    form.tmrTimer_Timer();
    EXPECT_FALSE(form.LookForUpdate(true));
    EXPECT_EQ(updateRequestsSince(mark), 0);
    EXPECT_FALSE(QFile::exists(basGeneral::DataFolder() + "update.inf"));
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());

    // Once the bid is done, the next tick makes the day's check.
    form.blnBidding = false;
    form.tmrTimer_Timer();
    EXPECT_EQ(updateRequestsSince(mark), 1);
    EXPECT_EQ(form.LastDate, kToday);
}


TEST(UpdateCheckWithSimulator, OnlyTheVendorsSecureHostIsAskedAndARedirectIsNotFollowed)
{
    Form &form = uncheckedForm();
    // The file left by an earlier version, readable by others.
    QFile old(basGeneral::DataFolder() + "update.inf");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("<version>\r\n1\r\n");
    old.close();
    SetFileMode(old.fileName(), 0644);

    // Whoever answers plain http for the vendor's name offers a "release".
    const QByteArray hostile = release(UpdateCheck::RunningRevision() + 5).toLatin1();
    TinyHttp plain([&](const TinyHttp::Request &) { return TinyHttp::Reply{200, hostile}; });
    const QString at = "127.0.0.1:" + QString::number(plain.port());
    Server().setUpdateReply(release(UpdateCheck::RunningRevision()));
    {
        PointedRoles roles({"vendor.http=" + at, "vendor.https=" + at});
        EXPECT_FALSE(form.LookForUpdate(true));
    }
    EXPECT_TRUE(plain.requests().isEmpty());
    EXPECT_EQ(MsgBoxScript::instance().lastPrompt(), "You are currently using the latest version of Tallowmere");
    EXPECT_FALSE(frmUpdate::isLoaded());
    EXPECT_EQ(FileMode(old.fileName()), "0600");

    // The secure host sends the request on to that server: refused, nothing offered.
    HostileTls redirecting(Server(), [&](QSslSocket *socket) {
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + plain.url("/?app=tallow&action=getinf")
                      + "\r\nContent-Length: 0\r\n\r\n");
    });
    form.LastDate = kYesterday;
    form.blnForceUpdate = true;
    {
        PointedRoles roles({"vendorsecure.https=127.0.0.1:" + QString::number(redirecting.port())});
        EXPECT_FALSE(form.LookForUpdate(true));
    }
    EXPECT_EQ(redirecting.requests(), 1);
    EXPECT_TRUE(plain.requests().isEmpty());
    EXPECT_TRUE(MsgBoxScript::instance().lastPrompt().startsWith(kFailurePrompt + "Connecting to server\r\n\r\nError: #"))
        << MsgBoxScript::instance().lastPrompt().toStdString();
    EXPECT_FALSE(frmUpdate::isLoaded());
    EXPECT_EQ(form.LastDate, kYesterday);
    EXPECT_FALSE(form.blnForceUpdate);
}

TEST(UpdateCheckWithSimulator, TheOfferOpensOverTheMainWindowNotInTheScreensCorner)
{
    Form &form = uncheckedForm();
    Server().setUpdateReply(release(UpdateCheck::RunningRevision() + 1));
    form.setGeometry(200, 150, 520, 400);
    form.show();
    form.tmrTimer_Timer();
    ASSERT_TRUE(updateWindowShown());
    const frmUpdate &w = frmUpdate::instance();
    // A few pixels either way: the frame is only known once shown.
    EXPECT_LE((w.frameGeometry().center() - form.frameGeometry().center()).manhattanLength(), 6)
        << "opened at " << w.frameGeometry().x() << "," << w.frameGeometry().y();
    frmUpdate::unloadInstance();
    form.hide();
}
