#include "sellertools/salespages.h"

#include "foundation/hostroles.h"
#include "foundation/htmlentities.h"
#include "foundation/pageaccess.h"

namespace SalesPages {

namespace {

const QString kSaleRow = QStringLiteral("<input type=\"checkbox\" name=\"LineID\"");
const QString kCrLf = QStringLiteral("\r\n");

} // namespace

QString SoldListURL()
{
    return HostRoles::url(HostRoles::Role::MyEbay,
                          QStringLiteral("/ws/eBayISAPI.dll?MyEbayBeta&CurrentPage=MyeBayNextSold&SubmitAction.ItemsPerPageSave=x"
                                         "&CustomizedContainer=241&ItemsPerPage=100&View=MYEBAY_NEXT_CONTAINER_CUSTOMIZE"
                                         "&NewPeriod=Last62Days&ssPageName=STRK:MESOX:COUNT:200&tagname=&View=SoldNext"));
}

QString PaymentStatusBase()
{
    return HostRoles::url(HostRoles::Role::Payments, QStringLiteral("/ws/eBayISAPI.dll?ViewPaymentStatus"));
}

bool SaleRows::Next(QString *paymentURL)
{
    const qsizetype at = m_rest.indexOf(kSaleRow);
    if (at < 0)
        return false;
    m_rest = m_rest.mid(at + kSaleRow.size());
    const QString base = PaymentStatusBase();
    QString url = base + basGeneral::GetBetween(m_rest, base, QStringLiteral("\">"));
    *paymentURL = url.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return true;
}

QString ShippingAddress(const QString &paymentPage)
{
    QString address = basGeneral::GetBetween(paymentPage, QStringLiteral("Shipping details"), QStringLiteral("Order details"));
    address.replace(QStringLiteral("</div><div id=\"addrrow\">"), kCrLf);
    // The buyer's own text, as typed: tags gone first, then the references read.
    address = basGeneral::DecodeEntities(basGeneral::StripTags(address));
    address.replace(kCrLf + kCrLf, kCrLf);
    while (address.endsWith(kCrLf))
        address.chop(2);
    return address;
}

} // namespace SalesPages
