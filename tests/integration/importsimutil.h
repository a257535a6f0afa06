#pragma once

// Shared by the tests of the windows that bring items in: alice's simulated
// online account, and the rows as listed and as saved.
#include "tests/integration/refreshsimutil.h"

#include <QStringList>

namespace ImportSim {

// The fresh window of RefreshSim::FreshForm and an empty online-service
// account for alice (password "pw").
RefreshSim::Form &FreshForm();
// The item numbers alice's online account holds from now on.
void HoldOnline(const QStringList &items);

// The item numbers of the rows, in list order.
QStringList RowNumbers();
// Whether the saved list file holds the item number.
bool Saved(const QString &number);

} // namespace ImportSim
