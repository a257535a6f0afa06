#include "tests/integration/refreshsimutil.h"

#include "engine/ebayclock.h"
#include "engine/frmreminder.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/hostroles.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/network.h"
#include "platform/statusbar.h"
#include "platform/ticktimer.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QRegularExpression>

#include <algorithm>

namespace RefreshSim {

Sim::SimServer *StartServer(const Sim::SimServer::Options &options)
{
    auto *s = new Sim::SimServer; // lives as long as the process
    if (!s->start(options))
        qFatal("simulator: %s", qPrintable(s->errorString()));
    qputenv("TALLOWMERE_HOSTS", s->hostsFile().toUtf8());
    qputenv("TALLOWMERE_CA", s->caFile().toUtf8());
    HostRoles::reload();
    Network::trustConfiguredAuthority();
    return s;
}

Sim::SimServer &HostsOf(Sim::SimServer &server)
{
    if (qEnvironmentVariableIsEmpty("TALLOWMERE_HOSTS")) {
        qputenv("TALLOWMERE_HOSTS", server.hostsFile().toUtf8());
        HostRoles::reload();
    }
    return server;
}

Sim::SimServer &Server()
{
    static Sim::SimServer *server = StartServer({});
    return HostsOf(*server);
}

qint64 Mark()
{
    return Server().requestLog().nextIndex();
}

QList<Sim::LogEntry> RequestsSince(qint64 mark)
{
    return Server().requestLog().since(mark);
}

bool IsBidConfirmation(const Sim::LogEntry &entry, const QString &number)
{
    return entry.target.contains(QLatin1String("MfcISAPICommand=MakeBid"))
        && (number.isEmpty() || entry.target.contains(QStringLiteral("item=") + number));
}

QList<Sim::LogEntry> BidConfirmationsSince(qint64 mark, const QString &number)
{
    QList<Sim::LogEntry> found;
    for (const Sim::LogEntry &e : RequestsSince(mark))
        if (IsBidConfirmation(e, number))
            found << e;
    return found;
}

QStringList TargetsSince(qint64 mark)
{
    QStringList targets;
    for (const Sim::LogEntry &e : RequestsSince(mark))
        targets << e.scheme + QLatin1Char(' ') + e.target;
    return targets;
}

namespace {

bool sendsPassword(const Sim::LogEntry &e)
{
    static const QRegularExpression field(QStringLiteral("[?&](pass|pswd|password)="),
                                          QRegularExpression::CaseInsensitiveOption);
    return field.match(e.target).hasMatch();
}

} // namespace

QStringList PasswordsInTheClear(const QList<Sim::LogEntry> &requests)
{
    QStringList found;
    for (const Sim::LogEntry &e : requests)
        if (!e.refused.isEmpty() || (sendsPassword(e) && e.scheme != QLatin1String("https")))
            found << e.scheme + QLatin1Char(' ') + e.target;
    return found;
}

QStringList PasswordsInTheClear(qint64 mark)
{
    return PasswordsInTheClear(RequestsSince(mark));
}

int PasswordsSentSecurely(const QList<Sim::LogEntry> &requests)
{
    return int(std::count_if(requests.cbegin(), requests.cend(), [](const Sim::LogEntry &e) {
        return sendsPassword(e) && e.scheme == QLatin1String("https") && e.refused.isEmpty();
    }));
}

void Form::SyncHTMLList(bool, const QString &)
{
    ++syncs;
    if (onSync)
        onSync();
}

void Form::Remind(const QString &strItemNum, const QString &strItemTitle, const QString &strMsg)
{
    frmMainEngine::Remind(strItemNum, strItemTitle, strMsg);
    if (onRemind)
        onRemind(strItemNum);
}

void Form::Bid(ListItem *Item, bool IsSnipe, bool IsBin)
{
    bids << Item->Text();
    bidMoments << QDateTime::currentDateTime();
    if (realBid)
        frmMainEngine::Bid(Item, IsSnipe, IsBin);
}

namespace {

qint64 g_clockAhead = 0;

Form &newWindow()
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    if (frmReminder::isLoaded())
        frmReminder::unloadInstance();
    frmMainShell::setFactory([] { return new Form; });
    auto &form = static_cast<Form &>(frmMainEngine::instance());
    form.tmrLoadProcess->setEnabled(false);
    form.lvwAuctions->ClearColumns();
    for (const auto &c : TrackedAuction::kColumns)
        form.lvwAuctions->AddColumn(c.key, c.caption);
    if (form.StatusBar->PanelCount() == 0)
        for (const char *key : {"IEStatus", "Status", "Feedback"})
            form.StatusBar->AddPanel(QString::fromLatin1(key));
    form.LastDate = QDate::currentDate();
    EbayClock::ForgetMeasurement();
    return form;
}

} // namespace

