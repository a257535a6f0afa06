// What the longest list costs a user's actions in the real main window (with
// its HTML list), against the simulator in this process: Finish in the
// add-item wizard's Edit, a header sort, a filter and Remove Ended Items, on
// a list of N rows of which a third have ended. For each action:
//   <action>_ms        how long the action held the window (its call);
//   <action>_stall_ms  the longest the event loop went without turning from
//                      the action to a second after it;
// each also as a ratio to the 100-row run of the same program run (run the
// sizes in one go, smallest first).
#include "engine/listfileformat.h"
#include "foundation/globals.h"
#include "items/frmaddauction.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "tests/bench/loopgaps.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/shownmain.h"
#include "tests/integration/wizardsim.h"
#include "tests/support/msgboxscript.h"
#include "platform/msgbox.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

using namespace RefreshSim;

namespace {

constexpr int kSmallest = 100;

struct Held
{
    double callMs = 0;
    double stallMs = 0;
};

// The action's call, and the event loop from it to a second after it.
Held time(const std::function<void()> &action)
{
    LoopGaps gaps;
    QElapsedTimer clock;
    clock.start();
    action();
    Held held;
    held.callMs = double(clock.nsecsElapsed()) / 1e6;
    RunUntil([] { return false; }, 1.0);
    held.stallMs = double(gaps.longestMs());
    return held;
}

std::map<std::string, Held> runActions(int rows)
{
    FreshForm();
    frmMain &main = ShownMain::Show();
    ListView &list = *main.lvwAuctions;
    // The row edited is a real item at the simulator; the others need not be.
    const QString edited = AddItem(86400 * 2, 12.5);
    for (int i = 0; i < rows; ++i) {
        const bool isEdited = i == rows / 2;
        const QString number = isEdited ? edited : QString::number(120000000000LL + i);
        ListItem *row = list.Add(number);
        list.setField(row, QStringLiteral("itemtitle"), QStringLiteral("Vintage brass table lamp, opal glass shade, no. ") + number);
        const bool ended = !isEdited && i % 3 == 0;
        list.setField(row, QStringLiteral("timeleft"), ended ? QStringLiteral("Ended") : QStringLiteral("1 d 2 h "));
        list.setField(row, QStringLiteral("currentbid"), QStringLiteral("US $%1.00").arg(i % 500));
        list.setField(row, QStringLiteral("maxbid"), i % 2 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"));
        list.setField(row, QStringLiteral("user"), QStringLiteral("alice"));
        row->setTag(i % 2 ? QStringLiteral("Local") : QString());
    }
    // Sorted, as the loader leaves the list at the start.
    list.setSorted(true);
    main.RebuildHTMLList();
    RunUntil([] { return false; }, 3.0);

    std::map<std::string, Held> held;
    // Edit's Finish: a new maximum for one row.
    EditMode = true;
    if (frmAddAuction *w = WizardSim::Open(edited)) {
        w->txtMaxBid->setText(QStringLiteral("130.00"));
        w->cmdNext_Click();
        if (w->chkAccept->isVisibleTo(w))
            w->chkAccept->click();
        held["edit_finish"] = time([w] { w->cmdNext_Click(); });
    }
    EditMode = false;
    bool cancel = false;
    held["header_sort"] = time([&] { main.HTMLList_BeforeNavigate2(QStringLiteral("tmr:///sortby=itemtitle"), cancel); });
    held["filter"] = time([&] { main.mnuFilterEnded_Click(); });
    main.mnuFilterAll_Click();
    RunUntil([] { return false; }, 1.0);
    MsgBoxScript::instance().answer(Desktop::AnswerYes);
    held["remove_ended"] = time([&] { main.mnuAuctionsRemoveEnded->trigger(); });
    list.Clear();
    return held;
}

std::map<std::string, Held> g_baseline;

void BM_UserActions(benchmark::State &state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        const std::map<std::string, Held> held = runActions(rows);
        if (rows == kSmallest)
            g_baseline = held;
        double longest = 0;
        for (const auto &[name, h] : held) {
            const Held base = g_baseline.count(name) ? g_baseline.at(name) : h;
            state.counters[name + "_ms"] = h.callMs;
            state.counters[name + "_ratio"] = h.callMs / std::max(base.callMs, 1.0);
            state.counters[name + "_stall_ms"] = h.stallMs;
            state.counters[name + "_stall_ratio"] = h.stallMs / std::max(base.stallMs, 1.0);
            longest = std::max({longest, h.callMs, h.stallMs});
        }
        if (held.size() < 4)
            state.SetLabel("an action did not run");
        state.SetIterationTime(longest / 1000.0);
        double load[1] = {0};
        if (getloadavg(load, 1) == 1)
            state.counters["load"] = load[0];
    }
}

} // namespace

BENCHMARK(BM_UserActions)
    ->ArgNames({"rows"})
    ->Arg(kSmallest)
    ->Arg(10000)
    ->Arg(ListFile::kMaxRecords)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
