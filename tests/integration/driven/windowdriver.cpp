#include "tests/integration/driven/windowdriver.h"

#include "foundation/frmstartwiz.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/htmllist.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace WindowDriver {

namespace {

// How long a window waits before it is answered.
constexpr int kPatienceMs = 1500;

void log(const QString &what)
{
    QString home = qEnvironmentVariable("TALLOWMERE_HOME");
    if (home.isEmpty())
        home = QDir::homePath();
    QFile file(home + QStringLiteral("/driven.log"));
    if (!file.open(QIODevice::Append))
        return;
    file.write(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationPid()).arg(what).toUtf8());
}

// A click from the event loop, never from inside the looking timer: what the
// click opens (a nested box) is looked at by the same timer.
void clickLater(QAbstractButton *button)
{
    QTimer::singleShot(0, button, [button] { button->click(); });
}

class Driver final : public QObject
{
public:
    Driver()
    {
        m_answers = qEnvironmentVariable("TALLOWMERE_DRIVEN_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts);
        m_away = qEnvironmentVariableIsSet("TALLOWMERE_DRIVEN_AWAY");
        m_wizard = qEnvironmentVariable("TALLOWMERE_DRIVEN_WIZARD");
        connect(&m_look, &QTimer::timeout, this, &Driver::look);
        m_look.start(100);
    }

private:
    struct Seen
    {
        QPointer<QWidget> window;
        QElapsedTimer since;
        bool done = false;
    };

    void look()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(w))
                lookAtBox(*box);
            else if (auto *wizard = qobject_cast<frmStartWiz *>(w))
                lookAtWizard(*wizard);
            else if (auto *main = qobject_cast<frmMain *>(w))
                watchListPane(*main);
        }
    }

    Seen &seen(QWidget *w)
    {
        for (Seen &s : m_seen)
            if (s.window == w)
                return s;
        m_seen.append(Seen{w, {}, false});
        m_seen.last().since.start();
        return m_seen.last();
    }

    void lookAtBox(QMessageBox &box)
    {
        Seen &s = seen(&box);
        if (s.done || s.since.elapsed() < kPatienceMs)
            return;
        s.done = true;
        log(QStringLiteral("box ") + box.text().simplified());
        if (m_away)
            return;
        QAbstractButton *button = box.defaultButton();
        if (!m_answers.isEmpty()) {
            const QString wanted = m_answers.takeFirst();
            for (QAbstractButton *b : box.buttons())
                if (b->text().remove(QLatin1Char('&')).compare(wanted, Qt::CaseInsensitive) == 0)
                    button = b;
        }
        if (!button)
            return;
        log(QStringLiteral("answer ") + button->text().remove(QLatin1Char('&')));
        clickLater(button);
    }

    void lookAtWizard(frmStartWiz &wizard)
    {
        Seen &s = seen(&wizard);
        if (s.done || s.since.elapsed() < kPatienceMs || !wizard.cmdNext->isEnabled())
            return;
        s.done = true;
        log(QStringLiteral("wizard"));
        if (m_wizard == QLatin1String("cancel")) {
            clickLater(wizard.cmdCancel);
            return;
        }
        wizard.txtUsername->setText(m_wizard.section(QLatin1Char(':'), 0, 0));
        wizard.txtPassword->setText(m_wizard.section(QLatin1Char(':'), 1));
        clickLater(wizard.cmdNext);
    }

    // Logs every time the list pane is written with rows; the first such
    // line is when the pane first showed rows.
    void watchListPane(frmMain &main)
    {
        if (!main.HTMLList || main.HTMLList == m_listPane)
            return;
        m_listPane = main.HTMLList;
        HtmlList::Page &page = HtmlList::Page::of(*main.HTMLList);
        auto logRows = [&page](int first, int count) {
            log(QStringLiteral("rows %1 %2 %3").arg(first).arg(count).arg(page.shownRows()));
        };
        if (page.showsRows())
            logRows(page.window().first, page.window().count);
        connect(&page, &HtmlList::Page::rowsShown, this, logRows);
    }

    QTimer m_look;
    QPointer<QWidget> m_listPane;
    QList<Seen> m_seen;
    QStringList m_answers;
    bool m_away = false;
    QString m_wizard;
};

} // namespace

void Install()
{
    log(QStringLiteral("start"));
    // Lives as long as the application object.
    auto *driver = new Driver;
    driver->setParent(QCoreApplication::instance());
}

} // namespace WindowDriver
