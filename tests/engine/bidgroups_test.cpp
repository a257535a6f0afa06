// A bid group is won at most once: its snipes, in every order and at every
// spacing, against every outcome of the first bid, on a clock the test
// moves. The group rule, the bid states and the outcome read after each end
// are the program's own; the bid windows and eBay are played here.
#include "tests/engine/enginetestutil.h"

#include "engine/bidgroups.h"
#include "engine/bidstate.h"
#include "engine/outcomesettler.h"
#include "engine/trackedauction.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

#include <algorithm>
#include <map>
#include <numeric>
#include <optional>
#include <vector>

using namespace EngineTest;
using BidState::State;

namespace {

const QString kGroup = QStringLiteral("lamps");
const QString kUser = QStringLiteral("demo");
const QDateTime kBase(QDate(2026, 3, 1), QTime(10, 0), QTimeZone::utc());

constexpr qint64 kStepMs = 250;
constexpr qint64 kBidDelayMs = 10'000;  // the confirmation goes out this long before the end
constexpr qint64 kReplyMs = 500;        // the confirmation's reply comes this long after it
constexpr qint64 kFirstReadMs = 970;    // the ended page is first read this long after the end
constexpr qint64 kReadGapMs = 1000;     // and again at this gap until it says

// What became of the first bid of the group to go out. Every later one wins
// if it goes out: the worst case for the rule.
enum class First { Won, Lost, Refused, Unanswered, Unreadable };
constexpr First kFirsts[] = {First::Won, First::Lost, First::Refused, First::Unanswered, First::Unreadable};

const char *Name(First f)
{
    static const char *const names[] = {"won", "lost", "refused", "unanswered", "unreadable"};
    return names[int(f)];
}

struct Snipe
{
    ListItem *row = nullptr;
    qint64 endMs = 0;
    bool first = false;          // the first of the group to go out
    bool wins = true;            // eBay's side: this bid wins the auction
    bool readable = true;        // its ended page says something
    std::optional<qint64> sentMs;
    bool heldForGood = false;
    qint64 nextReadMs = 0;
};

// One run of the group: `endOrder[k]` is the row ending k-th, `gapS` apart.
struct GroupRun
{
    TestEngineForm &form;
    std::vector<Snipe> snipes;
    First first;
    int heldLogged = 0;

    std::string describe(qint64 gapS, const std::vector<int> &order) const
    {
        std::string text = "gap " + std::to_string(gapS) + " s, first " + Name(first) + ", order";
        for (const int r : order)
            text += " " + std::to_string(r);
        return text;
    }

    bool noneSentYet() const
    {
        return std::none_of(snipes.begin(), snipes.end(), [](const Snipe &s) { return s.sentMs.has_value(); });
    }

    // The bid window at the moment: sent, or waits, or held for good.
    void atMoment(Snipe &s, qint64 nowMs)
    {
        const auto held = BidGroups::SnipeHeldBack(form, s.row);
        if (held && held->awaitingOutcome && BidGroups::MayStillWait(s.endMs - nowMs))
            return; // looks again on the next step
        if (held) {
            s.heldForGood = true;
            ASSERT_TRUE(BidState::Move(s.row->Text(), State::Failed));
            return;
        }
        s.first = noneSentYet();
        if (s.first) {
            s.wins = first == First::Won;
            s.readable = first != First::Unreadable;
        }
        ASSERT_TRUE(BidState::Move(s.row->Text(), State::Sending));
        s.sentMs = nowMs;
    }

    void reply(Snipe &s)
    {
        State answer = State::Confirmed;
        if (s.first && first == First::Refused)
            answer = State::Refused;
        else if (s.first && first == First::Unanswered)
            answer = State::SentUnknown;
        ASSERT_TRUE(BidState::Move(s.row->Text(), answer));
    }

    // The item's page read after its end, as the engine reads it.
    void readEndedPage(Snipe &s)
    {
        WonDecision::PageFacts page;
        if (s.readable) {
            page.auctionOver = true;
            const bool refused = s.first && first == First::Refused;
            page.winner = s.wins && !refused ? kUser : QStringLiteral("rival");
            page.price = 12;
            page.maximum = 15;
        }
        OutcomeSettler::Settle(s.row->Text(), page, kUser, SnipeState::ReadyToBid);
    }

