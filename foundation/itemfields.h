#pragma once

#include <QString>

// The eBay item-page field reader.
namespace basGeneral {

// One field of an eBay item page. key is one of "picture", "title",
// "endtime", "bids", "currentbid", "minbid", "binprice", "shipping", "qty",
// "feedbackpercent", "feedbackrating", "seller" (exact case); any other key
// gives an empty text. Each field is tried in every page layout the reader
// knows, in a fixed order, until a plausible value turns up; what is still
// missing gets the field's fallback: "N/A" for endtime, bids, currentbid and
// shipping, "1" for qty, "" for the others. Markers are looked for outside
// the text the seller wrote (SellerWrittenStretches), and values are cut out
// of the page without it, so a title, a description or a note in the
// condition row changes no field but the title. Repeated calls on the same
// page text share the page's preparation.
QString GetItemField(const QString &page, const QString &key);

} // namespace basGeneral
