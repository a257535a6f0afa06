// The bid window shows its whole text, in the status part alone and with
// the failure part uncovered, also in a larger font.
#include "engine/frmbid.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// Why a label cuts off its text inside a window `height` high, or "".
std::string cutOff(const QLabel *label, int height)
{
    const QString text = label->text();
    const int needed = label->heightForWidth(label->width());
    if (needed > label->height())
        return text.toStdString() + ": needs " + std::to_string(needed) + " px, has " + std::to_string(label->height());
    if (label->wordWrap() ? false : label->sizeHint().width() > label->width())
        return text.toStdString() + ": too narrow";
    if (label->geometry().right() >= label->parentWidget()->width())
        return text.toStdString() + ": past the right edge";
    if (label->y() + needed > height)
        return text.toStdString() + ": past the bottom";
    return {};
}

void expectWhole(const frmBid &bid, std::initializer_list<const QLabel *> labels)
{
    for (const QLabel *label : labels)
        EXPECT_EQ(cutOff(label, bid.height()), "");
}

void settle()
{
    QCoreApplication::processEvents();
}

// Shows the window in the default font (0) or one of `pointSize` points.
void showInFont(frmBid &bid, int pointSize)
{
    if (pointSize) {
        QFont font = bid.font();
        font.setPointSize(pointSize);
        bid.setFont(font);
    }
    bid.show();
    settle();
}

} // namespace

TEST(BidWindowLayout, EveryStatusAndTheFailurePartShowTheirWholeText)
{
    for (const int pointSize : {0, 14}) {
        SCOPED_TRACE(pointSize ? "a larger font" : "the default font");
        frmBid bid;
        showInFont(bid, pointSize);
        for (const char *status : {"Signing in...", "Sending bid...", "Confirming bid...", "Signing out..."}) {
            bid.lblStatus->setText(QString::fromLatin1(status));
            settle();
            expectWhole(bid, {bid.lblStatus, bid.lblNoAccess});
            EXPECT_GE(bid.HeightTwips(), frmBid::kHeightTwips);
            EXPECT_LE(bid.height(), bid.Label1->y()) << "only the status part shows";
            EXPECT_LE(bid.height(), bid.Image2->y());
        }

        bid.SetHeightTwips(frmBid::kFailureHeightTwips);
        bid.lblNoAccess->hide();
        bid.lblStatus->setText(QStringLiteral("An error has occured"));
        settle();
        expectWhole(bid, {bid.lblStatus, bid.Label1, bid.Label3});
        EXPECT_GE(bid.HeightTwips(), frmBid::kFailureHeightTwips);
        EXPECT_LE(bid.Label1->y() + bid.Label1->heightForWidth(bid.Label1->width()), bid.Label3->y());
        EXPECT_LE(bid.Label3->y() + bid.Label3->heightForWidth(bid.Label3->width()), bid.txtDetails->y());
        EXPECT_LE(bid.txtDetails->geometry().bottom(), bid.cmdClose->y());
        EXPECT_LE(bid.cmdClose->geometry().bottom(), bid.height());
    }
}

// The failure part's warning icon and the information icon beside the reason
// each show whole, apart from each other and from the status icon.
TEST(BidWindowLayout, TheOutbidWindowsIconsStandApart)
{
    for (const int pointSize : {0, 14}) {
        SCOPED_TRACE(pointSize ? "a larger font" : "the default font");
        frmBid bid;
        showInFont(bid, pointSize);
        bid.SetHeightTwips(frmBid::kFailureHeightTwips);
        bid.setWindowTitle(QStringLiteral("You've Been Outbid"));
        bid.lblStatus->setText(QStringLiteral("Signing out..."));
        bid.txtDetails->setPlainText(
            QStringLiteral("Another bidder placed a higher maximum bid or placed the same maximum bid before you did."));
        settle();
        const QRect status = bid.Image1->geometry();
        const QRect warning = bid.Image2->geometry();
        const QRect information = bid.Image3->geometry();
        EXPECT_FALSE(warning.intersects(information)) << "warning " << warning.y() << "-" << warning.bottom()
                                                      << ", information " << information.y() << "-" << information.bottom();
        EXPECT_FALSE(status.intersects(warning));
        for (const QLabel *icon : {bid.Image1, bid.Image2, bid.Image3}) {
            EXPECT_GE(icon->height(), icon->pixmap().deviceIndependentSize().height());
            EXPECT_LE(icon->geometry().bottom(), bid.txtDetails->y()) << "above the reason's box";
        }
    }
}
