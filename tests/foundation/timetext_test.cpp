#include "foundation/frmsettings.h"
#include "foundation/itemfields.h"
#include "foundation/settingsstore.h"
#include "foundation/timetext.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QRegularExpression>

#include <cmath>
#include <functional>
#include <limits>

using namespace basGeneral;

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Chooses the zone in the settings window and saves it, as OK does.
void selectTimeZone(int hours)
{
    QComboBox *zones = frmSettings::instance().cboTimeZone;
    zones->setCurrentIndex(zones->findData(hours));
    ASSERT_EQ(zones->currentData().toInt(), hours);
    SaveSetting(QStringLiteral("Time Zone"), QString::number(zones->currentIndex()));
}

} // namespace

TEST(ParseLongDate, ReadsTheOfficialTimeText)
{
    struct Case { const char *text; QDateTime expected; };
    const Case cases[] = {
        {"Friday, December 6, 2013 14:03:22 PST", at(2013, 12, 6, 14, 3, 22)},
        {"Saturday, May 31, 2014 23:59:59 PDT", at(2014, 5, 31, 23, 59, 59)},
        {"Official eBay Time: Sunday, September 14, 2014 7:08:09 PDT", at(2014, 9, 14, 7, 8, 9)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseLongDate(QString::fromLatin1(c.text)), c.expected) << c.text;

    // Not the official-time text: raised to the caller.
    for (const char *bad : {"", "Friday, December 6, 2013 14:03:22", "Friday, Decembre 6, 2013 14:03:22 PST",
                            "Friday, February 30, 2013 14:03:22 PST", "Friday, December 6 2013 PST"}) {
        EXPECT_EQ(ErrorNumberOf([&] { ParseLongDate(QString::fromLatin1(bad)); }), ErrorNumber::TypeMismatch) << bad;
    }
}

TEST(ParseShortDate, ReadsItemEndTimesIntoDateText)
{
    struct Case { const char *text; QDateTime expected; };
    const Case cases[] = {
        {"Dec-06-13 14:03:22 PST", at(2013, 12, 6, 14, 3, 22)},
        {"  dec-06-2013 14:03:22  ", at(2013, 12, 6, 14, 3, 22)},
        {"Dec-06-2013  14:03:22 PST ", at(2013, 12, 6, 14, 3, 22)}, // as the time-left layout gives it
        {"Jan-01-29 00:00:01 PST", at(2029, 1, 1, 0, 0, 1)},
        {"Jan-01-30 00:00:01 PST", at(1930, 1, 1, 0, 0, 1)},
        {"Sep-09-99 9:09:09 PST", at(1999, 9, 9, 9, 9, 9)},
    };
    for (const Case &c : cases) {
        const QString text = ParseShortDate(QString::fromLatin1(c.text));
        EXPECT_EQ(text, DateText(c.expected)) << c.text;
        EXPECT_EQ(ReadDate(text), std::optional<QDateTime>(c.expected)) << c.text;
    }
    for (const char *bad : {"", "Dec-06-13", "Foo-06-13 14:03:22", "Dec-32-13 14:03:22", "Dec-06-13 25:00:00"})
        EXPECT_EQ(ParseShortDate(QString::fromLatin1(bad)), QString()) << bad;

    // What the item-page reader delivers goes straight in.
    const QString page = QStringLiteral("<div>Ended:</div><div><span><span>06 Dec, 2013</span><span>14:03:22 PST</span></span>");
    EXPECT_EQ(ReadDate(ParseShortDate(GetItemField(page, QStringLiteral("endtime")))),
              std::optional<QDateTime>(at(2013, 12, 6, 14, 3, 22)));
}

TEST(DateText, ReadsBackWhatItWrites)
{
    for (const QDateTime &when : {at(2013, 12, 6, 14, 3, 22), at(1930, 1, 1, 0, 0, 0), at(2029, 12, 31, 23, 59, 59)}) {
        EXPECT_EQ(ReadDate(DateText(when)), std::optional<QDateTime>(when)) << DateText(when).toStdString();
    }
    EXPECT_EQ(ReadDate(QStringLiteral("2013-12-06T14:03:22")), std::optional<QDateTime>(at(2013, 12, 6, 14, 3, 22)));
    EXPECT_EQ(ReadDate(QString()), std::nullopt);
    EXPECT_EQ(ReadDate(QStringLiteral("N/A")), std::nullopt);
    EXPECT_EQ(ZeroDate(), at(1899, 12, 30, 0, 0, 0));
}

TEST(DateText, TimesOutOfRangeOrMisshapenAreNoDateAndTime)
{
    const QString day = DateText(at(2013, 12, 6, 0, 0, 0)).section(QLatin1Char(' '), 0, -2);
    for (const char *time : {"24:00:00", "14:60:00", "14:03:61", "14:03:2x", "1403:22:"}) {
        const auto read = ReadDate(day + QLatin1Char(' ') + QLatin1String(time));
        EXPECT_FALSE(read && read->time() != QTime(0, 0)) << time;
    }
    // The time-of-day forms of eBay's pages other than HH:mm:ss still read.
    EXPECT_EQ(ParseShortDate(QStringLiteral("Dec-06-13 9:03:22 PST")), DateText(at(2013, 12, 6, 9, 3, 22)));
    EXPECT_EQ(ParseShortDate(QStringLiteral("Dec-06-13 2:03 PM PST")), DateText(at(2013, 12, 6, 14, 3, 0)));
    EXPECT_EQ(ParseShortDate(QStringLiteral("Dec-06-13 25:03:22 PST")), QString());
}

TEST(PacificToLocal, AddsTheTimeZoneOffsetPlusEight)
{
    const QString endText = DateText(at(2013, 12, 6, 14, 3, 22));
    selectTimeZone(-5);
    EXPECT_EQ(PacificToLocal(endText), at(2013, 12, 6, 17, 3, 22));
    selectTimeZone(1);
    EXPECT_EQ(PacificToLocal(endText), at(2013, 12, 6, 23, 3, 22));
    selectTimeZone(13);
    EXPECT_EQ(PacificToLocal(DateText(at(2013, 12, 31, 22, 0, 0))), at(2014, 1, 1, 19, 0, 0));
    selectTimeZone(-12);
    EXPECT_EQ(PacificToLocal(DateText(at(2014, 3, 1, 1, 0, 0))), at(2014, 2, 28, 21, 0, 0));

    // A choice in the window that is not saved shows nothing yet.
    QComboBox *zones = frmSettings::instance().cboTimeZone;
    zones->setCurrentIndex(zones->findData(5));
    EXPECT_EQ(PacificToLocal(DateText(at(2014, 3, 1, 1, 0, 0))), at(2014, 2, 28, 21, 0, 0));

    EXPECT_EQ(PacificToLocal(QString()), ZeroDate());
    EXPECT_EQ(PacificToLocal(QStringLiteral("N/A")), ZeroDate());
    SaveSetting(QStringLiteral("Time Zone"), QStringLiteral("26"));
    EXPECT_EQ(PacificToLocal(endText), ZeroDate());
    DeleteSetting(QStringLiteral("Time Zone"));
    EXPECT_EQ(PacificToLocal(endText), at(2013, 12, 6, 14, 3, 22)); // GMT-8 unless saved
    frmSettings::unloadInstance();
}

TEST(MonthAbbrevToNumber, ChangesTheCallersText)
{
    QString text = QStringLiteral("Dec-06-13 14:03:22");
    EXPECT_EQ(MonthAbbrevToNumber(text), QStringLiteral("12-06-13 14:03:22"));
    EXPECT_EQ(text, QStringLiteral("12-06-13 14:03:22"));
    QString all = QStringLiteral("JAN feb Mar apr MAY jun jul AUG sep oct nov dec");
    MonthAbbrevToNumber(all);
    EXPECT_EQ(all, QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12"));
    QString word = QStringLiteral("Maybe");
    EXPECT_EQ(MonthAbbrevToNumber(word), QStringLiteral("5be")); // anywhere in the text
}

TEST(Durations, FormatMinSecFormatDurationAndPlural)
{
    struct MinSec { int seconds; const char *text; };
    for (const MinSec &c : {MinSec{65, "1:05"}, {3600, "60:00"}, {0, "0:00"}, {59, "0:59"}, {-65, "-1:05"},
                            {std::numeric_limits<int>::min(), "-35791394:08"}})
        EXPECT_EQ(FormatMinSec(c.seconds), QString::fromLatin1(c.text)) << c.seconds;

    struct Duration { int seconds; const char *text; int left; };
    const Duration durations[] = {
        {0, "0 seconds", 0},
        {-5, "0 seconds", -5},
        {120, "2 minutes", 0},
        {86400, "1 day", 0},
        {90061, "1 day, 1 hour, 1 minute, 1 second", 1},
        {172859, "2 days, 59 seconds", 59},
    };
    for (const Duration &c : durations) {
        int seconds = c.seconds;
        EXPECT_EQ(FormatDuration(seconds), QString::fromLatin1(c.text)) << c.seconds;
        EXPECT_EQ(seconds, c.left) << c.seconds;
    }

    EXPECT_EQ(Plural(1), QString());
    EXPECT_EQ(Plural(0), QStringLiteral("s"));
    EXPECT_EQ(Plural(2), QStringLiteral("s"));
    EXPECT_EQ(Plural(1.5), QStringLiteral("s"));
}

TEST(TimeLeft, ParseAndFormat)
{
    struct Parse { const char *text; int seconds; };
    const Parse parses[] = {
        {"2 days 3 hours", 183600},
        {"1d 2h", 0},
        {"1 d 1 h ", 90000},
        {"2 m 5 s", 125},
        {"1 2 m", 720}, // digits without a unit between them run together
        {"", 0},
        {"99999999999 s", 999999999}, // the overflowing digit is passed over
    };
    for (const Parse &c : parses) {
        QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(ParseTimeLeft(text), c.seconds) << c.text;
    }
    QString longText = QStringLiteral("1 d 2 h 3 m 4 s, and a little more text after it");
    EXPECT_EQ(ParseTimeLeft(longText), 93784);
    EXPECT_EQ(longText, QStringLiteral("1 d 2 h 3 m 4 s, and a little more text "));

    struct Format { const char *seconds; const char *text; const char *left; };
    const Format formats[] = {
        {"90061", "1 d 1 h ", "1"},
        {"3725", "1 h 2 m ", "5"},
        {"125", "2 m 5 s", "5"},
        {"0", "", "0"},
        {"45", "45 s", "45"},
        {"1,000", "16 m 40 s", "40"},
        // Each unit from its first whole count on.
        {"59", "59 s", "59"},
        {"60", "1 m ", "0"},
        {"3599", "59 m 59 s", "59"},
        {"3600", "1 h ", "0"},
        {"86399", "23 h 59 m ", "59"},
        {"86400", "1 d ", "0"},
    };
    for (const Format &c : formats) {
        QString seconds = QString::fromLatin1(c.seconds);
        EXPECT_EQ(FormatTimeLeft(seconds).toStdString(), c.text) << c.seconds;
        EXPECT_EQ(seconds.toStdString(), c.left) << c.seconds;
    }
    EXPECT_EQ(FormatTimeLeft(qint64(3725)), QStringLiteral("1 h 2 m "));
    for (const char *bad : {"", "N/A", "12 s"}) {
        QString text = QString::fromLatin1(bad);
        EXPECT_EQ(ErrorNumberOf([&] { FormatTimeLeft(text); }), ErrorNumber::TypeMismatch) << bad;
    }

    // What is formatted reads back, to the precision of the units shown.
    for (const int seconds : {0, 5, 59, 60, 61, 3599, 3600, 3725, 86399, 86400, 90061, 1000000}) {
        QString text = FormatTimeLeft(qint64(seconds));
        const int shownPrecision = seconds >= 86400 ? 3600 : seconds >= 3600 ? 60 : 1;
        EXPECT_EQ(ParseTimeLeft(text), seconds - seconds % shownPrecision) << seconds;
    }
}

TEST(Prices, PriceToDoubleCurrencyPrefixAndTwoDecimals)
{
    struct Price { const char *text; double value; };
    const Price prices[] = {
        {"US $1,234.56", 1234.56}, {"12,50", 1250}, {"", 0}, {"approx. US $5.00", 0}, {"EUR 12.50 each", 12.5},
        {"$3.5.7", 3.5}, {"GBP 0.99", 0.99}, {"no price", 0}, {".75", 0.75},
    };
    for (const Price &c : prices) {
        EXPECT_DOUBLE_EQ(PriceToDouble(QString::fromLatin1(c.text)), c.value) << c.text;
        EXPECT_DOUBLE_EQ(PriceValue(QString::fromLatin1(c.text)), c.value) << c.text;
    }
    // PriceValue reads a price without letting events run, however long.
    bool ran = false;
    QObject context;
    QTimer::singleShot(0, &context, [&ran] { ran = true; });
    const QString longPrice = QStringLiteral("US $") + QString(200000, QLatin1Char('x')) + QStringLiteral("1.00");
    QElapsedTimer reading;
    reading.start();
    while (reading.elapsed() < 40)
        EXPECT_DOUBLE_EQ(PriceValue(longPrice), 1.0);
    EXPECT_FALSE(ran);

    struct Prefix { const char *text; const char *prefix; };
    for (const Prefix &c : {Prefix{"US $12.00", "US $"}, {"EUR 12,00", "EUR "}, {"12.00", " "}, {"  C $5", "C $"},
                            {"", " "}, {"GBP", "GBP "}})
        EXPECT_EQ(GetCurrencyPrefix(QString::fromLatin1(c.text)), QString::fromLatin1(c.prefix)) << c.text;

    struct Two { const char *in; const char *out; };
    for (const Two &c : {Two{"12", "12.00"}, {"12.5", "12.50"}, {"12.345", "12.34"}, {"", ".00"}, {"7.", "7.00"},
                         {"1.2.3", "1.2."}}) {
        QString price = QString::fromLatin1(c.in);
        EXPECT_EQ(FormatPrice2(price), QString::fromLatin1(c.out)) << c.in;
        EXPECT_EQ(price, QString::fromLatin1(c.out)) << c.in;
    }
}

TEST(MaxBidText, QuantityAndAmount)
{
    struct Case { const char *maxBid; const char *qty; const char *amount; };
    for (const Case &c : {Case{"1 @ 25.00", "1", "25.00"}, {"(watching)", "0", "0"}, {"3 @ 1 @ 2", "3", "1 @ 2"},
                          {"1@25.00", "0", "0"}, {"", "0", "0"}, {" @ ", "", ""}}) {
        EXPECT_EQ(GetBidQty(QString::fromLatin1(c.maxBid)), QString::fromLatin1(c.qty)) << c.maxBid;
        EXPECT_EQ(GetBidAmount(QString::fromLatin1(c.maxBid)), QString::fromLatin1(c.amount)) << c.maxBid;
    }
}

// Every amount of up to six characters a digits-only box can hold: kept as
// the same number cut to cents, written with two decimals and no leading
// zero but the one before the point.
TEST(AmountAsPrice, EveryTypedAmountIsKeptAsThePriceItIs)
{
    static const QRegularExpression priceForm(QStringLiteral("^(0|[1-9][0-9]*)\\.[0-9]{2}$"));
    const QString alphabet = QStringLiteral("0129.");
    QStringList typed = {QString()};
    for (int length = 1; length <= 6; ++length) {
        QStringList longer;
        for (const QString &start : std::as_const(typed))
            if (start.size() == length - 1)
                for (const QChar c : alphabet)
                    longer << start + c;
        typed += longer;
    }
    int checked = 0;
    for (const QString &amount : std::as_const(typed)) {
        if (amount.count(QLatin1Char('.')) > 1 || !amount.contains(QRegularExpression(QStringLiteral("[0-9]"))))
            continue;
        ++checked;
        const QString price = AmountAsPrice(amount);
        ASSERT_TRUE(priceForm.match(price).hasMatch()) << qPrintable(amount) << " gave " << qPrintable(price);
        const qsizetype dot = amount.indexOf(QLatin1Char('.'));
        const QString cents = dot < 0 ? amount : amount.left(dot + 3);
        ASSERT_EQ(qRound64(price.toDouble() * 100), qRound64(std::trunc(cents.toDouble() * 100 + 1e-6)))
            << qPrintable(amount) << " gave " << qPrintable(price);
    }
    EXPECT_GT(checked, 5000);
    EXPECT_EQ(AmountAsPrice(" 020 "), "20.00");
}
