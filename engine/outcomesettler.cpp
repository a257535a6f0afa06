#include "engine/outcomesettler.h"

#include "engine/bidrecord.h"
#include "engine/ebayclock.h"
#include "engine/ebayfineclock.h"
#include "engine/mainformengine.h"
#include "engine/trackedauction.h"
#include "engine/winnerentry.h"
#include "foundation/basgeneral.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "foundation/sellertext.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/numberederror.h"
#include "platform/oncefetch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QTimer>

namespace OutcomeSettler {

namespace {

using BidState::State;

constexpr int kLookMs = 250;          // how often the followed items are looked at
constexpr qint64 kQuickReadsMs = 30'000; // read every second this long after the end
constexpr qint64 kQuickGapMs = 1000;
constexpr qint64 kSlowGapMs = 5000;
constexpr qint64 kGiveUpMs = 10 * 60'000; // then the refresh alone goes on
constexpr int kReadTimeoutSeconds = 10;

struct Followed
{
    QPointer<OnceFetch> fetch;
    QElapsedTimer sinceEnd;  // started at the first look after the end
    qint64 nextReadMs = 0;   // on sinceEnd
};

struct Follower
{
    QHash<QString, Followed> items;
    QPointer<QTimer> timer;
};

Follower &follower()
{
    static Follower instance;
    return instance;
}

QString tagShown(const QString &tag, State state)
{
    const bool bidTag = tag == SnipeState::ReadyToBid || tag == SnipeState::OutcomeUnknown || tag == SnipeState::Local
        || tag == SnipeState::Both || tag == SnipeState::BidComplete;
    // A reply still awaited is its window's to judge.
    if (!bidTag || state == State::Sending)
        return tag;
    if (BidState::Settled(state))
        return SnipeState::BidComplete;
    return BidState::BidOut(state) ? QString(SnipeState::OutcomeUnknown) : tag;
}

void readPage(const QString &itemNumber, const QString &page)
{
    if (!frmMainShell::isLoaded())
        return;
    frmMainEngine &form = EngineForm();
    ListView &list = *form.lvwAuctions;
    ListItem *row = list.FindItem(itemNumber);
    if (!row || basGeneral::TrimSpaces(page).isEmpty())
        return;
    const QString own = basGeneral::WithoutSellerText(page);
    WonDecision::PageFacts facts;
    facts.winner = WinnerEntry::Read(own);
    facts.auctionOver = PageSaysEnded(own) || facts.winner.has_value();
    const QString bids = basGeneral::GetItemField(page, QStringLiteral("bids"));
    facts.someoneBid = !(basGeneral::ReadsAsNumber(bids) && basGeneral::PriceToDouble(bids) == 0);
    const QString price = basGeneral::GetItemField(page, QStringLiteral("currentbid"));
    facts.price = basGeneral::PriceToDouble(price);
    facts.maximum = basGeneral::PriceToDouble(basGeneral::GetBidAmount(list.Field(row, QStringLiteral("maxbid"))));
    if (!facts.auctionOver)
        return;
    const State before = BidState::Of(itemNumber);
    const State state = Settle(itemNumber, facts, list.Field(row, QStringLiteral("user")), row->Tag());
    list.setField(row, QStringLiteral("timeleft"), TrackedAuction::kEnded);
    if (facts.price > 0)
        list.setField(row, QStringLiteral("currentbid"), price);
    ShowOnRow(list, row, state);
    if (state != before) {
        try {
            basGeneral::WriteLog(QStringLiteral("logbids.txt"), QStringLiteral("Outcome of the bid on item # ") + itemNumber
                                                                    + QStringLiteral(" read after its end: ") + BidState::Name(state));
        } catch (const NumberedError &) {
        }
    }
    // The list pane shows it with its next pass of events, not inside this
    // fetch's ending.
    QPointer<frmMainEngine> shown(&form);
    QTimer::singleShot(0, &form, [shown] {
        if (shown)
            shown->SyncHTMLList(false, QString());
    });
}

void startRead(const QString &itemNumber, Followed &item)
{
    const QUrl url(HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + itemNumber),
                   QUrl::TolerantMode);
    auto *fetch = new OnceFetch(url, kReadTimeoutSeconds, OnceFetch::Connection::Own, Inet::PageReplyBytes,
                                follower().timer);
    item.fetch = fetch;
    QObject::connect(fetch, &OnceFetch::ended, fetch, [fetch, itemNumber] {
        fetch->deleteLater();
        if (!fetch->error())
            readPage(itemNumber, Ansi::decode(fetch->body()));
    });
    fetch->start();
}

// One look at every item followed: a read started for each whose auction
// is over and whose next read is due; the settled and the given-up dropped.
void look()
{
    Follower &f = follower();
    const bool listed = frmMainShell::isLoaded();
    for (auto it = f.items.begin(); it != f.items.end();) {
        const QString number = it.key();
        Followed &item = it.value();
        const ListView *list = listed ? EngineForm().lvwAuctions : nullptr;
        const ListItem *row = list ? list->FindItem(number) : nullptr;
        const bool done = !row || !BidState::BidOut(BidState::Of(number))
            || (item.sinceEnd.isValid() && item.sinceEnd.elapsed() > kGiveUpMs);
        if (done) {
            if (item.fetch)
                item.fetch->cancel();
            it = f.items.erase(it);
            continue;
        }
        if (!item.sinceEnd.isValid()) {
            const auto left = EbayClock::SecondsLeft(list->Field(row, QStringLiteral("enddate")), EbayFineClock::LatestEbayNow());
            if (left && *left <= 0)
                item.sinceEnd.start();
        }
        if (item.sinceEnd.isValid() && !item.fetch && item.sinceEnd.elapsed() >= item.nextReadMs) {
            const qint64 gap = item.sinceEnd.elapsed() < kQuickReadsMs ? kQuickGapMs : kSlowGapMs;
            item.nextReadMs = item.sinceEnd.elapsed() + gap;
            startRead(number, item);
        }
        ++it;
    }
    if (f.items.isEmpty() && f.timer)
        f.timer->stop();
}

} // namespace