Form &FreshForm(int zoneHours)
{
    Sim::SimServer &sim = Server();
    sim.reset();
    g_clockAhead = 0;
    EbayClock::SetComputerClockAhead(0);
    sim.addAccount(QStringLiteral("alice"), QStringLiteral("pw"));
    Form &form = newWindow();

    frmSettings &s = frmSettings::instance();
    s.lvwUsers->Clear();
    s.lvwUsers->Add(QStringLiteral("alice"))->setTag(basGeneral::ScramblePassword(QStringLiteral("pw")));
    CurrentUser = QStringLiteral("alice");
    s.optAlwaysOn->setChecked(true);
    s.ddnBidDelay->setCurrentIndex(s.ddnBidDelay->findData(1));
    s.ddnFastSyncInterval->setCurrentIndex(s.ddnFastSyncInterval->findData(5));
    s.ddnSyncInterval->setCurrentIndex(s.ddnSyncInterval->findData(60));
    s.cboTimeZone->setCurrentIndex(s.cboTimeZone->findData(zoneHours));
    SaveSetting(QStringLiteral("Time Zone"), QString::number(s.cboTimeZone->currentIndex()));
    SaveSetting(QStringLiteral("Lead time"), QStringLiteral("3"));
    QFile::remove(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
    QFile::remove(basGeneral::DataFolder() + QStringLiteral("bidresults.dat"));
    return form;
}

Form &RestartedForm()
{
    return newWindow();
}

QString AddItem(qint64 secondsLeft, double price, std::function<void(Sim::SimItem &)> adjust)
{
    Sim::SimItem item;
    item.endsAt = Server().now().addSecs(secondsLeft);
    item.price = price;
    if (adjust)
        adjust(item);
    return Server().items().add(item);
}

ListItem *AddRow(const QString &number, std::initializer_list<std::pair<const char *, QString>> fields,
                 const QString &tag)
{
    ListView *list = EngineForm().lvwAuctions;
    ListItem *row = list->Add(number);
    for (const auto &[key, value] : fields)
        list->setField(row, QString::fromLatin1(key), value);
    row->setTag(tag);
    return row;
}

QString Field(const ListItem *row, const char *key)
{
    return EngineForm().lvwAuctions->Field(row, QLatin1String(key));
}

void SetField(ListItem *row, const char *key, const QString &value)
{
    EngineForm().lvwAuctions->setField(row, QLatin1String(key), value);
}

int SecondsShown(const ListItem *row)
{
    QString text = Field(row, "timeleft");
    return basGeneral::ParseTimeLeft(text);
}

void LetTimePass(qint64 seconds)
{
    g_clockAhead += seconds;
    Server().advanceClock(seconds);
    EbayClock::SetComputerClockAhead(g_clockAhead);
}

bool RunUntil(const std::function<bool()> &done, double seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > qint64(seconds * 1000))
            return false;
        Desktop::WaitWithEvents(20);
    }
    return true;
}

void AddFault(const QString &pattern, Sim::FaultMode mode, int count, int delayMs)
{
    Sim::FaultRule rule;
    rule.pattern = pattern;
    rule.mode = mode;
    rule.remaining = count;
    rule.delayMs = delayMs;
    Server().faults().add(rule);
}

QString DataFileText(const QString &name)
{
    QFile file(basGeneral::DataFolder() + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

} // namespace RefreshSim
