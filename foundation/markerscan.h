#pragma once

#include <QByteArray>
#include <QList>

namespace basGeneral::PageText {

// The first position of each needle in hay (bytes compared exactly), -1 for
// a needle hay does not hold; an empty needle is found at 0. All needles
// are looked for in one pass over hay, so a page lacking most of them costs
// one scan, not one per needle. counts (256 entries, may be null) tells
// common bytes of hay from rare ones; the rare ones serve as fingerprints.
QList<qsizetype> FirstPositions(const unsigned char *hay, qsizetype n, const QList<QByteArray> &needles,
                                const quint32 *counts = nullptr);

} // namespace basGeneral::PageText
