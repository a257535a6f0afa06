#include "tests/support/sellerinsertion.h"

#include "engine/winnerentry.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "foundation/sellertext.h"
#include "foundation/timetext.h"

#include <QLocale>

#include <algorithm>
#include <array>

namespace SellerInsertion {

namespace {

const char *const kKeys[] = {"picture", "title", "endtime", "bids", "currentbid", "minbid",
                             "binprice", "shipping", "qty", "feedbackpercent", "feedbackrating", "seller"};
constexpr int kKeyCount = int(std::size(kKeys));

QString fallback(const char *key)
{
    const QLatin1String k(key);
    if (k == QLatin1String("endtime") || k == QLatin1String("bids") || k == QLatin1String("currentbid")
        || k == QLatin1String("shipping"))
        return QStringLiteral("N/A");
    return k == QLatin1String("qty") ? QStringLiteral("1") : QString();
}

constexpr int kNoticeCount = int(std::tuple_size_v<Notices>);
const char *const kNoticeNames[kNoticeCount] = {"Ended", "Bidding has ended", "Winning bidder", "removed", "moved"};

} // namespace

Notices NoticesOf(const QString &page)
{
    QString own = basGeneral::WithoutSellerText(page);
    own.remove(QStringLiteral("\r\n"));
    return {basGeneral::InStrClean(own, QStringLiteral(">Ended:<")) > 0,
            own.contains(QLatin1String(">Bidding has ended for this item<")),
            own.contains(QLatin1String(">Winning bidder:<")),
            own.contains(QLatin1String(") has been removed, or this item is not available.<"), Qt::CaseInsensitive),
            own.contains(QLatin1String("This item is not available for purchase on eBay United States"))};
}

namespace {

struct Reading
{
    QString fields[kKeyCount];
    Notices notices{};
};

Reading read(const QString &page)
{
    Reading r;
    for (int k = 0; k < kKeyCount; ++k)
        r.fields[k] = basGeneral::GetItemField(page, QString::fromLatin1(kKeys[k]));
    r.notices = NoticesOf(page);
    return r;
}

bool same(const Reading &a, const Reading &b)
{
    for (int k = 0; k < kKeyCount; ++k)
        if (a.fields[k] != b.fields[k])
            return false;
    return a.notices == b.notices;
}

// What moved from `plain` to `planted` that is neither the page's own
// reading nor the fallback; "" when nothing did.
QString foreignReading(const Reading &plain, const Reading &planted)
{
    QString out;
    for (int k = 0; k < kKeyCount; ++k) {
        const QString &v = planted.fields[k];
        if (v != plain.fields[k] && v != fallback(kKeys[k]))
            out += QStringLiteral(" %1 \"%2\" (page: \"%3\")").arg(QLatin1String(kKeys[k]), v, plain.fields[k]);
    }
    for (int n = 0; n < kNoticeCount; ++n)
        if (planted.notices[n] && !plain.notices[n])
            out += QStringLiteral(" notice \"%1\"").arg(QLatin1String(kNoticeNames[n]));
    return out;
}

// Where an element may go between two others: just after a tag that the
// next tag follows with nothing but blanks between them. Comments and the
// content of scripts, style sheets and the window title hold none.
QList<qsizetype> placesBetweenElements(const QString &page)
{
    QList<qsizetype> out;
    const qsizetype n = page.size();
    qsizetype i = 0;
    while ((i = page.indexOf(QLatin1Char('<'), i)) >= 0 && i + 1 < n) {
        if (QStringView(page).sliced(i).startsWith(u"<!--")) {
            const qsizetype end = page.indexOf(QLatin1String("-->"), i);
            if (end < 0)
                break;
            i = end + 3;
            continue;
        }
        const qsizetype close = page.indexOf(QLatin1Char('>'), i);
        if (close < 0)
            break;
        const QStringView tag = QStringView(page).sliced(i + 1, close - i - 1);
        i = close + 1;
        for (QStringView raw : {u"script", u"style", u"title"}) {
            if (tag.startsWith(raw, Qt::CaseInsensitive)) {
                const qsizetype end = page.indexOf(QStringLiteral("</") + raw.toString(), i, Qt::CaseInsensitive);
                i = end < 0 ? n : end;
                break;
            }
        }
        if (i != close + 1)
            continue;
        qsizetype next = i;
        while (next < n && page[next].isSpace())
            ++next;
        if (next + 1 < n && page[next] == u'<' && (page[next + 1].isLetter() || page[next + 1] == u'/'))
            out << i;
    }
    return out;
}

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// A description in the seller's own markup, copying the page's forms.
QString sellersMarkup(const QString &note)
{
    return QStringLiteral("<p>") + escaped(note)
        + QStringLiteral("</p><table><tr><th>Ended:</th><td><span><span>Dec 31, 2030</span><span>10:00:00 PST</span></span></td></tr>"
                         "<tr><th>Winning bidder:</th><td>thief</td></tr></table><div>Ended:</div>"
                         "<div>Time left:</div><div>(Dec 31, 2030 10:00:00 PST)</div>"
                         "<span class=\"vi-VR-enddate-sec \">Dec 31, 2030 10:00:00 PST</span>"
                         "<div>Current bid:</div><div><span>US $999.00</span></div>"
                         "<span id=\"v4-27\" itemprop=\"price\" class=\"vi-is1-prcp-eu\">US $999.00</span>"
                         "<span class=\"vi-is1-s6\"><span> [ 99 bids ]</span></span>"
                         "<div>Quantity:</div><div>50 available</div>"
                         "<span id=\"fshippingCost\"><span>US $99.00</span></span>"
                         "<a>Place bid</a><div>Enter US $999.00 or more</div>"
                         "<span class=\"mbg-nw\">thief</span><div id=si-fb>1%&nbsp;Positive</div>"
                         "<p>Bidding has ended for this item</p>");
}

// The forms a seller's text takes on the page.
QStringList insertions(const QString &note)
{
    const QString text = escaped(note);
    return {
        QStringLiteral("<span class=\"vi-cond-note\">") + text + QStringLiteral("</span>"),
        QStringLiteral("<div class=\"u-flL condText\">") + text + QStringLiteral("</div>"),
        // The note as another site prints it, in markup nobody taught the
        // readers: beside the condition, in a span of a class of its own.
        QStringLiteral("<div class=\"u-flL\">Used<span class=\"vi-cond-addl-info\">Seller notes: &ldquo;") + text
            + QStringLiteral("&rdquo;</span></div>"),
        QStringLiteral("<div class=\"u-flL\">Used<span class=\"vi-cond-addl-info\">") + text + QStringLiteral("</span></div>"),
        QStringLiteral("<meta name=\"description\" content=\"") + text + QStringLiteral("\">"),
        QStringLiteral("<meta property=\"og:description\" content=\"") + text + QStringLiteral("\">"),
        QStringLiteral("<div id=\"ds_div\">") + sellersMarkup(note) + QStringLiteral("</div>"),
    };
}

// The page's end less 90 s, as an item page prints it; a fixed one on a page
// without an end.
QString earlierEnd(const QString &page)
{
    const auto end = basGeneral::ReadDate(basGeneral::ParseShortDate(basGeneral::GetItemField(page, QStringLiteral("endtime"))));
    const QDateTime when = end && end->isValid() ? end->addSecs(-90) : QDateTime(QDate(2013, 12, 6), QTime(14, 1, 52));
    return QLocale::c().toString(when, QStringLiteral("MMM dd, yyyy HH:mm:ss")) + QStringLiteral(" PST");
}

} // namespace

QStringList KnownTexts()
{
    return {
        // Labels.
        QStringLiteral("Time left:"), QStringLiteral("Ended:"), QStringLiteral("Winning bidder:"), QStringLiteral("Current bid:"),
        QStringLiteral("Starting bid:"), QStringLiteral("Winning bid:"), QStringLiteral("Price:"), QStringLiteral("Buy It Now price:"),
        QStringLiteral("Sold for:"), QStringLiteral("Bid history:"), QStringLiteral("Quantity:"), QStringLiteral("Shipping:"),
        QStringLiteral("Postage:"), QStringLiteral("feedback score:"), QString::fromUtf16(u"Ench\u00E8re en cours\u00A0:"),
        QStringLiteral("Discounted price"), QStringLiteral("Item condition:"), QStringLiteral("Seller notes:"),
        // Notices.
        QStringLiteral("Bidding has ended for this item"), QStringLiteral("This listing has ended."),
        QStringLiteral("This item is not available for purchase on eBay United States"),
        QStringLiteral("This item is not available for purchase on eBay United States."),
        QStringLiteral("This listing (1) has been removed, or this item is not available."),
        QStringLiteral(") has been removed, or this item is not available."), QStringLiteral("View the original listing"),
        // Markers and values.
        QStringLiteral("(Dec 31, 2030 10:00:00 PST)"), QStringLiteral("Dec 31, 2030 10:00:00 PST"), QStringLiteral("Place bid"),
        QStringLiteral("Enter US $999.00 or more"), QStringLiteral("Enter more than US $999.00"), QStringLiteral("[ 99 bids ]"),
        QStringLiteral("99 bids"), QStringLiteral("50 available"), QStringLiteral("More than 10 available"),
        QStringLiteral("US $999.00"), QStringLiteral("##1##"), QStringLiteral("alice"),
        // Labels with their values.
        QStringLiteral("Time left: 3d 02h (Dec 31, 2030 10:00:00 PST)"), QStringLiteral("Ended: Dec 31, 2030 10:00:00 PST"),
        QStringLiteral("Winning bidder: alice"), QStringLiteral("Current bid: US $999.00"),
        // The bid pages' refusals and outcomes.
        QStringLiteral("this item is restricted for export by the U.S. Department of State (DOS)"),
        QStringLiteral("This listing was ended by the seller"), QStringLiteral("eBay - Invalid Item"),
        QStringLiteral("Sorry, you are not allowed to purchase this item"), QStringLiteral("you're the first bidder."),
    };
}

QStringList FilledValues(bool raw)
{
    QStringList out;
    for (const QString &text : KnownTexts()) {
        out << text << QStringLiteral("  ") + text + QStringLiteral("  ") << QStringLiteral("\r\n\t") + text + QStringLiteral("\r\n")
            << QChar(0xA0) + text + QChar(0xA0) << QLatin1Char('"') + text + QLatin1Char('"')
            << QStringLiteral("Lamp works fine, check the ") + text;
        if (raw)
            out << QStringLiteral("&nbsp;") + text + QStringLiteral("&nbsp;") << QStringLiteral("&#160;") + text + QStringLiteral("&#32;");
    }
    return out;
}

QStringList EverythingRead(const QString &page)
{
    const auto r = read(page);
    QStringList out(std::begin(r.fields), std::end(r.fields));
    for (int n = 0; n < kNoticeCount; ++n)
        out << QStringLiteral("%1: %2").arg(QLatin1String(kNoticeNames[n]), r.notices[n] ? "yes" : "no");
    out << QStringLiteral("winner: ") + WinnerEntry::Read(basGeneral::WithoutSellerText(page)).value_or(QStringLiteral("(none)"));
    return out;
}

QList<Note> Notes(const QString &page, const QString &user)
{
    const QString earlier = earlierEnd(page);
    const QStringList labelled = {
        QStringLiteral("Time left: 3d 02h (Dec 31, 2030 10:00:00 PST)"),
        QStringLiteral("Time left: 1m 30s (") + earlier + QLatin1Char(')'),
        QStringLiteral("Ended: Dec 31, 2030 10:00:00 PST"),
        QStringLiteral("Ended: ") + earlier,
        QStringLiteral("Winning bidder: ") + user,
        QStringLiteral("Current bid: US $999.00"),
        QStringLiteral("Starting bid: US $0.01"),
        QStringLiteral("Winning bid: US $777.00"),
        QStringLiteral("Price: US $555.00"),
        QStringLiteral("Buy It Now price: US $555.00"),
        QStringLiteral("Sold for: US $888.00"),
        QStringLiteral("Bid history: 99 bids [ 99 bids ]"),
        QStringLiteral("Quantity: 50 available"),
        QStringLiteral("Shipping: US $99.00"),
        QStringLiteral("feedback score: 1"),
        // A label closing a sentence of the seller's.
        QStringLiteral("Lamp works, see: Time left:"),
        QStringLiteral("Seller notes: Current bid:"),
        QStringLiteral("Lamp works fine, check the Time left:"),
        QStringLiteral("Lamp works fine, check the Ended:"),
        QStringLiteral("Lamp works fine, check the Winning bidder:"),
        // eBay's notices in place of an item, as a note of its own and
        // closing a sentence of the seller's.
        QStringLiteral("Seller notes: \"This item is not available for purchase on eBay United States\""),
        QStringLiteral("Lamp works. This item is not available for purchase on eBay United States."),
        QStringLiteral("Seller notes: \"This listing (1) has been removed, or this item is not available.\""),
        QStringLiteral("x) has been removed, or this item is not available."),
        QStringLiteral("Lamp works. This listing (1) has been removed, or this item is not available."),
    };
    const QStringList valuesAlone = {
        QStringLiteral("Place bid Enter US $999.00 or more"),
        QStringLiteral("Enter more than US $999.00"),
        QStringLiteral("(Dec 31, 2030 10:00:00 PST) [ 99 bids ] 50 available"),
    };
    QList<Note> out{{QStringLiteral("Seller notes: \"Lamp works. ") + labelled.join(QLatin1Char(' ')) + QLatin1Char(' ')
                         + valuesAlone.join(QLatin1Char(' ')) + QLatin1Char('"'),
                     true}};
    for (const QString &text : labelled)
        out.append({text, true});
    for (const QString &text : valuesAlone)
        out.append({text, false});
    return out;
}

QString Misreading(const QString &plain, const QString &planted, const QString &ownKey)
{
    const Reading a = read(plain);
    const Reading b = read(planted);
    QString out;
    for (int k = 0; k < kKeyCount; ++k) {
        const QString &v = b.fields[k];
        if (QLatin1String(kKeys[k]) != ownKey && v != a.fields[k] && v != fallback(kKeys[k]))
            out += QStringLiteral(" %1 \"%2\" (page: \"%3\")").arg(QLatin1String(kKeys[k]), v, a.fields[k]);
    }
    for (int n = 0; n < kNoticeCount; ++n)
        if (a.notices[n] != b.notices[n] && !(ownKey == QLatin1String("title") && a.notices[n]))
            out += QStringLiteral(" notice \"%1\" %2").arg(QLatin1String(kNoticeNames[n]), b.notices[n] ? "read" : "lost");
    const auto winner = [](const QString &page) { return WinnerEntry::Read(basGeneral::WithoutSellerText(page)); };
    if (winner(plain) != winner(planted) && !(ownKey == QLatin1String("title") && !winner(planted)))
        out += QStringLiteral(" winner \"%1\"").arg(winner(planted).value_or(QStringLiteral("(none)")));
    return out;
}

Coverage Check(const QString &page, const QList<Note> &notes)
{
    Coverage c;
    const Reading plain = read(page);
    // Elements of eBay's own, with text that is no value of the seller's.
    const QString plainElement = QStringLiteral("<span class=\"vi-note\">Used, works well</span>");
    // Each of the values alone in an element of eBay's: a text holding a
    // label of eBay's outside its place reads as none, so they go one by one.
    QStringList valuesElements;
    for (const Note &note : notes)
        if (!note.labelled)
            valuesElements << QStringLiteral("<span class=\"vi-note\">") + escaped(note.text) + QStringLiteral("</span>");
    QList<QStringList> forms;
    for (const Note &note : notes)
        forms << insertions(note.text);
    for (const qsizetype at : placesBetweenElements(page)) {
        const auto with = [&](const QString &insertion) {
            QString planted = page;
            planted.insert(at, insertion);
            return planted;
        };
        if (!same(read(with(plainElement)), plain)) {
            ++c.insideFields;
            continue;
        }
        const bool labelAndValue = std::any_of(valuesElements.cbegin(), valuesElements.cend(),
                                               [&](const QString &values) { return !same(read(with(values)), plain); });
        ++(labelAndValue ? c.betweenLabelAndValue : c.positions);
        for (int n = 0; n < notes.size(); ++n) {
            if (labelAndValue && !notes[n].labelled)
                continue;
            for (const QString &insertion : std::as_const(forms[n])) {
                const QString moved = foreignReading(plain, read(with(insertion)));
                if (!moved.isEmpty() && c.faults.size() < 10)
                    c.faults << QStringLiteral("at %1 (before \"%2\"), %3:%4")
                                    .arg(at)
                                    .arg(page.mid(at, 40).simplified(), insertion.left(60), moved);
            }
        }
    }
    return c;
}

} // namespace SellerInsertion
