#pragma once

#include "engine/bidreply.h"

#include <QDateTime>
#include <QDialog>
#include <QPointer>
#include <QString>

#include <memory>

class Inet;
class ListItem;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class ReadyConnection;
class TickTimer;

// The bid window: one new window per bid, made by frmMain.Bid. Its run signs
// in to eBay, prepares the bid, reads the page tokens, confirms (a snipe at
// its moment, ConfirmAt, not as soon as it is prepared), judges the reply by
// eBay's marker texts, signs out and logs every step to
// "logbids.txt". A success and an unrecognised reply (handed to the failure
// report) close the window; a known failure keeps it open with the reason.
class frmBid final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmBid)

public:
    frmBid();
    ~frmBid() override;

    // Public variables, in their declaration order; the caller sets the
    // inputs before the run starts.
    bool HasActivated = false;
    QString ItemNumber;
    QString MaxBid;       // the amount, as stored in the row
    qint16 Qty = 0;
    QString UserName;
    QString Password;     // plain
    double PrepTime = 0;
    double BidTime = 0;   // the bid delay in seconds, copied at the start of the run
    float TimeLeft = 0;
    bool BidComplete = false;
    bool Ready = false;
    bool Buy = false;     // a Buy It Now purchase
    ListItem *BidItem = nullptr;
    qint16 CloseTime = 0;
    QString strUIID;
    QString strSTOK;
    QString strKey;
    QString strResultSignOut;
    QString strResultSignIn;
    QString strResultSendBid;
    QString strResultConfirmBid;
    bool blnFailed = false;
    float sngLeadTimeStart = 0; // seconds since midnight when the run started
    qint16 intLeadTime = 0;
    bool blnUnknownFail = false;
    // A snipe's confirmation goes out when eBay's clock reads this (its end
    // less the bid delay) and not before; invalid: as soon as the bid is
    // prepared. MsecsUntilConfirmation says when that is here.
    QDateTime ConfirmAt;

    // Writes Data and a line end into a file of the data folder, replacing
    // it. Raises NumberedError when the file cannot be written.
    void SaveData(const QString &Data, const QString &filename);
    // The one-call bid: one confirmation request that carries the user ID and
    // password itself, with strUIID already set. Counts "W" and "F".
    void PlaceBid();

    // Event handlers.
    void closeTimer_Timer();
    void cmdClose_Click();
    // Runs the bid once; later calls do nothing. frmMain.Bid queues the first
    // call right after it returns.
    void Form_Activate();

    // Controls. InetBid's time-out (30 seconds) is that of every request of
    // the bid; the requests themselves each go out once on a connection of
    // their own (see Fetch).
    ::Inet *InetBid = nullptr;
    QLabel *lblStatus = nullptr;
    QLabel *lblNoAccess = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label3 = nullptr;
    QPlainTextEdit *txtDetails = nullptr;
    QPushButton *cmdClose = nullptr;
    TickTimer *closeTimer = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *Image3 = nullptr;

    // Shows the window (modeless) and queues its run for right after the
    // caller has returned, whether or not the window ever becomes active.
    void Start();
    // Bid windows whose run is queued or under way.
    static int ActiveRuns();
    // Such a window other than `self`.
    static bool OtherRunsCounted(const frmBid *self);
    // The window whose run on this item is queued or under way, if any.
    static frmBid *RunFor(const QString &itemNumber);
    // One bid window per item, whatever starts the bid: a start for an item
    // whose window is queued or under way goes to that window, which from
    // then on follows its row (a placed-now or Buy It Now start also ends
    // its wait), instead of making a second window. Refused once that
    // window's bid can no longer change: confirmed, taken back or stopped.
    enum class LaterStart { NoWindow, Taken, Refused };
    static LaterStart HandLaterStart(const QString &itemNumber, bool isSnipe, bool isBin);
    // eBay's clock moved: every confirmation waiting for its moment looks
    // again at once (it may be due now).
    static void EbaysClockMoved();
    // The main window's status text while a bid of `amount` is under way.
    static QString BiddingStatus(const QString &amount, const QString &itemNumber);
    // The confirmation has gone to eBay: the bid can no longer be stopped.
    bool ConfirmationSent() const { return m_confirmationSent; }
    // The user took the bid back (removed its row or cancelled its snipe): a
    // confirmation not sent yet never goes out, and the window signs out.
    void WithdrawBid();

    // Hides the window and deletes it once control is back in the event loop.
    void Unload();
    // True while the run or PlaceBid is working.
    bool IsRunning() const { return m_running; }

    // Window height in twips: the status part alone, and with the failure
    // part uncovered.
    static constexpr int kHeightTwips = 1215;
    static constexpr int kFailureHeightTwips = 4695;
    static constexpr int kWidthTwips = 3975;
    // Grows beyond `twips` where a label that the height reaches into would
    // otherwise be cut off (text in a larger font wraps onto more lines).
    void SetHeightTwips(int twips);
    int HeightTwips() const;

    // A measured lead time (seconds) in whole seconds, a half going to the
    // even neighbour; and that value kept within 3 to 30 for the setting.
    static int RoundLeadTime(double seconds);
    static int ClampLeadTime(int seconds);

    // Every marker text the window judges eBay's pages by.
    static const QString kCookiesBlocked;
    static const QString kPasswordIncorrect;
    static const QString kEnterNumbers;
    static const QString kEndedMarker;
    static const QString kCurrencyNotice;
    static const QString kOutbid;
    static const QString kPurchaseConfirmed;

