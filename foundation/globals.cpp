#include "foundation/globals.h"

QString CurrentUser;
qint64 EbayTimeOffset = 0;
QStringList TabURLs;
bool EditMode = false;
bool DebugMode = false;
bool RelistInProgress = false;
QPointer<QWidget> BidForm;
ListItem *CurrentItem = nullptr;
QString CommandLine;
