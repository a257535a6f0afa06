#include "items/frmnotes.h"

#include "engine/mainformengine.h"
#include "platform/desktop.h"
#include "platform/listview.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

const QString kNote = QStringLiteral("note");
const QString kBreak = QStringLiteral("<br>");
const QString kQuote = QStringLiteral("&quot;");

constexpr int kWidthTwips = 3600;
constexpr int kHeightTwips = 2400;

ListItem *rowOf(ListView &list, const QString &itemNumber)
{
    ListItem *row = list.SelectedItem();
    if (row && row->Text() == itemNumber)
        return row;
    return list.FindItem(itemNumber);
}

} // namespace

frmNotes::frmNotes()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
{
    resize(Desktop::TwipsToPixelsX(kWidthTwips), Desktop::TwipsToPixelsY(kHeightTwips));
    setStyleSheet(QStringLiteral("frmNotes { background: #fff8b0; border: 1px solid #c8b040; }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    auto *strip = new QWidget(this);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 0, 0, 0);
    lblTitle = new QLabel(strip);
    lblTitle->setTextFormat(Qt::PlainText); // the seller's title, never markup
    lblTitle->setStyleSheet(QStringLiteral("font-weight: bold; background: #f0e070;"));
    lblTitle->setCursor(Qt::SizeAllCursor);
    lblTitle->installEventFilter(this);
    picClose = new QLabel(QStringLiteral("\u00d7"), strip);
    picClose->setCursor(Qt::PointingHandCursor);
    picClose->setToolTip(QStringLiteral("Close"));
    picClose->installEventFilter(this);
    stripLayout->addWidget(lblTitle, 1);
    stripLayout->addWidget(picClose);
    layout->addWidget(strip);
    txtNote = new QPlainTextEdit(this);
    txtNote->setStyleSheet(QStringLiteral("background: #fffbd0; border: none;"));
    layout->addWidget(txtNote, 1);
}

QString frmNotes::StoredNote(const QString &text)
{
    QString stored = text;
    // The editor breaks lines with "\n"; a pasted CR LF pair is one break.
    stored.replace(QStringLiteral("\r\n"), kBreak);
    stored.replace(QLatin1Char('\n'), kBreak);
    stored.replace(QLatin1Char('\r'), kBreak);
    stored.replace(QLatin1Char('"'), kQuote);
    return stored;
}

QString frmNotes::ShownNote(const QString &stored)
{
    QString text = stored;
    text.replace(kBreak, QStringLiteral("\n"));
    text.replace(kQuote, QStringLiteral("\""));
    return text;
}

void frmNotes::ShowAt(const QString &title, const QPoint &topLeft)
{
    ListView &list = *EngineForm().lvwAuctions;
    const ListItem *row = list.SelectedItem();
    if (!row)
        return;
    if (isLoaded())
        unloadInstance(); // writes back a note still open
    frmNotes &w = instance();
    w.m_itemNumber = row->Text();
    w.lblTitle->setText(title);
    w.txtNote->setPlainText(ShownNote(list.Field(row, kNote)));
    w.txtNote->moveCursor(QTextCursor::End);
    w.move(topLeft);
    w.show();
    w.activateWindow();
    w.txtNote->setFocus();
}

void frmNotes::Form_Unload()
{
    frmMainEngine &main = EngineForm();
    ListView &list = *main.lvwAuctions;
    ListItem *row = m_itemNumber.isEmpty() ? nullptr : rowOf(list, m_itemNumber);
    if (!row)
        return;
    const QString note = StoredNote(txtNote->toPlainText());
    const bool changed = note != list.Field(row, kNote);
    list.setField(row, kNote, note);
    main.SyncHTMLList(false, row->Text());
    // Written at once, so a crash before the next save of the list keeps it.
    if (changed)
        main.SaveList(false);
}

void frmNotes::picClose_Click()
{
    unloadInstance();
}

void frmNotes::lblTitle_MouseDown(const QPoint &at)
{
    lngDragX = at.x();
    lngDragY = at.y();
    blnDragging = true;
}

void frmNotes::lblTitle_MouseMove(const QPoint &at)
{
    if (!blnDragging)
        return;
    // The grabbed point stays under the mouse.
    move(x() - (lngDragX - at.x()), y() - (lngDragY - at.y()));
}

void frmNotes::lblTitle_MouseUp()
{
    blnDragging = false;
}

bool frmNotes::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblTitle) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            lblTitle_MouseDown(static_cast<QMouseEvent *>(event)->position().toPoint());
            return true;
        case QEvent::MouseMove:
            lblTitle_MouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
            return true;
        case QEvent::MouseButtonRelease:
            lblTitle_MouseUp();
            return true;
        default:
            break;
        }
    } else if (watched == picClose && event->type() == QEvent::MouseButtonRelease) {
        picClose_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool frmNotes::event(QEvent *event)
{
    // A click anywhere else closes the note (and writes it back).
    if (event->type() == QEvent::WindowDeactivate && isLoaded() && &instance() == this) {
        unloadInstance();
        return true;
    }
    return QWidget::event(event);
}

void frmNotes::closeEvent(QCloseEvent *event)
{
    if (isLoaded() && &instance() == this)
        unloadInstance();
    event->accept();
}
