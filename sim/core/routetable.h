#pragma once

#include "sim/core/simhttp.h"

#include <QList>
#include <QString>

#include <functional>

namespace Sim {

enum class Scheme { Any, Http, Https };

using Handler = std::function<Response(const Request &)>;

// One page the simulator serves. All host roles share one port pair, so a
// route is told apart by path, ISAPI command and, where needed, a test on the
// query. Paths and commands compare without regard to letter case, as the
// real servers did (the program lower-cases some links it follows).
struct Route
{
    QString role;     // host role the page belongs to ("item", "signin", ...)
    QString path;     // "/ws/eBayISAPI.dll"; a trailing "*" matches any rest
    QString command;  // ISAPI command ("ViewItem"); empty for any
    Scheme scheme = Scheme::Any;
    std::function<bool(const Request &)> when; // optional further test
    Handler handler;

    bool matches(const Request &request) const;
};

class RouteTable final
{
public:
    // Routes are tried in the order they were added; the first match wins.
    void add(Route route);
    // Convenience for the common case.
    void add(const QString &role, const QString &path, const QString &command, Scheme scheme, Handler handler);

    const Route *find(const Request &request) const;
    const QList<Route> &routes() const { return m_routes; }

private:
    QList<Route> m_routes;
};

} // namespace Sim
