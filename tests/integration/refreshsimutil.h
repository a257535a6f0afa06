#pragma once

// The refresh and the main tick against the simulator in this process: the
// program's hosts point at it, an engine window with the list's columns and
// status panels stands in for the main window, and the settings are those
// the tests choose.
#include "engine/mainformengine.h"
#include "sim/core/simserver.h"
#include "tests/support/testtext.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <utility>

class ListItem;

namespace RefreshSim {

// The simulator, made before the first request of the process (a process
// trusts one certificate authority) and kept for the whole process.
Sim::SimServer &Server();
// A simulator of its own, started with `options` and made the program's
// hosts; it lives as long as the process.
Sim::SimServer *StartServer(const Sim::SimServer::Options &options);
// Makes `server` the program's hosts unless this test chose hosts already
// (each test starts with none), so a test of a process that has run other
// simulators before reaches its own; returns it.
Sim::SimServer &HostsOf(Sim::SimServer &server);

// Requests that reached the simulator since `mark` (a requestLog index).
QList<Sim::LogEntry> RequestsSince(qint64 mark);
qint64 Mark();
// "scheme target" of those requests.
QStringList TargetsSince(qint64 mark);
// Whether the request confirms a bid on item `number` (the answer to a
// currency notice, which confirms as well, included; any item when empty).
bool IsBidConfirmation(const Sim::LogEntry &entry, const QString &number = {});
// The confirmations of bids on item `number` since `mark`, oldest first.
QList<Sim::LogEntry> BidConfirmationsSince(qint64 mark, const QString &number);
// "scheme target" of the requests that sent a password ("pass", "pswd" or
// "password") over plain http or that the simulator refused for it.
QStringList PasswordsInTheClear(const QList<Sim::LogEntry> &requests);
QStringList PasswordsInTheClear(qint64 mark);
// How many of the requests sent a password, each over https.
int PasswordsSentSecurely(const QList<Sim::LogEntry> &requests);

// An engine window whose HTML list, layout and bid hand-off are recorded;
// the bid hand-off also runs the real one when realBid is set.
class Form final : public frmMainEngine
{
public:
    int syncs = 0;
    int resizes = 0;
    bool realBid = false;
    QStringList bids;              // item numbers, in call order
    QList<QDateTime> bidMoments;   // local time of each call
    std::function<void()> onSync;
    std::function<void(const QString &)> onRemind; // runs after the reminder is listed

    void Remind(const QString &strItemNum, const QString &strItemTitle, const QString &strMsg) override;

    void SyncHTMLList(bool, const QString &) override;
    void Form_Resize() override { ++resizes; }
    void Bid(ListItem *Item, bool IsSnipe, bool IsBin) override;
};

// A new window; the account "alice" with password "pw" in the settings and
// at the simulator, alice active; "Always On", normal interval 60 s, fast
// interval 5 s, bid delay 1 s, lead time 3 s, the user's zone GMT-8 unless
// zoneHours says otherwise (chosen and saved). No list file, no reminder
// window. Only the zone and the lead time reach the store.
Form &FreshForm(int zoneHours = -8);

// The program started again: a new window, the settings, the simulator and
// the list file as they were, eBay's offset not measured yet, no rows.
Form &RestartedForm();

// A simulated listing that ends `secondsLeft` from now.
QString AddItem(qint64 secondsLeft, double price = 1.0, std::function<void(Sim::SimItem &)> adjust = {});

// A row: item number, fields by key, Tag.
ListItem *AddRow(const QString &number, std::initializer_list<std::pair<const char *, QString>> fields,
                 const QString &tag = {});
QString Field(const ListItem *row, const char *key);
void SetField(ListItem *row, const char *key, const QString &value);
// The row's time left in seconds.
int SecondsShown(const ListItem *row);

// Moves the simulator's clock and this computer's clock as the program reads
// it `seconds` on at once, without waiting. FreshForm puts both back.
void LetTimePass(qint64 seconds);

// Lets events run until `done` holds or `seconds` have passed; whether it held.
bool RunUntil(const std::function<bool()> &done, double seconds);

// A fault rule on `count` requests whose target holds `pattern` (below 0: all).
void AddFault(const QString &pattern, Sim::FaultMode mode, int count = 1, int delayMs = 0);

// A file of the data folder, as text ("" when missing).
QString DataFileText(const QString &name);

} // namespace RefreshSim
