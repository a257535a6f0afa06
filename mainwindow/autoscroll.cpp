// Automatic scrolling of the browser's page while the "Auto Scroll" button
// is down: at the speed of the settings window, on to the next results page
// at the bottom.
#include "mainwindow/autoscroll.h"
#include "mainwindow/frmmain.h"

#include "foundation/frmsettings.h"
#include "foundation/pageaccess.h"
#include "platform/desktop.h"
#include "platform/toolbar.h"
#include "platform/webbrowser.h"

#include <QSlider>

#include <algorithm>

QString NextResultsPage(const QString &html)
{
    if (!html.toLower().contains(QLatin1String("next<img")))
        return {};
    // toInt gives 0 for no number and for one out of range; then, as after
    // a number below 1, page 1 follows.
    const qint64 page = basGeneral::GetBetween(html, QStringLiteral("<TD vAlign=top width=\"100%\"><B>Page "),
                                               QStringLiteral("</B> of "))
                            .trimmed()
                            .toInt();
    return QString::number(std::max<qint64>(page, 0) + 1);
}

void frmMain::AutoScroll()
{
    const QString key = QStringLiteral("Auto Scroll");
    ScrollAccumulator pending;
    int lastTop = -1;
    while (WebBrowser->BodyScrollTop() + WebBrowser->BodyClientHeight() < WebBrowser->BodyScrollHeight()) {
        if (Toolbar->Value(key) == 0)
            return;
        // Read live, so a change in the settings window applies at once.
        const frmSettings &s = frmSettings::instance();
        const int fps = std::max(1, s.sliScrollFPS->value());
        Desktop::WaitWithEvents(1000 / fps);
        SetPanelText(QStringLiteral("IEStatus"), QStringLiteral("Auto scrolling, press ESC to stop"));
        const int pixels = pending.Step(s.sliScrollSpeed->value(), fps);
        if (pixels > 0) {
            const int top = WebBrowser->BodyScrollTop();
            // A page whose last pixel cannot be reached (a fractional height)
            // counts as scrolled to its bottom once scrolling stops moving it.
            if (top == lastTop)
                break;
            lastTop = top;
            WebBrowser->ScrollBy(0, pixels);
        }
    }
    SetPanelText(QStringLiteral("IEStatus"), QString());
    const QString next = NextResultsPage(WebBrowser->DocumentHTML());
    if (!next.isEmpty()) {
        WebBrowser->SetFormField(QStringLiteral("find"), QStringLiteral("fgtp"), next);
        WebBrowser->SubmitForm(QStringLiteral("find"));
    } else {
        Toolbar->setValue(key, 0);
    }
}
