#pragma once

#include <QDateTime>
#include <QLatin1String>
#include <QString>

#include <optional>

class ListView;

// A tracked auction is one row of the main window's lvwAuctions: the row text
// is the eBay item number, every other value a sub-item reached by column key,
// and the Tag the bid state. This header holds the texts the rows share and
// the small encodings kept in their fields.
namespace TrackedAuction {

// The list's columns in creation order: key, caption, right-aligned.
struct Column
{
    QLatin1String key;
    QLatin1String caption;
    bool rightAligned;
};
inline constexpr Column kColumns[] = {
    {QLatin1String("itemnum"), QLatin1String("Item Number"), false},
    {QLatin1String("itemtitle"), QLatin1String("Item Title"), false},
    {QLatin1String("timeleft"), QLatin1String("Time Left"), false},
    {QLatin1String("enddate"), QLatin1String("End Date/Time"), false},
    {QLatin1String("enddatedisp"), QLatin1String("End Date/Time"), false},
    {QLatin1String("bids"), QLatin1String("# of Bids"), true},
    {QLatin1String("qty"), QLatin1String("Qty."), true},
    {QLatin1String("currentbid"), QLatin1String("Current Bid"), true},
    {QLatin1String("maxbid"), QLatin1String("My Max. Bid"), true},
    {QLatin1String("user"), QLatin1String("User"), false},
    {QLatin1String("group"), QLatin1String("Group"), false},
    {QLatin1String("note"), QLatin1String("Note"), false},
    {QLatin1String("shipping"), QLatin1String("Shipping"), false},
    {QLatin1String("seller"), QLatin1String("Seller"), false},
    {QLatin1String("picture"), QLatin1String("Picture"), false},
    {QLatin1String("won"), QLatin1String("Won"), false},
    {QLatin1String("pcendtime"), QLatin1String("PCEndTime"), false},
    {QLatin1String("reminders"), QLatin1String("Reminders"), false},
};

// Texts standing for a value that is not there (yet).
inline constexpr QLatin1String kWatching("(watching)");        // maxbid of a watched item
inline constexpr QLatin1String kEnded("Ended");                // timeleft once the auction is over
inline constexpr QLatin1String kNotAvailable("N/A");           // no end time, time left, group ...
inline constexpr QLatin1String kRetrieving("Retrieving...");   // before the first refresh
inline constexpr QLatin1String kInvalidItem("<invalid item>"); // itemtitle of a removed item
inline constexpr QLatin1String kTrue("True");                  // won
inline constexpr QLatin1String kFalse("False");

// An empty group and "N/A" both mean "no group".
bool IsNoGroup(const QString &group);

// The seconds a timeleft field reads as (0 for "Ended", "N/A" ...); the
// field's text is left as it is.
int TimeLeftSeconds(QString timeLeft);

// ---- MaxBidText: "quantity @ amount", or "(watching)" -----------------

inline constexpr QLatin1String kBidSeparator(" @ ");

QString MaxBidText(const QString &quantity, const QString &amount);

// A maximum bid as read from a list file: a bare amount (older files kept
// no quantity) becomes "1 @ " and the amount; "(watching)" and a text with
// the separator stay as they are.
QString StoredMaxBid(const QString &stored);

// ---- End times ---------------------------------------------------------
// enddate holds the end time on eBay's clock as a day number (days since
// 30 December 1899, the time of day as the fraction), so that it sorts by
// time as text; the countdown reads it. enddatedisp holds the end as the
// date text shown to the user, on the clock of the saved time zone, or "N/A".

// An end time as the list shows it: the system's short date, a space and
// its long time without a zone name (the time is on the user's chosen
// clock, not this computer's).
QString EndDateText(const QDateTime &when);

// The day number text of a date and time ("41614.5856712963"); always with
// "." as the decimal point.
QString EndDateSerial(const QDateTime &when);

// The end time an enddate field stands for: a day number (with either
// decimal point) or any date text ReadDateText reads. Nothing for "N/A",
// "Retrieving..." and other texts.
std::optional<QDateTime> ReadEndDate(const QString &field);

// The list file's fixed form of a date text, "yyyy-MM-dd HH:mm:ss"; "" when
// the text reads as no date.
QString FixedDateText(const QString &dateText);

// The two end-time fields for a date text on the user's clock: enddatedisp
// (the program's date text of that reading) and enddate (the day number of
// the same moment on eBay's clock, displayShiftHours earlier); nothing when
// it reads as no date.
struct EndDateTexts
{
    QString display;
    QString serial;
};
std::optional<EndDateTexts> EndDateFields(const QString &dateText, int displayShiftHours);

// A date text in any form the program has written: the list file's fixed
// form and ISO 8601, the program's own date text, the system's short date
// with a 24-hour, 12-hour or (where it reads) long time, or alone, and, where
// the system's forms do not read it, the US general date of older versions
// ("12/6/2013 2:03:22 PM"). Two-digit years 00-29 are 2000-2029.
std::optional<QDateTime> ReadDateText(const QString &text);

// ---- Sorting by value ------------------------------------------------
// The columns the list sorts by value rather than by text: bids, qty,
// currentbid, shipping and maxbid. A text is worth its leading number as the
// price reader reads it ("US $1,234.50" is 1234.5, "11" is 11); a maxbid
// text "quantity @ amount" is worth its amount. A text without a digit
// ("(watching)", "N/A", "Retrieving...", "") is worth nothing and sorts after
// every row that has a value, in both directions.
std::optional<double> SortValue(QLatin1String key, const QString &text);

// Has the list sort those columns by SortValue, and the end date by date.
void SortByValue(ListView &list);

// ---- ReminderCodes -----------------------------------------------------
// "b" (new bids), "q" (quantity changed), "t" N "[" unit "]" (time left
// below N; unit 0 minutes, 1 hours, 2 days), "p" price ";" (price reached),
// written in this order, each at most once. Tokens are found by their letter.
struct ReminderCodes
{
    enum TimeUnit { Minutes = 0, Hours = 1, Days = 2 };

    bool newBids = false;
    bool quantityChanged = false;
    std::optional<int> timeLeftBelow; // N, with timeUnit
    TimeUnit timeUnit = Minutes;
    std::optional<QString> priceReached;

    QString toText() const;
    // Reads the tokens back; a "t" or "p" token without its closing mark, or
    // with a number that does not read, is left out.
    static ReminderCodes fromText(const QString &text);
};

} // namespace TrackedAuction

// The bid state kept in a row's Tag.
namespace SnipeState {
inline constexpr QLatin1String Watched("");   // a watched item, or a bid taken back
inline constexpr QLatin1String Local("Local");   // this computer places the snipe
inline constexpr QLatin1String Online("Online"); // the online service places it
inline constexpr QLatin1String Both("Both");     // both place it
inline constexpr QLatin1String ReadyToBid("Ready to bid");
inline constexpr QLatin1String BidComplete("Bid complete");
inline constexpr QLatin1String OtherInGroupWon("Other in group won");
// The bid or purchase went out, but eBay never confirmed it: whether it won
// is for the item page to tell, or the user to look up. Never bid on again.
inline constexpr QLatin1String OutcomeUnknown("Bid outcome unknown");
} // namespace SnipeState
