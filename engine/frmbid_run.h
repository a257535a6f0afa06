#pragma once
// What the bid window's source files share about a run: its state, the bid
// log and the program-wide bidding flag. Only frmbid*.cpp include this.

#include "engine/bidreply.h"
#include "engine/frmbid.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QString>

namespace BidRun {

inline const QString kBidLog = QStringLiteral("logbids.txt");
inline constexpr int kRetryLimit = 5;

// The window was destroyed while its run waited for a page.
struct WindowGone
{
};

// A bid log line; a log that cannot be written never stops a bid.
void LogBid(const QString &line);
// The bid log's line on the path to eBay a snipe's confirmation went by:
// its measured one-way delay (ms, -1 when none was measured).
QString PathLogLine(qint64 oneWayMs);
// The program-wide bidding flag goes down unless a bid window other than
// `releasing` is queued or under way; the main window may already be gone
// when a bid ends during the shut-down.
void ReleaseBidding(const frmBid *releasing);

} // namespace BidRun

// The state of one run: one retry count for every step and every kind of
// retry, the text of the latest reply that arrived, and the error of the
// latest request.
struct frmBid::Run
{
    explicit Run(frmBid *f) : form(f), guard(f) {}

    frmBid *form;
    QPointer<frmBid> guard;
    int retries = 0;
    QString reply;
    BidReply read; // the reply as the run judges it
    int error = 0;
    bool requestWritten = false; // the latest request was handed to a connection
    QString reason;
    QElapsedTimer sinceStart; // the lead time, on a clock that midnight does not reset
    bool signOutNow = false;  // no confirmation: straight to the sign-out
    bool stoppedAtEnd = false; // a step before the confirmation met the auction's end
    qint64 holdStartedMs = 0; // sinceStart when the confirmation began to wait
    qint64 heldMs = 0;        // how long it waited: no part of the lead time
    int repreparations = 0;   // preparations again for a changed maximum
    QHash<QString, qint64> shortestRoundTripMs; // by host, this run's requests and connections

    // Keeps a round trip to `url`'s host when it is the shortest yet.
    void noteRoundTrip(const QString &url, qint64 ms);

    // Raises WindowGone once the window is destroyed.
    void alive() const;
    // One request; the reply text stays as it was when the request fails,
    // and the step's page takes that same text.
    void attempt(const QString &url, QString &page, bool isBid = false, bool onReadyConnection = false);
    // After a failed request: whether to send it again. A time-out goes
    // again at once, any other error after a second; 5 retries in all.
    bool retryAfterError();
    void wait();
    // A step's request under the request rule. The sign-in also repeats at
    // once, without a log line, on eBay's cookie page. `endBound`: a step
    // before the confirmation, neither sent, retried nor waited for past
    // the auction's end (stoppedAtEnd then).
    void send(const QString &url, QString &page, bool signIn = false, bool endBound = false);
    // The confirmation (or purchase): sent again only under
    // BidResend::MaySendAgain, since one that went out may have been taken
    // although no reply came back.
    void sendBid(const QString &url, QString &page, bool purchase);
};