signals:
    // The run or PlaceBid has ended (just before the window unloads, if it
    // does).
    void RunEnded();
    // The confirmation is going to eBay now: from here on the bid cannot be
    // stopped.
    void ConfirmationGoingOut();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    struct Run;
    // One GET for the bid, sent exactly once with InetBid's time-out; raises
    // NumberedError like the transfer control. `requestWritten` tells
    // whether it may have reached eBay. A bid (`isBid`) is written only under
    // BidResend::MayWriteBid. `onReadyConnection`: on the connection opened
    // ahead for the confirmation, while it is ready. `arrival` tells whether
    // the text is the answer itself or the page a redirect led to.
    QString Fetch(const QString &url, bool *requestWritten = nullptr, bool isBid = false, bool onReadyConnection = false,
                  BidReply::Arrival *arrival = nullptr);
    // The confirmation (or purchase) request of this bid.
    QString ConfirmationURL() const;
    // Opens the confirmation's connection a little before its moment. When
    // the server refuses or closes it before then, this connection's own
    // handler, and nothing else, has the next one opened in time.
    void OpenConfirmationConnection();
    // Opens the next one at its time even while the bid still signs in or
    // prepares: a slow path's preparation may end too near the moment for a
    // handshake. Nothing when another was opened meanwhile.
    void OpenConfirmationConnectionInTime();
    // Another bid window's run has started and not finished.
    bool AnotherRunUnderWay() const;
    // Half the shortest round trip seen to the confirmation's host in this
    // run (ms): the confirmation is written that much before its moment, to
    // reach eBay at it. -1 while nothing was measured.
    qint64 OneWayDelayMs() const;
    // The row's auction has ended by eBay's clock (false while unknown).
    bool AuctionOver() const;
    // The confirmation's moment came and went with the auction's end before
    // it could be written: no bid went in, and the snipe reports its miss.
    void MissedTheEnd(Run &run, const QString &missedBecause);
    void RunFlow();
    // Signs in (unless signedIn) and prepares the bid, signing in again while
    // the preparation fails and retries are left; then judges the page.
    void SignInAndPrepare(Run &run, bool signedIn);
    void JudgePreparation(Run &run);
    // A step before the confirmation met the auction's end: the run signs
    // out with the reason seen (`page` is the page eBay did not answer).
    void StoppedAtTheEnd(Run &run, const QString &page);
    // Seconds until the auction's end by eBay's clock at its latest, within
    // 1 and `atMost` (`atMost` when unknown).
    int SecondsUntilEnd(int atMost) const;
    // A snipe started from a row, and any bid that a later start was handed
    // to, follows that row until its confirmation: the row gone, watched or
    // placed online only stops it; a changed maximum or quantity is prepared
    // again, a row moved to another account is signed in to and prepared
    // again from that account.
    enum class RowWish { Unchanged, Changed, Withdrawn };
    struct RowBid
    {
        QString amount;
        qint16 qty = 0;
        QString user;
    };
    RowWish ReadRow(RowBid &wanted) const;
    // The row the bid was started for while it is listed (by the item number
    // for a window started without a row).
    ListItem *BidRow() const;
    // The row's title ("" without a row): the seller's, cut out of each reply.
    QString ItemTitle() const;
    bool FollowsRow() const;
    void FollowRow(Run &run);
    // The row's account set up here with its password; false when it is not.
    bool SwitchAccount(const QString &user);
    // The confirmation waits for ConfirmAt with the event loop free, then
    // the run goes on at ConfirmAndSignOut.
    void HoldConfirmation();
    void ConfirmationDue();
    // A snipe of a bid group does not go out while another item of its group
    // was won or has a bid out whose outcome is not known yet
    // (BidGroups::SnipeHeldBack); it signs out and is reported as missed.
    void HoldBackForGroup(bool &signOutNow) const;
    // Held only for another group item's outcome not read yet: the
    // confirmation waits for it past its moment while it can still reach
    // eBay safely before its own end (BidGroups::MayStillWait).
    bool WaitForGroupOutcome(bool signOutNow);
    // Milliseconds until the row's auction ends by eBay's clock at its
    // latest, less the path's one-way delay; 0 when unknown.
    qint64 MsecsUntilOwnEnd() const;
    // Milliseconds until the confirmation is due, on this computer's
    // monotonic clock, by eBay's clock at its latest (EbayFineClock): a
    // clock read again moves it, a step of this computer's clock does not.
    qint64 MsecsUntilConfirmation() const;
    void ConfirmAndSignOut();
    // A purchase's reply judged: confirmed, or not confirmed with its reason.
    void JudgePurchase(Run &run, bool answered);
    // Marks the purchase failed, with its title, log line and the row's
    // unknown outcome; returns the reason to show. `reply` is null when none
    // came.
    QString PurchaseNotConfirmed(const BidReply *reply);
    void ShowFailure(const QString &reason);
    void HandToFailureReport();
    // Keeps what the confirmation came to in the item's bid state:
    // confirmed, refused, failed when a reply not understood was judged,
    // or sent with its outcome unknown.
    void RecordConfirmation(bool succeeded, bool judged, bool refused);
    void FinishRun();
    // Places the text so that none of it is cut off, and keeps the window
    // tall enough for the part of it that shows.
    void LayOutText();
    void ApplyHeight();

    std::shared_ptr<Run> m_run; // the run under way; its steps keep it alive
    QTimer *m_confirmTimer = nullptr;
    QPointer<ReadyConnection> m_confirmationConnection;
    int m_confirmationConnections = 0; // opened in this run
    // How long the confirmation host kept a ready connection open idle before
    // closing it (ms); -1 while it has not.
    qint64 m_hostIdleMs = -1;
    bool m_running = false;
    bool m_unloaded = false;
    bool m_counted = false; // counted in ActiveRuns()
    bool m_confirmationSent = false;
    bool m_withdrawn = false;
    bool m_laterStart = false; // handed a later start: follows its row
    bool m_waitingForGroup = false; // the wait for a group item's outcome logged
    quint64 m_rowKey = 0;      // OneRowPerItem::RowKey of BidItem, taken at the start
    int m_heightTwips = kHeightTwips; // the part of the window asked for
};
