#pragma once

#include <QString>

// eBay sign-in and sign-out: each is one GET request; the sign-in carries
// the user ID and the plain password in its query, each URL-encoded on its
// own (nothing else in the request is encoded). Callers fetch SignOutURL
// first (its reply is never read) and then the sign-in.
namespace eBaySignIn {

// The full sign-in (https), used before refreshes, near an auction's end and
// by the bid window. The return address inside it is deliberately not
// encoded, so the parameters after it belong to the outer query.
QString SignInURL(const QString &user, const QString &password);

// The short sign-in, used by the account windows and the seller tools; over
// https only, as everything that carries the password.
QString QuickSignInURL(const QString &user, const QString &password);

// The sign-out, always plain http.
QString SignOutURL();

// Whether a sign-in reply turns the user ID or password down: it holds
// " invalid " or "password is incorrect" (exact case). Any other reply,
// the empty one of a failed fetch included, counts as accepted.
bool SignInRejected(const QString &reply);

// The message a caller shows for a rejected sign-in.
inline const QString kRejectedMessage = QStringLiteral("Invalid eBay user ID or password");

} // namespace eBaySignIn
