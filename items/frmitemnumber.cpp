#include "items/frmitemnumber.h"

#include "foundation/basgeneral.h"
#include "foundation/globals.h"
#include "foundation/mainformshell.h"
#include "foundation/pageaccess.h"
#include "items/frmaddauction.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/toolbar.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

constexpr int kWidthTwips = 2400;
constexpr int kHeightTwips = 330;
constexpr int kGrownHeightTwips = 810;
constexpr int kStepTwips = 45;

bool isCopyPasteOrCut(const QKeyEvent *key)
{
    return (key->modifiers() & Qt::ControlModifier)
        && (key->key() == Qt::Key_C || key->key() == Qt::Key_V || key->key() == Qt::Key_X);
}

} // namespace

frmItemNumber::frmItemNumber()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    setFixedSize(Desktop::TwipsToPixelsX(kWidthTwips), Desktop::TwipsToPixelsY(kHeightTwips));
    txtItemNum = new QLineEdit(QStringLiteral("<enter item number>"), this);
    txtItemNum->setGeometry(0, 0, width(), height());
    txtItemNum->installEventFilter(this);
    Label1 = new QLabel(QStringLiteral("Type or paste item number, then press enter. To cancel, press Esc or click outside this "
                                       "box."),
                        this);
    Label1->adjustSize();
    Label1->move(0, height());
    Label1->hide();
    Timer1 = new TickTimer(2000, false, this);
    connect(Timer1, &TickTimer::Timer, this, &frmItemNumber::Timer1_Timer);
}

void frmItemNumber::Form_Load()
{
    Label1->move(width(), Label1->y());
    basGeneral::SelectAllText(txtItemNum);
    Timer1->setEnabled(true);
}

void frmItemNumber::ShowAt(const QPoint &topLeft)
{
    if (isLoaded())
        unloadInstance();
    frmItemNumber &box = instance();
    box.move(topLeft);
    box.show();
    box.activateWindow();
    box.txtItemNum->setFocus();
}

void frmItemNumber::Timer1_Timer()
{
    if (Label1->isHidden()) {
        setFixedHeight(Desktop::TwipsToPixelsY(kGrownHeightTwips));
        Label1->move(Label1->x(), txtItemNum->height() + Desktop::TwipsToPixelsY(60));
        Label1->show();
        Timer1->setInterval(50);
    }
    Label1->move(Label1->x() - Desktop::TwipsToPixelsX(kStepTwips), Label1->y());
    if (Label1->x() <= -Label1->width())
        Label1->move(width(), Label1->y());
}

bool frmItemNumber::txtItemNum_KeyPress(QKeyEvent *key)
{
    // Once the user types, the hint never appears.
    if (Label1->isHidden())
        Timer1->setEnabled(false);
    if (key->key() == Qt::Key_Escape) {
        unloadInstance();
        return true;
    }
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && basGeneral::ReadsAsNumber(txtItemNum->text())) {
        openWizard(txtItemNum->text());
        return true;
    }
    if (isCopyPasteOrCut(key) || key->key() == Qt::Key_Backspace)
        return false;
    const QString text = key->text();
    // Keys without a character (arrows, Delete, Home ...) move and edit as usual.
    if (text.isEmpty() && !enter)
        return false;
    return !(text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9'));
}

void frmItemNumber::openWizard(const QString &number)
{
    ListView &list = *MainForm().lvwAuctions;
    ListItem *row = list.FindItem(number);
    EditMode = row != nullptr;
    if (row)
        list.setSelectedItem(row);
    // The box gives way to the wizard, as it would on losing the focus.
    unloadInstance();
    frmAddAuction::ShowModal(number);
}

bool frmItemNumber::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtItemNum && event->type() == QEvent::KeyPress)
        return txtItemNum_KeyPress(static_cast<QKeyEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

void frmItemNumber::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        unloadInstance();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frmItemNumber::event(QEvent *event)
{
    if (event->type() == QEvent::WindowDeactivate && isLoaded()) {
        unloadInstance();
        return true;
    }
    return QWidget::event(event);
}

void AddAuctionCommand()
{
    frmMainShell &main = MainForm();
    EditMode = false;
    QString url = main.WebBrowser ? main.WebBrowser->LocationURL() : QString();
    const QString number = basGeneral::GetItemNumberFromURL(url);
    if (basGeneral::ReadsAsNumber(number)) {
        if (ListItem *row = main.lvwAuctions->FindItem(number)) {
            EditMode = true;
            main.lvwAuctions->setSelectedItem(row);
        }
        frmAddAuction::ShowModal(number);
    } else {
        // Below the "Add Auction" button, 700 twips below the top of the HTML list.
        QPoint at = main.mapToGlobal(QPoint(0, 0));
        if (main.Toolbar) {
            if (QWidget *button = main.Toolbar->widgetForAction(main.Toolbar->ButtonByKey(QStringLiteral("Add Auction"))))
                at.setX(button->mapToGlobal(QPoint(0, 0)).x());
        }
        if (main.HTMLList)
            at.setY(main.HTMLList->mapToGlobal(QPoint(0, 0)).y() + Desktop::TwipsToPixelsY(700));
        frmItemNumber::ShowAt(at);
    }
    main.lvwAuctions->setSorted(true);
}
