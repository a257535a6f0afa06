// A reply of the bid pages as the bid window reads it, with the item's title
// as the list knows it: every known failure, the success markers, the
// purchase's confirmation and refusals, the signed-in user and the form's
// tokens.
#include "fuzz/fuzzinput.h"

#include "engine/bidfailures.h"
#include "engine/bidreply.h"
#include "platform/numberederror.h"

namespace {

// The inputs the bid window reads, and one it does not.
const char *const kFuzzInputNames[] = {"stok", "uiid", "firedFilteredId", "other"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The page, the user it should name and the item's title.
    const QStringList parts = FuzzParts(data, size, 3);
    const BidReply reply(parts[0], parts[2]);
    for (const QList<BidFailures::FailureRow> *rows :
         {&BidFailures::PreparationFailures(), &BidFailures::ConfirmationFailures()})
        for (const BidFailures::FailureRow &row : *rows)
            BidFailures::RowHolds(row, reply);
    BidFailures::OneCallRefusal(reply);
    BidFailures::ConfirmationSucceeded(reply);
    BidFailures::PurchaseConfirmed(true, reply);
    reply.namesUser(parts[1]);
    for (const char *name : kFuzzInputNames) {
        try {
            reply.input(QString::fromLatin1(name));
        } catch (const NumberedError &) {
            // A page too broken to hold its form: the bid window reports it.
        }
    }
    return 0;
}
