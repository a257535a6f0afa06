#include "engine/frmbid_rowrefresh.h"

#include "engine/bidrecord.h"
#include "engine/frmbid.h"
#include "engine/mainformengine.h"
#include "engine/readfirst.h"
#include "foundation/globals.h"
#include "platform/inet.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace BidRowRefresh {

namespace {

// How often a row still owed its refresh looks whether the refresh may run.
constexpr int kLookMs = 500;

QStringList &owed()
{
    static QStringList numbers;
    return numbers;
}

// The main window whose timer looks for the owed rows; none while nothing
// is owed (or that window has gone).
QPointer<frmMainEngine> &lookingIn()
{
    static QPointer<frmMainEngine> main;
    return main;
}

bool refreshMayRun(const frmMainEngine &main)
{
    return !main.Inet->StillExecuting() && !main.blnBidding && !main.blnRefreshing && !RelistInProgress
        && frmBid::ActiveRuns() == 0;
}

void refreshOwedRows()
{
    lookingIn() = nullptr;
    if (!frmMainShell::isLoaded()) {
        owed().clear();
        return;
    }
    QPointer<frmMainEngine> main = &EngineForm();
    while (!owed().isEmpty()) {
        if (!refreshMayRun(*main)) {
            lookingIn() = main;
            QTimer::singleShot(kLookMs, main, &refreshOwedRows);
            return;
        }
        // A pass that ran meanwhile may have read it already.
        const QString number = owed().takeFirst();
        if (!ReadFirst::Waiting(number))
            continue;
        // Events run inside the refresh: the window may go, more rows come.
        main->RefreshAuctions(number, false, false);
        if (!main || lookingIn())
            return;
    }
}

void owe(const QString &itemNumber)
{
    // Read whatever fast mode or the read schedule would skip, by a pass
    // under way if there is one.
    ReadFirst::AddOnce(itemNumber);
    if (!owed().contains(itemNumber))
        owed().append(itemNumber);
    if (lookingIn())
        return;
    lookingIn() = &EngineForm();
    QTimer::singleShot(0, lookingIn(), &refreshOwedRows);
}

} // namespace

void Follow(frmBid &form)
{
    // Whatever a confirmation that went out came to, taken, refused or
    // unanswered, the page now tells more than the row shows. Followed twice
    // (a later start handed to the window), the row is still owed one read.
    QObject::connect(&form, &frmBid::RunEnded, &form, [&form] {
        if (!frmMainShell::isLoaded())
            return;
        const BidRecord::Outcome outcome = BidRecord::Of(form.ItemNumber);
        if (form.ConfirmationSent() || outcome == BidRecord::Outcome::Confirmed || outcome == BidRecord::Outcome::Sent)
            owe(form.ItemNumber);
    });
}

} // namespace BidRowRefresh
