// The feedback pages the feedback run reads: the rows received, the ones
// left, the leave-feedback form.
#include "fuzz/fuzzinput.h"

#include "sellertools/feedbackpages.h"

#include <QDate>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList parts = FuzzParts(data, size, 2);
    static const QDate today(2024, 3, 5);
    FeedbackPages::PositiveRows rows(FeedbackPages::WithoutLineBreaks(parts[0]));
    FeedbackPages::Row row;
    while (rows.Next(&row)) {
        FeedbackPages::RowDate(row.date);
        FeedbackPages::TooOld(row.date, today);
        FeedbackPages::AlreadyRated(parts[0], row.buyer);
    }
    FeedbackPages::RowDate(parts[1]);
    FeedbackPages::AlreadyRated(parts[0], parts[1]);
    FeedbackPages::TransactionId(parts[0]);
    return 0;
}
