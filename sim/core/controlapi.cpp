// The control endpoint under /_sim/: JSON in, JSON out. Tests and the demo
// script use it to set the scene and to read back what the program asked.
//
//   GET    /_sim/status                 ports, clock, counts
//   GET    /_sim/items                  every item
//   POST   /_sim/items                  create one item (object) or several (array)
//   GET    /_sim/items/<n>              one item
//   POST   /_sim/items/<n>              change fields (PUT and PATCH too)
//   POST   /_sim/items/<n>/end          end it now; optional "winner"
//   DELETE /_sim/items/<n>              remove it: its page says so from now on
//   GET    /_sim/log?since=<index>      request log
//   DELETE /_sim/log                    clear it (POST /_sim/log/clear too)
//   GET    /_sim/clock                  real and eBay time, offset
//   POST   /_sim/clock                  {"offset": seconds} or {"move": seconds}, fractions too
//   GET    /_sim/path                   the network path: delay, jitter, its ports
//   POST   /_sim/path                   {"delayMs": n, "jitterMs": n}; 0 and 0: none; and how it
//                                        misbehaves: staleEvery, staleMs, stallHandshakes,
//                                        closeAtHello, closeIdleMs
//   GET    /_sim/faults                 pending fault rules
//   POST   /_sim/faults                 {"path", "mode", "delayMs", "count"}
//   DELETE /_sim/faults                 drop them all
//   GET    /_sim/accounts               user IDs
//   POST   /_sim/accounts               {"user", "password", "feedbackScore", "feedbackPercent"}
//   DELETE /_sim/accounts               none: every sign-in accepted
//   POST   /_sim/scenario               items, accounts, faults, clockOffset at once
//   POST   /_sim/reset                  empty simulator
//   .../_sim/bids, /_sim/reports         bid replies and problem reports (bidroutes.cpp)
//   .../_sim/online                      the vendor's online service (onlineroutes.cpp)
//   .../_sim/seller                      sellers' feedback and sales (sellerroutes.cpp)
//   .../_sim/update                      the update information's reply (updateroutes.cpp)
//   .../_sim/selling                     the relisting pages' state (sellingroutes.cpp)
#include "sim/core/pacifictime.h"
#include "sim/core/simserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrlQuery>

#include <cmath>

