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

// The page without those stretches, eBay's own labels written as the
// readers know them (ReadingOf): the text to look for the page's own labels
// in.
QString WithoutSellerText(const QString &page, PageKind kind = PageKind::Item, QStringView knownTitle = {});

// Whether the text [begin, end) of an item page, between two tags and
// holding one of eBay's labels or notices, is eBay's own. It is decided by
// where the seller's values stand, never by how eBay formats its own: what
// carries no text (tags of inline wrappers such as b, span, font and
// strong, line breaks, comments, blanks of any kind, letter case) is set
// aside first. The text is eBay's where
// - an element around it (its own, an inline wrapper around that, or the
//   cell, row or division they stand in) shows exactly a label or notice,
//   in a parent with no text of its own and no value of the seller's, and
//   a label has its value in the element after it; or
// - the cell, row or division it stands in shows a label first, the text
//   being part of it, and the value alone after it, and holds no value of
//   the seller's.
// Anything inside a value the seller fills in (`sellers`: the stretches told
// by their element or by the title) is the seller's, and so is a label only
// part of a longer text or with no value after it: a text found in markup
// nobody taught the readers leaves its field unread, never misread.
bool IsEbaysOwnLabel(QStringView page, qsizetype begin, qsizetype end, const QList<TextStretch> &sellers);

// A stretch of a page written anew for the readers.
struct TextEdit
{
    qsizetype begin = 0;
    qsizetype end = 0;
    QString text;
};

// A page as the readers take it: the seller's stretches, and (on an item
// page) eBay's own labels as the readers' markers know them, in page order
// and apart from them and each other: a label alone in its element without
// the comments, line breaks, blanks and bare wrappers around it and in
// eBay's letter case ("<th><b>ENDED:</b><br></th>" as "<th>Ended:</th>"),
// the words of every label parted by one space.
struct PageReading
{
    QList<TextStretch> sellers;
    QList<TextEdit> ebaysLabels;
};
PageReading ReadingOf(QStringView page, PageKind kind = PageKind::Item, QStringView knownTitle = {});

// The page without the seller's stretches and with eBay's labels written
// for the readers. With `kept`, the stretches read as a field stay, and
// their places in the result are added to it.
QString ReadableText(QStringView page, const PageReading &reading, QList<TextStretch> *kept = nullptr);

} // namespace basGeneral
