// The refresh: every tracked auction (or one) from its eBay item page, the
// eBay clock offset, won or lost, bid groups, reminders, the sign-in before
// an end, fast mode, the save and the feedback panel. Also Remind, which
// brings up the list of fired reminders.
#include "engine/mainformengine.h"
#include "engine/bidrecord.h"
#include "engine/bidstate.h"
#include "engine/outcomesettler.h"
#include "engine/winnerentry.h"
#include "engine/wondecision.h"

#include "engine/ebayclock.h"
#include "engine/ebaytimepage.h"
#include "foundation/ebaysignin.h"
#include "engine/frminet.h"
#include "engine/frmreminder.h"
#include "engine/missedsnipe.h"
#include "engine/listsaving.h"
#include "engine/readfirst.h"
#include "engine/refreshseams.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "foundation/sellertext.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/desktop.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/privatefile.h"
#include "platform/numberederror.h"
#include "platform/ticktimer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QSaveFile>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <optional>

using namespace TrackedAuction;
using HostRoles::Role;

namespace {

const QString kLog = QStringLiteral("log.txt");
const QString kBidLog = QStringLiteral("logbids.txt");
constexpr int kObjectDisconnected = -2147417848;
constexpr int kBusyWaitMs = 10000;
constexpr int kRatingRetryMs = 1000;
// The progress bar and the status text are repainted at most this often: a
// refresh reads many rows a second.
constexpr qint64 kProgressIntervalMs = 250;

// A page fetched like GetURL does it (a busy control gets 10 seconds, then
// is cancelled; any failure gives ""), keeping the number of the error that
// made it fail, which the refresh reports once the row is done.
struct Fetched
{
    QString page;
    int error = 0;
    // The answer's `Date` header, and this computer's clock (LocalNow) when
    // the request was sent and when its answer had come.
    QByteArray date;
    QDateTime asked;
    QDateTime answered;
};

// The page counted no bid at all: nobody can have won. A count that could
// not be read ("N/A") decides nothing.
bool NobodyBid(const QString &bids)
{
    return basGeneral::ReadsAsNumber(bids) && basGeneral::PriceToDouble(bids) == 0;
}

Fetched fetchPage(const QString &url, Inet &inet)
{
    Fetched result;
    try {
        QElapsedTimer waited;
        waited.start();
        while (inet.StillExecuting() && waited.elapsed() < kBusyWaitMs)
            Desktop::WaitWithEvents(20);
        if (inet.StillExecuting())
            inet.Cancel();
        result.asked = EbayClock::LocalNow();
        result.page = inet.OpenURL(url);
        result.answered = EbayClock::LocalNow();
        result.date = inet.lastReplyDate();
    } catch (const NumberedError &e) {
        result.error = e.number();
    }
    return result;
}

// While eBay's time page has not been read in this run, its clock is read
// from the date its reply carries (whole seconds, like the page) rather than
// guessed from the time zones; log.txt tells once in a run.
void clockFromReplyDate(const Fetched &fetched)
{
    if (EbayClock::Source() == EbayClock::OffsetSource::TimePage || fetched.error != 0)
        return;
    const auto reading = EbayClock::PacificReadingOfHttpDate(fetched.date);
    if (!reading)
        return;
    const bool first = EbayClock::Source() == EbayClock::OffsetSource::ZoneEstimate;
    EbayClock::SetOffsetFromReplyDate(
        EbayClock::OffsetFromReading(*reading, fetched.asked, fetched.answered, EbayClock::Offset()));
    if (!first)
        return;
    try {
        basGeneral::WriteLog(kLog, QStringLiteral("eBay's clock read from the dates of its replies"));
    } catch (const NumberedError &) {
    }
}

// The heartbeat "Last alive", written once per row but only when its text
// (whole seconds) has changed: the setting's file is replaced on every
// write, and a refresh reads many rows a second.
void heartbeat()
{
    static QString lastWritten;
    const QString now = basGeneral::GeneralDate(QDateTime::currentDateTime());
    if (now == lastWritten && GetSetting(QStringLiteral("Last alive")) == now)
        return;
    SaveSetting(QStringLiteral("Last alive"), now);
    lastWritten = now;
}

// The time of day in reminder messages.
QString timeOfDay()
{
    return QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat);
}

