// Sellers' titles that carry the bid pages' own marker texts, against the
// simulator: the bid pages show the item's title beside their own texts, and
// a bid on such an item ends, for every kind of reply, as it does on an item
// with a plain title.
#include "tests/integration/bidsim.h"

#include "engine/bidfailures.h"
#include "engine/bidreply.h"
#include "engine/frmbid.h"
#include "engine/frmfailurereport.h"
#include "foundation/htmlentities.h"
#include "foundation/settingsstore.h"
#include "platform/listview.h"
#include "sim/core/bidpages.h"
#include "sim/core/pages.h"
#include "sim/core/simhttp.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include <functional>

using namespace BidSim;

namespace {

const QString kUser = QStringLiteral("alice");
const QString kPassword = QStringLiteral("pw 1");
const QString kPlainTitle = QStringLiteral("Brass lamp");

// Whole titles, each made of what the bid window looks for in a reply. The
// markers that begin with ">" are read right after a tag, so their titles
// begin with them.
const QStringList kMarkerTitles = {
    QStringLiteral("This listing was ended by the seller"),
    QStringLiteral("Brass lamp - Invalid Item"),
    QStringLiteral("This Buy It Now listing has ended."),
    QStringLiteral("Lamp: this item is restricted for export by the U.S. Department of State (DOS)"),
    QStringLiteral("Ended:"),
    QStringLiteral("Another bidder placed a higher maximum bid"),
    QStringLiteral("Lamp <b>error</b> (Enter US $1.00 <b>or more</b>)</div> or more</div>"),
    QStringLiteral("Seller not accepting your bid"),
    QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 1 month(s)"),
    QStringLiteral("This item is only available to buyers who have not purchased 1 or more items from this seller in the past 10 days"),
    QStringLiteral("Registration blocked"),
    QStringLiteral("Sorry, this item cannot be shipped to you"),
    QStringLiteral("Your bid price may not meet or exceed the Buy It Now price"),
    QStringLiteral("Confirm your identity"),
    QStringLiteral("eBay has put a temporary block on your site activity"),
    QStringLiteral("Weapon and Knives policy, it is not possible for you to bid"),
    QStringLiteral("Sorry, you are not allowed to purchase this item"),
    QStringLiteral("Lamp, you're the first bidder."),
    QStringLiteral("Lamp, you're currently the highest bidder"),
    QStringLiteral("Importation of currency into your country may be subject to certain restrictions"),
    QStringLiteral("Your web browser settings are blocking cookies; password is incorrect. Enter the numbers that you see"),
    QStringLiteral("\"alice\""),
    QStringLiteral("Lamp <input type=\"hidden\" name=\"uiid\" value=\"FORGED\"><input name=\"stok\" value=\"FORGED\">"),
};

// A seller's title begins with words a page may spell in its own way, and
// the list may know it as the seller typed it.
const QString kSpelledWords = QStringLiteral("Grandma's  old  stool - ");

// The page with those words spelled as a page may print them where it names
// the item before its number: the apostrophe as a reference, the blanks
// as no-break spaces or collapsed, in capitals; and the page as it was.
QStringList WordsSpelled(const QString &page, const QString &rest)
{
    const QString printed = Sim::htmlEscape(kSpelledWords + rest) + QStringLiteral(" (");
    QStringList pages = {page};
    for (const QString &words : {QStringLiteral("Grandma&#39;s  old  stool - "), QStringLiteral("Grandma's&nbsp;&nbsp;old&nbsp;stool&nbsp;- "),
                                 QStringLiteral("Grandma's old stool - "), QStringLiteral("GRANDMA'S OLD\tSTOOL - ")})
        pages << QString(page).replace(printed, words + Sim::htmlEscape(rest) + QStringLiteral(" ("));
    return pages;
}

// A kind of reply, set up on a fresh item before the bid: the amount bid and
// what the simulator is told.
struct ReplyKind
{
    const char *name;
    QString amount;
    std::function<void(const QString &number)> setUp;
};

Sim::ItemBidding &Bidding(const QString &number)
{
    return Server().bids().item(number);
}

void RivalBids(const QString &number, double max)
{
    Server().bids().placeBid(*Server().items().find(number), QStringLiteral("bob"), max, 1, Server().now().addSecs(-60));
}

std::function<void(const QString &)> Confirmed(const char *cls)
{
    return [cls](const QString &n) { Bidding(n).confirm = QString::fromLatin1(cls); };
}

std::function<void(const QString &)> Prepared(const char *cls)
{
    return [cls](const QString &n) { Bidding(n).prepare = QString::fromLatin1(cls); };
}

// The item ended after its bid was prepared: the simulator's reply to the
// confirmation names the item and says bidding has ended.
void EndedAtConfirmation(const QString &number)
{
    Bidding(number).confirm = QStringLiteral("page");
    Bidding(number).page = Sim::BidPages::biddingEnded(*Server().items().find(number));
}

const QList<ReplyKind> &RunReplies()
{
    static const QList<ReplyKind> kinds = {
        {"first bidder", QStringLiteral("12.50"), {}},
        {"highest bidder", QStringLiteral("12.50"), [](const QString &n) { RivalBids(n, 11.0); }},
        {"outbid", QStringLiteral("12.50"), [](const QString &n) { RivalBids(n, 80.0); }},
        {"too low", QStringLiteral("9.00"), {}},
        {"seller not accepting", QStringLiteral("12.50"), Confirmed("B2")},
        {"not allowed to purchase", QStringLiteral("12.50"), Confirmed("B13")},
        {"currency notice", QStringLiteral("12.50"), Confirmed("currency")},
        {"unknown reply", QStringLiteral("12.50"), Confirmed("unknown")},
        {"ended at confirmation", QStringLiteral("12.50"), EndedAtConfirmation},
        {"redirect to the item's page", QStringLiteral("12.50"), Confirmed("redirect")},
        {"ended by the seller", QStringLiteral("12.50"), Prepared("A2")},
        {"invalid item", QStringLiteral("12.50"), Prepared("A3")},
        {"bought with Buy It Now", QStringLiteral("12.50"), Prepared("A4")},
        {"restricted for export", QStringLiteral("12.50"), Prepared("A5")},
        {"ended", QStringLiteral("12.50"), Prepared("A6")},
    };
    return kinds;
}

QString Flag(const char *name, bool value)
{
    return QString::fromLatin1(name) + QStringLiteral(": ") + (value ? QStringLiteral("yes") : QStringLiteral("no"));
}

// The log without the item's own number, which differs between the items.
QString LogOf(const QString &number)
{
    return BidLog().join(QStringLiteral(" | ")).replace(number, QStringLiteral("<item>"));
}

// What the user and the simulator are left with after a run, as one text.
QString RunOutcome(const QString &title, const ReplyKind &kind)
{
    // The row read that the previous run's window left behind, and the
    // refresh it starts, end before this run's requests are counted.
    QTest::qWait(50);
    QTest::qWaitFor([] { return !MainWindow().blnRefreshing; }, 30000);
    ClearBidLog();
    const QString number = AddItem(3600, 10.0, [&title](Sim::SimItem &item) { item.title = title; });
    if (kind.setUp)
        kind.setUp(number);
    ListItem *row = AddSnipe(number, QStringLiteral("1"), kind.amount, kUser);
    const qint64 from = Server().requestLog().nextIndex();
    const RunResult r = RunBid(row);
    const QStringList requests = RequestKinds(from);
    if (frmBid *form = LatestBidWindow())
        form->cmdClose_Click();
    QStringList maxima;
    for (const Sim::ProxyBid &m : Bidding(number).maxima)
        maxima << m.user + QLatin1Char(' ') + QString::number(m.max, 'f', 2);
    return QStringList({Flag("ended", r.ended), QStringLiteral("caption: ") + r.caption, QStringLiteral("reason: ") + r.details,
                        Flag("stays open", r.windowStaysOpen), Flag("failed", r.failed), Flag("unknown", r.unknownFail),
                        QStringLiteral("requests: ") + requests.join(QLatin1Char(' ')).replace(number, QStringLiteral("<item>")),
                        QStringLiteral("maxima: ") + maxima.join(QStringLiteral(", ")),
                        QStringLiteral("winner: ") + Server().items().find(number)->winner,
                        QStringLiteral("log: ") + LogOf(number)})
        .join(QLatin1Char('\n'));
}

const QString kToken = QStringLiteral("UIID42");

// The one-call bid and purchase's kinds of reply.
const QList<ReplyKind> &OneCallReplies()
{
    static const QList<ReplyKind> kinds = {
        {"first bidder", QStringLiteral("20.00"), {}},
        {"highest bidder", QStringLiteral("20.00"), [](const QString &n) { RivalBids(n, 15.0); }},
        {"outbid", QStringLiteral("20.00"), [](const QString &n) { RivalBids(n, 50.0); }},
        {"too low", QStringLiteral("9.00"), {}},
        {"seller not accepting", QStringLiteral("20.00"), Confirmed("B2")},
        {"ended at confirmation", QStringLiteral("20.00"), EndedAtConfirmation},
        {"redirect to the item's page", QStringLiteral("20.00"), Confirmed("redirect")},
    };
    return kinds;
}

// The one-call bid (or purchase) on a window whose page token is set, as the
// run leaves it: what the user, the settings and the simulator are left with.
QString OneCallOutcome(const QString &title, const ReplyKind &kind, bool buy)
{
    ClearBidLog();
    SaveSetting(QStringLiteral("W"), QStringLiteral("0"));
    SaveSetting(QStringLiteral("F"), QStringLiteral("0"));
    const QString number = AddItem(3600, 10.0, [&title](Sim::SimItem &item) {
        item.title = title;
        item.buyItNow = 30.0;
    });
    Bidding(number).uiid = kToken;
    if (kind.setUp)
        kind.setUp(number);
    ListItem *row = AddSnipe(number, QStringLiteral("1"), kind.amount, kUser);
    const qint64 from = Server().requestLog().nextIndex();

    QPointer<frmBid> form = new frmBid;
    form->ItemNumber = number;
    form->MaxBid = kind.amount;
    form->Qty = 1;
    form->UserName = kUser;
    form->Password = kPassword;
    form->strUIID = kToken;
    form->Buy = buy;
    MainWindow().blnBidding = true;
    QString caption, reason;
    bool failed = false;
    QObject::connect(form, &frmBid::RunEnded, form, [&, f = form.data()] {
        caption = f->windowTitle();
        reason = f->txtDetails->toPlainText();
        failed = f->blnFailed;
    });
    form->PlaceBid();
    QTest::qWait(20);
    const bool open = !form.isNull();
    delete form.data();

    const Sim::SimItem &item = *Server().items().find(number);
    return QStringList({QStringLiteral("caption: ") + caption, QStringLiteral("reason: ") + reason, Flag("failed", failed),
                        Flag("stays open", open), QStringLiteral("row: ") + row->Tag(),
                        QStringLiteral("W: ") + GetSetting(QStringLiteral("W")), QStringLiteral("F: ") + GetSetting(QStringLiteral("F")),
                        QStringLiteral("requests: ") + RequestKinds(from).join(QLatin1Char(' ')).replace(number, QStringLiteral("<item>")),
                        QStringLiteral("bought: ") + QString::number(Bidding(number).purchases),
                        QStringLiteral("winner: ") + item.winner, QStringLiteral("log: ") + LogOf(number)})
        .join(QLatin1Char('\n'));
}

class BidTitlesWithSimulator : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ResetSimulatorAndAccount(kUser, kPassword);
        MsgBoxScript::instance().clear();
    }

    void TearDown() override
    {
        if (frmFailureReport::isLoaded())
            frmFailureReport::unloadInstance();
    }

    // Every marker title against the kinds of reply from `first` on, `count`
    // of them.
    static void EachTitleReadsAsAPlainOne(qsizetype first, qsizetype count)
    {
        for (const ReplyKind &kind : RunReplies().mid(first, count)) {
            SCOPED_TRACE(kind.name);
            const QString plain = RunOutcome(kPlainTitle, kind);
            for (const QString &title : kMarkerTitles)
                EXPECT_EQ(RunOutcome(title, kind).toStdString(), plain.toStdString()) << "title: " << title.toStdString();
        }
    }
};

} // namespace

