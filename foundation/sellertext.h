#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// Where an eBay item page shows text its seller wrote. A seller may write
// any of the page's own labels ("Time left:", "Ended:", a price, a bid
// count) into a title or a description; the page's readers look for their
// markers outside these stretches only.
namespace basGeneral {

// Characters [begin, end) of a page.
struct TextStretch
{
    qsizetype begin = 0;
    qsizetype end = 0;
    // The title or the picture address where the reader cuts it out (the
    // item heading, the title meta tags and field, the picture's meta tags).
    // Nothing at all is read from the other stretches.
    bool readAsField = false;
};

// An item page, or one of the bid pages (preparation, confirmation, Buy It
// Now) that name the item in a line of their own. A bid page's window title
// and scripts are its own: they carry its outcome and the signed-in user.
enum class PageKind { Item, Bid };

// Whether a run of page text (the characters between two tags) was written
// by the seller although it reads like one of eBay's labels ("Time left:",
// "Ended:", "Winning bidder:", "Current bid:", "Price:", "Bid history:",
// "Quantity:", "Shipping:" ...). eBay prints each label as the whole text of
// its own element, with the value in the element that follows; what a
// seller writes reaches the page as escaped text inside one element. So a
// run holding a label with more text after it, or after more than the
// label's own few words, is the seller's. Runs without a label are not
// judged here.
bool IsSellersLabelRun(QStringView run);

// Whether a run of page text was written by the seller although it holds
// one of the notices eBay prints in place of an item: "This item is not
// available for purchase on eBay United States." and "This listing (...)
// has been removed, or this item is not available.". eBay prints each as
// the whole text of its own element; a seller's note carries more (eBay puts
// "Seller notes:" in front of it), or words of its own in front of the
// removed notice. Runs without a notice are not judged here.
bool IsSellersNoticeRun(QStringView run);

// The stretches of a page holding what the seller wrote, in page order and
// apart: the title wherever the page repeats it (the window title and scripts
// of an item page, the item heading, a bid page's item line, title and
// description meta tags, the hidden title field, picture texts and picture
// addresses), the subtitle, the item specifics, and the description with
// everything after it. The tags around them stay outside, so a reader that
// finds a heading can still read the title within it. On an item page, any
// other run of text that IsSellersLabelRun or IsSellersNoticeRun tells
// apart (a seller's note in the condition row) is one too.
QList<TextStretch> SellerWrittenStretches(QStringView page, PageKind kind = PageKind::Item);

// The page without those stretches: the text to look for the page's own
// labels in.
QString WithoutSellerText(const QString &page, PageKind kind = PageKind::Item);

} // namespace basGeneral