// The number in a reminder token; nothing when it does not read as one (a
// damaged token then never fires instead of breaking every refresh).
std::optional<double> tokenNumber(const QString &text)
{
    if (!basGeneral::ReadsAsNumber(text))
        return std::nullopt;
    QString t = text.trimmed();
    t.remove(QLatin1Char(','));
    bool ok = false;
    const double value = QLocale::c().toDouble(t, &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// eBay's time page has failed since it was last read: told once in the log.
bool g_clockUnread = false;
const QString kClockUnread = QStringLiteral("eBay's clock could not be read (the last reading stands)");

// One call of RefreshAuctions.
class RefreshRun
{
public:
    RefreshRun(frmMainEngine &form, const QString &onlyItemNumber, bool skipHTMLSync)
        : f(form), list(*form.lvwAuctions), only(onlyItemNumber), skipSync(skipHTMLSync), window(&form)
    {
    }

    // Events run between the steps: the window (and its list) may be gone.
    bool windowGone() const { return window.isNull(); }

    // The row loop and what follows it. Returns false when the program is
    // exiting and the end steps are to be left out.
    enum class LoopEnd { Done, Cancelled, Exiting };
    void prepare();
    void synchroniseClock();
    void clockUnread();
    void showClockUnread();
    LoopEnd rowLoop();
    bool afterLoop();
    // ratingOnly: a call for the feedback step alone (a change of user),
    // which shows the user's rating even while an auction ends soon.
    bool feedbackStep(bool ratingOnly);
    void endSteps();

private:
    // Outcome of one row.
    enum class RowEnd { Next, LeaveLoop, Cancelled };
    // When a row's page is read: as the schedule has it, or now (a snipe
    // whose auction has just ended, whatever fast mode would skip).
    enum class Read { WhenDue, Now };
    RowEnd refreshRow(ListItem *row, Read when);
    // The item page of a row that is due: the error a fetch kept to itself,
    // and whether the program began to exit meanwhile.
    struct PageOutcome
    {
        int error = 0;
        bool exiting = false;
    };
    PageOutcome refreshPage(ListItem *row, const QString &number, Read when);
    void readFields(ListItem *row, const QString &page);
    // Writes won, and marks a bid whose outcome eBay never gave. ownText is
    // the page without what the seller wrote, so a title cannot name a winner.
    void decideWon(ListItem *row, const QString &ownText, bool auctionOver, double currentPrice);
    void afterRow(const QString &number, int recordedError);

    // Events run inside a row's steps (page waits, price and time reading,
    // the HTML list): a row removed meanwhile ends its own steps.
    struct RowRemoved
    {
    };
    ListItem *live(ListItem *row) const
    {
        if (!list.Holds(row))
            throw RowRemoved{};
        return row;
    }
    QString field(ListItem *row, const char *key) const { return list.Field(live(row), QLatin1String(key)); }
    void set(ListItem *row, const char *key, const QString &value) { list.setField(live(row), QLatin1String(key), value); }
    QString tag(ListItem *row) const { return live(row)->Tag(); }
    void setTag(ListItem *row, const QString &value) { live(row)->setTag(value); }

    void testTimeReminder(ListItem *row, qint64 secondsLeft);
    void testBidsReminder(ListItem *row, const QString &newBids, const QString &page);
    void testPriceReminder(ListItem *row, const QString &newPrice);
    void testQuantityReminder(ListItem *row, const QString &newQty);
    void remind(ListItem *row, const QString &message);

    frmMainEngine &f;
    ListView &list;
    const QString only;
    const bool skipSync;
    const QPointer<frmMainEngine> window;

    int rowsToRefresh = 0;
    int rowsRefreshed = 0;
    QElapsedTimer sinceProgress; // invalid until the first row shows progress
    bool progressDue = true;     // this row repaints the bar and the status
    int emptyPages = 0;
    bool endingSoon = false;
    bool clockUnreadNow = false;
};

void RefreshRun::prepare()
{
    for (int i = 1; i <= list.Count(); ++i) {
        ListItem *row = list.Item(i);
        // One row's refresh costs that row, however long the list.
        if (!only.isEmpty() && row->Text() != only)
            continue;
        for (const char *key : {"itemtitle", "bids", "currentbid", "qty"})
            if (field(row, key).isEmpty())
                set(row, key, kRetrieving);
        if (field(row, "timeleft") != kEnded)
            ++rowsToRefresh;
        Desktop::DoEvents();
        // A long list takes a while: a stop asked meanwhile ends the pass here.
        if (windowGone() || f.blnCancelRefresh)
            return;
    }
    endingSoon = false;
    f.setCursor(Qt::BusyCursor);
}

void RefreshRun::synchroniseClock()
{
    // Near an end too: eBay's clock may move in an auction's last minutes,
    // and a snipe's moment must move with it.
    const EbayTimePage::Moment asked = EbayTimePage::Moment::Now();
    const QString page = basGeneral::GetURL(EbayTimePage::Url(), f.Inet);
    QDateTime ebay;
    try {
        ebay = EbayTimePage::Read(page);
    } catch (const NumberedError &) {
        clockUnread();
        return;
    }
    EbayTimePage::Apply(ebay, asked, EbayTimePage::Moment::Now());
    g_clockUnread = false;
}

void RefreshRun::clockUnread()
{
    // The offset in force stands (before any reading, the time zones'
    // estimate): the rows and their snipes are read all the same. The log
    // tells once per spell of failures, the status bar at each of them (and
    // at the pass's end, in place of "Done").
    clockUnreadNow = true;
    if (!g_clockUnread) {
        g_clockUnread = true;
        try {
            basGeneral::WriteLog(kLog, kClockUnread);
        } catch (const NumberedError &) {
        }
    }
    showClockUnread();
}

void RefreshRun::showClockUnread()
{
    // Held as long as a missed snipe's message, from its latest showing:
    // the next countdown text must not replace it before it can be read.
    f.SetStatus(kClockUnread, true);
    f.FreezeStatus(MissedSnipe::kReadSeconds);
}

RefreshRun::LoopEnd RefreshRun::rowLoop()
{
    // Reads one row; what ends the pass, if the read does.
    auto read = [this](ListItem *row, Read when) -> std::optional<LoopEnd> {
        CurrentItem = row;
        switch (refreshRow(row, when)) {
        case RowEnd::Cancelled:
            return LoopEnd::Cancelled;
        case RowEnd::LeaveLoop:
            return LoopEnd::Exiting;
        case RowEnd::Next:
            break;
        }
        return std::nullopt;
    };
    QSet<QString> readAhead; // read before their turn: not again in this pass
    for (int i = 1; !windowGone() && i <= list.Count();) {
        // A snipe whose auction has just ended goes before the rest of the
        // pass, so its outcome does not wait for a long list's last rows.
        while (const auto number = ReadFirst::Take(only)) {
            ListItem *ended = list.FindItem(*number);
            if (!ended)
                continue;
            readAhead.insert(*number);
            if (const auto end = read(ended, Read::Now))
                return *end;
            if (windowGone())
                return LoopEnd::Exiting;
            // Read in its very last second, eBay's page may not say it has
            // ended yet: it is read again shortly, not left to the schedule.
            if (list.Holds(ended) && field(ended, "timeleft") != kEnded)
                ReadFirst::AddAgainSoon(*number);
        }
        if (i > list.Count())
            break;
        ListItem *row = list.Item(i);
        if (!only.isEmpty() && row->Text() != only) {
            ++i;
            continue;
        }
        if (!readAhead.contains(row->Text()))
            if (const auto end = read(row, Read::WhenDue))
                return *end;
        if (windowGone())
            return LoopEnd::Exiting;
        // Rows may have been removed or re-sorted while events ran: go on
        // after this row where it is now, or at its old place when it is gone.
        const int now = list.topLevelItem(i - 1) == row ? i - 1 : list.indexOfTopLevelItem(row);
        if (now >= 0)
            i = std::max(i + 1, now + 2);
    }
    return windowGone() ? LoopEnd::Exiting : LoopEnd::Done;
}

RefreshRun::RowEnd RefreshRun::refreshRow(ListItem *row, Read when)
{
    heartbeat();
    if (f.blnCancelRefresh) {
        f.blnCancelRefresh = false;
        return RowEnd::Cancelled;
    }
    const QString number = row->Text();
    PageOutcome outcome;
    if (only.isEmpty() || number == only) {
        if (f.blnExiting)
            return RowEnd::LeaveLoop;
        progressDue = !sinceProgress.isValid() || sinceProgress.elapsed() >= kProgressIntervalMs;
        if (progressDue)
            sinceProgress.start();
        if (!f.blnFreezeStatus && progressDue) {
            f.ProgressBar->setVisible(true);
            f.SetStatus(QStringLiteral("Refreshing..."));
        }
        const int readBefore = rowsRefreshed;
        try {
            outcome = refreshPage(row, number, when);
        } catch (const RowRemoved &) {
        }
        if (windowGone())
            return RowEnd::LeaveLoop;
        // What the page changed is on disk within seconds, not after the pass.
        if (rowsRefreshed != readBefore)
            ListSaving::SaveSoon(f);
        if (outcome.exiting)
            return RowEnd::LeaveLoop;
        // Stopped while the page was out: its fetch was given up on purpose,
        // which is no refresh error to report.
        if (f.blnCancelRefresh) {
            f.blnCancelRefresh = false;
            return RowEnd::Cancelled;
        }
    }
    afterRow(number, outcome.error);
    return RowEnd::Next;
}

RefreshRun::PageOutcome RefreshRun::refreshPage(ListItem *row, const QString &number, Read when)
{
    PageOutcome outcome;
    const QString timeLeft = field(row, "timeleft");
    if (timeLeft == kEnded && !f.blnForceRefreshAll)
        return outcome;

    // Sign-in before an end: once, when fast mode begins.
    const int stored = TimeLeftSeconds(timeLeft);
    if (stored != 0 && stored <= 300) {
        if (!f.blnItemsEndingSoon)
            f.SignInBeforeEnd();
        f.blnItemsEndingSoon = true;
    }
    // Fast mode reads the auctions near their end, and the others only when
    // their interval would run out before the next fast refresh; a row asked
    // for now is read whatever it shows.
    if (when == Read::WhenDue && f.blnItemsEndingSoon && (timeLeft == kNotAvailable || stored > 300)
        && !f.RowReadDue(row))
        return outcome;

    ++rowsRefreshed;
    f.NoteRowRead(row);
    Inet &inet = *frmInet::instance().Inet;
    Fetched fetched = fetchPage(HostRoles::url(Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + number), inet);
    outcome.error = fetched.error;
    clockFromReplyDate(fetched);
    QString page = fetched.page;
    if (basGeneral::TrimSpaces(page).isEmpty())
        ++emptyPages;
    if (emptyPages >= 5) {
        basGeneral::WriteLog(kLog, QStringLiteral("Error: 5 Empty responses in RefreshAuctions, restarting..."));
        f.tmrTimer->setEnabled(false);
        f.SetStatus(QStringLiteral("Connection lost, restarting..."), true);
        f.FreezeStatus();
    }
    // The notice and its link as the page writes them, not as a seller's
    // title or description may.
    const QLatin1String movedNotice("This item is not available for purchase on eBay United States");
    QString html = page.contains(movedNotice) ? basGeneral::WithoutSellerText(page) : QString();
    if (html.contains(movedNotice)) {
        QString linkText = QStringLiteral("View the original listing");
        const QString target = basGeneral::GetLinkHref(linkText, html, true);
        // A notice without its link names no listing: the row keeps what it
        // knew and waits for its next read, as after any page that did not read.
        const Fetched original = target.isEmpty() ? Fetched{} : fetchPage(target, inet);
        page = original.page;
        if (original.error != 0)
            outcome.error = original.error;
    }
    if (f.blnExiting) {
        outcome.exiting = true;
        return outcome;
    }
    if (progressDue) {
        const int percent = rowsToRefresh > 0 ? int(qint64(100) * rowsRefreshed / rowsToRefresh) : 100;
        f.ProgressBar->setValue(qBound(0, percent, 100));
    }

    if (DebugMode) {
        QFile replacement(basGeneral::AppPath() + QStringLiteral("debug1.dat"));
        if (replacement.exists()) {
            if (replacement.open(QIODevice::ReadOnly))
                page = Ansi::decode(replacement.readAll());
        } else {
            QSaveFile dump(basGeneral::AppPath() + QStringLiteral("debug1.txt"));
            if (PrivateFile::open(dump)) {
                dump.write(Ansi::encode(page + QStringLiteral("\r\n")));
                dump.commit();
            }
        }
    }

    // A failed fetch tells nothing about the item: the row keeps what it
    // knew, its end time and snipe above all.
    if (!basGeneral::TrimSpaces(page).isEmpty())
        readFields(row, page);
    return outcome;
}

void RefreshRun::readFields(ListItem *row, const QString &page)
{
    // The page's own notices and labels, not those a seller wrote into the
    // title or the description.
    const QString own = basGeneral::WithoutSellerText(page);
    QString flat = own;
    flat.remove(QStringLiteral("\r\n"));
    if (flat.contains(QLatin1String(") has been removed, or this item is not available.<"), Qt::CaseInsensitive)) {
        set(row, "itemtitle", kInvalidItem);
        for (const char *key : {"timeleft", "enddate", "bids", "currentbid", "qty"})
            set(row, key, kNotAvailable);
        return;
    }

    // An auction seen over before has told about its snipe already.
    const bool seenOver = field(row, "timeleft") == kEnded;
    const QString picture = basGeneral::GetItemField(page, QStringLiteral("picture"));
    set(row, "picture", picture.isEmpty() ? basGeneral::AppPath() + QStringLiteral("nopic.gif") : picture);

    const QString title = basGeneral::GetItemField(page, QStringLiteral("title"));
    if (!title.isEmpty())
        set(row, "itemtitle", title);

    // The end time: eBay's Pacific clock reading on the page. The countdown
    // keeps it on that clock; it is shown on the clock of the saved zone.
    const QString end = basGeneral::ParseShortDate(basGeneral::GetItemField(page, QStringLiteral("endtime")));
    const bool endKnown = !basGeneral::TrimSpaces(end).isEmpty();
    qint64 secondsLeft = 0;
    if (endKnown) {
        const QDateTime pacific = EbayClock::Reading(basGeneral::ReadDate(end).value_or(basGeneral::ZeroDate()));
        const QDateTime localNow = EbayClock::LocalNow();
        secondsLeft = localNow.addSecs(EbayClock::Offset()).secsTo(pacific);
        QDateTime shown = basGeneral::PacificToLocal(end);
        if (shown == basGeneral::ZeroDate())
            shown = EbayClock::PacificToDisplay(pacific);
        set(row, "enddate", EndDateSerial(pacific));
        set(row, "enddatedisp", EndDateText(shown));
        set(row, "pcendtime", basGeneral::GeneralDate(localNow.addSecs(secondsLeft)));
    } else {
        set(row, "enddate", kNotAvailable);
        set(row, "enddatedisp", kNotAvailable);
        set(row, "pcendtime", kNotAvailable);
    }

    const bool ended = OutcomeSettler::PageSaysEnded(own);
    if (ended) {
        set(row, "timeleft", kEnded);
    } else if (!endKnown) {
        set(row, "timeleft", kNotAvailable);
    } else {
        const int before = TimeLeftSeconds(field(row, "timeleft"));
        if (before > 0 && before < 300)
            endingSoon = true;
        testTimeReminder(row, secondsLeft);
        if (secondsLeft > 0)
            set(row, "timeleft", basGeneral::FormatTimeLeft(secondsLeft));
        if (TimeLeftSeconds(field(row, "timeleft")) == 0)
            set(row, "timeleft", kNotAvailable);
    }

    const QString bids = basGeneral::GetItemField(page, QStringLiteral("bids"));
    testBidsReminder(row, bids, page);
    set(row, "bids", bids);

    const QString price = basGeneral::GetItemField(page, QStringLiteral("currentbid"));
    testPriceReminder(row, price);
    set(row, "currentbid", price);

    set(row, "shipping", basGeneral::GetItemField(page, QStringLiteral("shipping")));

    const double currentPrice = basGeneral::PriceToDouble(field(row, "currentbid"));
    if (currentPrice == 0)
        set(row, "bids", kNotAvailable);
    // A running snipe whose end or price this read could not read says so now.
    QStringList unread;
    if (!ended && !endKnown)
        unread << QStringLiteral("its end");
    if (!ended && currentPrice == 0)
        unread << QStringLiteral("its price");
    MissedSnipe::CheckReadable(f, live(row), unread);

    const QString qty = basGeneral::GetItemField(page, QStringLiteral("qty"));
    testQuantityReminder(row, qty);
    set(row, "qty", qty);

    const bool auctionOver = ended || (endKnown && secondsLeft <= 0);
    // A started bid is over once its auction is.
    if (tag(row) == SnipeState::ReadyToBid && auctionOver)
        setTag(row, SnipeState::BidComplete);
    if (auctionOver && !seenOver)
        MissedSnipe::CheckRow(f, live(row),
                              endKnown && secondsLeft > 0 ? MissedSnipe::EndedEarlierThanEbaysClockSaid(secondsLeft)
                                                          : MissedSnipe::EndedBeforeStart());

    decideWon(row, own, auctionOver, currentPrice);

    const QString group = field(row, "group");
    if (!group.isEmpty() && f.ItemInGroupWon(group) && tag(row) != SnipeState::BidComplete
        && tag(row) != SnipeState::OutcomeUnknown)
        setTag(row, SnipeState::OtherInGroupWon);

    if (basGeneral::TrimSpaces(field(row, "qty")).isEmpty())
        set(row, "qty", QStringLiteral("1"));

    if (!skipSync)
        f.SyncHTMLList(false, QString());
}

void RefreshRun::decideWon(ListItem *row, const QString &ownText, bool auctionOver, double currentPrice)
{
    WonDecision::PageFacts facts;
    facts.auctionOver = auctionOver;
    facts.winner = WinnerEntry::Read(ownText);
    facts.someoneBid = !NobodyBid(field(row, "bids"));
    facts.price = currentPrice;
    facts.maximum = basGeneral::PriceToDouble(basGeneral::GetBidAmount(field(row, "maxbid")));
    const QString number = live(row)->Text();
    auto verdict = WonDecision::Decide(facts, field(row, "user"), BidRecord::Of(number), tag(row));
    // A bid out is settled by this read when the page says; once settled,
    // or while still unknown after the end, its state alone tells.
    const BidState::State state = OutcomeSettler::Settle(number, facts, field(row, "user"), tag(row));
    if (BidState::Settled(state))
        verdict = state == BidState::State::Won ? WonDecision::Verdict::Won : WonDecision::Verdict::NotWon;
    else if (BidState::BidOut(state) && auctionOver)
        verdict = WonDecision::Verdict::Unknown;
    set(row, "won", verdict == WonDecision::Verdict::Won ? kTrue : kFalse);
    // The confirmation's reply is still awaited: its window judges it.
    if (state == BidState::State::Sending)
        return;

    if (verdict == WonDecision::Verdict::Unknown && tag(row) != SnipeState::OutcomeUnknown) {
        setTag(row, SnipeState::OutcomeUnknown);
        try {
            basGeneral::WriteLog(kBidLog, QStringLiteral("Bid on item # ") + number
                                              + QStringLiteral(" not confirmed by eBay, outcome unknown: check the item on eBay"));
        } catch (const NumberedError &) {
        }
    } else if (verdict != WonDecision::Verdict::Unknown && tag(row) == SnipeState::OutcomeUnknown) {
        // The page now tells: a winner named, or a price beyond reach.
        setTag(row, SnipeState::BidComplete);
    }
}

void RefreshRun::afterRow(const QString &number, int recordedError)
{
    if (recordedError != 0) {
        auto stopProgress = [this] {
            f.ProgressBar->setVisible(false);
            f.ProgressBar->setValue(0);
        };
        if (recordedError == ErrorNumber::InetTimeout) {
            stopProgress();
            f.blnForceRefresh = true;
            f.SetStatus(QStringLiteral("Request timed out, retrying..."), true);
            f.FreezeStatus();
        } else {
            if (recordedError == kObjectDisconnected) {
                basGeneral::WriteLog(kLog, QStringLiteral("Error -2147417848 in RefreshAuctions, restarting..."));
                f.tmrTimer->setEnabled(false);
            }
            stopProgress();
            f.blnForceRefresh = true;
            f.SetStatus(QStringLiteral("Refresh error #") + QString::number(recordedError) + QStringLiteral(" on item #")
                            + number,
                        true);
            f.FreezeStatus();
        }
    }
    Desktop::DoEvents();
}

void RefreshRun::remind(ListItem *row, const QString &message)
{
    f.Remind(live(row)->Text(), field(row, "itemtitle"), message);
}

void RefreshRun::testTimeReminder(ListItem *row, qint64 secondsLeft)
{
    const QString codes = field(row, "reminders");
    if (!codes.contains(QLatin1Char('t')))
        return;
    const auto amount = tokenNumber(basGeneral::GetBetween(codes, QStringLiteral("t"), QStringLiteral("["), false));
    if (!amount)
        return;
    qint64 limit = qint64(*amount);
    const QString unit = basGeneral::GetBetween(codes, QStringLiteral("["), QStringLiteral("]"), false);
    if (unit == QLatin1String("0"))
        limit *= 60;
    else if (unit == QLatin1String("1"))
        limit *= 3600;
    else if (unit == QLatin1String("2"))
        limit *= 86400;
    if (secondsLeft >= limit)
        return;
    remind(row, QStringLiteral("Time left is less than ") + basGeneral::FormatTimeLeft(limit).trimmed()
                    + QStringLiteral(" at ") + timeOfDay() + QLatin1Char('.'));
    QString remaining = codes;
    remaining.replace(QLatin1Char('t') + basGeneral::GetBetween(codes, QStringLiteral("t"), QStringLiteral("]"), false)
                          + QLatin1Char(']'),
                      QString());
    set(row, "reminders", remaining);
}

void RefreshRun::testBidsReminder(ListItem *row, const QString &newBids, const QString &page)
{
    const QString stored = field(row, "bids");
    // Also from "Retrieving...": the row's first refresh reports the count it found.
    if (!field(row, "reminders").contains(QLatin1Char('b')) || newBids == stored)
        return;
    remind(row, QStringLiteral("Amount of bids has changed from ") + stored + QStringLiteral(" to ") + newBids
                    + QStringLiteral(", current price is ") + basGeneral::GetItemField(page, QStringLiteral("currentbid"))
                    + QStringLiteral(" at ") + timeOfDay() + QLatin1Char('.'));
}

void RefreshRun::testPriceReminder(ListItem *row, const QString &newPrice)
{
    const QString codes = field(row, "reminders");
    if (!codes.contains(QLatin1Char('p')))
        return;
    const QString amountText = basGeneral::GetBetween(codes, QStringLiteral("p"), QStringLiteral(";"), false);
    const auto amount = tokenNumber(amountText);
    if (!amount)
        return;
    const float wanted = float(*amount);
    if (wanted > float(basGeneral::PriceToDouble(newPrice)))
        return;
    remind(row, QStringLiteral("The current price has met or exceeded ") + QString::number(double(wanted), 'g', 7)
                    + QStringLiteral(" at ") + timeOfDay() + QLatin1Char('.'));
    QString remaining = codes;
    remaining.replace(QLatin1Char('p') + amountText + QLatin1Char(';'), QString());
    set(row, "reminders", remaining);
}

void RefreshRun::testQuantityReminder(ListItem *row, const QString &newQty)
{
    const QString stored = field(row, "qty");
    if (!field(row, "reminders").contains(QLatin1Char('q')) || newQty == stored)
        return;
    remind(row, QStringLiteral("Quantity has changed from ") + stored + QStringLiteral(" to ") + newQty
                    + QStringLiteral(" at ") + timeOfDay() + QLatin1Char('.'));
}

bool RefreshRun::afterLoop()
{
    f.Inet->Cancel();
    f.blnRefreshing = false;
    f.SaveList(false);
    return !f.blnExiting;
}

bool RefreshRun::feedbackStep(bool ratingOnly)
{
    // Near an end the rating waits for a quieter refresh, unless the user
    // has just changed accounts: the panel must not name the last one.
    const bool quiet = !f.blnItemsEndingSoon;
    if (!only.isEmpty() || (!quiet && !ratingOnly))
        return true;
    const QString page = basGeneral::GetURL(
        HostRoles::url(Role::Feedback, QStringLiteral("/ws/eBayISAPI.dll?ViewFeedback&userid=") + CurrentUser), f.Inet);
    if (f.blnExiting)
        return false;
    const QString score = basGeneral::StripTags(
        basGeneral::GetBetween(page, QStringLiteral("<span class=\"mbg-l\"> ( "), QStringLiteral(")"), false)).trimmed();
    const QString percent = basGeneral::StripTags(basGeneral::GetBetween(
        page, QStringLiteral(">Positive Feedback (last 12 months):"), QStringLiteral("%"), true)).trimmed();
    f.SetPanelText(QStringLiteral("Feedback"),
                   CurrentUser + QStringLiteral(" (") + score + QStringLiteral("; ") + percent + QStringLiteral("%) "));
    f.Form_Resize();
    if (quiet && !f.blnFirstRefreshSinceStartup) {
        f.ProgressBar->setVisible(false);
        f.ProgressBar->setValue(0);
        if (RefreshSeams::LeaveFeedback)
            RefreshSeams::LeaveFeedback();
        f.SetStatus(QStringLiteral("Done"), true);
    }
    return true;
}

void RefreshRun::endSteps()
{
    if (f.blnExiting)
        return;
    f.blnForceRefreshAll = false;
    f.blnItemsEndingSoon = endingSoon;
    f.ProgressBar->setVisible(false);
    f.ProgressBar->setValue(0);
    if (clockUnreadNow)
        showClockUnread();
    else
        f.SetStatus(QStringLiteral("Done"));
    f.blnListUpdated = true;
    f.unsetCursor();
    f.blnPreventExit = false;
    f.blnRefreshing = false;
    f.blnFirstRefreshSinceStartup = false;
}

// The rating of a user just chosen, asked for while a refresh, a bid or a
// relist held the transfer control: fetched as soon as it is free, once.
void RatingOwed(frmMainEngine &form)
{
    static QPointer<frmMainEngine> owedTo;
    if (owedTo == &form)
        return;
    owedTo = &form;
    QTimer::singleShot(kRatingRetryMs, &form, [&form] {
        owedTo = nullptr;
        form.RefreshAuctions(QString(), true, false);
    });
}

} // namespace

void frmMainEngine::SignInBeforeEnd()
{
    Inet->OpenURL(eBaySignIn::SignOutURL());
    const ListItem *account = FindEbayUser(*frmSettings::instance().lvwUsers, CurrentUser);
    if (!account)
        throw NumberedError(91, QStringLiteral("Object variable or With block variable not set"));
    Inet->OpenURL(eBaySignIn::SignInURL(CurrentUser, basGeneral::UnscramblePassword(account->Tag())));
}

void frmMainEngine::BeginSignInBeforeEnd(std::function<void(const NumberedError *error)> done)
{
    QPointer<frmMainEngine> self(this);
    try {
        Inet->Begin(eBaySignIn::SignOutURL(), [self, done](const QString &, const NumberedError *error) {
            if (!self)
                return;
            if (error) {
                done(error);
                return;
            }
            try {
                const ListItem *account = FindEbayUser(*frmSettings::instance().lvwUsers, CurrentUser);
                if (!account)
                    throw NumberedError(91, QStringLiteral("Object variable or With block variable not set"));
                // Sent from the sign-out's end itself: Inet is never idle in
                // between, so no other request slips into the pair.
                self->Inet->Begin(eBaySignIn::SignInURL(CurrentUser, basGeneral::UnscramblePassword(account->Tag())),
                                  [self, done](const QString &, const NumberedError *error) {
                                      if (self)
                                          done(error);
                                  });
            } catch (const NumberedError &e) {
                done(&e);
            }
        });
    } catch (const NumberedError &e) {
        done(&e);
    }
}

void frmMainEngine::RefreshAuctions(const QString &OnlyItemNumber, bool SkipItems, bool SkipHTMLSync)
{
    // A close waits for the work under way to stop: no pass starts.
    if (blnCloseDeferred)
        return;
    // A refresh never runs inside another (asked for by a command that came
    // while a pass let events run): the pass reads that row before the rest.
    if (blnRefreshing && !SkipItems && !OnlyItemNumber.isEmpty()) {
        ReadFirst::AddOnce(OnlyItemNumber);
        return;
    }
    if (Inet->StillExecuting() || blnBidding || RelistInProgress || blnRefreshing) {
        if (SkipItems && OnlyItemNumber.isEmpty())
            RatingOwed(*this);
        return;
    }
    blnPreventExit = true;
    blnRefreshing = true;
    // The window may be unloaded while events run inside the refresh: each
    // step that let them run is followed by a look at whether it is still there.
    QPointer<frmMainEngine> self(this);
    try {
        RefreshRun run(*this, OnlyItemNumber, SkipHTMLSync);
        if (!SkipItems) {
            run.prepare();
            if (!self)
                return;
            if (!blnCancelRefresh)
                run.synchroniseClock();
            if (!self)
                return;
            const auto end = run.rowLoop();
            if (!self)
                return;
            if (end == RefreshRun::LoopEnd::Cancelled) {
                run.endSteps();
                return;
            }
            if (!run.afterLoop())
                return;
        }
        if (!run.feedbackStep(SkipItems && OnlyItemNumber.isEmpty()) || !self)
            return;
        run.endSteps();
    } catch (const std::exception &e) {
        if (!self)
            return;
        const auto *numbered = dynamic_cast<const NumberedError *>(&e);
        const int number = numbered ? numbered->number() : 51;
        blnRefreshing = false;
        // Nothing of the refresh may outlive it: the window must be able to
        // close, and the bar and the hourglass must go.
        blnPreventExit = false;
        ProgressBar->setVisible(false);
        ProgressBar->setValue(0);
        unsetCursor();
        if (number != 0) {
            try {
                basGeneral::WriteLog(kLog, QStringLiteral("Error in RefreshAuctions: ") + QString::number(number));
            } catch (const NumberedError &) {
            }
        }
    }
}

void frmMainEngine::StopRefresh()
{
    if (!blnRefreshing)
        return;
    blnCancelRefresh = true;
    // Only the pass reads rows through this control.
    if (frmInet::isLoaded())
        frmInet::instance().Inet->Cancel();
}

void frmMainEngine::Remind(const QString &strItemNum, const QString &strItemTitle, const QString &strMsg)
{
    try {
        frmReminder &w = frmReminder::instance();
        ListView &list = *w.lvwReminders;
        if (const ListItem *first = list.FindItem(strItemNum); first && first->Tag() == strMsg)
            return;
        ListItem *row = list.Add(strItemNum);
        row->setSubItem(1, strItemTitle);
        row->setTag(strMsg);
        if (list.Count() == 1)
            list.setSelectedItem(row);
        if (const ListItem *selected = list.SelectedItem())
            w.txtDesc->setPlainText(selected->Tag());
        w.UpdateButtons();
        w.ShowOver(*this);
    } catch (const std::exception &e) {
        const auto *numbered = dynamic_cast<const NumberedError *>(&e);
        Desktop::MsgBox(QStringLiteral("Failed to show reminder\r\n\r\n")
                       + (numbered ? numbered->description() : QString::fromLocal8Bit(e.what())),
                   Desktop::BoxExclamation);
    }
}
