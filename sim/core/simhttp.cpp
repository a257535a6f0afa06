#include "sim/core/simhttp.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace Sim {

namespace {

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

} // namespace

QString percentDecode(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('%') && i + 2 < text.size()) {
            const int hi = hexValue(text.at(i + 1));
            const int lo = hexValue(text.at(i + 2));
            if (hi >= 0 && lo >= 0) {
                bytes.append(char(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        if (c.unicode() < 256)
            bytes.append(char(c.unicode()));
        else
            bytes.append('?');
    }
    return QString::fromLatin1(bytes);
}

QList<QueryItem> parseQuery(const QString &rawQuery)
{
    QList<QueryItem> items;
    if (rawQuery.isEmpty())
        return items;
    const auto words = rawQuery.split(QLatin1Char('&'));
    for (const QString &word : words) {
        if (word.isEmpty())
            continue;
        QueryItem item;
        const qsizetype eq = word.indexOf(QLatin1Char('='));
        if (eq < 0) {
            item.name = percentDecode(word);
        } else {
            item.name = percentDecode(word.left(eq));
            item.value = percentDecode(word.mid(eq + 1));
            item.hasValue = true;
        }
        items.append(item);
    }
    return items;
}

QString Request::target() const
{
    return rawQuery.isEmpty() ? path : path + QLatin1Char('?') + rawQuery;
}

QString Request::param(const QString &name, bool *found) const
{
    for (const auto &item : parseQuery(rawQuery)) {
        if (item.hasValue && item.name.compare(name, Qt::CaseInsensitive) == 0) {
            if (found)
                *found = true;
            return item.value;
        }
    }
    if (found)
        *found = false;
    return {};
}

bool Request::hasParam(const QString &name) const
{
    bool found = false;
    param(name, &found);
    return found;
}

QString Request::command() const
{
    bool found = false;
    const QString mfc = param(QStringLiteral("MfcISAPICommand"), &found);
    if (found)
        return mfc;
    for (const auto &item : parseQuery(rawQuery))
        if (!item.hasValue)
            return item.name;
    return {};
}

QByteArray Request::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return {};
}

QString Request::cookie(const QString &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare("Cookie", Qt::CaseInsensitive) != 0)
            continue;
        const auto pairs = QString::fromLatin1(h.second).split(QLatin1Char(';'));
        for (const QString &pair : pairs) {
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            if (eq > 0 && pair.left(eq).trimmed() == name)
                return pair.mid(eq + 1).trimmed();
        }
    }
    return {};
}

bool Request::carriesPassword() const
{
    static const QStringList kNames = {QStringLiteral("pass"), QStringLiteral("pswd"), QStringLiteral("password")};
    auto isPasswordField = [](const QString &name) { return kNames.contains(name.trimmed().toLower()); };
    for (const auto &item : parseQuery(rawQuery))
        if (isPasswordField(item.name))
            return true;
    // A form posts its fields in the body; "+" stands for a blank there.
    const QString form = QString::fromLatin1(body).replace(QLatin1Char('+'), QLatin1Char(' '));
    for (const auto &item : parseQuery(form))
        if (item.hasValue && isPasswordField(item.name))
            return true;
    return false;
}

Response Response::html(const QString &page, int status)
{
    Response r;
    r.status = status;
    r.body = page.toLatin1();
    return r;
}

Response Response::json(const QJsonDocument &doc, int status)
{
    Response r;
    r.status = status;
    r.contentType = "application/json";
    r.body = doc.toJson(QJsonDocument::Compact);
    return r;
}

Response Response::jsonError(const QString &message, int status)
{
    return json(QJsonDocument(QJsonObject{{QStringLiteral("error"), message}}), status);
}

Response Response::redirect(const QString &location, int status)
{
    Response r = html(QStringLiteral("<html><body><a href=\"%1\">moved</a></body></html>").arg(htmlEscape(location)), status);
    r.addHeader("Location", location.toLatin1());
    return r;
}

QByteArray Response::serialize(bool keepAlive) const
{
    QByteArray out;
    out.reserve(body.size() + 256);
    out += "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    out += "Server: tallowmere-sim\r\n";
    if (!contentType.isEmpty())
        out += "Content-Type: " + contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "Cache-Control: no-cache\r\n";
    for (const auto &h : headers)
        out += h.first + ": " + h.second + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    out += "\r\n";
    out += body;
    return out;
}

QString htmlEscape(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QStringLiteral("&amp;"); break;
        case '<': out += QStringLiteral("&lt;"); break;
        case '>': out += QStringLiteral("&gt;"); break;
        case '"': out += QStringLiteral("&quot;"); break;
        default: out += c;
        }
    }
    return out;
}

} // namespace Sim
