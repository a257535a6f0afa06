#include "sellertools/feedbackpages.h"

#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"
#include "foundation/timetext.h"

#include <QRegularExpression>

namespace FeedbackPages {

namespace {

using HostRoles::Role;

const QString kIsapi = QStringLiteral("/ws/eBayISAPI.dll?");

QString feedbackPage(const QString &query)
{
    return HostRoles::url(Role::Feedback, kIsapi + query);
}

} // namespace

QString ReceivedURL(const QString &user)
{
    return feedbackPage(QStringLiteral("ViewFeedback2&ftab=FeedbackAsSeller&userid=") + user
                        + QStringLiteral("&iid=-1&de=off&items=50&page=1"));
}

QString LeftURL(const QString &user)
{
    return feedbackPage(QStringLiteral("ViewFeedback2&ftab=FeedbackLeftForOthers&userid=") + user
                        + QStringLiteral("&iid=-1&de=off&items=100&page=1"));
}

QString FormURL(const QString &buyer)
{
    return feedbackPage(QStringLiteral("LeaveFeedback2&lookup_id=") + basGeneral::UrlEncode(buyer));
}

QString PostURL(const QString &item, const QString &buyer, const QString &transactionId, const QString &comment)
{
    return feedbackPage(QStringLiteral("MfcISAPICommand=LeaveFeedback2&page=1&submit_save=Post&is_multitransaction=false"
                                       "&rp=0&show_as=all&overallRatingId0=positive&itemId0=")
                        + item + QStringLiteral("&toUserName0=") + basGeneral::UrlEncode(buyer)
                        + QStringLiteral("&transactionId0=") + transactionId + QStringLiteral("&comment0=")
                        + basGeneral::UrlEncode(comment));
}

QString PositiveRowMarker()
{
    return QStringLiteral("<td><img src=\"http://") + HostRoles::host(Role::StaticPics)
        + QStringLiteral("/aw/pics/icon/iconPos_16x16.gif\" height=\"16\" width=\"16\" alt=\"Positive feedback rating\"></td>");
}

QString WithoutLineBreaks(QString page)
{
    page.remove(QLatin1Char('\t'));
    page.remove(QStringLiteral("\r\n"));
    return page;
}

bool PositiveRows::Next(Row *row)
{
    const QString marker = PositiveRowMarker();
    const qsizetype at = m_rest.indexOf(marker);
    if (at < 0)
        return false;
    // Later searches start just after the marker's first character.
    m_rest.remove(0, at + 1);
    row->date = basGeneral::GetBetween(m_rest, QStringLiteral("<td nowrap=\"nowrap\">"), QStringLiteral(" "));
    row->buyer = basGeneral::GetBetween(m_rest, QStringLiteral("userid="), QStringLiteral("\""));
    row->item = basGeneral::GetBetween(m_rest, QStringLiteral(" (#"), QStringLiteral(")"));
    return true;
}

std::optional<QDate> RowDate(const QString &dateText)
{
    QString text = dateText.trimmed();
    basGeneral::MonthAbbrevToNumber(text);
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2})[-/](\\d{1,2})[-/](\\d{2}|\\d{4})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += year < 30 ? 2000 : 1900;
    const QDate date(year, m.captured(1).toInt(), m.captured(2).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

bool TooOld(const QString &dateText, const QDate &today)
{
    const std::optional<QDate> date = RowDate(dateText);
    return date && date->daysTo(today) > 10;
}

bool AlreadyRated(const QString &leftPage, const QString &buyer)
{
    return leftPage.contains(QStringLiteral("userid=") + buyer, Qt::CaseSensitive);
}

QString TransactionId(const QString &form)
{
    return basGeneral::GetBetween(form, QStringLiteral("\"transactionId0\" value=\""), QStringLiteral("\""));
}

} // namespace FeedbackPages