namespace Sim {

namespace {

Response ok(const QJsonObject &object)
{
    return Response::json(QJsonDocument(object));
}

Response ok(const QJsonArray &array)
{
    return Response::json(QJsonDocument(array));
}

Response done()
{
    return ok(QJsonObject{{QStringLiteral("ok"), true}});
}

bool isWrite(const Request &r)
{
    return r.method == QLatin1String("POST") || r.method == QLatin1String("PUT") || r.method == QLatin1String("PATCH");
}

// The body as JSON; an empty body is an empty object.
bool parseBody(const Request &r, QJsonDocument *doc, Response *failure)
{
    if (r.body.trimmed().isEmpty()) {
        *doc = QJsonDocument(QJsonObject());
        return true;
    }
    QJsonParseError error;
    *doc = QJsonDocument::fromJson(r.body, &error);
    if (error.error != QJsonParseError::NoError) {
        *failure = Response::jsonError(QStringLiteral("bad JSON: ") + error.errorString());
        return false;
    }
    return true;
}

} // namespace

Response SimServer::control(const Request &request)
{
    QStringList parts = request.path.mid(1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeFirst(); // "_sim"
    const QString what = parts.value(0);
    const QString method = request.method;
    const QDateTime t = now();

    QJsonDocument body;
    Response failure;
    if (isWrite(request) && !parseBody(request, &body, &failure))
        return failure;

    if (what == QLatin1String("status") && parts.size() == 1) {
        return ok(QJsonObject{
            {QStringLiteral("httpPort"), m_httpPort},
            {QStringLiteral("httpsPort"), m_httpsPort},
            {QStringLiteral("hostsFile"), m_hostsFile},
            {QStringLiteral("caFile"), m_caFile},
            {QStringLiteral("clockOffset"), double(m_clockOffsetMs) / 1000.0},
            {QStringLiteral("items"), double(m_items.size())},
            {QStringLiteral("requests"), double(m_log.nextIndex())},
        });
    }

    if (what == QLatin1String("items")) {
        if (parts.size() == 1) {
            if (method == QLatin1String("GET")) {
                QJsonArray list;
                for (const QString &n : m_items.numbers())
                    list.append(itemToJson(*m_items.find(n), t));
                return ok(list);
            }
            if (method != QLatin1String("POST"))
                return Response::jsonError(QStringLiteral("method not allowed"), 405);
            const QJsonArray wanted = body.isArray() ? body.array() : QJsonArray{body.object()};
            QJsonArray created;
            for (const auto &value : wanted) {
                SimItem item;
                item.endsAt = t.addDays(7);
                QString error;
                if (!applyItemJson(item, value.toObject(), t, &error))
                    return Response::jsonError(error);
                const QString number = m_items.add(item);
                created.append(itemToJson(*m_items.find(number), t));
            }
            return body.isArray() ? ok(created) : ok(created.first().toObject());
        }

        const QString number = parts.value(1);
        SimItem *item = m_items.find(number);
        if (!item)
            return Response::jsonError(QStringLiteral("no item ") + number, 404);
        if (parts.size() == 3 && parts.value(2) == QLatin1String("end") && method == QLatin1String("POST")) {
            if (!item->ended(t))
                item->endsAt = t;
            const QJsonObject o = body.object();
            if (o.contains(QLatin1String("winner")))
                item->winner = o.value(QLatin1String("winner")).toString();
            return ok(itemToJson(*item, t));
        }
        if (parts.size() != 2)
            return Response::jsonError(QStringLiteral("unknown control path"), 404);
        if (method == QLatin1String("GET"))
            return ok(itemToJson(*item, t));
        if (method == QLatin1String("DELETE")) {
            m_items.remove(number);
            return done();
        }
        SimItem changed = *item;
        QString error;
        QJsonObject fields = body.object();
        fields.remove(QLatin1String("item")); // the number stays
        if (!applyItemJson(changed, fields, t, &error))
            return Response::jsonError(error);
        *item = changed;
        return ok(itemToJson(*item, t));
    }

    if (what == QLatin1String("log")) {
        if (method == QLatin1String("DELETE") || (parts.value(1) == QLatin1String("clear") && method == QLatin1String("POST"))) {
            m_log.clear();
            return done();
        }
        const qint64 since = QUrlQuery(request.rawQuery).queryItemValue(QStringLiteral("since")).toLongLong();
        QJsonArray entries;
        for (const LogEntry &e : m_log.since(since))
            entries.append(e.toJson());
        return ok(QJsonObject{{QStringLiteral("entries"), entries}, {QStringLiteral("next"), double(m_log.nextIndex())}});
    }

    if (what == QLatin1String("clock")) {
        if (isWrite(request)) {
            const QJsonValue offset = body.object().value(QLatin1String("offset"));
            const QJsonValue move = body.object().value(QLatin1String("move"));
            if (move.isDouble())
                moveEbayClockMs(SecondsToMs(move.toDouble()));
            else if (offset.isDouble())
                m_clockOffsetMs = SecondsToMs(offset.toDouble());
            else
                return Response::jsonError(QStringLiteral("\"offset\" or \"move\" (seconds) is required"));
        }
        const PageContext ctx = pageContext();
        return ok(QJsonObject{
            {QStringLiteral("offset"), double(m_clockOffsetMs) / 1000.0},
            {QStringLiteral("now"), t.toString(Qt::ISODateWithMs)},
            {QStringLiteral("ebayTime"), Pacific::longText(ctx.ebay(t))},
        });
    }

    if (what == QLatin1String("path")) {
        if (isWrite(request)) {
            const QJsonObject o = body.object();
            const QJsonValue delay = o.value(QLatin1String("delayMs"));
            const QJsonValue jitter = o.value(QLatin1String("jitterMs"));
            static const QStringList kMisbehaviours = {QStringLiteral("staleEvery"), QStringLiteral("staleMs"),
                                                       QStringLiteral("stallHandshakes"), QStringLiteral("closeAtHello"),
                                                       QStringLiteral("closeIdleMs")};
            bool misbehaves = false;
            for (const QString &key : kMisbehaviours) {
                const QJsonValue v = o.value(key);
                if (v.isUndefined())
                    continue;
                if (!v.isDouble() || v.toDouble() < 0 || v.toDouble() > 100000)
                    return Response::jsonError(QStringLiteral("\"") + key + QStringLiteral("\" from 0 to 100000 is required"));
                misbehaves = true;
            }
            const bool delayGiven = !delay.isUndefined();
            if ((!delayGiven && !misbehaves) || (delayGiven && (!delay.isDouble() || delay.toDouble() < 0 || delay.toDouble() > 10000))
                || (!jitter.isUndefined() && (!jitter.isDouble() || jitter.toDouble() < 0 || jitter.toDouble() > 10000)))
                return Response::jsonError(QStringLiteral("\"delayMs\" (and optional \"jitterMs\") from 0 to 10000 is required"));
            if (delayGiven && !setNetworkPath(delay.toInt(), jitter.toInt(0)))
                return Response::jsonError(m_error, 500);
            if (misbehaves) {
                NetworkPath::Misbehaviour m;
                m.stallHandshakes = o.value(QLatin1String("stallHandshakes")).toInt(0);
                m.closeAtHello = o.value(QLatin1String("closeAtHello")).toInt(0);
                m.closeIdleMs = o.value(QLatin1String("closeIdleMs")).toInt(0);
                if (!setPathMisbehaviour(m, o.value(QLatin1String("staleEvery")).toInt(0), o.value(QLatin1String("staleMs")).toInt(1000)))
                    return Response::jsonError(m_error, 500);
            }
        }
        const NetworkPath::Misbehaviour m = pathMisbehaviour();
        return ok(QJsonObject{
            {QStringLiteral("delayMs"), pathDelayMs()},
            {QStringLiteral("jitterMs"), pathJitterMs()},
            {QStringLiteral("staleEvery"), staleEvery()},
            {QStringLiteral("staleMs"), staleMs()},
            {QStringLiteral("stallHandshakes"), m.stallHandshakes},
            {QStringLiteral("closeAtHello"), m.closeAtHello},
            {QStringLiteral("closeIdleMs"), m.closeIdleMs},
            {QStringLiteral("httpPort"), publicHttpPort()},
            {QStringLiteral("httpsPort"), publicHttpsPort()},
            {QStringLiteral("hostsFile"), m_hostsFile},
        });
    }

    if (what == QLatin1String("faults")) {
        if (method == QLatin1String("DELETE")) {
            m_faults.clear();
            return done();
        }
        if (isWrite(request)) {
            FaultRule rule;
            QString error;
            if (!faultFromJson(body.object(), &rule, &error))
                return Response::jsonError(error);
            m_faults.add(rule);
        }
        QJsonArray rules;
        for (const FaultRule &r : m_faults.rules())
            rules.append(r.toJson());
        return ok(rules);
    }

    if (what == QLatin1String("accounts")) {
        if (method == QLatin1String("DELETE")) {
            clearAccounts();
            return done();
        }
        if (isWrite(request)) {
            const QJsonObject o = body.object();
            if (o.value(QLatin1String("user")).toString().isEmpty())
                return Response::jsonError(QStringLiteral("\"user\" is required"));
            addAccountFromJson(o);
        }
        return ok(QJsonArray::fromStringList(accounts()));
    }

    if (what == QLatin1String("bids") || what == QLatin1String("reports"))
        return bidControl(request, parts, body.object());

    if (what == QLatin1String("online"))
        return onlineControl(request, parts, body.object());
    if (what == QLatin1String("selling") && parts.size() == 1)
        return sellingControl(request, body.object());
    if (what == QLatin1String("seller"))
        return sellerControl(request, parts, body.object());
    if (what == QLatin1String("watching") && parts.size() == 1)
        return watchingControl(request, body.object());
    if (what == QLatin1String("update") && parts.size() == 1)
        return updateControl(request, body.object());

    if (what == QLatin1String("scenario") && isWrite(request)) {
        QString error;
        if (!loadScenario(body.object(), &error))
            return Response::jsonError(error);
        return done();
    }

    if (what == QLatin1String("reset") && isWrite(request)) {
        reset();
        return done();
    }

    return Response::jsonError(QStringLiteral("unknown control path ") + request.path, 404);
}

} // namespace Sim
