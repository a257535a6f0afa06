// Which rows the list page holds: the rows in view and a margin around them,
// whatever the list's length and wherever the page is scrolled to.
#include "mainwindow/htmlwindow.h"

#include <gtest/gtest.h>

#include <algorithm>

using HtmlList::RowWindow;

namespace {

// List lengths around every edge the margin makes, and long ones.
const int kSizes[] = {0, 1, 2, 3, 10, 250, 251, 252, 500, 501, 502, 503, 520, 600, 1000, 2477, 10000, 50000};

} // namespace

TEST(HtmlListWindow, HoldsTheRowsInViewAndTheMarginInListOrder)
{
    constexpr int m = HtmlList::kMarginRows;
    for (int size : kSizes) {
        for (int inView : {1, 9, 40}) {
            for (int first = 0; first < std::max(size, 1); first += size > 3000 ? 97 : 1) {
                const RowWindow w = HtmlList::WindowAround(size, first, inView);
                // Exactly the rows in view and `m` rows either side, as far
                // as the list goes: a contiguous run of positions, so in the
                // list's order.
                const int begin = std::max(0, first - m);
                const int end = std::min(size, first + inView + m);
                ASSERT_EQ(w, (RowWindow{size ? begin : 0, size ? end - begin : 0}))
                    << "size " << size << ", first in view " << first << ", in view " << inView;
                for (int p = first; p < std::min(size, first + inView); ++p)
                    ASSERT_TRUE(w.contains(p));
                // A window just written serves its view; one moved away by
                // more than half the margin does not, where the list goes on.
                ASSERT_TRUE(HtmlList::WindowServes(w, size, first, inView));
                const int ahead = first + inView + m / 2 + 1;
                if (ahead < size && w.end() < size)
                    ASSERT_FALSE(HtmlList::WindowServes(w, size, ahead, inView)) << size << " " << first;
            }
        }
    }
}

// The row found at the top of the view is the row written there, for every
// scroll position over the whole list: in the block above the written rows,
// among them (which may be taller or shorter than the estimate) and below.
TEST(HtmlListWindow, TheRowAtTheTopOfTheViewIsFoundWhereverThePageIsScrolled)
{
    constexpr double header = 23;
    for (int size : {1, 7, 600, 5000}) {
        for (double estimate : {56.0, 30.0}) {
            const double written = 61; // the written rows' own height
            for (int start : {0, size / 3, std::max(0, size - 100)}) {
                const RowWindow w = HtmlList::WindowAround(size, start, 10);
                HtmlList::PageGeometry g;
                g.viewHeight = 500;
                g.listTop = header;
                g.rowsTop = header + w.first * estimate;
                g.rowsBottom = g.rowsTop + w.count * written;
                auto topOf = [&](int row) {
                    if (row < w.first)
                        return header + row * estimate;
                    if (row < w.end())
                        return g.rowsTop + (row - w.first) * written;
                    return g.rowsBottom + (row - w.end()) * estimate;
                };
                for (int row = 0; row < size; ++row) {
                    for (double into : {0.0, 0.5, 0.97}) {
                        const double height = w.contains(row) ? written : estimate;
                        g.scrollTop = topOf(row) + into * height;
                        ASSERT_EQ(HtmlList::FirstRowInView(g, w, size, estimate), row)
                            << "size " << size << ", scrolled to " << g.scrollTop;
                    }
                }
                g.scrollTop = 0; // above the list: its first row
                EXPECT_EQ(HtmlList::FirstRowInView(g, w, size, estimate), 0);
                g.scrollTop = 1e9; // past its end: its last row
                EXPECT_EQ(HtmlList::FirstRowInView(g, w, size, estimate), size - 1);
            }
        }
    }
    EXPECT_EQ(HtmlList::RowsInView(500, 56), 10);
}

TEST(HtmlListWindow, BlocksFitTheRowsTheyStandAmong)
{
    EXPECT_EQ(HtmlList::SpacerHtml("\r\n<div class=\"row\">", "above", 112.4),
              "<div id=\"above\" style=\"height: 112px; padding: 0; margin: 0; border: 0\"></div>");
    EXPECT_TRUE(HtmlList::SpacerHtml(" <TR><td>", "below", 0).startsWith("<tr id=\"below\" style=\"height: 0px;"));
}
