// Finish: the online send, the row, the bid placed now, the refresh, the
// save and the group-spacing rule.
#include "items/frmaddauction.h"

#include "engine/bidstate.h"
#include "engine/mainformengine.h"
#include "engine/onerowperitem.h"
#include "engine/onlineservice.h"
#include "engine/trackedauction.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/timetext.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kCrLf2 = QStringLiteral("\r\n\r\n");

void restoreCursor()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace

void frmAddAuction::OK()
{
    if (optSnipe->isChecked() && chkOnline->isChecked() && !sendOnline())
        return;

    frmMainEngine &main = EngineForm();
    ListView &list = *main.lvwAuctions;
    const QString number = strItemNumber.trimmed();
    // The row is looked up again in either mode: the list may have changed
    // while the wizard was open, and an item is never tracked twice.
    ListItem *row = OneRowPerItem::RowFor(list, number);
    list.setField(row, QStringLiteral("user"), CurrentUser);

    if (optSnipe->isChecked()) {
        // A new snipe: an earlier bid's outcome no longer stands for the row,
        // unless eBay may hold that bid: its record stays for the group's
        // rule, and the new snipe goes out as a higher bid on the same item.
        if (!BidState::Forget(number))
            BidState::SetUpAgain(number);
        if (chkLocal->isChecked() && chkOnline->isChecked())
            row->setTag(QStringLiteral("Both"));
        else if (chkOnline->isChecked())
            row->setTag(QStringLiteral("Online"));
        else {
            const QString before = row->Tag();
            row->setTag(QStringLiteral("Local"));
            // A copy left on the service from an earlier online snipe must not
            // bid as well. A user without an account there has no copy, and
            // their password does not go there.
            if (OnlineService::UserHasAccount(before))
                cancelOnline(number);
        }
    }

    if (!chkGroup->isChecked())
        txtBidGroup->setEditText(QString());
    list.setField(row, QStringLiteral("group"), txtBidGroup->currentText());
    const QString amount = optBuy->isChecked() ? optBuy_Tag : txtMaxBid->text();
    list.setField(row, QStringLiteral("maxbid"), txtQty->text() + QStringLiteral(" @ ") + basGeneral::AmountAsPrice(amount));

    if (optBuy->isChecked() || optBid->isChecked()) {
        hide();
        main.BidItem = row;
        row->setTag(QString());
        main.Bid(row, false, optBuy->isChecked());
        if (main.BidItem)
            main.BidItem->setTag(QStringLiteral("Bid complete"));
    }

    main.RefreshAuctions(row->Text(), false, !m_editing);
    // Only this row changed: in a sorted list it moves to its place and the
    // others stay where they are.
    if (!list.Sorted())
        list.setSorted(true);
    else if (list.Holds(row))
        list.PlaceInOrder(row);
    if (m_editing)
        main.SyncHTMLList(false, QString());
    else
        main.RedrawHTMLList();
    main.SaveList(false);

    // Only this row's own spacing: a pair of other rows told of before is
    // no reason to turn this one into a watched item.
    if (main.ItemInGroupTooClose(row)) {
        restoreCursor();
        Desktop::MsgBox(QStringLiteral("Items ending less than 5 minutes apart cannot be in the same group.") + kCrLf2
                       + QStringLiteral("This item will be changed to watching status to prevent winning both items."),
                   Desktop::BoxExclamation);
        list.setField(row, QStringLiteral("maxbid"), TrackedAuction::kWatching);
        list.setField(row, QStringLiteral("group"), QString());
        keepWatchingOnly(row);
        main.SyncHTMLList(false, QString());
        main.SaveList(false);
    }
    restoreCursor();
    unloadInstance();
}

