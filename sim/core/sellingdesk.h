#pragma once

#include <QString>

namespace Sim {

// The seller's side of the simulated site: how many relists were confirmed,
// whether the catalog page comes first, and which step serves a page the
// relist robot cannot recognise.
struct SellingDesk
{
    int relists = 0;           // confirmations served, one per relisted item
    QString lastNewItem;       // the number the last confirmation named
    qint64 nextItemNumber = 5500000001LL;
    bool catalog = false;      // the similar-item request shows the catalog page first
    QString failStep;          // "signin", "similar", "create", "review" or "confirm"

    void reset() { *this = SellingDesk{}; }
};

} // namespace Sim
