#pragma once

#include <QString>

// A reply of eBay's bid pages (sign-in, preparation, confirmation, Buy It
// Now) as the bid window reads it. These pages show the item's title beside
// their own texts, and a seller may write any of those texts into it: every
// marker, the signed-in user and the form's tokens are read outside the
// title, the one the page names as its own and `title`, the item's title
// as the list knows it, wherever the page shows it.
class BidReply
{
public:
    BidReply() = default;
    explicit BidReply(const QString &page, const QString &title = {});

    // The page holds `marker` (case-sensitive) in its own text.
    bool says(const QString &marker) const;
    // Nothing of eBay's own (blanks aside) is on the page.
    bool isEmpty() const;
    // The page names `user` in quotes, in any case: it was served signed in.
    bool namesUser(const QString &user) const;
    // The value of the page's input `name` ("" without one); raises
    // NumberedError as GetInputValue does on a broken page.
    QString input(const QString &name) const;

private:
    QString m_own;
};
