#pragma once

#include "sim/core/simhttp.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace Sim {

struct PageContext;
struct SimItem;

// The item page in the older and the foreign layouts eBay used besides the
// default listing. Every page is filled from the item's own fields, with the
// marker texts of that layout written exactly as eBay wrote them:
//
//   ended_table       ended auction, older table layout: title only in
//                     og:title, "Ended:</th>" month first, unquoted seller span
//   ended_div         ended auction, UK division layout: "Ended:</div>" day
//                     first, "Winning bid:</div>", bids only as "[ 5 bids ]",
//                     the postage row above the winner entry, seller only in
//                     the member-profile link
//   fixed_price       Buy It Now listing: "Price:" in prcIsum, end in
//                     vi-VR-enddate-sec, "More than 10 available" above ten
//   fixed_price_sale  Buy It Now listing on sale: title only in the hidden
//                     input, price after the hidden "Discounted price" label
//                     and in mm-saleDscPrc, seller only in the member link
//   non_us_fr         French listing sent as UTF-8: "Enchère en cours" with a
//                     no-break space before ":", decimal comma, no end date
//   non_us_de         German listing in Windows-1252: "EUR 45,00", "4 Gebote",
//                     time left without an end date
namespace LayoutPages {

// The page of `item` in its layout; "" when the layout is none of the above,
// or an ended layout and the item still runs (the default listing stands in
// until the end).
QString item(const SimItem &item, const PageContext &ctx);

// The reply carrying an item page of that layout: UTF-8 for non_us_fr,
// Windows-1252 (as every other page declares) for the rest.
Response reply(const QString &layout, const QString &page);

// The harmless ways eBay may print the label of a row, which change no
// value the page shows:
//   linebreak  a line break after the label in its cell ("Time left:<br>")
//   comment    comments in the label's cell and between it and the value's
//   nbsp       no-break spaces between the label's words and after it
//   wrapper    the label in a b, span, font or strong element of its own
//   case       the label in capitals
//   all        all of these at once
//   onecell    the "Time left:" row as one cell, label and value together
// "" (or any other name) prints the rows as they are.
enum class RowMarkup { Plain, LineBreak, Comment, NoBreakSpace, Wrapper, LetterCase, All, OneCell };
RowMarkup rowMarkupOf(const QString &name);
QStringList rowMarkupNames();

// The labels whose rows the markup above changes, as eBay prints them.
QStringList rowLabels();

// `page` (any item page) with every label of rowLabels() standing alone in
// its element printed in `markup`.
QString withRowMarkup(const QString &page, RowMarkup markup);

// Windows-1252 bytes of a text; a character without one becomes '?'.
QByteArray windows1252(const QString &text);

// The item is listed at a fixed price (one of the fixed-price layouts).
bool fixedPrice(const SimItem &item);
// What a purchase of one of `item` costs: a fixed-price listing sells at its
// Buy It Now price, or at its price without one; an auction only at its Buy
// It Now price (0: none).
double purchasePrice(const SimItem &item);

} // namespace LayoutPages

} // namespace Sim
