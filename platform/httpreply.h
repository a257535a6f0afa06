#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// One HTTP/1.x answer read off a connection: status, headers and the whole
// body, whatever framing the server chose (length, chunks, or up to the close).
struct HttpReply
{
    int status = 0;
    QList<QPair<QByteArray, QByteArray>> headers; // names lower-cased
    QByteArray body;
    // The connection may carry the next request: the body's end was stated,
    // and neither side asked to close.
    bool keepAlive = false;

    QByteArray header(const QByteArray &name) const;

    enum class Progress { Incomplete, Complete, Broken };
    // Reads `data` as it has arrived so far. `closed` says the server has
    // closed the connection: that ends a body of unstated length, and makes
    // any other unfinished answer Broken (a page cut off in transit).
    // Interim 1xx answers before the real one are skipped.
    static Progress Parse(const QByteArray &data, bool closed, HttpReply *reply);
};
