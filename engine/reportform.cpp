#include "engine/reportform.h"

#include "foundation/frmsettings.h"
#include "foundation/hostroles.h"
#include "platform/desktop.h"
#include "platform/webbrowser.h"

#include <QComboBox>
#include <QUrl>

namespace ReportForm {

namespace {

// A report holds the user's e-mail address and pages of their account: it
// is filled in only on the vendor's secure host, never on a page a redirect
// or a plain connection led to.
bool onVendorsSecureHost(const QUrl &page)
{
    const QUrl expected(PageURL());
    return page.scheme() == QLatin1String("https") && page.host().compare(expected.host(), Qt::CaseInsensitive) == 0
        && page.port(443) == expected.port(443);
}

} // namespace

QString PageURL()
{
    return HostRoles::url(HostRoles::Role::VendorSecure, QStringLiteral("/sendreport.asp"), true);
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
    if (!onVendorsSecureHost(QUrl(browser.LocationURL())))
        return false;
    if (browser.DocumentHTML().toLower().contains(QLatin1String("<form"))) {
        const QString form = QStringLiteral("ReportForm");
        for (const Field &f : fields)
            browser.SetFormField(form, QString::fromLatin1(f.name), f.value);
        browser.SubmitForm(form);
    }
    return browser.DocumentHTML().toLower().contains(QLatin1String("report sent"));
}

} // namespace ReportForm
