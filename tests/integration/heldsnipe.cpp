#include "tests/integration/heldsnipe.h"

#include "engine/ebayclock.h"
#include "engine/trackedauction.h"
#include "foundation/timetext.h"
#include "items/frmaddauction.h"
#include "items/itemwindows.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/integration/bidsim.h"
#include "tests/integration/shownmain.h"
#include "tests/integration/wizardsim.h"

#include <QLineEdit>
#include <QTimer>

using namespace RefreshSim;

HeldSnipe::HeldSnipe(int endsIn) : endsInS(endsIn)
{
    WizardSim::Fresh();
    main = &ShownMain::Show();
    main->tmrTimer->setEnabled(false); // the bid is started here, once
    RegisterItemWindows();
    BidSim::ClearBidLog();
    number = AddItem(endsInS, 1.0);
    row = AddRow(number, {{"itemtitle", "Brass lamp"}, {"maxbid", "1 @ 55.00"}, {"user", "alice"}}, "Local");
    SetField(row, "enddate", TrackedAuction::EndDateSerial(EbayClock::LocalNow().addSecs(EbayClock::Offset() + endsInS)));
    // As a refresh leaves it: the tick counts down only rows in their last hour.
    SetField(row, "timeleft", basGeneral::FormatTimeLeft(qint64(endsInS)));
    from = Mark();
    main->Bid(row, true, false);
    row->setTag(QStringLiteral("Ready to bid"));
    bid = BidSim::LatestBidWindow();
}

bool HeldSnipe::held() const
{
    return !bid.isNull()
        && RunUntil([&] { return BidSim::BidLog().contains(QStringLiteral("Preparing bid")) && !bid->strUIID.isEmpty(); }, 10)
        && bid->IsRunning();
}

void HeldSnipe::link(const QString &command)
{
    bool cancel = false;
    main->HTMLList_BeforeNavigate2(QStringLiteral("tmr:///") + command + QString::number(row->Index()), cancel);
}

QStringList HeldSnipe::bidKinds() const
{
    static const QStringList bidding{"signin", "prepare", "confirm", "currency", "signout"};
    QStringList out;
    for (const Sim::LogEntry &e : RequestsSince(from))
        if (bidding.contains(BidSim::Kind(e)))
            out << BidSim::Kind(e);
    return out;
}

QStringList HeldSnipe::preparedAmounts() const
{
    QStringList out;
    for (const Sim::LogEntry &e : RequestsSince(from))
        if (BidSim::Kind(e) == QLatin1String("prepare") && e.target.contains(QStringLiteral("item=") + number))
            out << e.target.section(QStringLiteral("&maxbid="), 1);
    return out;
}

bool HeldSnipe::ended() const
{
    return RunUntil([&] { return bid.isNull(); }, endsInS + 10);
}

bool FinishWizardOpenedBy(const std::function<void()> &open, const std::function<void(frmAddAuction &)> &change)
{
    bool finished = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (!frmAddAuction::isLoaded())
            return;
        frmAddAuction &w = frmAddAuction::instance();
        if (!w.isVisible() || !w.fraBid->isVisibleTo(&w) || w.ReadingItem())
            return;
        answer.stop();
        change(w);
        WizardSim::Finish(w);
        finished = !frmAddAuction::isLoaded();
    });
    answer.start(20);
    open();
    // The wizard returns to its opener at once; it is answered from the loop.
    RefreshSim::RunUntil([&] { return !answer.isActive(); }, 30);
    answer.stop();
    return finished;
}

bool EditThroughLink(HeldSnipe &s, const std::function<void(frmAddAuction &)> &change)
{
    return FinishWizardOpenedBy([&] { s.link(QStringLiteral("edit=")); }, change);
}

bool EditMaximumThroughLink(HeldSnipe &s, const QString &amount)
{
    return EditThroughLink(s, [&](frmAddAuction &w) { w.txtMaxBid->setText(amount); });
}
