#include "mainwindow/infobar.h"

#include "engine/ebayclock.h"
#include "engine/trackedauction.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/sellertext.h"
#include "foundation/timetext.h"

namespace InfoBar {

namespace {

// The US site's pages carry its domain followed by a path.
bool onUsSite(const QString &url)
{
    return url.contains(QLatin1String("ebay.com/"));
}

// "#0.0": one decimal; a text that is no number stays as it is.
QString oneDecimal(const QString &percent)
{
    bool ok = false;
    const double value = percent.toDouble(&ok);
    return ok ? QString::number(value, 'f', 1) : percent;
}

// The end is printed on eBay's clock, the clock ebayNow reads: the two are
// compared as they stand. The user's zone only moves an end for showing it.
// An end reached reads "Ended", as the auction list shows it.
QString timeLeft(const QString &end, const QDateTime &ebayNow)
{
    const auto when = basGeneral::ReadDate(basGeneral::ParseShortDate(end));
    if (!when || !when->isValid())
        return QStringLiteral("N/A");
    const qint64 secondsLeft = EbayClock::Reading(ebayNow).secsTo(EbayClock::Reading(*when));
    return secondsLeft > 0 ? basGeneral::FormatTimeLeft(secondsLeft) : QString(TrackedAuction::kEnded);
}

} // namespace

bool IsItemPage(const QString &html)
{
    return html.contains(QLatin1String("<DIV class=\"iti-lbl u-flR iti-num\" id=\"\">Item number:</DIV>"))
        || html.contains(QLatin1String("<DIV class=\"iti-lbl u-flR iti-num\">Item number:</DIV>"));
}

QString PayPalLogo()
{
    return HostRoles::host(HostRoles::Role::StaticPics) + QStringLiteral("/aw/pics/logos/logoPayPal_51x14.gif");
}

Lines Read(const QString &html, const QString &fieldHtml, const QString &locationURL, const QDateTime &ebayNow, const QString &paypalLogo)
{
    Lines bar;
    bar.itemPage = IsItemPage(html);
    if (!bar.itemPage)
        return bar;
    // Each field from whichever form of the page the reader finds it in.
    const auto GetItemField = [&](const QString &, const QString &key) {
        const QString value = basGeneral::GetItemField(fieldHtml, key);
        if (!value.isEmpty() && value != QLatin1String("N/A"))
            return value;
        const QString other = basGeneral::GetItemField(html, key);
        return other.isEmpty() || other == QLatin1String("N/A") ? value : other;
    };
    const QString seller = GetItemField(html, QStringLiteral("seller"));
    const QString rating = GetItemField(html, QStringLiteral("feedbackrating"));
    const QString percent = oneDecimal(GetItemField(html, QStringLiteral("feedbackpercent")));
    const QString currentBid = GetItemField(html, QStringLiteral("currentbid"));
    const QString quantity = GetItemField(html, QStringLiteral("qty"));
    const QString left = timeLeft(GetItemField(html, QStringLiteral("endtime")), ebayNow);

    bar.show = !seller.isEmpty() && !rating.isEmpty() && !percent.isEmpty();
    if (bar.show)
        bar.line1 = QStringLiteral("Seller: ") + seller + QStringLiteral(" (Feedback: ") + rating + QStringLiteral("; ") + percent
            + QStringLiteral("% Positive)");
    // The logo counts where the page shows it, not in a seller's description.
    if (onUsSite(locationURL) && !basGeneral::WithoutSellerText(html).contains(paypalLogo))
        bar.line1 += QStringLiteral(" [PayPal may not be accepted for this item]");
    if (bar.show)
        bar.line2 = QStringLiteral("Time Left: ") + left + QStringLiteral(" - Current Bid: ") + currentBid
            + QStringLiteral(" - Qty. Available: ") + quantity;
    return bar;
}

} // namespace InfoBar