TEST_F(BidTitlesWithSimulator, ConfirmationRepliesReadAsWithAPlainTitle)
{
    EachTitleReadsAsAPlainOne(0, 10);
}

TEST_F(BidTitlesWithSimulator, PreparationRepliesReadAsWithAPlainTitle)
{
    EachTitleReadsAsAPlainOne(10, -1);
}

TEST_F(BidTitlesWithSimulator, OneCallBidsAndPurchasesReadAsWithAPlainTitle)
{
    for (const bool buy : {false, true}) {
        for (const ReplyKind &kind : OneCallReplies()) {
            SCOPED_TRACE(std::string(buy ? "purchase, " : "bid, ") + kind.name);
            const QString plain = OneCallOutcome(kPlainTitle, kind, buy);
            for (const QString &title : kMarkerTitles)
                EXPECT_EQ(OneCallOutcome(title, kind, buy).toStdString(), plain.toStdString()) << "title: " << title.toStdString();
        }
    }
}

// Every bid page, also as a site names the item in a plain paragraph the
// readers were never taught, with each marker title: the reply says what it
// says with a plain title, by every marker the bid window reads, once the
// row's title is known.
TEST(BidPageTitles, EveryBidPageInEveryItemLineReadsAsWithAPlainTitle)
{
    QStringList markers = {frmBid::kCookiesBlocked, frmBid::kPasswordIncorrect, frmBid::kEnterNumbers, frmBid::kEndedMarker,
                           frmBid::kCurrencyNotice, frmBid::kOutbid, QStringLiteral("you're the first bidder"),
                           QStringLiteral("you're currently the highest bidder"), frmBid::kPurchaseConfirmed,
                           QStringLiteral("Buy It Now is not available for this item")};
    for (const QList<BidFailures::FailureRow> *rows : {&BidFailures::PreparationFailures(), &BidFailures::ConfirmationFailures()})
        for (const BidFailures::FailureRow &row : *rows)
            markers << row.anyOf << row.alsoRequired;
    markers.removeAll(QString());
    const auto pagesOf = [](const Sim::SimItem &item) {
        QStringList pages = {Sim::BidPages::review(item, kUser, QStringLiteral("12.50"), QStringLiteral("1"), kToken, QStringLiteral("S1")),
                             Sim::BidPages::ended(item), Sim::BidPages::firstBidder(item, kUser),
                             Sim::BidPages::highestBidder(item, kUser), Sim::BidPages::outbid(item), Sim::BidPages::tooLow(item),
                             Sim::BidPages::currencyNotice(item, kToken, QStringLiteral("F1"), QStringLiteral("S1")),
                             Sim::BidPages::biddingEnded(item), Sim::BidPages::purchased(item, kUser, 30.0),
                             Sim::BidPages::noBuyItNow(item)};
        for (int n = 2; n <= 5; ++n)
            pages << Sim::BidPages::preparationFailure(QStringLiteral("A%1").arg(n), item.number, kUser, &item);
        for (int n = 2; n <= 13; ++n)
            pages << Sim::BidPages::confirmationFailure(QStringLiteral("B%1").arg(n), &item);
        return pages;
    };
    const auto reading = [&markers](const QString &page, const QString &title) {
        const BidReply reply(page, title);
        QString out;
        for (const QString &marker : std::as_const(markers))
            out += reply.says(marker) ? QLatin1Char('1') : QLatin1Char('0');
        return out + QStringLiteral(" empty %1 user %2 uiid %3 stok %4")
                         .arg(reply.isEmpty())
                         .arg(reply.namesUser(kUser))
                         .arg(reply.input(QStringLiteral("uiid")), reply.input(QStringLiteral("stok")));
    };
    int read = 0;
    for (const char *layout : {"default", "unfamiliar"}) {
        Sim::SimItem item;
        item.number = QStringLiteral("110000000042");
        item.title = kPlainTitle;
        item.layout = QString::fromLatin1(layout);
        const QStringList plain = pagesOf(item);
        for (const QString &title : kMarkerTitles) {
            item.title = title;
            const QStringList planted = pagesOf(item);
            item.title = kSpelledWords + title;
            const QStringList spelled = pagesOf(item);
            for (qsizetype p = 0; p < plain.size(); ++p, ++read) {
                const QString expected = reading(plain.at(p), kPlainTitle);
                EXPECT_EQ(reading(planted.at(p), title).toStdString(), expected.toStdString())
                    << layout << ", page " << p << ", title " << title.toStdString();
                // However the page spells the title's words.
                for (const QString &page : WordsSpelled(spelled.at(p), title))
                    EXPECT_EQ(reading(page, kSpelledWords + title).toStdString(), expected.toStdString())
                        << layout << ", page " << p << ", title " << title.toStdString() << "\n" << page.toStdString();
            }
        }
    }
    EXPECT_GE(read, 2 * 20 * int(kMarkerTitles.size()));
}

