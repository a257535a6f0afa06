#pragma once

// A snipe in the running main window whose bid is prepared and holds its
// confirmation for its moment, and the row's list links worked on it
// meanwhile, against the simulator of this test process.
#include "engine/frmbid.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class frmAddAuction;
class frmMain;
class ListItem;

// The running main window with one snipe of 1 @ 55.00 for alice on an item
// that ends in `endsInS`, its bid started as the main tick starts it; the
// tick itself is off.
struct HeldSnipe
{
    static constexpr int kEndsInS = 10;

    explicit HeldSnipe(int endsInS = kEndsInS);

    frmMain *main = nullptr;
    QString number;
    ListItem *row = nullptr;
    qint64 from = 0;
    int endsInS = kEndsInS;
    QPointer<frmBid> bid;

    // Prepared and waiting: the preparation's reply is in.
    bool held() const;
    // Follows a row link of the list page ("edit=", "remove=" ...).
    void link(const QString &command);
    // The bid's requests since the start: "signin", "prepare", "confirm",
    // "currency", "signout".
    QStringList bidKinds() const;
    // The preparations for the item, each as "<amount>&qty=<qty>".
    QStringList preparedAmounts() const;
    // Waits past the item's end for the bid window to be gone.
    bool ended() const;
};

// The wizard opened by `open` (which returns once it has closed), changed by
// `change` and finished; whether it closed.
bool FinishWizardOpenedBy(const std::function<void()> &open, const std::function<void(frmAddAuction &)> &change);
// The Edit link of the row: the wizard on it, changed by `change` and
// finished; whether the wizard closed.
bool EditThroughLink(HeldSnipe &s, const std::function<void(frmAddAuction &)> &change);
bool EditMaximumThroughLink(HeldSnipe &s, const QString &amount);
