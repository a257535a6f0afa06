#pragma once

// Texts a seller wrote, carrying eBay's labels with planted values, put into
// an item page between two of its elements: no field and no notice of the
// page may be read from them.
#include <QString>
#include <QStringList>

#include <array>

namespace SellerInsertion {

// The notices the refresh and the item windows look for, found in the page's
// own text as the refresh finds them: "Ended:", "Bidding has ended",
// "Winning bidder:", removed, moved.
using Notices = std::array<bool, 5>;
Notices NoticesOf(const QString &page);

// Every field of an item page, its notices and its winner entry, as the
// program reads them: two pages read alike when these are equal.
QStringList EverythingRead(const QString &page);

struct Note
{
    QString text; // plain, escaped where it is put in
    bool labelled = true; // holds one of eBay's labels or notices, not values alone
};

// What a seller may write: eBay's labels with planted values, all in one
// note and each on its own, among them an end in 2030, an end 90 s before
// the page's own, "Ended:", "Winning bidder:" with `user`, prices, bid
// counts, the quantity and the shipping; and values without a label.
QList<Note> Notes(const QString &page, const QString &user);

struct Coverage
{
    int positions = 0;     // between two elements, outside eBay's fields
    int betweenLabelAndValue = 0; // where a value without a label would be read
    int insideFields = 0;  // where a plain element of text moves a field
    QStringList faults;    // the first few
};

// Every note at every position between two elements of `page` outside the
// elements eBay gives a field in, as escaped text in an element of its own,
// in the content of description meta tags and in a "ds_div" description of
// the seller's markup: each field reads as on `page` or as the field's
// fallback, and each notice the refresh looks for is as on `page` or absent.
// A position is inside a field where a plain element of text changes a
// field; one between a label and its value, where an element holding values
// alone changes a field, gets the labelled notes only.
Coverage Check(const QString &page, const QList<Note> &notes);

// Every label, notice and marker the item-page readers, the refresh and the
// winner entry go by, as eBay prints them (the French label with its
// no-break space, a bracketed bid count, a price, an end in brackets).
QStringList KnownTexts();

// Each known text as a seller may fill a value with it: alone; with blanks,
// line breaks or no-break spaces around it; in quotes; and closing a lead
// of four and more words without a colon ("Lamp works fine, check the Time
// left:"). `raw` values go into the page as they are, and also come with
// the references "&nbsp;", "&#160;" and "&#32;" around them; the others are
// plain text that the page escapes.
QStringList FilledValues(bool raw);

// How `planted` reads where `plain` reads otherwise: a field (other than
// `ownKey`, the field the seller's value is read as) that is neither as on
// `plain` nor its fallback, a notice either page lacks, or another winner
// entry. "" when it reads the same. The title is cut out wherever it stands:
// a title that is exactly one of eBay's notices may leave that one, or the
// winner entry, unread.
QString Misreading(const QString &plain, const QString &planted, const QString &ownKey = {});

} // namespace SellerInsertion
