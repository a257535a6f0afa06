#include "engine/bidfailures.h"

#include "engine/bidreply.h"
#include "engine/frmbid.h"

namespace BidFailures {

bool RowHolds(const FailureRow &row, const BidReply &page)
{
    bool any = false;
    for (const QString &marker : row.anyOf)
        any = any || page.says(marker);
    return any && (row.alsoRequired.isEmpty() || page.says(row.alsoRequired));
}

const QList<FailureRow> &PreparationFailures()
{
    static const QList<FailureRow> rows = {
        {{QStringLiteral(">This listing was ended by the seller")}, {}, QStringLiteral("Auction Ended"),
         QStringLiteral("The auction was ended early by the seller"), QStringLiteral("Auction ended by seller, signing out")},
        {{QStringLiteral(" - Invalid Item</")}, {}, QStringLiteral("Auction Invalid"),
         QStringLiteral("This auction is invalid, it may have been removed by eBay"), QStringLiteral("Auction invalid, signing out")},
        {{QStringLiteral(">This Buy It Now listing has ended.")}, {}, QStringLiteral("Auction Ended"),
         QStringLiteral("Auction ended with Buy it Now"), QStringLiteral("Auction ended with Buy It Now, signing out")},
        {{QStringLiteral("this item is restricted for export by the U.S. Department of State (DOS)")}, {},
         QStringLiteral("Item Restricted"), QStringLiteral("This item is restricted for export by the U.S. Department of State (DOS)"),
         QStringLiteral("Auction restricted by US DOS, signing out")},
    };
    return rows;
}

namespace {

// eBay took the bid but another bidder's maximum is higher: the user was
// outbid, nothing went wrong.
const FailureRow &OutbidRow()
{
    static const FailureRow row{{frmBid::kOutbid}, {}, QStringLiteral("You've Been Outbid"),
                                QStringLiteral("Another bidder placed a higher maximum bid or placed the same maximum bid before you did."),
                                QStringLiteral("Bidding, failed: Other bidder higher")};
    return row;
}

// The bid is below the smallest one eBay takes now.
const FailureRow &TooLowRow()
{
    static const FailureRow row{{QStringLiteral(" or more</div>"), QStringLiteral("<b>or more</b>)</div>")}, QStringLiteral(">error</b>"),
                                QStringLiteral("Bid Too Low"), QStringLiteral("Your bid was not high enough to outbid the highest bidder"),
                                QStringLiteral("Bidding, failed: Bid too low")};
    return row;
}

} // namespace

const QList<FailureRow> &ConfirmationFailures()
{
    // Every refusal is logged as well as shown.
    auto refused = [](const QString &marker, const QString &title, const QString &reason) {
        return FailureRow{{marker}, {}, title, reason, QStringLiteral("Bidding, failed: ") + reason};
    };
    auto blocked = [&refused](const QString &marker) { return refused(marker, QStringLiteral("Bid Blocked"), marker); };
    static const QList<FailureRow> rows = {
        TooLowRow(),
        OutbidRow(),
        refused(QStringLiteral("Seller not accepting your bid"), QStringLiteral("Seller Not Accepting Bid"),
                QStringLiteral("The seller is not accepting your bid")),
        blocked(QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 1 month(s)")),
        blocked(QStringLiteral("This item is available to buyers who have not received 3 or more unpaid item strike(s) in the past 1 month(s)")),
        blocked(QStringLiteral("This item is available to buyers who have not received 2 or more unpaid item strike(s) in the past 12 month(s)")),
        blocked(QStringLiteral("This item is only available to buyers who have not purchased 1 or more items from this seller in the past 10 days")),
        refused(QStringLiteral("Registration blocked"), QStringLiteral("Registration Blocked"),
                QStringLiteral("Registration blocked, please contact support for more details")),
        refused(QStringLiteral("Sorry, this item cannot be shipped to"), QStringLiteral("Bid Blocked"),
                QStringLiteral("This seller does not ship to your location")),
        refused(QStringLiteral("Your bid price may not meet or exceed the Buy It Now price"), QStringLiteral("Bid Blocked"),
                QStringLiteral("Your bid may not meet or exceed the Buy it Now price")),
        refused(QStringLiteral("Confirm your identity"), QStringLiteral("Bid Blocked"),
                QStringLiteral("eBay requests that you confirm your identity before bidding")),
        refused(QStringLiteral("eBay has put a temporary block on your site activity"), QStringLiteral("Bid Blocked"),
                QStringLiteral("eBay has put a temporary block on your activity")),
        refused(QStringLiteral("Weapon and Knives policy, it is not possible for you to bid"), QStringLiteral("Bid Blocked"),
                QStringLiteral("This bid was blocked due to the Weapons and Knives policy")),
        refused(QStringLiteral("Sorry, you are not allowed to purchase this item"), QStringLiteral("Bid Blocked"),
                QStringLiteral("Your are not allowed to purchase this item")),
    };
    return rows;
}

const FailureRow *OneCallRefusal(const BidReply &reply)
{
    if (reply.cameByRedirect())
        return nullptr;
    for (const FailureRow *row : {&OutbidRow(), &TooLowRow()})
        if (RowHolds(*row, reply))
            return row;
    return nullptr;
}

const FailureRow *ConfirmationRefusal(const BidReply &reply)
{
    if (reply.cameByRedirect())
        return nullptr;
    for (const FailureRow &row : ConfirmationFailures())
        if (RowHolds(row, reply))
            return &row;
    return nullptr;
}

const FailureRow *PurchaseRefusal(const BidReply &reply)
{
    if (reply.cameByRedirect())
        return nullptr;
    auto refused = [](const QString &marker, const QString &reason) {
        return FailureRow{{marker}, {}, QStringLiteral("Purchase Refused"), reason, QStringLiteral("Bidding, failed: ") + reason};
    };
    // eBay's answers to a purchase it did not make: the Buy It Now gone
    // (with an auction's first bid, or taken off by the seller), fewer
    // items left than asked for, the listing over or gone, the request's
    // session or password not taken.
    static const QList<FailureRow> rows = {
        refused(QStringLiteral("Buy It Now is not available for this item"), QStringLiteral("Buy It Now is not available for this item")),
        refused(QStringLiteral("This item has no Buy It Now price"), QStringLiteral("This item has no Buy It Now price")),
        refused(QStringLiteral("The quantity you entered is not available"),
                QStringLiteral("The quantity you entered is not available")),
        refused(QStringLiteral("Bidding has ended on this item"), QStringLiteral("The listing has ended")),
        refused(QStringLiteral("This Buy It Now listing has ended"), QStringLiteral("The listing has ended")),
        refused(QStringLiteral("This listing was ended by the seller"), QStringLiteral("The listing was ended by the seller")),
        refused(QStringLiteral("has been removed, or this item is not available"), QStringLiteral("The item is no longer on eBay")),
        refused(QStringLiteral("this item is restricted for export"),
                QStringLiteral("This item is restricted for export by the U.S. Department of State (DOS)")),
        refused(QStringLiteral("Your session has expired"), QStringLiteral("Your eBay session has expired")),
        refused(QStringLiteral("The password is incorrect"), QStringLiteral("eBay did not accept the password")),
    };
    for (const FailureRow &row : rows)
        if (RowHolds(row, reply))
            return &row;
    return ConfirmationRefusal(reply);
}

const FailureRow &PurchaseNotConfirmedRow()
{
    static const QString reason =
        QStringLiteral("eBay did not confirm the purchase. Check the item on eBay before you buy it again.");
    static const FailureRow row{{}, {}, QStringLiteral("Purchase Not Confirmed"), reason, QStringLiteral("Bidding, failed: ") + reason};
    return row;
}

bool PurchaseConfirmed(bool answered, const BidReply &reply)
{
    return answered && reply.ownMessageSays(frmBid::kPurchaseConfirmed) && !PurchaseRefusal(reply);
}

bool ConfirmationSucceeded(const BidReply &reply)
{
    if (reply.cameByRedirect())
        return false;
    return reply.says(QStringLiteral("you're the first bidder")) || reply.says(QStringLiteral("you're currently the highest bidder"));
}

} // namespace BidFailures
