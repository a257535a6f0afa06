#include "items/frmimporttmro.h"

#include "engine/mainformengine.h"
#include "engine/onlineservice.h"
#include "foundation/basgeneral.h"
#include "foundation/pageaccess.h"
#include "items/watchedrows.h"
#include "platform/msgbox.h"

#include <QLabel>
#include <QPointer>

frmImportTMRO::frmImportTMRO()
    : OnlineProgressWindow(QStringLiteral("Importing items from Tallowmere Online"))
{
}

void frmImportTMRO::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmImportTMRO::Form_Activate()
{
    blnCancelImport = false;
    QPointer<frmImportTMRO> self(this);
    const OnlineService::Reply reply = OnlineService::ImportItems(*Inet);
    if (!self)
        return;
    if (reply.outcome == OnlineService::Outcome::Refused) {
        Desktop::MsgBox(QStringLiteral("The TMR Online server returned this error message:\r\n\r\n") + reply.message,
                        Desktop::BoxExclamation);
        unloadInstance();
        return;
    }

    frmMainEngine &main = frmMainEngine::instance();
    // Each row lets events run: the main window may be closing (the close
    // waits for this loop to stop) or, at worst, gone.
    QPointer<frmMainEngine> window(&main);
    // A reply ending in CR LF has one empty line after its last number, so
    // the last index is the count of numbers.
    const qsizetype last = reply.lines.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        if (blnCancelImport || !window || main.blnCloseDeferred)
            break;
        basGeneral::WriteHeartbeat();
        Label1->setText(QStringLiteral("Importing item %1 of %2 from your TMR Online account...").arg(i + 1).arg(last));
        setPercent(100.0 * (i + 1) / last);
        const QString &line = reply.lines.at(i);
        if (line.isEmpty())
            continue;
        if (!basGeneral::ReadsAsNumber(line)) {
            Desktop::MsgBox(QStringLiteral("The TMR Online server is not responding, please check your internet connection "
                                           "and try again in a few minutes"),
                            Desktop::BoxExclamation);
            break;
        }
        WatchedRows::AddAndSave(main, line);
        if (!self)
            return;
    }
    unloadInstance();
}
