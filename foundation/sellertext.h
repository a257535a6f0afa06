#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Where an eBay item page shows text its seller wrote. A seller may write
// any of the page's own labels or notices ("Time left:", "Ended:", "Winning
// bidder:", a price, a bid count) into any value of the listing; the page's
// readers look for their markers outside these stretches only.
namespace basGeneral {

// Characters [begin, end) of a page.
struct TextStretch
{
    qsizetype begin = 0;
    qsizetype end = 0;
    // The title, the picture address or the shipping text where the reader
    // cuts it out (the item heading, the title meta tags and field, the
    // picture's meta tags, the shipping cost). Nothing at all is read from
    // the other stretches.
    bool readAsField = false;
};

// An item page, or one of the bid pages (preparation, confirmation, Buy It
// Now) that name the item in a line of their own. A bid page's window title
// and scripts are its own: they carry its outcome and the signed-in user.
enum class PageKind { Item, Bid };

// The stretches of a page holding what the seller wrote, in page order and
// apart: the title wherever the page repeats it (the window title and scripts
// of an item page, the item heading, a bid page's item line, title and
// description meta tags, the hidden title field, picture texts and picture
// addresses), the subtitle, the condition and its note, the shipping text,
// the item location, the return text, the item specifics, and the
// description with everything after it. They are told by the elements eBay
// prints them in, never by what they say: a seller may fill any of them with
// exactly one of eBay's labels or notices. The tags around them stay
// outside, so a reader that finds a heading can still read the title within
// it.
QList<TextStretch> SellerWrittenStretches(QStringView page, PageKind kind = PageKind::Item);

// The page without those stretches: the text to look for the page's own
// labels in.
QString WithoutSellerText(const QString &page, PageKind kind = PageKind::Item);

} // namespace basGeneral
