#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>

class QJsonDocument;

namespace Sim {

// One request as the simulator's handlers see it. The query is kept raw;
// parameters are decoded the way the program encodes them: "%XX" is one byte
// of the single-byte code page, "+" is left alone.
struct Request
{
    QString method;        // "GET", "POST", ...
    QString path;          // "/ws/eBayISAPI.dll", percent-encoding kept
    QString rawQuery;      // "ViewItem&item=1", without the "?"
    bool https = false;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QDateTime arrival;     // local time, millisecond resolution

    // path and query as sent ("/p?q"), for the request log and fault rules.
    QString target() const;
    QString scheme() const { return https ? QStringLiteral("https") : QStringLiteral("http"); }

    // Value of the first query parameter of that name (name in any letter
    // case); `found` tells a missing parameter from an empty one.
    QString param(const QString &name, bool *found = nullptr) const;
    bool hasParam(const QString &name) const;

    // The ISAPI command of an eBayISAPI.dll request: the value of
    // MfcISAPICommand when present, otherwise the first query word without
    // "=" ("ViewItem" in "ViewItem&item=1"). Empty when there is neither.
    QString command() const;

    QByteArray header(const QByteArray &name) const;
    QString cookie(const QString &name) const;

    // Whether the query or a form body holds a password field ("pass",
    // "pswd" or "password", in any letter case), filled in or not.
    bool carriesPassword() const;
};

// Splits a raw query at "&" into decoded name/value pairs; a word without
// "=" has an empty value and `hasValue` false.
struct QueryItem
{
    QString name;
    QString value;
    bool hasValue = false;
};
QList<QueryItem> parseQuery(const QString &rawQuery);

// Decodes "%XX" escapes to bytes and reads the bytes as Latin-1.
QString percentDecode(const QString &text);

struct Response
{
    int status = 200;
    QByteArray contentType = "text/html; charset=windows-1252";
    QList<QPair<QByteArray, QByteArray>> headers; // extra ones, Set-Cookie may repeat
    QByteArray body;

    static Response html(const QString &page, int status = 200);
    static Response json(const QJsonDocument &doc, int status = 200);
    static Response jsonError(const QString &message, int status = 400);
    static Response redirect(const QString &location, int status = 302);

    void addHeader(const QByteArray &name, const QByteArray &value) { headers.append({name, value}); }
    QByteArray serialize(bool keepAlive) const;
};

// &, <, > and " as entities.
QString htmlEscape(const QString &text);

} // namespace Sim
