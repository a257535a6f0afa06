#include "foundation/itemfields.h"

#include "foundation/collapsedtext.h"
#include "foundation/hostroles.h"
#include "foundation/htmlentities.h"
#include "foundation/pageaccess.h"
#include "foundation/pagetext.h"
#include "foundation/sellertext.h"
#include "foundation/timetext.h"

#include <algorithm>
#include <iterator>
#include <memory>

namespace basGeneral {

namespace {

using PageText::FoldedText;

// A price text longer than these is stray page text, not a price. They are
// the lengths of "US $10 000.00" and "US $10000.00".
constexpr qsizetype kMaxPriceLength = 13;
constexpr qsizetype kMaxMinBidLength = 12;
constexpr qsizetype kMaxShippingLength = 12;

// Placeholder that some listings show instead of a price.
constexpr QStringView kPricePlaceholder = u"##1##";

// ---------------------------------------------------------------------------
// The prepared page. Every field reads the page without "Â" (what a UTF-8
// no-break space leaves behind when the page is read byte per character),
// Tabs and line breaks. The refresh reads a dozen fields from one page, so the
// preparation of the last page is kept and reused while the caller still
// holds the very same text. Each call keeps its own reference to the
// preparation it reads: events run inside StripTags, and a timer may read
// another page meanwhile.

struct PreparedPage
{
    QString source;  // shares the caller's text; its buffer cannot change under us
    FoldedText text; // the prepared page
};

void findStartMarkers(const FoldedText &text);
QString memberProfilePrefix();

std::shared_ptr<PreparedPage> prepared(const QString &page)
{
    thread_local std::shared_ptr<PreparedPage> last;
    // Literal and raw-data texts have no shared buffer to vouch for their
    // content staying put; they are simply prepared afresh.
    const bool sharable = page.capacity() > 0;
    if (sharable && last && last->source.constData() == page.constData() && last->source.size() == page.size())
        return last;
    // The last preparation's buffers are reused when no reader holds it.
    std::shared_ptr<PreparedPage> fresh = last && last.use_count() == 1 ? last : std::make_shared<PreparedPage>();
    fresh->source = sharable ? page : QString();
    fresh->text.assignWithoutChars(page, u'\t', u'\r', u'\n', u'\u00C2');
    // What the seller wrote may hold any marker ("Time left: (Dec 31, 2030
    // ...)" in a title): markers are found only where the page put them.
    // Only the title and the picture are cut out of such text; the rest of it
    // is left out, so that no value cut out around it carries any of it.
    const PageReading reading = ReadingOf(fresh->text.view());
    if (!reading.ebaysLabels.isEmpty()) {
        // eBay's own labels written as the markers know them: the page is
        // made anew, which only pages with such labels pay for.
        QList<TextStretch> kept;
        const QString readable = ReadableText(fresh->text.view(), reading, &kept);
        fresh->text.assignWithoutChars(readable, u'\t', u'\r', u'\n', u'\u00C2');
        for (const TextStretch &stretch : std::as_const(kept))
            fresh->text.hide(stretch.begin, stretch.end);
        findStartMarkers(fresh->text);
        last = fresh;
        return fresh;
    }
    QList<std::pair<qsizetype, qsizetype>> leftOut;
    QList<TextStretch> kept;
    for (const TextStretch &stretch : reading.sellers) {
        if (stretch.readAsField)
            kept.append(stretch);
        else
            leftOut.append({stretch.begin, stretch.end});
    }
    fresh->text.leaveOut(leftOut);
    // The kept stretches move up by what was left out before them.
    qsizetype shift = 0;
    auto gone = leftOut.cbegin();
    for (const TextStretch &stretch : std::as_const(kept)) {
        for (; gone != leftOut.cend() && gone->second <= stretch.begin; ++gone)
            shift += gone->second - gone->first;
        fresh->text.hide(stretch.begin - shift, stretch.end - shift);
    }
    findStartMarkers(fresh->text);
    last = fresh;
    return fresh;
}

// ---------------------------------------------------------------------------
// Cutting and post-processing.

// GetBetween on the page as written.
QString cut(const FoldedText &text, QStringView start, QStringView end)
{
    return text.between(start, end, Qt::CaseSensitive).toString();
}

// GetBetween on the page with its whitespace cleaned. The prepared page has
// no line breaks or Tabs left, so cleaning only halves its pairs of spaces.
QString cutClean(const FoldedText &text, QStringView start, QStringView end)
{
    return PageText::BetweenCollapsed(text, start, end, Qt::CaseSensitive);
}

// GetBetween on the lower-cased page. The page is not lower-cased as a whole:
// the (lower-case) end marker is searched in any letter case, which finds the
// same place, and only the piece cut out is lower-cased.
QString cutLower(const FoldedText &text, QStringView start, QStringView end)
{
    return text.between(start, end, Qt::CaseInsensitive).toString().toLower();
}

// The text after the first marker (any letter case).
QString after(const QString &value, QStringView marker)
{
    return PageText::Between(value, marker, {}).toString();
}

QString stripTrim(const QString &value) { return TrimSpaces(StripTags(value)); }

bool isPlausiblePrice(const QString &value, qsizetype maxLength)
{
    return value.size() <= maxLength && PriceToDouble(value) != 0;
}

// ---------------------------------------------------------------------------
// End time.

// Into month-first form: "Dec 06-2013 ..." -> "Dec-06-2013 ...",
// "06 Dec-2013 ..." -> "Dec-06-2013 ...".
QString monthFirst(const QString &value)
{
    if (value.isEmpty())
        return value;
    if (!ReadsAsNumber(QStringView(value).left(3))) {
        if (value.size() < 4)
            return value;
        return value.left(3) + QLatin1Char('-') + value.mid(4);
    }
    if (value.size() < 7)
        return value;
    return value.mid(3, 3) + QLatin1Char('-') + value.left(2) + QLatin1Char('-') + value.mid(7);
}

QString commasToDashes(QString value)
{
    value.replace(QLatin1String(", "), QLatin1String("-"));
    return value;
}

QString readEndTime(const FoldedText &p)
{
    const auto endedForm = [&](QStringView start, const QString &separatorTag) {
        QString v = cut(p, start, u"</span></span>");
        v.replace(separatorTag, QLatin1String(" "));
        return monthFirst(TrimSpaces(commasToDashes(StripTags(v))));
    };

    const QString closeSpan = QStringLiteral("</span>");
    QString v = endedForm(u">Ended:</th>", closeSpan);
    if (v.isEmpty())
        v = endedForm(u">Ended:</td>", closeSpan);
    if (v.isEmpty())
        v = endedForm(u">Ended:</div>", QStringLiteral("<span>"));
    if (v.isEmpty()) {
        v = after(cut(p, u"Time left:", u")"), u"(");
        v.replace(QLatin1String("</span>"), QLatin1String(" "));
        v = monthFirst(commasToDashes(StripTags(v)));
    }
    if (v.isEmpty())
        v = monthFirst(commasToDashes(cut(p, u"<span class=\"vi-VR-enddate-sec \">", u"</span>")));
    if (v.isEmpty())
        v = QStringLiteral("N/A");
    return v;
}

// ---------------------------------------------------------------------------
// Prices.

enum class Post {
    StripTrim,        // S; T
    Trim,             // T
    AfterBoldTrim,    // then after "<b>"; T
    AfterTagTrim,     // then after ">"; T; drop runs of four spaces; T
    DecimalComma,     // "," -> "."; S; T
};

struct Form
{
    QStringView start;
    QStringView end;
    Post post;
};

QString postProcess(QString v, Post post)
{
    switch (post) {
    case Post::StripTrim:
        return stripTrim(v);
    case Post::Trim:
        return TrimSpaces(v);
    case Post::AfterBoldTrim:
        return TrimSpaces(after(v, u"<B>"));
    case Post::AfterTagTrim:
        v = TrimSpaces(after(v, u">"));
        v.remove(QLatin1String("    "));
        return TrimSpaces(v);
    case Post::DecimalComma:
        v.replace(QLatin1Char(','), QLatin1Char('.'));
        return stripTrim(v);
    }
    return v;
}

// French listings: "Enchère en cours" followed by a no-break space and ":".
constexpr char16_t kFrenchCurrentBid[] = u"re en cours\u00A0:</span>";

// Read on the lower-cased page.
constexpr Form kCurrentBidForms[] = {
    {u"<span id=\"v4-27\" itemprop=\"price\" class=\"vi-is1-prcp-eu\">", u"</span>", Post::StripTrim},
    {u"<span id=\"mm-saleDscPrc\">", u"</span>", Post::StripTrim},
    {u"<span id=\"w1-13-_bidPrice\" class=\"\">", u"</span>", Post::StripTrim},
    {u"<span id=\"prcIsum\" class=\"\">", u"</span>", Post::StripTrim},
    {u"bid:</span>", u"</", Post::StripTrim},
    {u"bid:</th>", u"</span></span>", Post::StripTrim},
    {u"bid: </th>", u"</span></span>", Post::StripTrim},
    {u"bid:</div>", u"</span>", Post::StripTrim},
    {u"starting bid:", u"</span></span>", Post::StripTrim},
    {u"starting bid:", u"</span> [", Post::StripTrim},
    {u"starting bid:", u"</span>", Post::StripTrim},
    {u"price:", u"</span>", Post::StripTrim},
    {u"> price:", u"</b>", Post::AfterBoldTrim},
    {u"itemprop=\"price\">", u"</span>", Post::Trim},
    {u"<b class=\"g-hdn\">discounted price</b>", u"</", Post::StripTrim},
    {u"winning bid:", u"</span></span>", Post::StripTrim},
    {u"winning bid:", u"</span> [", Post::StripTrim},
    {u"winning bid:", u"</span>", Post::StripTrim},
    {u"sold for:", u"</b>", Post::AfterBoldTrim},
    {u"sold for:", u"</span>", Post::StripTrim},
    {u" itemprop=\"price\"", u"</span>", Post::AfterTagTrim},
    {kFrenchCurrentBid, u"</b></span>", Post::DecimalComma},
};

QString readCurrentBid(const FoldedText &p)
{
    QString v;
    for (const Form &form : kCurrentBidForms) {
        v = postProcess(cutLower(p, form.start, form.end), form.post);
        if (isPlausiblePrice(v, kMaxPriceLength))
            break;
    }
    if (!isPlausiblePrice(v, kMaxPriceLength) || v == kPricePlaceholder)
        v = QStringLiteral("N/A");
    return v; // in capitals once its references are read (GetItemField)
}

constexpr QStringView kBinPriceMarker = u" id=\"prcIsum\" itemprop=\"price\"  style=\"\">";

QString readBinPrice(PreparedPage &page)
{
    QString v = cutClean(page.text, kBinPriceMarker, u"</");
    if (!isPlausiblePrice(v, kMaxPriceLength))
        v = cut(page.text, kBinPriceMarker, u"</");
    if (!isPlausiblePrice(v, kMaxPriceLength))
        v = StripTags(cut(page.text, u">Price:</div>", u"</span>"));
    if (!isPlausiblePrice(v, kMaxPriceLength))
        v = StripTags(cut(page.text, u"<span class=\"notranslate\" id=\"mm-saleDscPrc\">", u"</"));
    if (!isPlausiblePrice(v, kMaxPriceLength))
        v.clear();
    return v;
}

QString readMinBid(PreparedPage &page)
{
    QString v = stripTrim(after(cutClean(page.text, u">Place bid<", u" or more"), u"Enter "));
    if (v.size() > kMaxMinBidLength)
        v = stripTrim(cut(page.text, u">Enter more than ", u"</"));
    if (v.size() > kMaxMinBidLength || v == kPricePlaceholder)
        v.clear();
    return v;
}

QString readShipping(PreparedPage &page)
{
    QString v = StripTags(after(cutClean(page.text, u"<span id=\"fshippingCost\"", u"</span>"), u"<span>"));
    if (v.size() > kMaxShippingLength || v.isEmpty())
        v = QStringLiteral("N/A");
    return v;
}

// ---------------------------------------------------------------------------
// Counts.

bool isCount(const QString &value) { return !value.isEmpty() && ReadsAsNumber(value); }

QString readBids(const FoldedText &p)
{
    QString v = StripTags(cut(p, u"Bid history:", u"</span>"));
    if (!isCount(v))
        v = stripTrim(cut(p, u"<span> [ ", u"</span>"));
    if (!isCount(v))
        v = stripTrim(cut(p, u"[&nbsp;", u"</span>"));
    if (!isCount(v))
        v = stripTrim(cut(p, u"<span> [ ", u"<span>bid"));
    if (!isCount(v))
        v = stripTrim(cut(p, u"</span> [ ", u" bid"));
    if (!isCount(v))
        v = StripTags(cut(p, u"[ <span><span>", u" bids"));
    if (!isCount(v))
        v = stripTrim(cut(p, u"<span class=\"vi-is1-s6\"><span> [ ", u"bids"));
    if (!isCount(v))
        v = QStringLiteral("N/A");
    return v;
}

QString readQuantity(const FoldedText &p)
{
    QString v = TrimSpaces(StripTags(cutLower(p, u"quantity:", u" available")).toLower());
    v.remove(QLatin1String("more than "));
    if (!ReadsAsNumber(v))
        v = QStringLiteral("1");
    return v;
}

// ---------------------------------------------------------------------------
// Title, picture, seller.

QString readTitle(const FoldedText &p)
{
    QString v = cut(p, u"<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\">", u"</h1>");
    v.remove(QLatin1String("<span class=\"g-hdn\">Details about  &nbsp;</span>"), Qt::CaseSensitive);
    if (v.isEmpty())
        v = cut(p, u"<meta property=\"og:title\" content=\"", u"\">");
    if (v.isEmpty())
        v = cut(p, u"<input type=\"hidden\" name=\"title\" value=\"", u"\">");
    v = TrimSpaces(v);
    while (v.contains(QLatin1String("  ")))
        v.replace(QLatin1String("  "), QLatin1String(" "));
    // The page's "&amp;" and the other references are read once, after the
    // tags are gone (GetItemField), so a seller's "&lt;b&gt;" stays text.
    return stripTrim(v);
}

QString readPicture(const FoldedText &p)
{
    QString v = cut(p,
                    u"<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\"",
                    u"\"");
    if (v.endsWith(QLatin1String("spacer.gif"), Qt::CaseSensitive))
        v.clear();
    return v;
}

QString readSeller(const FoldedText &p)
{
    QString v = StripTags(cutLower(p, u"<span class=mbg-nw>", u"</span>"));
    if (v.isEmpty())
        v = StripTags(cutLower(p, u"<span class=\"mbg-nw\">", u"</span>"));
    if (v.isEmpty()) {
        v = cutLower(p, memberProfilePrefix(), u"/");
    }
    return v;
}

QString memberProfilePrefix()
{
    return QStringLiteral("http://") + HostRoles::host(HostRoles::Role::MemberProfile) + QLatin1Char('/');
}

// Every marker a field starts reading from is looked for in one pass when
// the page is prepared: most are absent from any one page, and a search of
// its own would cost a scan of the whole page for each.
void findStartMarkers(const FoldedText &text)
{
    static const QList<QStringView> kFixed = [] {
        QList<QStringView> markers = {
            u">Ended:</th>", u">Ended:</td>", u">Ended:</div>", u"Time left:",
            u"<span class=\"vi-VR-enddate-sec \">",
            kBinPriceMarker, u">Price:</div>", u"<span class=\"notranslate\" id=\"mm-saleDscPrc\">",
            PageText::CollapsedSearchPiece(kBinPriceMarker), PageText::CollapsedSearchPiece(u">Place bid<"),
            PageText::CollapsedSearchPiece(u"<span id=\"fshippingCost\""), u">Enter more than ",
            u"Bid history:", u"<span> [ ", u"[&nbsp;", u"</span> [ ", u"[ <span><span>",
            u"<span class=\"vi-is1-s6\"><span> [ ", u"quantity:",
            u"<h1 class=\"it-ttl\" itemprop=\"name\" id=\"itemTitle\">", u"<meta property=\"og:title\" content=\"",
            u"<input type=\"hidden\" name=\"title\" value=\"",
            u"<meta  content=\"eBay\" name=\"twitter:app:name:ipad\" ></meta><meta  content=\"",
            u"<span class=mbg-nw>", u"<span class=\"mbg-nw\">", u"<div id=si-fb>", u"feedback score: ",
        };
        for (const Form &form : kCurrentBidForms)
            markers.append(form.start);
        return markers;
    }();
    const QString profile = memberProfilePrefix();
    QList<QStringView> markers = kFixed;
    markers.append(profile);
    text.findEach(markers);
}

QString readField(PreparedPage &prep, const QString &key);

} // namespace

QString GetItemField(const QString &page, const QString &key)
{
    static constexpr QStringView kKeys[] = {
        u"picture", u"title", u"endtime", u"bids", u"currentbid", u"minbid",
        u"binprice", u"shipping", u"qty", u"feedbackpercent", u"feedbackrating", u"seller",
    };
    if (std::find(std::begin(kKeys), std::end(kKeys), QStringView(key)) == std::end(kKeys))
        return {};

    const std::shared_ptr<PreparedPage> held = prepared(page);
    // Page text becomes field text here, and only here: the callers show and
    // store the characters the page stands for.
    const QString value = DecodeEntities(readField(*held, key));
    return key == u"currentbid" ? value.toUpper() : value;
}

namespace {

QString readField(PreparedPage &prep, const QString &key)
{
    const FoldedText &p = prep.text;

    if (key == u"picture")
        return readPicture(p);
    if (key == u"title")
        return readTitle(p);
    if (key == u"endtime")
        return readEndTime(p);
    if (key == u"bids")
        return readBids(p);
    if (key == u"currentbid")
        return readCurrentBid(p);
    if (key == u"minbid")
        return readMinBid(prep);
    if (key == u"binprice")
        return readBinPrice(prep);
    if (key == u"shipping")
        return readShipping(prep);
    if (key == u"qty")
        return readQuantity(p);
    if (key == u"feedbackpercent")
        return StripTags(cutLower(p, u"<div id=si-fb>", u"%&nbsp;"));
    if (key == u"feedbackrating")
        return stripTrim(cutLower(p, u"feedback score: ", u"\""));
    return readSeller(p);
}

} // namespace

} // namespace basGeneral
