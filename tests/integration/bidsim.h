#pragma once

// Bids against the simulator in this process: the program's hosts point at
// it, the main window has its list columns and status panels, an eBay
// account is set up, and a run of the bid window can be waited for.
#include "engine/frmbid.h"
#include "engine/mainformengine.h"
#include "sim/core/simserver.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/testtext.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <ostream>

class ListItem;

namespace BidSim {

// The process's one simulator.
using RefreshSim::Server;

// The engine window with the list's columns and the status panels; the
// account `user` with `password` in the settings window.
frmMainEngine &MainWindow();
void SetUpAccount(const QString &user, const QString &password);
// The engine window made and the simulator reset to hold the one eBay
// account `user` with `password`; and that, with the account set up in the
// settings window too.
void ResetSimulator(const QString &user, const QString &password);
void ResetSimulatorAndAccount(const QString &user, const QString &password);

// A tracked row for it: "qty @ amount" for `user`.
ListItem *AddSnipe(const QString &itemNumber, const QString &qty, const QString &amount, const QString &user);

// What a finished run left behind, read while the window still exists.
struct RunResult
{
    bool ended = false;
    bool windowStaysOpen = false;
    QString caption;
    QString status;
    QString details;
    int heightTwips = 0;
    bool closeEnabled = false;
    bool noAccessVisible = true;
    bool failed = false;
    bool unknownFail = false;
    QString resultSignIn;
    QString resultSendBid;
    QString resultConfirmBid;
    QString resultSignOut;
};

// Starts frmMain.Bid on the row, lets `prepare` adjust the new window before
// its queued run starts (a short request time-out, say), and waits for the
// run to end.
RunResult RunBid(ListItem *row, bool isBin = false, const std::function<void(frmBid &)> &prepare = {},
                 int waitMs = 90000);

// The bid window of the latest bid, if it still exists.
frmBid *LatestBidWindow();
// Closes that window and hides the failure report a bid may have shown.
void CloseBidWindows();

// Lines of "logbids.txt", oldest first, without their date and time; and a
// fresh log.
QStringList BidLog();
void ClearBidLog();

// The requests that reached the simulator since `from`, each as its kind:
// "signin", "prepare", "confirm", "currency", "purchase", "signout" or the
// target itself for anything else.
QStringList RequestKinds(qint64 from);
// Those of the bid window alone: not the row's read after a bid placed at once.
QStringList BidRequestKinds(qint64 from);
using RefreshSim::AddItem; // a listed item ending in the seconds given
using RefreshSim::RequestsSince;
QString Kind(const Sim::LogEntry &entry);

using RefreshSim::AddFault;

} // namespace BidSim
