#include "engine/reportform.h"

#include "foundation/frmsettings.h"
#include "foundation/hostroles.h"
#include "platform/desktop.h"
#include "platform/webbrowser.h"

#include <QComboBox>

namespace ReportForm {

QString PageURL()
{
    return HostRoles::url(HostRoles::Role::Vendor, QStringLiteral("/sendreport.asp"), false);
}

int BuildNumber()
{
    return TALLOWMERE_VERSION_PATCH;
}

QList<Field> ProgramFields()
{
    frmSettings &settings = frmSettings::instance();
    return {
        {"build", QString::number(BuildNumber())},
        {"Int", settings.ddnFastSyncInterval->currentText()},
        {"delay", settings.ddnBidDelay->currentText()},
    };
}

bool HandlePage(WebBrowser &browser, const QList<Field> &fields)
{
    Desktop::DoEvents();
    if (browser.DocumentHTML().toLower().contains(QLatin1String("<form"))) {
        const QString form = QStringLiteral("ReportForm");
        for (const Field &f : fields)
            browser.SetFormField(form, QString::fromLatin1(f.name), f.value);
        browser.SubmitForm(form);
    }
    return browser.DocumentHTML().toLower().contains(QLatin1String("report sent"));
}

} // namespace ReportForm
