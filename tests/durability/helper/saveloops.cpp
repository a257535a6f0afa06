#include "tests/durability/helper/saveloops.h"

#include "tests/engine/enginetestutil.h"

#include "engine/bidrecord.h"
#include "foundation/basgeneral.h"
#include "platform/ansi.h"
#include "platform/listview.h"
#include "platform/registry.h"
#include "sellertools/updateinfo.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

namespace SaveLoops {

namespace {

constexpr int kRows = 40;
constexpr int kSettings = 20;
constexpr int kUpdateLines = 2000;

QString updateReply(qint64 generation)
{
    QStringList lines;
    for (int i = 0; i < kUpdateLines; ++i)
        lines << QStringLiteral("line %1 of generation %2").arg(i).arg(generation);
    return lines.join(QStringLiteral("\r\n"));
}

Registry::Value text(const QString &s)
{
    Registry::Value v;
    v.type = Registry::String;
    v.data = s.toLatin1();
    return v;
}

void loopList(const std::function<void()> &ready)
{
    EngineTest::FreshForm();
    for (int i = 0; i < kRows; ++i)
        EngineTest::AddRow(QString::number(300000000000LL + i), {{"itemtitle", QStringLiteral("Item %1 with a longer title").arg(i)}});
    ListView *list = EngineForm().lvwAuctions;
    for (qint64 generation = 1;; ++generation) {
        for (int i = 1; i <= list->Count(); ++i)
            list->setField(list->Item(i), QStringLiteral("maxbid"), QString::number(generation));
        EngineForm().SaveList(true);
        if (generation == 1)
            ready();
    }
}

QString bidItem(int i)
{
    return QString::number(300000000000LL + i);
}

// Every row's bid recorded once, then their outcomes changed one by one.
void loopBids(const std::function<void()> &ready)
{
    EngineTest::FreshForm();
    for (int i = 0; i < kRows; ++i)
        EngineTest::AddRow(bidItem(i), {}, QStringLiteral("Local"));
    for (qint64 generation = 1;; ++generation) {
        for (int i = 0; i < kRows; ++i)
            generation % 2 ? BidRecord::MarkSent(bidItem(i)) : BidRecord::MarkConfirmed(bidItem(i));
        if (generation == 1)
            ready();
    }
}

void loopSettings(const std::function<void()> &ready)
{
    for (qint64 generation = 1;; ++generation) {
        for (int i = 0; i < kSettings; ++i)
            Registry::Store::instance().setValue(Registry::Root::CurrentUser, kLoopKey, QStringLiteral("k%1").arg(i),
                                                 text(QString::number(generation)));
        if (generation == 1)
            ready();
    }
}

void loopLog(const std::function<void()> &ready)
{
    for (qint64 generation = 1;; ++generation) {
        basGeneral::WriteLog(kLogName, QStringLiteral("entry %1").arg(generation));
        if (generation == 1)
            ready();
    }
}

void loopUpdate(const std::function<void()> &ready)
{
    for (qint64 generation = 1;; ++generation) {
        UpdateInfoFile::Save(basGeneral::DataFolder(), updateReply(generation));
        if (generation == 1)
            ready();
    }
}

QString checkList()
{
    EngineTest::FreshForm();
    if (!EngineForm().ReadListFile(QStringLiteral("data6.dat")))
        return QStringLiteral("no list file");
    const ListView *list = EngineForm().lvwAuctions;
    if (list->Count() != kRows)
        return QStringLiteral("%1 rows").arg(list->Count());
    QSet<QString> generations;
    for (int i = 1; i <= list->Count(); ++i)
        generations << list->Field(list->Item(i), QStringLiteral("maxbid"));
    return generations.size() == 1 ? QString() : QStringLiteral("rows of different saves");
}

QString checkBids()
{
    for (int i = 0; i < kRows; ++i)
        if (BidRecord::Of(bidItem(i)) == BidRecord::Outcome::None)
            return QStringLiteral("the bid on %1 lost").arg(bidItem(i));
    return {};
}

QString checkSettings()
{
    Registry::Store &store = Registry::Store::instance();
    store.reset();
    if (!QFile::exists(Registry::Store::filePath()))
        return QStringLiteral("no settings file");
    for (int i = 0; i < kSettings; ++i) {
        const auto v = store.value(Registry::Root::CurrentUser, kLoopKey, QStringLiteral("k%1").arg(i));
        if (!v || v->data.toLongLong() < 1)
            return QStringLiteral("k%1 lost").arg(i);
    }
    return QFile::exists(Registry::Store::filePath()) ? QString() : QStringLiteral("settings file set aside");
}

QString checkLog()
{
    QFile f(basGeneral::DataFolder() + kLogName);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("no log");
    // Newest first; the oldest line may be cut where the log is kept short.
    QStringList lines = Ansi::decode(f.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();
    if (lines.size() > 1)
        lines.removeLast();
    static const QRegularExpression entry(QStringLiteral("^.+: entry \\d+$"));
    if (lines.isEmpty())
        return QStringLiteral("an empty log");
    for (const QString &line : lines)
        if (!entry.match(line).hasMatch())
            return QStringLiteral("the line \"%1\"").arg(line);
    return {};
}

QString checkUpdate()
{
    QFile f(basGeneral::DataFolder() + UpdateInfoFile::kFileName);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("no update.inf");
    const QString body = Ansi::decode(f.readAll());
    static const QRegularExpression generation(QStringLiteral("generation (\\d+)\\r\\n$"));
    const auto m = generation.match(body);
    if (!m.hasMatch() || body != updateReply(m.captured(1).toLongLong()) + QStringLiteral("\r\n"))
        return QStringLiteral("update.inf is not one whole save");
    return {};
}

} // namespace

int Run(const QString &kind, const std::function<void()> &ready)
{
    if (kind == QLatin1String("list"))
        loopList(ready);
    else if (kind == QLatin1String("settings"))
        loopSettings(ready);
    else if (kind == QLatin1String("log"))
        loopLog(ready);
    else if (kind == QLatin1String("update"))
        loopUpdate(ready);
    else if (kind == QLatin1String("bids"))
        loopBids(ready);
    return 2;
}

QString Check(const QString &kind)
{
    if (kind == QLatin1String("list"))
        return checkList();
    if (kind == QLatin1String("settings"))
        return checkSettings();
    if (kind == QLatin1String("log"))
        return checkLog();
    if (kind == QLatin1String("update"))
        return checkUpdate();
    if (kind == QLatin1String("bids"))
        return checkBids();
    return QStringLiteral("unknown kind");
}

} // namespace SaveLoops
