#pragma once

// eBay's bid host refusing secure connections: a bid is prepared over http as
// usual, and its confirmation, which goes over https, never reaches eBay.
#include <QByteArray>
#include <QString>

namespace Sim {
class SimServer;
}

// While it lives, the simulator's hosts file sends the bid host's https
// requests to a loopback port nobody listens on. A program started meanwhile
// keeps that; this process follows the file at once and when it is restored.
class ClosedOfferHttps final
{
public:
    explicit ClosedOfferHttps(Sim::SimServer &server);
    ~ClosedOfferHttps();
    ClosedOfferHttps(const ClosedOfferHttps &) = delete;
    ClosedOfferHttps &operator=(const ClosedOfferHttps &) = delete;

    // The hosts as the simulator wrote them, from now on.
    void Reopen();

private:
    QString m_hostsFile;
    QByteArray m_original;
    bool m_closed = false;
};
