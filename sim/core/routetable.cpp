#include "sim/core/routetable.h"

namespace Sim {

bool Route::matches(const Request &request) const
{
    if (scheme == Scheme::Http && request.https)
        return false;
    if (scheme == Scheme::Https && !request.https)
        return false;
    if (path.endsWith(QLatin1Char('*'))) {
        if (!request.path.startsWith(path.chopped(1), Qt::CaseInsensitive))
            return false;
    } else if (request.path.compare(path, Qt::CaseInsensitive) != 0) {
        return false;
    }
    if (!command.isEmpty() && request.command().compare(command, Qt::CaseInsensitive) != 0)
        return false;
    return !when || when(request);
}

void RouteTable::add(Route route)
{
    m_routes.append(std::move(route));
}

void RouteTable::add(const QString &role, const QString &path, const QString &command, Scheme scheme, Handler handler)
{
    Route r;
    r.role = role;
    r.path = path;
    r.command = command;
    r.scheme = scheme;
    r.handler = std::move(handler);
    add(std::move(r));
}

const Route *RouteTable::find(const Request &request) const
{
    for (const Route &r : m_routes)
        if (r.matches(request))
            return &r;
    return nullptr;
}

} // namespace Sim
