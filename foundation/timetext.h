#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// eBay's date texts, time-left texts, prices and the maximum-bid text
// ("quantity @ amount").
namespace basGeneral {

// ---- Dates --------------------------------------------------------------

// The date the program uses for "no date": 30 December 1899, midnight.
QDateTime ZeroDate();

// The program's text form of a date and time: the system's short date with a
// four-digit year, a space and the time as HH:mm:ss. ReadDate reads it back.
QString DateText(const QDateTime &when);

// Reads a date text: the DateText form, the system's short date alone, or
// ISO 8601. Nothing when the text is not a date.
std::optional<QDateTime> ReadDate(const QString &text);

// eBay's official-time text ("Friday, December 6, 2013 14:03:22 PST", or
// PDT) as the date and time it shows; the zone is not applied. Raises
// NumberedError 13 when the text has neither zone mark or is not of that form.
QDateTime ParseLongDate(const QString &text);

// An item page's end-time text ("Dec-06-13 14:03:22 PST": month, day, two-
// or four-digit year, time, optional zone) as DateText, or "" when it cannot
// be read. Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999.
QString ParseShortDate(const QString &text);

// A Pacific-time date text in the user's time zone: the saved "Time Zone"
// entry's hours plus 8 are added (Pacific time is taken as UTC-8 all year).
// "", anything unreadable and a saved zone that is no entry give ZeroDate().
QDateTime PacificToLocal(const QString &dateText);

// Lower-cases text and turns every month abbreviation ("jan" ... "dec") into
// its number, in the caller's variable too; returns it.
QString MonthAbbrevToNumber(QString &text);

// ---- Durations and time left -----------------------------------------

// "m:ss" (65 gives "1:05", 3600 gives "60:00"; -65 gives "-1:05").
QString FormatMinSec(int seconds);

// Seconds in words ("1 hour, 1 minute, 1 second"; "0 seconds" for 0 or less).
// The seconds below a minute are left in the caller's variable.
QString FormatDuration(int &seconds);

// "s" unless n is 1.
QString Plural(double n);

// A time-left text (numbers each followed by " d", " h", " m" or " s") in
// seconds. The caller's text is cut to its first 40 characters; digits not
// followed by a recognised unit run together with the next ones.
int ParseTimeLeft(QString &timeLeft);

// Seconds (a text holding a number) as a time-left text: "1 d 1 h ",
// "1 h 2 m ", "2 m 5 s", "" for 0. Seconds are shown only below an hour,
// minutes only below a day. The caller's text is left holding what remained
// below the smallest unit that was split off. Raises NumberedError 13 when the
// text is not a number.
QString FormatTimeLeft(QString &seconds);
QString FormatTimeLeft(qint64 seconds);

// ---- Prices and bids ---------------------------------------------------

// The leading decimal number of a price text ("US $1,234.56" gives 1234.56);
// commas are thousands separators, "." the decimal point; 0 without digits.
double PriceToDouble(const QString &priceText);
// The same without letting events run, for code that must not (a bid
// window looking at its row while its confirmation waits).
double PriceValue(const QString &priceText);

// What stands before the price's first digit, trimmed, with one space added
// unless it ends in "$" ("US $", "EUR ").
QString GetCurrencyPrefix(const QString &priceText);

// Two decimals: "12" gives "12.00", "12.5" gives "12.50", "12.345" gives
// "12.34". Changes the caller's text and returns it.
QString FormatPrice2(QString &price);

// A typed amount as the price it is: two decimals and no leading zeros
// ("020" gives "20.00", ".5" gives "0.50", "12.345" gives "12.34").
QString AmountAsPrice(const QString &typed);

// The quantity and the amount of a maximum-bid text "quantity @ amount";
// "0" when the text has no " @ ".
QString GetBidQty(const QString &maxBid);
QString GetBidAmount(const QString &maxBid);

} // namespace basGeneral