    void run(qint64 lastEndMs)
    {
        for (qint64 now = 0; now <= lastEndMs + 5000; now += kStepMs) {
            for (Snipe &s : snipes) {
                const QString number = s.row->Text();
                const bool due = now >= s.endMs - kBidDelayMs;
                if (due && !s.sentMs && !s.heldForGood)
                    atMoment(s, now);
                if (s.sentMs && now == *s.sentMs + kReplyMs)
                    reply(s);
                if (s.sentMs && now >= s.endMs + kFirstReadMs && now >= s.nextReadMs
                    && BidState::BidOut(BidState::Of(number))) {
                    readEndedPage(s);
                    s.nextReadMs = now + kReadGapMs;
                }
            }
            ASSERT_TRUE(BidGroups::AtMostOneBidOut(*form.lvwAuctions, kGroup)) << "at " << now << " ms";
        }
    }
};

} // namespace

TEST(BidGroups, EveryOrderGapAndFirstOutcomeWinsAtMostOnceAndHoldsOnlyWhatCannotBeKnown)
{
    TestEngineForm &form = FreshForm();
    ListView &list = *form.lvwAuctions;
    // A bid out in another group, and one of no group, hold nothing back.
    AddRow("7100", {{"maxbid", "1 @ 5.00"}, {"group", "clocks"}});
    AddRow("7101", {{"maxbid", "1 @ 5.00"}});
    BidState::Store("7100", State::Confirmed);
    BidState::Store("7101", State::SentUnknown);

    int runs = 0;
    for (const int rows : {2, 3}) {
        std::vector<ListItem *> items;
        for (int r = 0; r < rows; ++r)
            items.push_back(AddRow(QString::number(7000 + 10 * rows + r), {{"maxbid", "1 @ 15.00"}, {"group", kGroup}}));
        std::vector<int> order(static_cast<size_t>(rows), 0);
        std::iota(order.begin(), order.end(), 0);
        do {
            for (const qint64 gapS : {0, 3, 10, 20, 60}) {
                for (const First first : kFirsts) {
                    ++runs;
                    GroupRun g{form, {}, first};
                    for (int r = 0; r < rows; ++r) {
                        // Item numbers of the run's own: nothing recorded before counts.
                        items[size_t(r)]->setText(QString::number(1'000'000 * runs + r));
                        Snipe s;
                        s.row = items[size_t(r)];
                        const auto place = std::find(order.begin(), order.end(), r) - order.begin();
                        s.endMs = 20'000 + place * gapS * 1000;
                        list.setField(s.row, "enddate", TrackedAuction::EndDateSerial(kBase.addMSecs(s.endMs)));
                        // Prepared early, each waits for its moment.
                        ASSERT_TRUE(BidState::Move(s.row->Text(), State::Preparing));
                        ASSERT_TRUE(BidState::Move(s.row->Text(), State::Prepared));
                        g.snipes.push_back(s);
                    }
                    g.run(20'000 + (rows - 1) * gapS * 1000);
                    ASSERT_FALSE(HasFatalFailure()) << g.describe(gapS, order);

                    const std::string what = g.describe(gapS, order);
                    int won = 0;
                    for (const Snipe &s : g.snipes)
                        won += BidState::Of(s.row->Text()) == State::Won;
                    EXPECT_LE(won, 1) << what;
                    // The first bid's outcome was known in time for the next
                    // snipe unless it won, its page never read, or the next
                    // one's end came too soon after its own for a read.
                    const auto firstBid = std::find_if(g.snipes.begin(), g.snipes.end(), [](const Snipe &s) { return s.first; });
                    ASSERT_NE(firstBid, g.snipes.end()) << what;
                    const bool knowable = first != First::Won && first != First::Unreadable;
                    for (const Snipe &s : g.snipes) {
                        if (&s == &*firstBid || s.endMs < firstBid->endMs)
                            continue;
                        const bool readInTime =
                            first == First::Refused || firstBid->endMs + kFirstReadMs < s.endMs - BidGroups::kLastSafeMarginMs;
                        // Behind a later bid that went out and won, anything
                        // is held; the first's outcome decides the next one.
                        const bool next = s.endMs == firstBid->endMs + gapS * 1000 && (gapS > 0 || rows == 2);
                        if (next && knowable && readInTime)
                            EXPECT_FALSE(s.heldForGood) << what << ": held although the first bid's outcome was read";
                        if (!knowable)
                            EXPECT_TRUE(s.heldForGood) << what << ": sent beside a bid won or never read";
                    }
                    EXPECT_EQ(std::count_if(g.snipes.begin(), g.snipes.end(), [](const Snipe &s) { return s.sentMs.has_value(); })
                                  + std::count_if(g.snipes.begin(), g.snipes.end(), [](const Snipe &s) { return s.heldForGood; }),
                              rows)
                        << what << ": every snipe either went out or was held";
                }
            }
        } while (std::next_permutation(order.begin(), order.end()));
        for (ListItem *row : items)
            list.Remove(row->Index());
    }
    EXPECT_EQ(runs, (2 + 6) * 5 * 5);
}

// The moves a bid may make: eBay's word or its page moves a bid out on, and
// nothing else; a settled outcome is never changed but by a new bid set up.
TEST(BidState, ABidOutMovesOnlyToWhatEbayOrItsPageSays)
{
    for (const State from : BidState::kAll) {
        for (const State to : BidState::kAll) {
            const bool may = BidState::MayMove(from, to);
            const std::string what = (BidState::Name(from) + " -> " + BidState::Name(to)).toStdString();
            if (BidState::BidOut(from) && may)
                EXPECT_TRUE(BidState::BidOut(to) || BidState::Settled(to) || to == State::Refused || to == State::Failed
                            || to == State::Missed)
                    << what;
            if (BidState::BidOut(from) && from != State::Sending && may)
                EXPECT_FALSE(to == State::Refused || to == State::Failed || to == State::Missed) << what;
            if (BidState::Settled(to))
                EXPECT_EQ(may, BidState::BidOut(from)) << what;
            if (BidState::Settled(from) && from != to)
                EXPECT_EQ(may, to == State::None) << what;
            if (to == State::None && from != State::None)
                EXPECT_EQ(may, !BidState::BidOut(from)) << what;
        }
    }
}

TEST(BidState, KeptStatesReadBackAndOlderRecordsKeepTheirMeaning)
{
    FreshForm();
    AddRow("41", {}, SnipeState::Local);
    for (const State s : BidState::kAll) {
        BidState::Store("41", s);
        const QString word = BidState::Word(s);
        // A program started again finds what a record keeps; a
        // confirmation on its way reads back as sent with no reply.
        const State back = BidState::FromWord(word).value_or(State::None);
        const State kept = s == State::Sending ? State::SentUnknown : word.isEmpty() ? State::None : s;
        EXPECT_EQ(back, kept) << BidState::Name(s).toStdString();
        EXPECT_EQ(BidState::Of("41"), s) << "this program knows the step itself";
    }
    for (const auto &[word, state] : std::map<QString, State>{{"sent", State::SentUnknown},
                                                             {"confirmed", State::Confirmed},
                                                             {"failed", State::Failed},
                                                             {"something newer", State::None}}) {
        WriteDataFile(QStringLiteral("bidresults.dat"), QByteArray("\"42\",\"") + word.toLatin1() + "\"\r\n");
        EXPECT_EQ(BidState::Of("42"), state) << word.toStdString();
    }
    // Forgetting a bid eBay may hold is refused: Edit keeps what was sent.
    BidState::Store("43", State::Confirmed);
    EXPECT_FALSE(BidState::Forget("43"));
    EXPECT_EQ(BidState::Of("43"), State::Confirmed);
    BidState::Store("43", State::Lost);
    EXPECT_TRUE(BidState::Forget("43"));
    EXPECT_EQ(BidState::Of("43"), State::None);
}
