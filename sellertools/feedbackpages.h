#pragma once

#include <QDate>
#include <QString>

#include <optional>

// The eBay feedback pages the feedback run requests and what it reads out of
// them: the positive rows of the feedback an account received as a seller,
// whether a buyer already appears among the feedback it left, and the
// transaction id on the leave-feedback form.
namespace FeedbackPages {

// The newest 50 entries received as a seller, the newest 100 left for others.
QString ReceivedURL(const QString &user);
QString LeftURL(const QString &user);
// The leave-feedback form for one buyer, and the positive post itself.
QString FormURL(const QString &buyer);
QString PostURL(const QString &item, const QString &buyer, const QString &transactionId, const QString &comment);

// The table cell of the positive-rating icon that opens a positive row.
QString PositiveRowMarker();

// The page with every Tab, then every CR LF pair removed.
QString WithoutLineBreaks(QString page);

// One positive row: its date text as printed, the buyer's user ID, the item.
struct Row
{
    QString date;
    QString buyer;
    QString item;
};

// Walks the positive rows of a received-feedback page, first to last.
class PositiveRows final
{
public:
    explicit PositiveRows(QString page) : m_rest(std::move(page)) {}
    // The next row; false when no positive row is left.
    bool Next(Row *row);

private:
    QString m_rest;
};

// A row's date ("Mar-05-24", month first; numbers or a month's abbreviation),
// or nothing when it is not a date.
std::optional<QDate> RowDate(const QString &dateText);

// True for a row dated more than 10 calendar days before today; a row whose
// date cannot be read is not too old.
bool TooOld(const QString &dateText, const QDate &today);

// Whether the left-feedback page already rates the buyer: "userid=" followed
// by the buyer, exact case. A longer user ID that begins with the buyer's
// counts as well.
bool AlreadyRated(const QString &leftPage, const QString &buyer);

// The transaction id on a leave-feedback form, "" when it has none.
QString TransactionId(const QString &form);

} // namespace FeedbackPages
