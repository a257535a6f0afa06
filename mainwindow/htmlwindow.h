#pragma once

#include <QString>

// Which rows of a long list the HTML page holds: the rows in view and a margin
// on either side. The rest of the list is two empty blocks of the height its
// rows would take, so the scroll bar stays true to the whole list while the
// page (and every write to it) stays the size of a few hundred rows.
namespace HtmlList {

// Rows written on either side of those in view.
inline constexpr int kMarginRows = 250;
// The height of a row before the page has shown one, in pixels.
inline constexpr double kDefaultRowHeight = 56.0;

// Shown rows [first, first + count), as positions among the rows that pass
// the filter, in the list's order.
struct RowWindow
{
    int first = 0;
    int count = 0;
    int end() const { return first + count; }
    bool contains(int position) const { return position >= first && position < end(); }
    bool operator==(const RowWindow &) const = default;
};

// The rows in view, [firstInView, firstInView + rowsInView), and `margin` rows
// on either side, within the list's `shownRows`.
RowWindow WindowAround(int shownRows, int firstInView, int rowsInView, int margin = kMarginRows);

// Whether a window written earlier still serves the view: it holds the rows
// in view and at least half the margin beyond them wherever the list goes on.
bool WindowServes(const RowWindow &written, int shownRows, int firstInView, int rowsInView, int margin = kMarginRows);

// Where the page stands, in page pixels: its scroll position and viewport
// height, and where the list's rows start, where the written rows start and
// where they end (the block above them and the block below them). A page
// without those blocks has them at -1.
struct PageGeometry
{
    double scrollTop = 0;
    double viewHeight = 0;
    double listTop = -1;
    double rowsTop = -1;
    double rowsBottom = -1;
    bool hasBlocks() const { return listTop >= 0 && rowsTop >= 0 && rowsBottom >= 0; }
};

// The position of the row at the top of the view: within the written rows by
// their own average height, above or below them by `rowHeight`.
int FirstRowInView(const PageGeometry &page, const RowWindow &written, int shownRows, double rowHeight);

// How many rows fill the view at `rowHeight`, with one more for a row cut in
// two.
int RowsInView(double viewHeight, double rowHeight);

// The style of such a block.
QString BlockStyle(double height);

// An empty block of `height` pixels carrying `id`, fit to stand among rows
// that start with `rowSection` (a table row among table rows, a block
// otherwise).
QString SpacerHtml(const QString &rowSection, const QString &id, double height);

} // namespace HtmlList
