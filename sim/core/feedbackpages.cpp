#include "sim/core/feedbackpages.h"

#include "sim/core/simserver.h"

#include <QHash>

namespace Sim {

namespace {

QHash<const SimServer *, QHash<QString, FeedbackProfile>> &profiles()
{
    static QHash<const SimServer *, QHash<QString, FeedbackProfile>> all;
    return all;
}

} // namespace

void setFeedbackProfile(const SimServer &server, const QString &user, FeedbackProfile profile)
{
    profiles()[&server].insert(user.toLower(), profile);
}

FeedbackProfile feedbackProfile(const SimServer &server, const QString &user)
{
    return profiles().value(&server).value(user.toLower());
}

QString feedbackPage(const QString &user, const FeedbackProfile &profile)
{
    const QString u = htmlEscape(user);
    return QStringLiteral("<!DOCTYPE html>\r\n<html>\r\n<head><title>eBay Feedback Profile for ") + u
        + QStringLiteral("</title></head>\r\n<body>\r\n<div id=\"memberBadge\"><span class=\"mbg-nw\">") + u
        + QStringLiteral("</span><span class=\"mbg-l\"> ( <a href=\"/ws/eBayISAPI.dll?ViewFeedback&amp;userid=") + u
        + QStringLiteral("\" title=\"Feedback score: ") + QString::number(profile.score) + QStringLiteral("\">")
        + QString::number(profile.score) + QStringLiteral("</a>)</span></div>\r\n")
        + QStringLiteral("<table class=\"frp\"><tr>\r\n\t<td class=\"frp-l\">Positive Feedback (last 12 months): ")
        + QString::number(profile.positivePercent, 'f', 1) + QStringLiteral("%</td>\r\n</tr></table>\r\n</body>\r\n</html>\r\n");
}

void addFeedbackRoutes(SimServer &server)
{
    SimServer *s = &server;
    QObject::connect(s, &QObject::destroyed, [s] { profiles().remove(s); });
    server.routes().add(QStringLiteral("feedback"), QStringLiteral("/ws/eBayISAPI.dll"), QStringLiteral("ViewFeedback"),
                        Scheme::Any, [s](const Request &r) {
                            const QString user = r.param(QStringLiteral("userid"));
                            return Response::html(feedbackPage(user, feedbackProfile(*s, user)));
                        });
}

} // namespace Sim
