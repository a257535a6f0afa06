#include "platform/statusbar.h"

#include "platform/desktop.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

StatusPanel::StatusPanel(const QString &key, QWidget *parent) : QLabel(parent), m_key(key)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    setContentsMargins(4, 0, 4, 0);
}

void StatusPanel::setText(const QString &t)
{
    QLabel::setText(t);
    fitWidth();
    placeText();
}

void StatusPanel::fitWidth()
{
    if (m_setWidth <= 0)
        return;
    // A text longer than the set width widens the panel, taking the room
    // from the spring panel, up to half the bar; a shorter one gives it back.
    const QMargins margins = contentsMargins();
    const int needed = fontMetrics().horizontalAdvance(text()) + margins.left() + margins.right() + 2 * frameWidth() + 2;
    const int room = parentWidget() ? parentWidget()->width() / 2 : 0;
    setFixedWidth(std::max(m_setWidth, std::min(needed, room)));
}

void StatusPanel::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    placeText();
}

void StatusPanel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    placeText();
}

void StatusPanel::placeText()
{
    const bool fits = fontMetrics().horizontalAdvance(text()) <= contentsRect().width();
    QLabel::setAlignment(fits ? m_alignment : (Qt::AlignLeft | Qt::AlignVCenter));
    if (!fits && (m_tipIsText || toolTip().isEmpty())) {
        setToolTip(text());
        m_tipIsText = true;
    } else if (m_tipIsText) {
        setToolTip(QString());
        m_tipIsText = false;
    }
}

void StatusPanel::setAutoSize(AutoSize a)
{
    m_autoSize = a;
    if (a == Contents) {
        setMinimumWidth(0);
        setMaximumWidth(QWIDGETSIZE_MAX);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    } else if (a == Spring) {
        setMinimumWidth(0);
        setMaximumWidth(QWIDGETSIZE_MAX);
        // Takes the room left over, whatever its text: a long page address in
        // the status text must not widen the window.
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
}

void StatusPanel::setWidthTwips(int twips)
{
    m_setWidth = Desktop::TwipsToPixelsX(twips);
    setFixedWidth(m_setWidth);
    fitWidth();
}

int StatusPanel::WidthTwips() const
{
    const int px = isVisible() ? width() : sizeHint().width();
    return Desktop::PixelsToTwipsX(m_autoSize == Contents ? std::max(px, sizeHint().width()) : px);
}

void StatusPanel::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    // The text keeps clear of the picture, which paintEvent draws at the left.
    setContentsMargins(picture.isNull() ? 4 : picture.width() + 6, 0, 4, 0);
    update();
}

void StatusPanel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(3, (height() - m_picture.height()) / 2, m_picture);
}

void StatusPanel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit clicked(this);
}

StatusBar::StatusBar(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
}

void StatusBar::ClearPanels()
{
    for (StatusPanel *p : std::as_const(m_panels)) {
        removeWidget(p);
        p->deleteLater();
    }
    m_panels.clear();
}

StatusPanel *StatusBar::AddPanel(const QString &key, StatusPanel::AutoSize autoSize)
{
    auto *panel = new StatusPanel(key, this);
    panel->setAutoSize(autoSize);
    if (autoSize == StatusPanel::Spring)
        addWidget(panel, 1);
    else
        addPermanentWidget(panel, 0);
    connect(panel, &StatusPanel::clicked, this, &StatusBar::PanelClick);
    m_panels << panel;
    return panel;
}

StatusPanel *StatusBar::Panel(const QString &key)
{
    for (StatusPanel *p : std::as_const(m_panels))
        if (p->Key().compare(key, Qt::CaseInsensitive) == 0)
            return p;
    if (!m_dummy) {
        m_dummy = new StatusPanel(QString(), this);
        m_dummy->hide();
    }
    return m_dummy;
}
