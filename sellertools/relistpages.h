#pragma once

#include <QString>

#include <optional>

// What the relist robot reads from eBay's selling pages. Every test takes the
// page's whole HTML in lower case.
namespace RelistPages {

// The sign-in form may be filled: a page of eBay's sign-in host over HTTPS
// (whatever name the host roles give it), the only page the seller's
// password is ever typed into, holding the sign-in form that does not
// already say the last password was wrong.
bool IsSignInForm(const QString &location, const QString &lowerPage);
// The seller's ID shows on the page (signed in as the seller), in any case.
bool ShowsUser(const QString &lowerPage, const QString &userId);
bool IsCatalogPage(const QString &lowerPage);
bool IsCreatePage(const QString &lowerPage);
bool IsReviewPage(const QString &lowerPage);
// The confirmation's new item number: the text after the first "item=" up to
// the next double quote, cut before its first "&amp;". Only a page that
// congratulates and whose number is all digits counts; anything else is no
// confirmation, so no relist is claimed that eBay did not report.
std::optional<QString> NewItemNumber(const QString &lowerPage);

} // namespace RelistPages
