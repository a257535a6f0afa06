#pragma once

// The add-item wizard driven against the simulator in this process.
#include "tests/integration/refreshsimutil.h"

#include <QString>

class frmAddAuction;

namespace WizardSim {

// alice with an online account (known to the program as well), a fresh
// list and no prompts.
RefreshSim::Form &Fresh();
// The wizard opened on `number` and left to read the page; nullptr when it closed.
frmAddAuction *Open(const QString &number);
// Next, then the accept box when the page has one, then Finish.
void Finish(frmAddAuction &w);
// Requests for the item page of `number` since `from`.
int ItemPageRequests(qint64 from, const QString &number);

} // namespace WizardSim
