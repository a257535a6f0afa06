// What a long auction list costs the promises of the program, against the
// simulator in this process: a list of N rows (real items at the simulator,
// ending in a day or two) with two snipes 6 s apart at its end, the main tick
// and the refresh running as they do for the user. For each size:
//   confirmation_ms    the later of the two confirmations' distance from its
//                      moment (the end less the bid delay);
//   stall_ms           the longest the event loop went without turning;
//   first_rows_ms      from the rows being there to the first of them in the
//                      list pane (with the main window only);
//   peak_mb            this process's peak memory during the run (the
//                      simulator's items included; the pane's renderer is a
//                      process of its own);
//   outcome_to_file_ms the later of the two auctions' end to its outcome
//                      (won True or False) in the list file.
// Each is also given as a ratio to the 1-row run of the same program run
// (run the sizes in one go, smallest first). "pane" 1 runs the real main
// window with its HTML list, 0 the engine alone. A run takes a minute or two.
#include "engine/listfileformat.h"
#include "engine/listsavewriter.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/settingsstore.h"
#include "mainwindow/frmmain.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "tests/bench/loopgaps.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/integration/shownmain.h"
#include "tests/support/procstatus.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>

using namespace RefreshSim;

namespace {

// The first snipe's moment from the start: long enough for the first rows,
// short enough to fall inside the first refresh of a long list.
constexpr qint64 kFirstEndS = 30;
constexpr qint64 kSpacingS = 6;
// After the second end, how long the outcomes may take to reach the file.
constexpr int kOutcomeWaitS = 90;

struct Figures
{
    double confirmationMs = -1;
    double stallMs = 0;
    double firstRowsMs = -1;
    double peakMb = 0;
    double outcomeToFileMs = -1;
    QStringList problems;
};

// Watches the list file from a thread of its own, so reading 30 MB does not
// count as a stall: when each item's record first shows an outcome.
class FileWatch
{
public:
    FileWatch(const QString &path, QStringList items) : m_path(path), m_items(std::move(items))
    {
        m_thread = std::thread([this] { run(); });
    }
    ~FileWatch()
    {
        m_stop = true;
        m_thread.join();
    }
    // Milliseconds since the epoch when the item's outcome was first seen; 0 if not yet.
    qint64 seenAt(int index) const { return m_seen[index].load(); }

private:
    void run()
    {
        QDateTime lastModified;
        while (!m_stop) {
            const QFileInfo info(m_path);
            if (info.exists() && info.lastModified() != lastModified) {
                lastModified = info.lastModified();
                QFile f(m_path);
                if (f.open(QIODevice::ReadOnly)) {
                    const QString text = ListFile::DecodeFile(f.readAll());
                    for (int i = 0; i < m_items.size() && i < 2; ++i) {
                        if (m_seen[i].load())
                            continue;
                        const qsizetype at = text.indexOf(QLatin1Char('"') + m_items[i] + QStringLiteral("\","));
                        if (at < 0)
                            continue;
                        const QStringList fields = text.mid(at, text.indexOf(QStringLiteral("\r\n"), at) - at)
                                                       .split(QStringLiteral("\",\""));
                        const QString won = fields.value(14);
                        // "won" reads "False" while the auction runs.
                        if (fields.value(2) == QLatin1String("Ended") && (won == QLatin1String("True") || won == QLatin1String("False")))
                            m_seen[i] = QDateTime::currentMSecsSinceEpoch();
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    QString m_path;
    QStringList m_items;
    std::atomic<bool> m_stop{false};
    std::atomic<qint64> m_seen[2]{0, 0};
    std::thread m_thread;
};

void addRow(ListView &list, const QString &number, const QString &timeLeft, const QString &maxBid, const QString &tag)
{
    ListItem *row = list.Add(number);
    list.setField(row, QStringLiteral("itemtitle"), QStringLiteral("Vintage brass table lamp, opal glass shade, no. ") + number);
    list.setField(row, QStringLiteral("timeleft"), timeLeft);
    list.setField(row, QStringLiteral("maxbid"), maxBid);
    list.setField(row, QStringLiteral("user"), QStringLiteral("alice"));
    row->setTag(tag);
}

Figures runList(int rows, bool pane)
{
    Figures out;
    Form &engine = FreshForm();
    frmMainEngine *form = &engine;
    frmMain *main = nullptr;
    if (pane) {
        main = &ShownMain::Show();
        form = main;
    } else {
        engine.realBid = true;
    }
    ListView &list = *form->lvwAuctions;
    const QString filePath = basGeneral::DataFolder() + QStringLiteral("data6.dat");
    QFile::remove(filePath);
    ResetOwnPeak();

    const qint64 delayS = frmSettings::instance().BidDelaySeconds();
    for (int i = 0; i < rows - 2; ++i) {
        const QString number = AddItem(86400 + qint64(i) * 3, 12.5);
        addRow(list, number, QStringLiteral("1 d 2 h "), i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"),
               i % 3 ? QStringLiteral("Local") : QString());
    }
    const qint64 nowS = Server().now().toSecsSinceEpoch();
    QStringList snipes;
    QList<qint64> endsMs;
    for (int i = 0; i < 2; ++i) {
        const qint64 endS = nowS + kFirstEndS + qint64(i) * kSpacingS;
        snipes << AddItem(0, 1.0, [endS](Sim::SimItem &item) { item.endsAt = QDateTime::fromSecsSinceEpoch(endS, Qt::UTC); });
        addRow(list, snipes.last(), QStringLiteral("10 m"), QStringLiteral("1 @ 5.00"), QStringLiteral("Local"));
        // Its end as a loaded list holds it, on eBay's clock (Pacific time),
        // whether or not the refresh has read its page yet.
        const QDateTime pacific = QDateTime::fromSecsSinceEpoch(endS, Qt::UTC).addSecs(-8 * 3600);
        list.setField(list.Item(list.Count()), QStringLiteral("enddate"), TrackedAuction::EndDateSerial(pacific));
        endsMs << endS * 1000;
    }
    const qint64 mark = Mark();

    LoopGaps stalls;
    FileWatch file(filePath, snipes);
    QElapsedTimer sinceRows;
    sinceRows.start();
    // The snipes' timers run while the pane fills.
    form->tmrTimer->setEnabled(true);
    if (main) {
        main->RebuildHTMLList();
        // The hidden template span is one element of the id as well.
        if (RunUntil([&] { return main->HTMLList->ElementCount(QStringLiteral("itemnumber")) > 1; }, kFirstEndS - 5))
            out.firstRowsMs = double(sinceRows.elapsed());
        else
            out.problems << QStringLiteral("no rows in the pane");
    }
    const bool saved = RunUntil([&] { return file.seenAt(0) && file.seenAt(1); },
                                double(endsMs.last() / 1000 - nowS) + kOutcomeWaitS);
    form->tmrTimer->setEnabled(false);
    out.stallMs = double(stalls.longestMs());
    out.peakMb = double(PeakKb(QCoreApplication::applicationPid())) / 1024.0;
    if (saved)
        out.outcomeToFileMs = double(std::max(file.seenAt(0) - endsMs[0], file.seenAt(1) - endsMs[1]));
    else
        out.problems << QStringLiteral("an outcome never reached the file");

    const QList<Sim::LogEntry> requests = RequestsSince(mark);
    qint64 worst = -1;
    for (int i = 0; i < 2; ++i) {
        const auto confirmation = std::find_if(requests.cbegin(), requests.cend(),
                                               [&](const Sim::LogEntry &e) { return IsBidConfirmation(e, snipes[i]); });
        if (confirmation == requests.cend()) {
            out.problems << QStringLiteral("snipe %1 never confirmed").arg(i + 1);
            continue;
        }
        worst = std::max(worst, std::abs(confirmation->arrival.toMSecsSinceEpoch() - (endsMs[i] - delayS * 1000)));
    }
    out.confirmationMs = double(worst);
    if (GetSetting(QStringLiteral("Lead time"), 15).toInt() > 3)
        out.problems << QStringLiteral("Lead time raised to ") + GetSetting(QStringLiteral("Lead time"));
    ListSaveWriter::Flush();
    return out;
}

// The 1-row figures of this program run, by pane.
std::map<bool, Figures> g_baseline;

void setFigure(benchmark::State &state, const char *name, double value, double baseline)
{
    state.counters[name] = value;
    // A baseline of 0 counts as 1, so the ratio stays finite.
    state.counters[std::string(name) + "_ratio"] = value / std::max(baseline, 1.0);
}

void BM_LongList(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const bool pane = state.range(1) != 0;
    for (auto _ : state) {
        const Figures f = runList(rows, pane);
        if (rows == 1)
            g_baseline[pane] = f;
        const Figures &base = g_baseline.count(pane) ? g_baseline[pane] : f;
        state.SetIterationTime(f.confirmationMs / 1000.0);
        setFigure(state, "confirmation_ms", f.confirmationMs, base.confirmationMs);
        setFigure(state, "stall_ms", f.stallMs, base.stallMs);
        if (pane)
            setFigure(state, "first_rows_ms", f.firstRowsMs, base.firstRowsMs);
        setFigure(state, "peak_mb", f.peakMb, base.peakMb);
        setFigure(state, "outcome_to_file_ms", f.outcomeToFileMs, base.outcomeToFileMs);
        if (!f.problems.isEmpty())
            state.SetLabel(f.problems.join(QStringLiteral("; ")).toStdString());
    }
}

} // namespace

BENCHMARK(BM_LongList)
    ->ArgNames({"rows", "pane"})
    ->Args({1, 0})
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({ListFile::kMaxRecords, 0})
    ->Args({1, 1})
    ->Args({1000, 1})
    ->Args({10000, 1})
    ->Args({ListFile::kMaxRecords, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
