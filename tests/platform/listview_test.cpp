#include "platform/listview.h"

#include <gtest/gtest.h>

namespace {

ListView *threeColumnList()
{
    auto *lv = new ListView;
    lv->AddColumn("itemnum", "Item Number");
    lv->AddColumn("itemtitle", "Item Title");
    lv->AddColumn("bids", "# of Bids", -1, Qt::AlignRight);
    return lv;
}

} // namespace

TEST(ListView, SortsByTheChosenColumnWithoutRegardToCase)
{
    std::unique_ptr<ListView> lv(threeColumnList());
    for (const auto &[num, title] : {std::pair{"3", "banana"}, {"1", "Apple"}, {"2", "cherry"}})
        lv->setField(lv->Add(num), "itemtitle", title);
    lv->SortKey = 1;
    lv->SortOrder = 0;
    lv->setSorted(true);
    EXPECT_EQ(lv->Item(1)->Text(), "1");
    EXPECT_EQ(lv->Item(3)->Text(), "2");
    lv->SortKey = 0;
    lv->SortOrder = 1;
    lv->setSorted(true);
    EXPECT_EQ(lv->Item(1)->Text(), "3");
    // Rows added later go to the end.
    lv->Add("0");
    EXPECT_EQ(lv->Item(4)->Text(), "0");
}