namespace {

// Titles holding eBay's purchase confirmation as a seller may type it.
const QStringList kConfirmationTitles = {
    QStringLiteral("Oak stool - You committed to buy this item"),
    QStringLiteral("Oak  stool -  You  committed to buy this item"),
    QStringLiteral("Oak&nbsp;&nbsp;stool - You committed to buy this item"),
    QStringLiteral("Grandma's stool - You committed to buy this item"),
    QStringLiteral("You committed to buy this item"),
    QStringLiteral("YOU COMMITTED TO BUY THIS ITEM"),
    QStringLiteral("Congratulations alice! You committed to buy this item for US $30.00."),
    QStringLiteral("Stool (You committed to buy this item) (110000000001)"),
    QStringLiteral(u"Stool\u00A0\u2013 You\u00A0committed to buy this item"),
    QStringLiteral("<div class=\"statusmsg\"><p>You committed to buy this item</p></div>"),
};

const QStringList kLayouts = {QStringLiteral("default"),     QStringLiteral("unfamiliar"),       QStringLiteral("moved"),
                              QStringLiteral("ended_table"), QStringLiteral("ended_div"),        QStringLiteral("fixed_price"),
                              QStringLiteral("fixed_price_sale"), QStringLiteral("non_us_fr"),   QStringLiteral("non_us_de")};

struct PurchaseAnswer
{
    QString name;
    QString page;
    bool confirms = false; // eBay's own confirmation
    bool refuses = false;  // one of eBay's refusals, told by name
};

// Every page the simulator answers a purchase with, the item's own page (a
// redirect's end) and a refusal the simulator never prints.
QList<PurchaseAnswer> PurchaseAnswers(const Sim::SimItem &item)
{
    Sim::PageContext context;
    context.now = QDateTime::currentDateTimeUtc();
    context.httpBase = QStringLiteral("http://127.0.0.1:1");
    QList<PurchaseAnswer> answers = {
        {QStringLiteral("bought"), Sim::BidPages::purchased(item, kUser, 30.0), true, false},
        {QStringLiteral("no Buy It Now price"), Sim::BidPages::noBuyItNow(item), false, true},
        {QStringLiteral("Buy It Now gone"), Sim::BidPages::buyItNowGone(item), false, true},
        {QStringLiteral("quantity not available"), Sim::BidPages::quantityNotAvailable(item), false, true},
        {QStringLiteral("Buy It Now listing ended"),
         Sim::BidPages::preparationFailure(QStringLiteral("A4"), item.number, kUser, &item), false, true},
        {QStringLiteral("session expired"), Sim::BidPages::sessionExpired(), false, true},
        {QStringLiteral("wrong password"), Sim::BidPages::wrongPassword(), false, true},
        {QStringLiteral("bidding ended"), Sim::BidPages::biddingEnded(item), false, true},
        {QStringLiteral("removed item"), Sim::Pages::removedItem(item.number), false, true},
        {QStringLiteral("outbid"), Sim::BidPages::outbid(item), false, true},
        {QStringLiteral("first bidder"), Sim::BidPages::firstBidder(item, kUser), false, false},
        {QStringLiteral("highest bidder"), Sim::BidPages::highestBidder(item, kUser), false, false},
        {QStringLiteral("unknown reply"), Sim::BidPages::unknownReply(), false, false},
        {QStringLiteral("sign-in page"), Sim::BidPages::signInRequired(), false, false},
        {QStringLiteral("empty"), QString(), false, false},
        {QStringLiteral("item page"), Sim::Pages::item(item, context), false, false},
        {QStringLiteral("another site's refusal"),
         QStringLiteral("<html><head><title>") + item.title.toHtmlEscaped().replace(QLatin1Char('\''), QStringLiteral("&#39;"))
             + QStringLiteral("</title></head><body><div class=\"statusmsg\">Sorry, this purchase could not be completed.</div>"
                              "</body></html>"),
         false, false},
    };
    for (int n = 2; n <= 13; ++n)
        answers.append({QStringLiteral("B%1").arg(n), Sim::BidPages::confirmationFailure(QStringLiteral("B%1").arg(n), &item), false, true});
    return answers;
}

} // namespace

