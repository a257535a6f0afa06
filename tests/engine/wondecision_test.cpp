// The won rule over every kind of input: the winner a page names (in any
// letter case, or someone else), the price against the maximum, the end,
// this program's own bid and the row's bid state.
#include "engine/trackedauction.h"
#include "engine/wondecision.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <optional>

using BidRecord::Outcome;
using WonDecision::PageFacts;
using WonDecision::Verdict;

namespace {

// Every spelling of `id` in upper and lower case letters.
QStringList CaseVariants(const QString &id)
{
    QStringList variants{QString()};
    for (const QChar c : id) {
        QStringList next;
        for (const QString &start : variants) {
            next.append(start + c.toLower());
            if (c.toUpper() != c.toLower())
                next.append(start + c.toUpper());
        }
        variants = next;
    }
    return variants;
}

const char *Name(Verdict v)
{
    switch (v) {
    case Verdict::Won:
        return "Won";
    case Verdict::NotWon:
        return "NotWon";
    case Verdict::Unknown:
        return "Unknown";
    }
    return "?";
}

struct Case
{
    PageFacts page;
    QString rowUser;
    Outcome ownBid;
    QString tag;

    std::string describe() const
    {
        return QStringLiteral("row user %1, winner %2, over %3, someone bid %4, price %5 of %6, own bid %7, tag \"%8\"")
            .arg(rowUser, page.winner ? QLatin1Char('"') + *page.winner + QLatin1Char('"') : QStringLiteral("(no entry)"))
            .arg(page.auctionOver)
            .arg(page.someoneBid)
            .arg(page.price)
            .arg(page.maximum)
            .arg(int(ownBid))
            .arg(tag)
            .toStdString();
    }
};

// Calls `check` with every combination of the inputs the rule tells apart.
template <typename Check>
void ForEveryCase(const QString &rowUser, const QList<std::optional<QString>> &winners, Check check)
{
    const struct
    {
        double price, maximum;
    } prices[] = {{0, 120}, {84, 120}, {120, 120}, {121, 120}, {84, 0}};
    const QString tags[] = {SnipeState::Watched,     SnipeState::Local,           SnipeState::Online,
                            SnipeState::Both,        SnipeState::ReadyToBid,      SnipeState::BidComplete,
                            SnipeState::OtherInGroupWon, SnipeState::OutcomeUnknown};
    for (const std::optional<QString> &winner : winners)
        for (const bool over : {false, true})
            for (const bool someoneBid : {false, true})
                for (const auto &p : prices)
                    for (const Outcome own : {Outcome::None, Outcome::Sent, Outcome::Confirmed, Outcome::Failed})
                        for (const QString &tag : tags) {
                            Case c{PageFacts{}, rowUser, own, tag};
                            c.page.auctionOver = over;
                            c.page.winner = winner;
                            c.page.someoneBid = someoneBid;
                            c.page.price = p.price;
                            c.page.maximum = p.maximum;
                            check(c, WonDecision::Decide(c.page, c.rowUser, c.ownBid, c.tag));
                        }
}

} // namespace

TEST(WonRule, TheRowsUserNamedAsWinnerInAnyLetterCaseHasWon)
{
    for (const QString &rowUser : {QStringLiteral("demo"), QStringLiteral("Demo"), QStringLiteral("dE_m0.x")}) {
        QList<std::optional<QString>> winners;
        for (const QString &shown : CaseVariants(rowUser))
            winners.append(shown);
        int seen = 0;
        ForEveryCase(rowUser, winners, [&](const Case &c, Verdict v) {
            ++seen;
            ASSERT_EQ(v, Verdict::Won) << c.describe() << " read " << Name(v);
        });
        EXPECT_GT(seen, 0);
    }
}

TEST(WonRule, AnotherWinnerNamedOrAnEntryWithoutAnIdIsNeverAWin)
{
    // Tied at the maximum and confirmed, after the end, is the case a price
    // rule alone would take for a win.
    const QList<std::optional<QString>> others{QString(), QStringLiteral("bob"), QStringLiteral("demo2"),
                                               QStringLiteral("dem"), QStringLiteral("d*o"), QStringLiteral("Demo bob")};
    ForEveryCase(QStringLiteral("demo"), others, [](const Case &c, Verdict v) {
        ASSERT_EQ(v, Verdict::NotWon) << c.describe() << " read " << Name(v);
    });
}

TEST(WonRule, WithoutAWinnerEntryThePriceAndTheProgramsOwnBidDecide)
{
    ForEveryCase(QStringLiteral("demo"), {std::nullopt}, [](const Case &c, Verdict v) {
        const PageFacts &p = c.page;
        const bool priceWins = p.price > 0 && p.price <= p.maximum && p.someoneBid;
        const bool serviceBidOnly = c.ownBid == Outcome::None && (c.tag == SnipeState::Online || c.tag == SnipeState::Both);
        Verdict expected = Verdict::NotWon;
        if (c.ownBid == Outcome::Sent && (!p.auctionOver || p.price <= 0))
            expected = Verdict::Unknown; // unanswered: only an ended page that reads decides, whatever the tag
        else if (!priceWins || c.ownBid == Outcome::Failed)
            expected = Verdict::NotWon; // a refused or outbid bid is not winning, running or not
        else if (!p.auctionOver || serviceBidOnly || c.ownBid == Outcome::Confirmed)
            expected = Verdict::Won;
        else if (c.ownBid == Outcome::Sent)
            expected = Verdict::Unknown;
        ASSERT_EQ(v, expected) << c.describe() << " read " << Name(v);
    });
}
