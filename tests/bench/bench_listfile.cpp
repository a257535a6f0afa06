// Saving and loading the auction list file with 1,000 tracked auctions: the
// whole save (rows to a replaced "data6.dat"), the whole load (file to rows
// of the list view), and the file's reading alone, without the list view.
#include "engine/listfileformat.h"
#include "engine/mainformengine.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/timetext.h"
#include "platform/listview.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>

namespace {

constexpr int kRows = 1000;

frmMainEngine &listForm()
{
    frmMainEngine &form = frmMainEngine::instance();
    if (form.lvwAuctions->ColumnCount() != int(std::size(TrackedAuction::kColumns))) {
        form.lvwAuctions->ClearColumns();
        for (const auto &c : TrackedAuction::kColumns)
            form.lvwAuctions->AddColumn(c.key, c.caption);
    }
    return form;
}

// Rows as the program keeps them after a refresh: long titles with quotes and
// commas, notes, groups, reminders and every bid state.
void fillRows(frmMainEngine &form)
{
    static const char *const kStates[] = {"", "Local", "Online", "Both", "Ready to bid", "Bid complete",
                                          "Other in group won"};
    ListView &list = *form.lvwAuctions;
    list.Clear();
    const QDateTime base(QDate(2024, 11, 28), QTime(19, 4, 31));
    for (int i = 0; i < kRows; ++i) {
        ListItem *row = list.Add(QString::number(110000000000LL + i));
        const QDateTime end = base.addSecs(qint64(i) * 2237);
        auto set = [&](const char *key, const QString &value) { list.setField(row, QString::fromLatin1(key), value); };
        set("itemtitle", QStringLiteral("Vintage \"Art Deco\" table lamp, brass & opal glass shade, working, no. %1").arg(i));
        set("timeleft", QStringLiteral("1 d 2 h "));
        set("enddatedisp", basGeneral::DateText(end));
        set("enddate", TrackedAuction::EndDateSerial(end));
        set("bids", QString::number(i % 23));
        set("qty", QStringLiteral("1"));
        set("currentbid", QStringLiteral("US $%1.50").arg(i % 400));
        set("maxbid", i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"));
        set("user", QStringLiteral("buyer1"));
        set("group", i % 6 == 0 ? QStringLiteral("Lamps") : QString());
        set("note", i % 2 ? QStringLiteral("Ask about shipping<br>check the &quot;wiring&quot;") : QString());
        set("shipping", QStringLiteral("US $14.00"));
        set("seller", QStringLiteral("antiques_and_more"));
        set("picture", QStringLiteral("http://i.ebayimg.com/images/g/abc/s-l%1.jpg").arg(i));
        set("won", QString());
        set("reminders", i % 7 == 0 ? QStringLiteral("bt5[0]p100;") : QString());
        row->setTag(QString::fromLatin1(kStates[i % 7]));
    }
}

QString listPath()
{
    return basGeneral::DataFolder() + QStringLiteral("data6.dat");
}

qint64 fileSize()
{
    return QFileInfo(listPath()).size();
}

void BM_SaveList(benchmark::State &state)
{
    frmMainEngine &form = listForm();
    QDir().mkpath(basGeneral::DataFolder());
    fillRows(form);
    for (auto _ : state)
        form.SaveList(false);
    state.SetItemsProcessed(state.iterations() * kRows);
    state.SetBytesProcessed(state.iterations() * fileSize());
}
BENCHMARK(BM_SaveList)->Unit(benchmark::kMillisecond);

void BM_LoadList(benchmark::State &state)
{
    frmMainEngine &form = listForm();
    QDir().mkpath(basGeneral::DataFolder());
    fillRows(form);
    form.SaveList(false);
    for (auto _ : state) {
        state.PauseTiming();
        form.lvwAuctions->Clear();
        state.ResumeTiming();
        form.ReadListFile(QStringLiteral("data6.dat"));
    }
    if (form.lvwAuctions->Count() != kRows)
        state.SkipWithError("the list did not load whole");
    state.SetItemsProcessed(state.iterations() * kRows);
    state.SetBytesProcessed(state.iterations() * fileSize());
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);

// The file's text to row values, without the list view.
void BM_ReadRecords(benchmark::State &state)
{
    frmMainEngine &form = listForm();
    QDir().mkpath(basGeneral::DataFolder());
    fillRows(form);
    form.SaveList(false);
    QFile file(listPath());
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    for (auto _ : state) {
        ListFile::QuotedFieldReader reader(ListFile::DecodeFile(bytes));
        int rows = 0;
        while (!reader.AtEnd()) {
            auto values = ListFile::RowFromRecord(ListFile::Layout::Data6, reader.ReadRecord(17), QString());
            benchmark::DoNotOptimize(values);
            ++rows;
        }
        if (rows != kRows)
            state.SkipWithError("wrong record count");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReadRecords)->Unit(benchmark::kMillisecond);

} // namespace
