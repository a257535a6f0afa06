#pragma once

#include <QString>

// What the browser's page events and boxes derive from an address, a title
// or a page's HTML, kept apart from the window so the rules can be checked
// alone.
namespace PageRules {

// Exactly "https://" at the start (an upper-case scheme does not count).
bool IsSecureAddress(const QString &url);
// An item page by its address: "-/", "itemZ", "/itm/", "item=" as they
// stand, or "?cmd=viewitem", "?pt=", "?ru=" in any case.
bool IsItemAddress(const QString &url);
// The document's title, or the address when the title is empty, with every
// "&" doubled so a caption shows it once.
QString TitleText(const QString &title, const QString &url);
// A tab's caption: the text, cut to 28 characters and "..." beyond 30.
QString TabCaption(const QString &titleText);

// The results page of eBay's search for the box's text on the chosen site.
// "&", "#", "+" and "%" are encoded so they reach the search as typed; every
// other character, a blank included, goes as it stands.
QString SearchURL(const QString &domain, const QString &words);

// eBay's sign-in form, not the page that reports a wrong user ID or password.
// lowerHtml is the document HTML in lower case.
bool IsEbaySignInForm(const QString &url, const QString &lowerHtml);
// The online service's login page, not the one a failed login returns to.
bool IsOnlineLoginPage(const QString &url);

} // namespace PageRules
