#pragma once

#include <QString>
#include <QStringList>

// Reading the item numbers out of the My eBay watching-list page.
namespace WatchingList {

// The text that starts every item link on the page: the US item host and
// "/itm/", in lower case.
QString ItemLinkMarker();

// The item numbers of the page's item links, in page order, repeats kept:
// for each link the text between the marker and the next "?", when that is
// a number (a link with a title path before the number gives none).
// `page` is searched in lower case.
QStringList ItemNumbers(const QString &page, const QString &marker = ItemLinkMarker());

} // namespace WatchingList
