#include "engine/clipboardscan.h"

#include "engine/itemwindows.h"
#include "engine/mainformengine.h"
#include "foundation/frmsettings.h"
#include "foundation/hostroles.h"
#include "foundation/pageaccess.h"
#include "platform/desktop.h"

#include <QRadioButton>
#include <QUrl>

namespace ClipboardScan {

namespace {

// A number, blanks and line breaks around it allowed: a number copied from
// a page often ends in a line break.
bool isNumeric(const QString &text)
{
    return basGeneral::ReadsAsNumber(text.trimmed());
}

// Whether the address's host (and port) is one the program reads eBay's item
// pages from: pointed elsewhere (the simulator), those hosts need not be
// named "ebay.".
bool onItemPageHost(const QString &address)
{
    const QUrl url(address.trimmed());
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString hostAndPort = url.port() < 0 ? url.host() : url.host() + u':' + QString::number(url.port());
    for (const auto role : {HostRoles::Role::Item, HostRoles::Role::SiteItem, HostRoles::Role::Www}) {
        if (HostRoles::host(role).compare(hostAndPort, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// A number, or an "http://" address (any letter case) on an eBay host or a
// host the program reads item pages from; "https://" addresses are left alone.
bool isCandidate(const QString &text)
{
    if (isNumeric(text))
        return true;
    const QString lower = text.toLower();
    if (!lower.startsWith(QLatin1String("http://")))
        return false;
    return lower.contains(QLatin1String("ebay.")) || onItemPageHost(text);
}

} // namespace

QString ItemNumberOfCopiedText(const QString &text, QString &lastText)
{
    if (text == lastText || !isCandidate(text))
        return {};
    QString number;
    // The length counts the text as copied, line breaks included.
    if (isNumeric(text) && text.size() >= 10 && text.size() < 15) {
        number = text;
    } else {
        QString address = text;
        number = basGeneral::GetItemNumberFromURL(address);
        if (!isNumeric(number))
            return {};
    }
    // Set before any action starts: a tick during the action (the prompt's
    // page fetch, the modal wizard) must not act on the same text again.
    lastText = text;
    number.remove(QStringLiteral("\r\n"));
    return number;
}

void tmrClipboardScan_Timer(frmMainEngine &main)
{
    // A close waits for the work under way to stop: no new work starts.
    if (main.blnCloseDeferred)
        return;
    const QString number = ItemNumberOfCopiedText(Desktop::ClipboardText(), main.strLastCB);
    if (number.isEmpty())
        return;
    // The choice is read from the settings window each time, so a change
    // there counts at once.
    const frmSettings &settings = frmSettings::instance();
    if (settings.optCopyAsk->isChecked()) {
        if (ItemWindows::AskAboutCopiedItem)
            ItemWindows::AskAboutCopiedItem(number);
    } else if (settings.optCopyBid->isChecked()) {
        main.TrayIcon_Click(QStringLiteral("LBUTTONUP"));
        main.activateWindow();
        if (ItemWindows::BidOnCopiedItem)
            ItemWindows::BidOnCopiedItem(number);
    } else if (settings.optCopyWatch->isChecked()) {
        main.WatchAuction(number);
    }
}

} // namespace ClipboardScan