bool PageSaysEnded(const QString &ownText)
{
    return ownText.contains(QLatin1String(">Bidding has ended for this item<"))
        || basGeneral::InStrClean(ownText, QStringLiteral(">Ended:<")) > 0;
}

State Settle(const QString &itemNumber, const WonDecision::PageFacts &page, const QString &rowUser, const QString &tag)
{
    const State now = BidState::Of(itemNumber);
    // Only an ended page that says something decides.
    if (!BidState::BidOut(now) || !page.auctionOver || (!page.winner && page.price <= 0))
        return now;
    switch (WonDecision::Decide(page, rowUser, BidRecord::Of(itemNumber), tag)) {
    case WonDecision::Verdict::Won:
        BidState::Move(itemNumber, State::Won);
        break;
    case WonDecision::Verdict::NotWon:
        BidState::Move(itemNumber, State::Lost);
        break;
    case WonDecision::Verdict::Unknown:
        break;
    }
    return BidState::Of(itemNumber);
}

void ShowOnRow(ListView &list, ListItem *row, State state)
{
    list.setField(row, QStringLiteral("won"), state == State::Won ? TrackedAuction::kTrue : TrackedAuction::kFalse);
    const QString tag = tagShown(row->Tag(), state);
    if (tag != row->Tag())
        row->setTag(tag);
}

void Follow(const QString &itemNumber)
{
    Follower &f = follower();
    if (f.items.contains(itemNumber))
        return;
    f.items.insert(itemNumber, Followed{});
    if (!f.timer) {
        f.timer = new QTimer(QCoreApplication::instance());
        f.timer->setInterval(kLookMs);
        QObject::connect(f.timer, &QTimer::timeout, f.timer, &look);
    }
    if (!f.timer->isActive())
        f.timer->start();
}

int Following()
{
    return int(follower().items.size());
}

} // namespace OutcomeSettler
