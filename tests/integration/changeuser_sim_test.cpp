// File > Change User in the running main window: the status bar's user
// panel names the account chosen and shows that account's own rating, also
// while an auction ends soon or a bid holds the transfer control.
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/shownmain.h"

#include "foundation/accountlist.h"
#include "foundation/frmsignin.h"
#include "foundation/globals.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "mainwindow/frmmain.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kFirstRating = QStringLiteral("alice (1234; 99.5%) ");
const QString kSecondRating = QStringLiteral("bob (42; 97.5%) ");

// Chooses bob in the Change User prompt and signs in with his password.
void changeToBob(frmMain &m)
{
    QTimer::singleShot(0, [] {
        frmSignIn &prompt = frmSignIn::instance();
        prompt.ddnUser->setCurrentIndex(prompt.ddnUser->findText(QStringLiteral("bob")));
        prompt.txtPassword->setText(QStringLiteral("pw2"));
        prompt.cmdOK->click();
    });
    m.mnuFileChangeUser->trigger();
}

} // namespace

TEST(ChangeUser, TheUserPanelShowsTheChosenAccountsOwnRating)
{
    struct Case
    {
        const char *name;
        bool endingSoon; // an auction in its last hour
        bool bidding;    // a bid window's run holds the refresh off
    };
    for (const Case c : {Case{"a quiet list", false, false}, Case{"an auction ending soon", true, false},
                         Case{"a bid under way", false, true}}) {
        SCOPED_TRACE(c.name);
        frmMain &m = ShownMain::Show();
        Sim::SimServer &sim = RefreshSim::Server();
        sim.clearAccounts();
        sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"), 1234, 99.5);
        sim.addAccount(QStringLiteral("bob"), QStringLiteral("pw2"), 42, 97.5);
        SaveSetting(QStringLiteral("Username"), AccountList::Join({QStringLiteral("alice"), QStringLiteral("bob")}));
        SaveSetting(QStringLiteral("Password"),
                    AccountList::Join({basGeneral::ScramblePassword(QStringLiteral("pw")),
                                       basGeneral::ScramblePassword(QStringLiteral("pw2"))}));
        SaveSetting(QStringLiteral("Login"), QString());
        m.SetPanelText(QStringLiteral("Feedback"), kFirstRating);
        m.blnItemsEndingSoon = c.endingSoon;
        m.blnBidding = c.bidding;

        changeToBob(m);
        EXPECT_EQ(CurrentUser, QStringLiteral("bob"));
        if (c.bidding)
            m.blnBidding = false; // the bid window's run has ended
        EXPECT_TRUE(waitFor([&] { return m.PanelText(QStringLiteral("Feedback")) == kSecondRating; }, 10000))
            << m.PanelText(QStringLiteral("Feedback")).toStdString();
    }
}
