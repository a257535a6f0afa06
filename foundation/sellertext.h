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
//
// Beside those, the seller's title is cut out wherever an item page shows it
// as a text or attribute of its own, and wherever a bid page names the item
// by it before its number (a stretch read as a field): `knownTitle` (a row's
// title, as the caller knows it), and on an item page its og:title and its
// window title. And on an item page, every text holding one of eBay's labels
// or notices where the page gives it no place of its own
// (IsEbaysOwnLabel) is the seller's.
QList<TextStretch> SellerWrittenStretches(QStringView page, PageKind kind = PageKind::Item,
                                          QStringView knownTitle = {});

// The page without those stretches: the text to look for the page's own
// labels in.
QString WithoutSellerText(const QString &page, PageKind kind = PageKind::Item, QStringView knownTitle = {});

// Whether the text [begin, end) of an item page, between two tags and
// holding one of eBay's labels or notices, is eBay's own. It is only where
// eBay's markup gives it a place of its own: the whole text of its element
// (wrappers around nothing else aside), exactly a label or notice and never
// inside a longer text; in a container with no text of its own and no value
// of the seller's (`sellers`: the stretches told by their element or by the
// title); a label also with its value in the element after it. Anything
// else, however eBay may print it, is read as the seller's: a text found in
// markup nobody taught the readers leaves its field unread, never misread.
bool IsEbaysOwnLabel(QStringView page, qsizetype begin, qsizetype end, const QList<TextStretch> &sellers);

} // namespace basGeneral
