#pragma once

// Points the eBay sign-in role at loopback for tests of the account windows:
// the sign-out (plain http) reaches a small server that records it, and the
// sign-in (https) goes to a closed port, so it fails at once with the empty
// reply of a failed fetch, which the windows take as an acceptance.
#include "foundation/hostroles.h"
#include "tests/support/closedport.h"
#include "tests/support/tinyhttp.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

class LoopbackSignIn final
{
public:
    explicit LoopbackSignIn(std::function<void()> onSignOut = {})
        : m_onSignOut(std::move(onSignOut)),
          m_http([this](const TinyHttp::Request &) {
              ++signOuts;
              if (m_onSignOut)
                  m_onSignOut();
              return TinyHttp::Reply{200, QByteArrayLiteral("<html>signed out</html>"), {}, false, 0};
          })
    {
        const quint16 closed = ClosedLoopbackPort();
        QFile hosts(m_dir.path() + QStringLiteral("/hosts"));
        hosts.open(QIODevice::WriteOnly);
        hosts.write(QStringLiteral("signin.http=127.0.0.1:%1\nsignin.https=127.0.0.1:%2\n").arg(m_http.port()).arg(closed).toUtf8());
        hosts.close();
        qputenv("TALLOWMERE_HOSTS", hosts.fileName().toUtf8());
        HostRoles::reload();
    }
    ~LoopbackSignIn()
    {
        qunsetenv("TALLOWMERE_HOSTS");
        HostRoles::reload();
    }

    int signOuts = 0;

private:
    QTemporaryDir m_dir;
    std::function<void()> m_onSignOut;
    TinyHttp m_http;
};
