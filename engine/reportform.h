#pragma once

#include <QList>
#include <QString>

class WebBrowser;

// The vendor's problem-report page as both report windows use it: the page
// is loaded into the window's own browser, its form "ReportForm" is filled
// field by field and submitted, and the reply page says "report sent".
namespace ReportForm {

struct Field
{
    const char *name;
    QString value;
};

// The report page on the vendor's secure host (HTTPS).
QString PageURL();
// The program's build number, sent with every report.
int BuildNumber();
// The fields every report carries about the program, in the form's order:
// the build, the fast refresh interval and the bid delay chosen in the settings.
QList<Field> ProgramFields();

// A page completed in a report window: lets pending events run; a page that
// is not on the vendor's secure host over HTTPS is left alone (false); when
// the page holds a form, sets `fields` in their order (a field the form lacks is
// skipped, the others still go) and submits it. True when the page is the
// vendor's "report sent" reply.
bool HandlePage(WebBrowser &browser, const QList<Field> &fields);

} // namespace ReportForm
