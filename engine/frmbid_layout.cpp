// The bid window's layout: the controls at their designed places, moved
// down and the window made taller where a label's text needs more room.
#include "engine/frmbid.h"

#include "platform/desktop.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

void frmBid::SetHeightTwips(int twips)
{
    m_heightTwips = twips;
    LayOutText();
    ApplyHeight();
}

namespace {

// A control's place on the window as designed, in twips.
struct DesignPlace
{
    int left;
    int top;
    int width;
    int height;
};

constexpr DesignPlace kImage1{120, 240, 480, 480};
constexpr DesignPlace kStatus{720, 345, 3135, 255};
constexpr DesignPlace kNoAccess{720, 840, 3135, 255};
constexpr DesignPlace kImage2{120, 1380, 480, 480};
constexpr DesignPlace kLabel1{720, 1440, 3135, 255};
constexpr DesignPlace kImage3{120, 1800, 480, 255};
constexpr DesignPlace kLabel3{720, 1800, 3135, 255};
constexpr DesignPlace kDetails{120, 2040, 3735, 1575};
constexpr DesignPlace kClose{2640, 3720, 1215, 375};
// Below the status part's last line, and between the window's right edge
// and a label grown to take in its text on one line.
constexpr int kPartMarginTwips = 120;
constexpr int kRightMarginTwips = 60;

QRect Pixels(const DesignPlace &p)
{
    return QRect(Desktop::TwipsToPixelsX(p.left), Desktop::TwipsToPixelsY(p.top), Desktop::TwipsToPixelsX(p.width),
                 Desktop::TwipsToPixelsY(p.height));
}

// The height a label's text takes at a width.
int TextHeight(const QLabel *label, int width)
{
    const int wrapped = label->heightForWidth(width);
    return wrapped > 0 ? wrapped : label->sizeHint().height();
}

} // namespace

void frmBid::LayOutText()
{
    // The designed places hold where the text fits. A label is as wide as
    // its text on one line up to the window's edge and wraps beyond it; a
    // row of the window moves down as far as the text above it needs, its
    // icon with it, and the failure part stays below the status part.
    const int maxRight = Desktop::TwipsToPixelsX(kWidthTwips - kRightMarginTwips);
    const int partMargin = Desktop::TwipsToPixelsY(kPartMarginTwips);
    int textBottom = 0;
    auto placeRow = [&](QWidget *widget, const DesignPlace &design, QLabel *icon, const DesignPlace &iconDesign, int gap) {
        // The row's top is its own or its icon's, whichever is higher. The
        // next row starts below the icon too: the design lets the failure's
        // warning icon reach into the row of the reason's information icon.
        QRect rect = Pixels(design);
        const QRect iconRect = icon ? Pixels(iconDesign) : QRect();
        const int rowTop = icon ? std::min(rect.top(), iconRect.top()) : rect.top();
        const int shift = std::max(0, textBottom + gap - rowTop);
        rect.translate(0, shift);
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            const int oneLine = label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin();
            rect.setWidth(std::max(rect.width(), std::min(oneLine, maxRight - rect.left())));
            const int needed = TextHeight(label, rect.width());
            rect.setHeight(std::max(rect.height(), needed));
            widget->setGeometry(rect);
            textBottom = rect.top() + needed;
        } else {
            widget->setGeometry(rect);
            textBottom = rect.bottom() + 1;
        }
        if (icon) {
            icon->setGeometry(iconRect.translated(0, shift));
            textBottom = std::max(textBottom, icon->geometry().bottom() + 1);
        }
    };
    const int gap = Desktop::TwipsToPixelsY(15);
    placeRow(lblStatus, kStatus, Image1, kImage1, gap);
    placeRow(lblNoAccess, kNoAccess, nullptr, {}, gap);
    placeRow(Label1, kLabel1, Image2, kImage2, partMargin);
    placeRow(Label3, kLabel3, Image3, kImage3, gap);
    placeRow(txtDetails, kDetails, nullptr, {}, gap);
    placeRow(cmdClose, kClose, nullptr, {}, gap);
}

void frmBid::ApplyHeight()
{
    // Every control the height reaches into shows whole, with the margin
    // the design leaves below the status part.
    int height = Desktop::TwipsToPixelsY(m_heightTwips);
    const int margin = Desktop::TwipsToPixelsY(kPartMarginTwips);
    const std::initializer_list<QWidget *> topToBottom = {lblStatus, lblNoAccess, Label1, Label3, txtDetails, cmdClose};
    for (QWidget *w : topToBottom) {
        if (w->y() >= height)
            break;
        const auto *label = qobject_cast<QLabel *>(w);
        const int bottom = label ? label->y() + TextHeight(label, label->width()) : w->geometry().bottom() + 1;
        height = std::max(height, bottom + margin);
    }
    setFixedHeight(height);
}

bool frmBid::event(QEvent *event)
{
    // A label's text changed: it may need more room now.
    if (event->type() == QEvent::LayoutRequest) {
        LayOutText();
        ApplyHeight();
    }
    return QDialog::event(event);
}

int frmBid::HeightTwips() const
{
    return Desktop::PixelsToTwipsY(height());
}
