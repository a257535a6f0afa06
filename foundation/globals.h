#pragma once

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QStringList>

class ListItem;
class QWidget;

// The program's global variables: the state every window shares.

// The active eBay user ID.
extern QString CurrentUser;
// Seconds to add to the local date and time to read eBay's official clock.
extern qint64 EbayTimeOffset;
// One URL per browser tab; element 0 starts as the chosen site's base URL.
extern QStringList TabURLs;
// The add-item wizard edits an existing row.
extern bool EditMode;
// Debug page dumps (set from the About window's console).
extern bool DebugMode;
// A relist runs: refreshes must wait.
extern bool RelistInProgress;
// The running bid window and the row being processed by the list procedures.
extern QPointer<QWidget> BidForm;
extern ListItem *CurrentItem;
// The command line the program was started with (without the program path).
extern QString CommandLine;
