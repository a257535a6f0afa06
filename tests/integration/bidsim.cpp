#include "tests/integration/bidsim.h"

#include "engine/frmfailurereport.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/passwords.h"
#include "platform/ansi.h"
#include "platform/listview.h"
#include "platform/statusbar.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QPointer>
#include <QTest>

namespace BidSim {

frmMainEngine &MainWindow()
{
    Server();
    frmMainEngine &main = frmMainEngine::instance();
    if (main.lvwAuctions->ColumnCount() == 0)
        for (const auto &c : TrackedAuction::kColumns)
            main.lvwAuctions->AddColumn(c.key, c.caption);
    if (main.StatusBar->PanelCount() == 0)
        for (const char *key : {"IEStatus", "Status", "Feedback"})
            main.StatusBar->AddPanel(QString::fromLatin1(key));
    return main;
}

void SetUpAccount(const QString &user, const QString &password)
{
    ListView *users = frmSettings::instance().lvwUsers;
    ListItem *row = users->FindItem(user);
    if (!row)
        row = users->Add(user);
    row->setTag(basGeneral::ScramblePassword(password));
}

void ResetSimulator(const QString &user, const QString &password)
{
    MainWindow();
    Server().reset();
    Server().addAccount(user, password);
}

void ResetSimulatorAndAccount(const QString &user, const QString &password)
{
    ResetSimulator(user, password);
    SetUpAccount(user, password);
}

ListItem *AddSnipe(const QString &itemNumber, const QString &qty, const QString &amount, const QString &user)
{
    ListView *list = MainWindow().lvwAuctions;
    ListItem *row = list->Add(itemNumber);
    list->setField(row, QStringLiteral("itemtitle"), QStringLiteral("Simulated item"));
    list->setField(row, QStringLiteral("maxbid"), TrackedAuction::MaxBidText(qty, amount));
    list->setField(row, QStringLiteral("user"), user);
    row->setTag(QStringLiteral("Local"));
    return row;
}

frmBid *LatestBidWindow()
{
    return qobject_cast<frmBid *>(BidForm.data());
}

RunResult RunBid(ListItem *row, bool isBin, const std::function<void(frmBid &)> &prepare, int waitMs)
{
    RunResult result;
    MainWindow().Bid(row, true, isBin);
    QPointer<frmBid> form = LatestBidWindow();
    if (!form)
        return result;
    if (prepare)
        prepare(*form);
    QObject::connect(form, &frmBid::RunEnded, form, [&result, f = form.data()] {
        result.ended = true;
        result.caption = f->windowTitle();
        result.status = f->lblStatus->text();
        result.details = f->txtDetails->toPlainText();
        result.heightTwips = f->HeightTwips();
        result.closeEnabled = f->cmdClose->isEnabled();
        result.noAccessVisible = !f->lblNoAccess->isHidden();
        result.failed = f->blnFailed;
        result.unknownFail = f->blnUnknownFail;
        result.resultSignIn = f->strResultSignIn;
        result.resultSendBid = f->strResultSendBid;
        result.resultConfirmBid = f->strResultConfirmBid;
        result.resultSignOut = f->strResultSignOut;
    });
    QTest::qWaitFor([&] { return result.ended; }, waitMs);
    QTest::qWait(20); // lets an unloading window go
    result.windowStaysOpen = !form.isNull() && form->isVisible();
    return result;
}

QStringList BidLog()
{
    QFile file(basGeneral::DataFolder() + QStringLiteral("logbids.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QString &line : Ansi::decode(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const qsizetype at = line.indexOf(QStringLiteral(": "));
        lines.prepend(at < 0 ? line : line.mid(at + 2));
    }
    return lines;
}

void ClearBidLog()
{
    QFile::remove(basGeneral::DataFolder() + QStringLiteral("logbids.txt"));
}

void CloseBidWindows()
{
    if (frmBid *form = LatestBidWindow())
        form->cmdClose_Click();
    if (frmFailureReport::isLoaded())
        frmFailureReport::instance().hide();
}

QString Kind(const Sim::LogEntry &entry)
{
    const QString &t = entry.target;
    if (t.contains(QLatin1String("SignInWelcome")))
        return QStringLiteral("signin");
    if (t.contains(QLatin1String("ssPageName=h:h:sout")))
        return QStringLiteral("signout");
    if (t.contains(QLatin1String("MfcISAPICommand=BinConfirm")))
        return QStringLiteral("purchase");
    if (t.contains(QLatin1String("firedFilteredId=")))
        return QStringLiteral("currency");
    if (RefreshSim::IsBidConfirmation(entry))
        return QStringLiteral("confirm");
    if (t.contains(QLatin1String("?MakeBid&")))
        return QStringLiteral("prepare");
    return t;
}

QStringList RequestKinds(qint64 from)
{
    QStringList kinds;
    for (const Sim::LogEntry &e : RequestsSince(from))
        kinds << Kind(e);
    return kinds;
}

QStringList BidRequestKinds(qint64 from)
{
    QStringList kinds = RequestKinds(from);
    kinds.removeIf([](const QString &kind) { return kind.startsWith(QLatin1Char('/')); });
    return kinds;
}

} // namespace BidSim
