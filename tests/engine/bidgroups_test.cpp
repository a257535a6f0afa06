// A bid group never has two bids out at once: whatever order its snipes
// come due in, and whatever their outcomes turn out to be and whenever.
#include "tests/engine/enginetestutil.h"

#include "engine/bidgroups.h"
#include "engine/bidrecord.h"
#include "engine/trackedauction.h"
#include "platform/listview.h"

#include <gtest/gtest.h>

#include <QSet>

#include <algorithm>
#include <functional>
#include <vector>

using namespace EngineTest;

namespace {

const QString kGroup = QStringLiteral("lamps");

// What becomes of a bid that went out, before the next event.
enum class Outcome { Confirmed, Refused, Lost, Won, UnknownAfterEnd };
constexpr Outcome kOutcomes[] = {Outcome::Confirmed, Outcome::Refused, Outcome::Lost, Outcome::Won,
                                 Outcome::UnknownAfterEnd};

// One step of a run: row `row` comes due, or the bid on it meets `outcome`.
struct Step
{
    int row;
    bool due;
    Outcome outcome = Outcome::Confirmed;
};

// Every order in which `rows` snipes come due, with the outcome of each bid
// that went out read in at any point before the last one comes due, or not.
void everyRun(int rows, std::vector<Step> &run, std::vector<bool> &due, std::vector<bool> &read,
              const std::function<void(const std::vector<Step> &)> &visit)
{
    if (std::find(due.begin(), due.end(), false) == due.end()) {
        visit(run);
        return;
    }
    for (int r = 0; r < rows; ++r) {
        if (!due[r]) {
            due[r] = true;
            run.push_back({r, true});
            everyRun(rows, run, due, read, visit);
            run.pop_back();
            due[r] = false;
        } else if (!read[r]) {
            read[r] = true;
            for (const Outcome o : kOutcomes) {
                run.push_back({r, false, o});
                everyRun(rows, run, due, read, visit);
                run.pop_back();
            }
            read[r] = false;
        }
    }
}

void setOutcome(ListView &list, ListItem *row, Outcome outcome)
{
    switch (outcome) {
    case Outcome::Confirmed:
        BidRecord::MarkConfirmed(row->Text());
        break;
    case Outcome::Refused:
        BidRecord::MarkFailed(row->Text());
        break;
    case Outcome::Lost:
    case Outcome::Won:
        list.setField(row, QStringLiteral("timeleft"), TrackedAuction::kEnded);
        list.setField(row, QStringLiteral("won"), outcome == Outcome::Won ? TrackedAuction::kTrue : TrackedAuction::kFalse);
        row->setTag(SnipeState::BidComplete);
        break;
    case Outcome::UnknownAfterEnd:
        list.setField(row, QStringLiteral("timeleft"), TrackedAuction::kEnded);
        list.setField(row, QStringLiteral("won"), TrackedAuction::kFalse);
        row->setTag(SnipeState::OutcomeUnknown);
        break;
    }
}

} // namespace

TEST(BidGroups, AGroupHasAtMostOneBidOutInEveryOrderOfDueSnipesAndOutcomes)
{
    for (const int rows : {2, 3}) {
        TestEngineForm &f = FreshForm();
        ListView &list = *f.lvwAuctions;
        std::vector<ListItem *> items;
        for (int r = 0; r < rows; ++r)
            items.push_back(AddRow(QString::number(7001 + r), {{"maxbid", "1 @ 5.00"}, {"group", kGroup}}));
        // A bid out in another group, and one of no group, hold nothing back.
        ListItem *elsewhere = AddRow("7100", {{"maxbid", "1 @ 5.00"}, {"group", "clocks"}});
        ListItem *ungrouped = AddRow("7101", {{"maxbid", "1 @ 5.00"}});

        std::vector<Step> run;
        std::vector<bool> due(size_t(rows), false), read(size_t(rows), false);
        int runs = 0;
        everyRun(rows, run, due, read, [&](const std::vector<Step> &steps) {
            ++runs;
            // Each run on item numbers of its own: nothing recorded before counts.
            for (int r = 0; r < rows; ++r) {
                ListItem *row = items[size_t(r)];
                row->setText(QString::number(100000 * runs + r));
                list.setField(row, "timeleft", "20 s");
                list.setField(row, "won", QString());
                row->setTag(SnipeState::ReadyToBid);
            }
            BidRecord::MarkSent(elsewhere->Text());
            BidRecord::MarkSent(ungrouped->Text());
            // The model: the rows whose bid went out and is still awaiting
            // its outcome, and whether one of the group was won.
            QSet<int> pending;
            bool won = false;
            for (const Step &step : steps) {
                ListItem *row = items[size_t(step.row)];
                if (!step.due) {
                    if (!pending.contains(step.row))
                        continue;
                    setOutcome(list, row, step.outcome);
                    if (step.outcome != Outcome::Confirmed)
                        pending.remove(step.row);
                    won = won || step.outcome == Outcome::Won;
                    continue;
                }
                const auto held = BidGroups::SnipeHeldBack(f, row);
                // Held back exactly while another item is out or won.
                ASSERT_EQ(held.has_value(), won || !pending.isEmpty()) << "run " << runs;
                if (!held) {
                    BidRecord::MarkSent(row->Text());
                    pending.insert(step.row);
                }
                ASSERT_LE(pending.size(), 1) << "run " << runs;
                ASSERT_TRUE(BidGroups::AtMostOneBidOut(list, kGroup)) << "run " << runs;
            }
        });
        EXPECT_EQ(runs, rows == 2 ? 12 : 546);
    }
}