bool frmAddAuction::sendOnline()
{
    const QString number = strItemNumber.trimmed();
    const OnlineService::Reply sent = OnlineService::SendSnipe(*Inet, number, txtMaxBid->text(), txtBidGroup->currentText());
    // Every refusal leaves the wizard on page 1 with nothing stored.
    auto backToPage1 = [this] {
        cmdBack_Click();
        restoreCursor();
        cmdCancel->setEnabled(true);
    };

    switch (sent.outcome) {
    case OnlineService::Outcome::Accepted:
        return true;
    case OnlineService::Outcome::Exists: {
        QString bid = txtMaxBid->text();
        const int answer = Desktop::MsgBox(QStringLiteral("You already have a bid of ") + sent.message
                                          + QStringLiteral(" on this item on TMR Online.") + kCrLf2
                                          + QStringLiteral("Would you like to replace it with this ") + strCurrency
                                          + basGeneral::FormatPrice2(bid) + QStringLiteral(" bid?"),
                                      Desktop::BoxYesNo | Desktop::BoxQuestion | Desktop::BoxDefaultButton2);
        if (answer != Desktop::AnswerYes)
            return true;
        const OnlineService::Reply replaced =
            OnlineService::ReplaceSnipe(*Inet, number, txtMaxBid->text(), txtBidGroup->currentText());
        if (replaced.outcome == OnlineService::Outcome::Accepted)
            return true;
        backToPage1();
        Desktop::MsgBox(QStringLiteral("Failed to update your bid on the online server, please try again"), Desktop::BoxExclamation);
        return false;
    }
    case OnlineService::Outcome::UseOut: {
        backToPage1();
        const int answer = Desktop::MsgBox(sent.message + kCrLf2
                                          + QStringLiteral("Do you want to disable bidding using the online server by default "
                                                           "to stop seeing this message?")
                                          + kCrLf2 + QStringLiteral("You can change this setting at any time in File>Settings>Advanced"),
                                      Desktop::BoxYesNo | Desktop::BoxExclamation);
        if (answer == Desktop::AnswerYes) {
            chkOnline->setChecked(false);
            frmSettings::instance().chkOnlineDefault->setChecked(false);
            frmSettings::instance().SaveSettings();
            frmSettings::unloadInstance();
        }
        return false;
    }
    case OnlineService::Outcome::Refused:
        backToPage1();
        Desktop::MsgBox(QStringLiteral("Unable to send bid to be placed by the Tallowmere Online server, it can only be placed from "
                                  "your computer until the error is resolved:")
                       + kCrLf2 + sent.message + kCrLf2
                       + QStringLiteral("To ignore this error and have the bid placed by your computer only, uncheck the "
                                        "\"Place this bid using the TMR Online server\" option."),
                   Desktop::BoxExclamation);
        return false;
    default:
        backToPage1();
        if (Desktop::MsgBox(QStringLiteral("TMR Online server returned an unexpected response, please try again in a few minutes and "
                                      "make sure your internet connection is working.")
                           + kCrLf2 + QStringLiteral("Copy server response data to clipboard?"),
                       Desktop::BoxYesNo | Desktop::BoxExclamation)
            == Desktop::AnswerYes)
            Desktop::SetClipboardText(sent.text);
        return false;
    }
}

void frmAddAuction::cancelOnline(const QString &item)
{
    const OnlineService::Reply reply = OnlineService::CancelSnipe(*Inet, item);
    if (reply.outcome == OnlineService::Outcome::Accepted || reply.outcome == OnlineService::Outcome::Refused)
        return;
    if (Desktop::MsgBox(QStringLiteral("An unknown error occured while attempting to apply the action to your TMR Online account")
                       + kCrLf2 + QStringLiteral("You will need to login to your TMR Online account at ")
                       + HostRoles::host(HostRoles::Role::Vendor) + QStringLiteral(" to cancel the bid") + kCrLf2
                       + QStringLiteral("Would you like the response details copied to your clipboard?"),
                   Desktop::BoxYesNo | Desktop::BoxExclamation)
        == Desktop::AnswerYes)
        Desktop::SetClipboardText(reply.text);
}

void frmAddAuction::keepWatchingOnly(ListItem *row)
{
    // The row is watched now: its copy on the service must not bid either.
    const QString tag = row->Tag();
    if (tag != QLatin1String("Online") && tag != QLatin1String("Both"))
        return;
    cancelOnline(row->Text());
    row->setTag(tag == QLatin1String("Both") ? QStringLiteral("Local") : QString());
}
