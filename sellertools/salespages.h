#pragma once

#include <QString>

// The My eBay sold list and the payment-status pages the sold-items run
// reads: each sale's payment-status link and the buyer's shipping address.
namespace SalesPages {

// Items sold in the last 62 days, 100 to a page.
QString SoldListURL();
// A hundred sales in My eBay's heavy markup may pass the size limit of an
// ordinary page; the list is allowed this much.
inline constexpr qsizetype SoldListReplyBytes = 16 * 1024 * 1024;
// The payment-status address every sale's link begins with.
QString PaymentStatusBase();

// Walks the sale rows of a sold list, first to last.
class SaleRows final
{
public:
    explicit SaleRows(QString page) : m_rest(std::move(page)) {}
    // The next sale's payment-status request ("&amp;" turned into "&");
    // false when no sale row is left.
    bool Next(QString *paymentURL);

private:
    QString m_rest;
};

// The shipping address of a payment-status page, one line per address row,
// without a line break at its end; "" when the page has none.
QString ShippingAddress(const QString &paymentPage);

} // namespace SalesPages
