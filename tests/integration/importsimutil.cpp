#include "tests/integration/importsimutil.h"

#include "platform/listview.h"
#include "tests/support/msgboxscript.h"

namespace ImportSim {

RefreshSim::Form &FreshForm()
{
    RefreshSim::Form &form = RefreshSim::FreshForm();
    MsgBoxScript::instance().clear();
    RefreshSim::Server().online().addAccount(Sim::OnlineAccount{QStringLiteral("alice"), QStringLiteral("pw"),
                                                                QStringLiteral("Alice"), QStringLiteral("alice@example.org"), {}});
    return form;
}

void HoldOnline(const QStringList &items)
{
    Sim::OnlineAccount *account = RefreshSim::Server().online().account(QStringLiteral("alice"));
    account->items.clear();
    for (const QString &item : items)
        account->items.append(Sim::OnlineItem{item, {}, {}});
}

QStringList RowNumbers()
{
    QStringList numbers;
    const ListView &list = *frmMainShell::instance().lvwAuctions;
    for (int i = 1; i <= list.Count(); ++i)
        numbers << list.Item(i)->Text();
    return numbers;
}

bool Saved(const QString &number)
{
    return RefreshSim::DataFileText(QStringLiteral("data6.dat")).contains(number);
}

} // namespace ImportSim
