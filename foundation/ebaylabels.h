#pragma once

#include "foundation/sellertext.h"

// eBay's own labels and notices on an item page, as the seller's stretches
// are found around them (IsEbaysOwnLabel, in sellertext.h, is the rule).
namespace basGeneral {

// Whether [begin, end) overlaps any of the stretches.
bool OverlapsAny(const QList<TextStretch> &stretches, qsizetype begin, qsizetype end);

// Whether a text holds one of eBay's labels or notices, blanks of any kind
// read as one space: a text to judge by IsEbaysOwnLabel.
bool HoldsLabelText(QStringView text);

// Adds to `edits` how eBay's own label at [begin, end) (IsEbaysOwnLabel
// holds) is written for the readers (PageReading). `lastElement` keeps the
// element tidied last, so that a label in several texts is tidied once.
void TidyEbaysLabel(QStringView page, qsizetype begin, qsizetype end, const QList<TextStretch> &sellers,
                    QList<TextEdit> &edits, qsizetype &lastElement);

} // namespace basGeneral
