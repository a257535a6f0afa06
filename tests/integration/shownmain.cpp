#include "tests/integration/shownmain.h"

#include "foundation/frmsettings.h"
#include "foundation/globals.h"
#include "foundation/passwords.h"
#include "mainwindow/frmmain.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "tests/integration/refreshsimutil.h"
#include "tests/support/msgboxscript.h"

namespace ShownMain {

frmMain &Show()
{
    RefreshSim::Server();
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmSettings &s = frmSettings::instance();
    s.lvwUsers->Clear();
    s.lvwUsers->Add(QStringLiteral("alice"))->setTag(basGeneral::ScramblePassword(QStringLiteral("pw")));
    CurrentUser = QStringLiteral("alice");
    frmMain::registerAsMainWindow();
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    m.blnDoneLoading = true;
    m.resize(1000, 800);
    m.show();
    MsgBoxScript::instance().clear();
    return m;
}

} // namespace ShownMain
