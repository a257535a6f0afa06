#pragma once

#include <QString>

namespace Sim {

class SimServer;

// A member's feedback profile as eBay's feedback page shows it.
struct FeedbackProfile
{
    int score = 0;
    double positivePercent = 100.0;
};

// The profile a server shows for a user ID (any letter case); users without
// one show score 0 and 100 %.
void setFeedbackProfile(const SimServer &server, const QString &user, FeedbackProfile profile);
FeedbackProfile feedbackProfile(const SimServer &server, const QString &user);

// The feedback page: "<span class="mbg-l"> ( " score ")" and
// ">Positive Feedback (last 12 months):" percentage "%".
QString feedbackPage(const QString &user, const FeedbackProfile &profile);

// "/ws/eBayISAPI.dll?ViewFeedback&userid=..." on the server.
void addFeedbackRoutes(SimServer &server);

} // namespace Sim
