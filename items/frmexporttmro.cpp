#include "items/frmexporttmro.h"

#include "engine/mainformengine.h"
#include "engine/onlineservice.h"
#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/globals.h"
#include "platform/listview.h"
#include "platform/msgbox.h"

#include <QLabel>
#include <QPointer>

namespace {

const QString kCrLf2 = QStringLiteral("\r\n\r\n");

struct ExportRow
{
    QString number;
    QString user;
};

} // namespace

frmExportTMRO::frmExportTMRO()
    : OnlineProgressWindow(QStringLiteral("Exporting items to Tallowmere Online"))
{
}

void frmExportTMRO::ShowModal()
{
    if (isLoaded())
        unloadInstance();
    instance().exec();
}

void frmExportTMRO::Form_Activate()
{
    blnCancelExport = false;
    QPointer<frmExportTMRO> self(this);
    frmMainEngine &main = frmMainEngine::instance();
    // The rows as they stand now: the list may change while a request waits.
    QList<ExportRow> rows;
    for (int i = 1; i <= main.lvwAuctions->Count(); ++i) {
        const ListItem *row = main.lvwAuctions->Item(i);
        rows.append({row->Text(), main.lvwAuctions->Field(row, QStringLiteral("user"))});
    }

    const int count = rows.size();
    for (int i = 1; i <= count; ++i) {
        basGeneral::WriteHeartbeat();
        if (blnCancelExport)
            break;
        Label1->setText(QStringLiteral("Exporting item %1 of %2 to your TMR Online account...").arg(i).arg(count));
        setPercent(100.0 * i / count);
        const ExportRow &row = rows.at(i - 1);
        if (!SameEbayUser(row.user, CurrentUser))
            continue;
        bool stop = false;
        for (int tries = 0;;) {
            const OnlineService::Reply reply = OnlineService::ExportItem(*Inet, row.number);
            if (!self)
                return;
            if (reply.outcome == OnlineService::Outcome::Refused) {
                Desktop::MsgBox(QStringLiteral("The TMR Online server returned the following error:") + kCrLf2 + reply.message,
                                Desktop::BoxExclamation);
                stop = true;
                break;
            }
            if (reply.outcome == OnlineService::Outcome::Accepted)
                break;
            if (++tries >= kMaxTries) {
                Desktop::MsgBox(QStringLiteral("The TMR Online server has not responded after %1 retries, please check your "
                                               "internet connection and try again in a few minutes")
                                    .arg(tries),
                                Desktop::BoxExclamation);
                stop = true;
                break;
            }
        }
        if (stop)
            break;
    }
    if (self)
        unloadInstance();
}
