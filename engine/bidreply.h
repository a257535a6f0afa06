#pragma once

#include <QString>
#include <QStringList>

// A reply of eBay's bid pages (sign-in, preparation, confirmation, Buy It
// Now) as the bid window reads it. These pages show the item's title beside
// their own texts, and a seller may write any of those texts into it: every
// marker, the signed-in user and the form's tokens are read outside the
// title, the one the page names as its own and `title`, the item's title
// as the list knows it, wherever the page shows it.
class BidReply
{
public:
    // How the page came: as the answer to the request itself, or at the end
    // of a redirect the answer named, which makes it some other page (the
    // item's, a sign-in) and no answer of eBay's to the request.
    enum class Arrival { Direct, Redirected };

    BidReply() = default;
    explicit BidReply(const QString &page, const QString &title = {}, Arrival arrival = Arrival::Direct);

    // The page holds `marker` (case-sensitive) in its own text.
    bool says(const QString &marker) const;
    // eBay's own message on the request's own answer holds `marker`
    // (case-sensitive): the text of the page's message box, where eBay
    // tells a bid's or a purchase's outcome, read with its tags aside,
    // character references decoded and blanks collapsed. Never the window
    // title, a meta tag or the item line, and nothing on a page a redirect
    // led to.
    bool ownMessageSays(const QString &marker) const;
    bool cameByRedirect() const { return m_arrival == Arrival::Redirected; }
    // Nothing of eBay's own (blanks aside) is on the page.
    bool isEmpty() const;
    // The page names `user` in quotes, in any case: it was served signed in.
    bool namesUser(const QString &user) const;
    // The value of the page's input `name` ("" without one); raises
    // NumberedError as GetInputValue does on a broken page.
    QString input(const QString &name) const;

private:
    QString m_own;
    QStringList m_messages; // the text of each message box, as ownMessageSays reads it
    Arrival m_arrival = Arrival::Direct;
};
