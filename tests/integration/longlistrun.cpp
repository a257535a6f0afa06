#include "tests/integration/longlistrun.h"

#include "engine/listfileformat.h"
#include "tests/integration/programrun.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/waitfor.h"

#include <QProcess>

#include <algorithm>

namespace LongListRun {

using RefreshSim::Server;

QString AddLamp(const QDateTime &endsAt)
{
    Sim::SimItem item;
    item.title = QStringLiteral("Vintage brass table lamp");
    item.price = 10.0;
    item.endsAt = endsAt;
    const QString number = Server().items().add(item);
    Server().items().find(number)->picture = Server().url(QStringLiteral("/pane/") + number + QStringLiteral(".gif"));
    return number;
}

QString Record(const Sim::SimItem &item, const QString &timeLeft, const QString &maxBid, const QString &tag)
{
    const QDateTime pacific = item.endsAt.toUTC().addSecs(-8 * 3600);
    const QStringList values = {
        item.number,
        QStringLiteral("Vintage brass table lamp, opal glass shade, no. ") + item.number,
        timeLeft,
        pacific.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
        QStringLiteral("0"),
        QStringLiteral("1"),
        QStringLiteral("US $10.00"),
        maxBid,
        QStringLiteral("alice"),
        QString(),
        QString(),
        QStringLiteral("US $4.00"),
        QStringLiteral("lampseller"),
        item.picture,
        QString(),
        QString(),
    };
    QString line;
    ListFile::AppendRecord(line, ListFile::RecordFromRow(values, tag));
    return line;
}

QString FarRows(int count, const QDateTime &now, QString *middle)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        const QString number = AddLamp(now.addSecs(86400 + qint64(i) * 3));
        if (middle && i == count / 2)
            *middle = number;
        text += Record(*Server().items().find(number), QStringLiteral("1 d 2 h "),
                       i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"),
                       i % 3 ? QStringLiteral("Local") : QString());
    }
    return text;
}

QString OutcomeInFile(const QString &text, const QString &number)
{
    const qsizetype at = text.indexOf(QLatin1Char('"') + number + QStringLiteral("\","));
    if (at < 0)
        return {};
    const QStringList fields = text.mid(at, text.indexOf(QStringLiteral("\r\n"), at) - at).split(QStringLiteral("\",\""));
    const QString won = fields.value(14);
    // "won" reads "False" while the auction runs.
    return fields.value(2) == QLatin1String("Ended") && (won == QLatin1String("True") || won == QLatin1String("False")) ? won : QString();
}

Snipes AddSnipes(int count, const QDateTime &now, qint64 firstEndS, qint64 spanS)
{
    Snipes out;
    for (int i = 0; i < count; ++i) {
        // Whole seconds, as eBay's clock shows them.
        out.ends << QDateTime::fromSecsSinceEpoch(now.toSecsSinceEpoch() + firstEndS + spanS * i / count, Qt::UTC);
        out.numbers << AddLamp(out.ends.last());
        out.records += Record(*Server().items().find(out.numbers.last()), QStringLiteral("10 m"),
                              QStringLiteral("1 @ 25.00"), QStringLiteral("Local"));
    }
    return out;
}

void BidLogWatch::poll()
{
    const QStringList lines = RefreshSim::DataFileText(QStringLiteral("logbids.txt")).split(QStringLiteral("\r\n"));
    for (const QString &line : lines)
        if (line.contains(QLatin1String(" not placed")))
            m_lines.insert(line);
}

QString BidLogWatch::saidMissed(const QString &number) const
{
    const QString said = QStringLiteral("Snipe on item # ") + number + QStringLiteral(" not placed");
    const auto line = std::find_if(m_lines.cbegin(), m_lines.cend(), [&](const QString &l) { return l.contains(said); });
    return line == m_lines.cend() ? QString() : *line;
}

QList<SnipeTiming> Timings(qint64 mark, const Snipes &snipes, qint64 bidDelayS, const BidLogWatch &log)
{
    const QList<Sim::LogEntry> requests = RefreshSim::RequestsSince(mark);
    QList<SnipeTiming> out;
    for (qsizetype i = 0; i < snipes.numbers.size(); ++i) {
        SnipeTiming t;
        t.number = snipes.numbers[i];
        const QDateTime end = snipes.ends[i];
        t.end = end;
        for (const Sim::LogEntry &e : requests) {
            if (!RefreshSim::IsBidConfirmation(e, t.number))
                continue;
            if (t.confirmations++ == 0)
                t.fromMomentMs = end.addSecs(-bidDelayS).msecsTo(e.arrival);
            t.afterEnd = t.afterEnd || e.arrival >= end;
        }
        t.saidMissed = log.saidMissed(t.number);
        out << t;
    }
    return out;
}

void RunPastTheLastEnd(const Snipes &snipes, const QDateTime &now, BidLogWatch &log)
{
    QProcess program;
    ProgramRun::StartDriven(program, {QStringLiteral("/nomon")});
    const QDateTime over = snipes.ends.last().addSecs(20);
    waitFor(
        [&] {
            log.poll();
            return QDateTime::currentDateTimeUtc() > over;
        },
        int(now.msecsTo(over) + 30000));
    ProgramRun::Stop(program);
    log.poll();
}

} // namespace LongListRun
