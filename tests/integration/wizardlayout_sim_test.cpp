// The add-item wizard shows every text of its pages whole, whatever the
// item's values, with the simulator.
#include "foundation/settingsstore.h"
#include "items/frmaddauction.h"
#include "platform/listview.h"
#include "tests/integration/wizardsim.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>

using namespace RefreshSim;

namespace {

// The texts of `page` that its layout gave less room than they need.
QStringList clippedTexts(QWidget &page)
{
    QStringList clipped;
    for (QWidget *w : page.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&page))
            continue;
        QString text;
        bool fits = true;
        if (auto *label = qobject_cast<QLabel *>(w)) {
            text = label->text();
            fits = label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                     : label->width() >= label->sizeHint().width()
                                           && label->height() >= label->sizeHint().height();
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            text = button->text();
            fits = button->width() >= button->sizeHint().width() && button->height() >= button->sizeHint().height();
        }
        if (!text.isEmpty() && !fits)
            clipped << text;
    }
    return clipped;
}

QStringList clippedOnScreen(frmAddAuction &w)
{
    w.layout()->activate();
    QApplication::processEvents();
    return clippedTexts(w);
}

} // namespace

TEST(AddAuctionLayout, EveryTextOfTheWizardShowsWholeWithLongValues)
{
    WizardSim::Fresh();
    SaveSetting("Has TMRO Account", "True");
    // A long title, a price of four digits and an edit of a grouped snipe.
    const QString number = AddItem(86400, 4030.5, [](Sim::SimItem &item) {
        item.title = QStringLiteral("Vintage brass table lamp with opal glass shade, working, no. 29");
    });
    AddRow(number, {{"maxbid", "1 @ 5125.00"}, {"group", "Lamps"}}, QStringLiteral("Local"));

    frmAddAuction *w = WizardSim::Open(number);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->windowTitle(), "Edit Bid");
    EXPECT_TRUE(w->lblCurrentBid->text().contains("40")) << qPrintable(w->lblCurrentBid->text());
    EXPECT_EQ(clippedOnScreen(*w), QStringList());

    // The confirmation page, after Next.
    w->txtMaxBid->setText("5125");
    w->cmdNext_Click();
    ASSERT_TRUE(w->fraConfirm->isVisibleTo(w));
    EXPECT_EQ(clippedOnScreen(*w), QStringList());
    frmAddAuction::unloadInstance();
}
