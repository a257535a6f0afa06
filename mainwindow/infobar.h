#pragma once

#include <QDateTime>
#include <QString>

// The two-line bar above the browser on an eBay item page: seller and
// feedback, then time left, current bid and quantity. Read from the page
// alone, so the rules can be checked without a browser.
namespace InfoBar {

struct Lines
{
    bool itemPage = false; // the page carries the item-number label
    bool show = false;     // seller, rating and percent were all found
    QString line1;
    QString line2;
};

// Whether the document HTML (in the browser's form, case as it stands) is an
// eBay item page.
bool IsItemPage(const QString &html);

// The bar for a page. `html` is the document HTML in the browser's form
// (which the item-page marker is written in); `fieldHtml` is the same
// document as the standard serialisation gives it (quoted attributes, tags in
// lower case), where the item-page field reader finds the fields the
// browser's form hides; each field is read from whichever form holds it. `ebayNow` is eBay's present moment on its own clock;
// `paypalLogo` is the address part of the PayPal logo on eBay's static
// picture host ("host/aw/pics/logos/logoPayPal_51x14.gif"), whose absence on
// a US-site item page adds the PayPal note to line 1.
Lines Read(const QString &html, const QString &fieldHtml, const QString &locationURL, const QDateTime &ebayNow, const QString &paypalLogo);

// The logo address on the configured static picture host.
QString PayPalLogo();

} // namespace InfoBar
