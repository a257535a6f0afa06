#pragma once

#include "foundation/mainformshell.h"

#include <functional>
#include <utility>
#include <vector>

class NumberedError;
namespace OneRowPerItem {
class Index;
struct LeftOut;
} // namespace OneRowPerItem

// The main window's engine procedures: the tracked-auction rules, the list
// file, the start-up loader, the refresh, the main tick and the bid hand-off.
// Each group lives in its own source file; keep each group's declarations in
// its own section below.
class frmMainEngine : public frmMainShell
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMainEngine)

public:
    // Without a registered main window (tests of the engine alone) an engine
    // window is made.
    static frmMainEngine &instance();

    // --- Tracked auctions and list rules (auctionrules.cpp) ---
    // Adds the item number as a watched item for CurrentUser, refreshes that
    // row, re-sorts, redraws and saves the list. Nothing happens (and nothing
    // is shown) for a text that is not an item number, a number already
    // listed, or an item page without a title.
    void WatchAuction(const QString &strItemNumber);
    // Whether the row passes every checked item of the Filter menu.
    bool ItemPassesFilter(const ListItem *Item) const;
    // Everything besides a row's own fields that ItemPassesFilter's answer
    // depends on, as one text: while it stays the same, so do the answers
    // for rows that did not change.
    QString FilterState() const;
    // Two different bidding rows of one group end less than 5 minutes apart
    // (whole minutes, seconds ignored); with a row, that row and another.
    bool ItemInGroupTooClose() const;
    bool ItemInGroupTooClose(const ListItem *Item) const;
    // Every such pair of rows, each once, in list order.
    std::vector<std::pair<const ListItem *, const ListItem *>> GroupRowsTooClose() const;
    // Tells the user of the pairs not told of before in this run (a message
    // shown once events run, and the bid log); however the rows came to be
    // in one group: the list file, an import, an edit.
    void WarnOfGroupRowsTooClose();
    // Some row of the group has ended and been won ("N/A" and "" are no group).
    bool ItemInGroupWon(const QString &Grp) const;
    // Checks "All Items" when no status filter is left, sets the toolbar's
    // "Filter" button accordingly and redraws the HTML list.
    void ApplyFilters();
    // The Filter menu's handlers: each toggles its item, clears the items it
    // excludes and applies the filters.
    void mnuFilterAll_Click();
    void mnuFilterActive_Click();
    void mnuFilterEnded_Click();
    void mnuFilterWatching_Click();
    void mnuFilterBidding_Click();
    void mnuFilterWinning_Click();
    void mnuFilterLosing_Click();
    void mnuFilterMyItems_Click();
    // Connects the Filter menu's items to their handlers (once, at creation).
    void ConnectFilterMenu();

    // --- The auction list file (listfile.cpp) ---
    // Removes tags and turns every double quote into "&quot;"; strData is
    // left holding the result as well.
    static QString SaveSafeData(QString &strData);
    // Rewrites "data6.dat" from the rows, replacing the old file only once the
    // new one is complete. Without rows and with SaveIfEmpty false the file is
    // left as it is. A failure is reported in a message box.
    void SaveList(bool SaveIfEmpty);
    // Start-up: appends the rows of "data6.dat" and of the older layouts
    // "data5.dat" ... "data1.dat" (the three oldest only while nothing was
    // read before), sets blnListLoaded, and saves the merged list before the
    // older files are deleted. An unreadable file gets its message (for
    // "data6.dat" the offer to set it aside) and the program ends.
    void LoadListFiles();
    // Appends the rows of one list file of the data folder, read by the
    // layout its name gives; false when there is no such file. Raises NumberedError
    // when the file cannot be read. Deletes nothing. An item number listed
    // before keeps one row (OneRowPerItem::LaterRowKept), and the user is
    // told of the rows left out, in a message and the bid log.
    bool ReadListFile(const QString &fileName);
    // The message for a list file that could not be read; for "data6.dat"
    // marks the exit clean and offers to move the file aside. Does not end
    // the program.
    void ListFileReadFailed(const QString &fileName, const QString &description);
    // A different "Time Zone" was saved: every shown end time is written
    // again from the row's end on eBay's clock, in the saved zone, the list is
    // saved (so the file's end dates read back in that zone) and redrawn.
    void TimeZoneSaved() override;

    // --- The start-up loader (loader.cpp) ---
    // The loader's timer tick (runs once; switches its own timer off first).
    virtual void tmrLoadProcess_Timer();
    // Fills the Favorites menu from "favorites.dat" (raises NumberedError when the
    // file cannot be read).
    void LoadFavorites();
    // An unreadable favorites file: set aside and told in a notice; the
    // program goes on without favorites.
    void FavoritesUnreadable(const class NumberedError &e);
    // The loader's failure: its message, then the program ends.
    void LoaderFailed(const class NumberedError &e);
    // Unloads the main window from the loader, whose run ends there.
    void unloadAfterLoader();

    // --- The refresh (refresh.cpp) ---
    // Brings the rows up to date from their eBay item pages: the eBay clock
    // offset, every field, won or lost, won groups, reminders, the sign-in
    // and fast mode near an end, the save and the "Feedback" panel. One row
    // when OnlyItemNumber is given; SkipItems runs only the feedback panel
    // and the closing steps; SkipHTMLSync leaves the HTML list alone. Returns
    // at once while Inet is busy, a bid is being placed or a relist runs.
    void RefreshAuctions(const QString &OnlyItemNumber, bool SkipItems, bool SkipHTMLSync) override;
    // Has a refresh under way stop at its next step: the row page in flight
    // is given up, so a page that hangs does not hold the pass. No effect
    // while no refresh runs.
    void StopRefresh() override;
    // Adds a fired reminder to frmReminder's list (not again while the
    // item's first row holds the same text) and brings the window up.
    virtual void Remind(const QString &strItemNum, const QString &strItemTitle, const QString &strMsg);
    // The sign-out and the full sign-in of CurrentUser through Inet, both
    // replies unread. Raises NumberedError when CurrentUser has no account row
    // (after the sign-out) or a request fails.
    virtual void SignInBeforeEnd();
    // The same pair without waiting for it (the main tick's sign-in before an
    // end): the sign-out and then the sign-in go out through Inet while events
    // run as usual, and `done` runs once when the pair has ended: with nullptr
    // once the sign-in has its reply, else with the error that ended it (a
    // time-out, a cancel of Inet, no account row for CurrentUser after the
    // sign-out). `done` may run before this returns, and never runs when the
    // window has gone first.
    virtual void BeginSignInBeforeEnd(std::function<void(const NumberedError *error)> done);

    // --- The main tick (maintick.cpp) ---
    // The main tick, every second while tmrTimer is on. It is queued from the
    // timer, so a tick also runs while an earlier one waits (in a refresh, a
    // bid window's run): each writes "Last alive" first and counts down and
    // starts the bids that are due.
    virtual void tmrTimer_Timer();
    // The refresh interval now in force (the fast one in fast mode), seconds.
    int RefreshIntervalSeconds() const;

    // --- Every row read in time (readschedule.cpp) ---
    // While "Always On", every row that has not ended is read at least once
    // per normal interval, however often fast mode and the restarts of the
    // countdown pass it over.
    // Notes that the refresh has just asked for the row's item page.
    void NoteRowRead(ListItem *row);
    // Whether a row fast mode passes over is to be read all the same: its
    // interval would run out before the next fast refresh.
    bool RowReadDue(const ListItem *row) const;
    // NextRefreshTime after a refresh (or a failed tick): the interval in
    // force from now, or sooner when a row's interval runs out first, but
    // never sooner than the fast interval.
    void ScheduleNextRefresh();

    // --- The bid hand-off (bidhandoff.cpp) ---
    // Starts a bid on the row: sets blnBidding, shows "Bidding <amount> on
    // item #<number>..." (unless the status is frozen) and freezes it,
    // cancels Inet, and puts a new bid window with the row's item, amount,
    // quantity, user and plain password into BidForm; an item whose bid
    // window is already at work gets no second one, the start goes to that
    // window (frmBid::HandLaterStart). The window's run is
    // queued for right after this returns. A snipe (IsSnipe, not IsBin)
    // holds its confirmation until the row's end less the bid delay by
    // eBay's clock; IsBin makes the bid a Buy It Now purchase, sent at once
    // like a bid placed now. The row itself is not changed. When the
    // bid cannot be started (no such account, no amount) nothing is shown:
    // the failure goes to "logbids.txt" and the "Status" panel, and
    // blnBidding is cleared unless another bid window is still working.
    virtual void Bid(ListItem *Item, bool IsSnipe, bool IsBin);
    // When a snipe on the row is to be confirmed, as eBay's clock reads then;
    // invalid when the row has no end date.
    QDateTime SnipeConfirmationMoment(const ListItem *Item) const;

    // --- The update check (updatecheckseam.cpp) ---
    // Runs the seller tools' update check when the program installed it.
    bool LookForUpdate(bool ShowWarnings) override;

protected:
    frmMainEngine();

private:
    // ReadListFile for the loader: through one index of the rows of every
    // file read, gathering the rows left out.
    bool readListFile(const QString &fileName, OneRowPerItem::Index &rows, QList<OneRowPerItem::LeftOut> &leftOut);
    void tellRowsLeftOut(const OneRowPerItem::Index &rows, QList<OneRowPerItem::LeftOut> leftOut);
    // The tick's parts: the update check and refresh schedule, the countdown
    // and bid pass, and its error handling.
    void tickSchedule();
    void tickCountdown();
    // The countdown's sign-in before an end: starts the pair unless one is
    // running or Inet, a refresh or a bid is busy; fast mode follows its end.
    void tickSignIn();
    void tickFailed(const std::exception &e);
};

inline frmMainEngine &EngineForm() { return frmMainEngine::instance(); }