// Every answer the simulator gives a purchase, in every layout, with every
// title holding eBay's confirmation or one of its refusals (its words
// spelled as a page may print them, known to the list in any of its forms
// or not at all), as the purchase's own answer or at the end of a
// redirect: a purchase counts only where eBay's own message on its own
// answer confirms it, each refusal is told as one, and a title the list
// knows never turns eBay's confirmation into a refusal.
TEST(BidPageTitles, APurchaseCountsOnlyWhereEbaysOwnMessageConfirmsIt)
{
    const QStringList refusalTitles = {QStringLiteral("Stool - This item has no Buy It Now price."),
                                       QStringLiteral("The quantity you entered is not available."),
                                       QStringLiteral("Stool: Buy It Now is not available for this item")};
    int judged = 0;
    for (const QString &layout : kLayouts) {
        for (const QString &title : kConfirmationTitles + refusalTitles) {
            const bool refusalTitle = refusalTitles.contains(title);
            for (const QString &listed : {title, kSpelledWords + title}) {
                Sim::SimItem item;
                item.number = QStringLiteral("110000000042");
                item.title = listed;
                item.layout = layout;
                item.buyItNow = 30.0;
                item.endsAt = QDateTime::currentDateTimeUtc().addSecs(layout.startsWith(QLatin1String("ended")) ? -60 : 3600);
                const QStringList known = {listed, listed.simplified(), basGeneral::DecodeEntities(listed), QString()};
                for (const PurchaseAnswer &answer : PurchaseAnswers(item)) {
                    for (const QString &page : WordsSpelled(answer.page, title)) {
                        for (const QString &listTitle : known) {
                            SCOPED_TRACE((layout + QStringLiteral(", ") + answer.name + QStringLiteral(", title ") + listed
                                          + QStringLiteral(", known as ") + listTitle + QStringLiteral("\n") + page)
                                             .toStdString());
                            const BidReply direct(page, listTitle);
                            const BidReply redirected(page, listTitle, BidReply::Arrival::Redirected);
                            // A refusal's words in a title nobody told the
                            // reader about may only hold the purchase back.
                            if (refusalTitle && listTitle.isEmpty())
                                EXPECT_LE(BidFailures::PurchaseConfirmed(true, direct), answer.confirms);
                            else
                                EXPECT_EQ(BidFailures::PurchaseConfirmed(true, direct), answer.confirms);
                            EXPECT_FALSE(BidFailures::PurchaseConfirmed(true, redirected));
                            EXPECT_FALSE(BidFailures::PurchaseConfirmed(false, direct));
                            if (answer.refuses)
                                EXPECT_NE(BidFailures::PurchaseRefusal(direct), nullptr);
                            ++judged;
                        }
                    }
                }
            }
        }
    }
    EXPECT_GE(judged, int(kLayouts.size() * (kConfirmationTitles.size() + refusalTitles.size())) * 2 * 29 * 5 * 4);
}
