#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace Sim {

// What sellers' feedback and sold-list pages show: feedback buyers left for
// sellers, feedback left by anyone (the program's posts among it) and the
// sales with the buyers' shipping addresses.
struct ReceivedFeedback
{
    QString seller;
    QString buyer;
    QString item;
    QString rating = QStringLiteral("positive"); // "positive", "neutral" or "negative"
    QString comment = QStringLiteral("Great seller, fast shipping");
    QDateTime when; // UTC
};

struct LeftFeedback
{
    QString from;
    QString to;
    QString item;
    QString transactionId;
    QString comment;
    QString rating = QStringLiteral("positive");
    QDateTime when;
};

struct Sale
{
    QString seller;
    QString buyer;
    QString item;
    QString title;
    QString transactionId;
    QStringList address; // one line each; none: the page has no shipping details
};

struct SellerDesk
{
    QList<ReceivedFeedback> received;
    QList<LeftFeedback> left;
    QList<Sale> sales;

    void clear()
    {
        received.clear();
        left.clear();
        sales.clear();
    }
};

} // namespace Sim
