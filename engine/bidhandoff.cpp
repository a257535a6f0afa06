#include "engine/ebayclock.h"
#include "engine/frmbid.h"
#include "engine/frmbid_rowrefresh.h"
#include "engine/mainformengine.h"
#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/pageaccess.h"
#include "foundation/passwords.h"
#include "foundation/timetext.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/numberederror.h"

#include <memory>

using namespace basGeneral;

// A snipe lands at the end less the bid delay by eBay's clock; the bid window
// starts earlier by the lead time only to be ready by then. No end date: at once.
QDateTime frmMainEngine::SnipeConfirmationMoment(const ListItem *Item) const
{
    const auto moment = EbayClock::EbayMomentBeforeEnd(lvwAuctions->Field(Item, QStringLiteral("enddate")),
                                                   frmSettings::instance().BidDelaySeconds());
    return moment.value_or(QDateTime());
}

void frmMainEngine::Bid(ListItem *Item, bool IsSnipe, bool IsBin)
{
    blnBidding = true;
    QString itemNumber;
    std::unique_ptr<frmBid> form;
    try {
        if (!Item)
            throw NumberedError(91, QStringLiteral("There is no auction row to bid on"));
        itemNumber = Item->Text();
        const QString maxBid = lvwAuctions->Field(Item, QStringLiteral("maxbid"));
        const QString amount = GetBidAmount(maxBid);
        // A start that goes to the bid already under way shows its amount even
        // over that bid's own frozen text.
        SetStatus(frmBid::BiddingStatus(amount, itemNumber), frmBid::RunFor(itemNumber) != nullptr);
        FreezeStatus();
        Inet->Cancel();

        // Never a bid the row does not state: a whole quantity of at least 1
        // and an amount above 0.
        bool qtyOk = false;
        const int qty = GetBidQty(maxBid).trimmed().toInt(&qtyOk);
        if (!qtyOk || qty < 1 || qty > 32767)
            throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("The quantity to bid for is not valid"));
        if (!ReadsAsNumber(amount) || PriceToDouble(amount) <= 0)
            throw NumberedError(ErrorNumber::TypeMismatch, QStringLiteral("The amount to bid is not valid"));

        // A bid placed at once changes the row at eBay at once.
        const bool placedNow = !IsSnipe || IsBin;
        switch (frmBid::HandLaterStart(itemNumber, IsSnipe, IsBin)) {
        case frmBid::LaterStart::Taken:
            if (placedNow)
                BidRowRefresh::Follow(*frmBid::RunFor(itemNumber));
            return;
        case frmBid::LaterStart::Refused:
            throw NumberedError(ErrorNumber::InvalidProcedureCall,
                                QStringLiteral("a bid on this item is already being confirmed or signing out"));
        case frmBid::LaterStart::NoWindow:
            break;
        }

        form = std::make_unique<frmBid>();
        BidForm = form.get();
        form->BidItem = Item;
        form->Buy = IsBin;
        form->ItemNumber = itemNumber;
        form->MaxBid = amount;
        form->Qty = qint16(qty);
        form->UserName = lvwAuctions->Field(Item, QStringLiteral("user"));
        ListItem *account = FindEbayUser(*frmSettings::instance().lvwUsers, form->UserName);
        if (!account)
            throw NumberedError(91, QStringLiteral("The eBay account \"") + form->UserName + QStringLiteral("\" is not set up"));
        form->Password = UnscramblePassword(account->Tag());
        if (IsSnipe && !IsBin)
            form->ConfirmAt = SnipeConfirmationMoment(Item);

        if (placedNow)
            BidRowRefresh::Follow(*form);
        form.release()->Start();
    } catch (const NumberedError &e) {
        form.reset();
        // Refreshes wait for this flag: it must not stay set by a bid that
        // never started.
        if (frmBid::ActiveRuns() == 0)
            blnBidding = false;
        const QString text = QStringLiteral("Bid on item #") + itemNumber + QStringLiteral(" could not be started: ")
            + e.description();
        try {
            WriteLog(QStringLiteral("logbids.txt"), text);
        } catch (const NumberedError &) {
        }
        SetStatus(text, true);
        FreezeStatus();
    }
}
