#include "tests/integration/wizardsim.h"

#include "foundation/settingsstore.h"
#include "items/frmaddauction.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QWidget>

namespace WizardSim {

RefreshSim::Form &Fresh()
{
    RefreshSim::Form &form = RefreshSim::FreshForm();
    RefreshSim::Server().online().addAccount(Sim::OnlineAccount{"alice", "pw", "Alice", "a@x.org", {}});
    // As the start-up account query leaves it for her.
    SaveSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("True"));
    MsgBoxScript::instance().clear();
    return form;
}

frmAddAuction *Open(const QString &number)
{
    if (frmAddAuction::isLoaded())
        frmAddAuction::unloadInstance();
    frmAddAuction &w = frmAddAuction::instance();
    w.strItemNumber = number;
    w.show();
    RefreshSim::RunUntil([&] { return !frmAddAuction::isLoaded() || w.fraBid->isVisibleTo(&w); }, 15);
    return frmAddAuction::isLoaded() ? &w : nullptr;
}

void Finish(frmAddAuction &w)
{
    w.cmdNext_Click();
    ASSERT_TRUE(w.fraConfirm->isVisibleTo(&w)) << qPrintable(MsgBoxScript::instance().lastPrompt());
    if (w.chkAccept->isVisibleTo(&w))
        w.chkAccept->click();
    w.cmdNext_Click();
}

int ItemPageRequests(qint64 from, const QString &number)
{
    int n = 0;
    for (const QString &t : RefreshSim::TargetsSince(from))
        n += t.contains("ViewItem&item=" + number) ? 1 : 0;
    return n;
}

} // namespace WizardSim
