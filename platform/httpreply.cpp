#include "platform/httpreply.h"

namespace {

using Progress = HttpReply::Progress;

// The body of a chunked answer from `at`; Incomplete until its last chunk
// and the blank line after any trailers have arrived. `end` is the offset
// just past the whole answer.
Progress ReadChunks(const QByteArray &data, qsizetype at, QByteArray *body, qsizetype *end)
{
    body->clear();
    for (;;) {
        const qsizetype lineEnd = data.indexOf("\r\n", at);
        if (lineEnd < 0)
            return Progress::Incomplete;
        bool ok = false;
        const qsizetype size = data.mid(at, lineEnd - at).split(';').value(0).trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0)
            return Progress::Broken;
        at = lineEnd + 2;
        if (size == 0) {
            // Trailers, if any, up to an empty line.
            for (;;) {
                const qsizetype trailerEnd = data.indexOf("\r\n", at);
                if (trailerEnd < 0)
                    return Progress::Incomplete;
                const bool blank = trailerEnd == at;
                at = trailerEnd + 2;
                if (blank) {
                    *end = at;
                    return Progress::Complete;
                }
            }
        }
        if (data.size() < at + size + 2)
            return Progress::Incomplete;
        body->append(data.mid(at, size));
        at += size + 2;
    }
}

} // namespace

QByteArray HttpReply::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first == name)
            return h.second;
    return {};
}

HttpReply::Progress HttpReply::Parse(const QByteArray &data, bool closed, HttpReply *reply)
{
    const Progress unfinished = closed ? Progress::Broken : Progress::Incomplete;
    qsizetype start = 0;
    for (;;) {
        const qsizetype headEnd = data.indexOf("\r\n\r\n", start);
        if (headEnd < 0)
            return unfinished;
        const QList<QByteArray> lines = data.mid(start, headEnd - start).split('\n');
        const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
        bool numeric = false;
        reply->status = statusLine.value(1).toInt(&numeric);
        if (!statusLine[0].startsWith("HTTP/") || !numeric)
            return Progress::Broken;
        reply->headers.clear();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                reply->headers.append({lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed()});
        }
        start = headEnd + 4;
        if (reply->status >= 100 && reply->status < 200 && reply->status != 101)
            continue; // an interim answer; the real one follows
        break;
    }

    const QByteArray connection = reply->header("connection").toLower();
    const bool http10 = data.startsWith("HTTP/1.0");
    const bool mayKeep = !connection.contains("close") && (!http10 || connection.contains("keep-alive"));
    qsizetype end = 0;

    if (reply->header("transfer-encoding").toLower().contains("chunked")) {
        const Progress p = ReadChunks(data, start, &reply->body, &end);
        if (p != Progress::Complete)
            return p == Progress::Broken ? p : unfinished;
    } else if (reply->status == 204 || reply->status == 304) {
        reply->body.clear();
        end = start;
    } else if (const QByteArray length = reply->header("content-length"); !length.isEmpty()) {
        bool ok = false;
        const qsizetype wanted = length.toLongLong(&ok);
        if (!ok || wanted < 0)
            return Progress::Broken;
        if (data.size() < start + wanted)
            return unfinished;
        reply->body = data.mid(start, wanted);
        end = start + wanted;
    } else {
        // No stated end: the body runs until the server closes.
        if (!closed)
            return Progress::Incomplete;
        reply->body = data.mid(start);
        reply->keepAlive = false;
        return Progress::Complete;
    }
    // Anything after the answer was never asked for: that connection is not
    // trusted with another request.
    reply->keepAlive = mayKeep && !closed && end == data.size();
    return Progress::Complete;
}
