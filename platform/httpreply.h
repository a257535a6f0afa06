#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

#include <limits>

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

    // TooLarge: the body (or the head) goes past the reader's limit.
    enum class Progress { Incomplete, Complete, Broken, TooLarge };
    // Reads `data`, the whole of what has arrived, at once (see
    // HttpReplyReader). `closed` says the server has closed the connection.
    static Progress Parse(const QByteArray &data, bool closed, HttpReply *reply);
};

// Reads one answer as its bytes arrive, each byte once: a long chunked body
// costs no more than a plain one, and a body is never held beyond its limit.
// `closed` ends a body of unstated length and makes any other unfinished
// answer Broken (a page cut off in transit). Interim 1xx answers before the
// real one are skipped; their heads count towards the head's bound, so
// interim answers without end fail like a head without end. Once Broken or
// TooLarge, it stays so.
class HttpReplyReader final
{
public:
    static constexpr qsizetype kNoLimit = std::numeric_limits<qsizetype>::max();
    // Status line and headers, and the trailers of a chunked body, each.
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
    // A chunk's size line with its extensions.
    static constexpr qsizetype kMaxChunkLineBytes = 4096;

    explicit HttpReplyReader(qsizetype maxBodyBytes = kNoLimit);

    HttpReply::Progress feed(QByteArrayView bytes);
    HttpReply::Progress closed();
    // Part of a head (the answer's or an interim one's) has arrived, not yet its end.
    bool inHead() const { return m_stage == Stage::Head && !m_pending.isEmpty(); }

    const HttpReply &reply() const { return m_reply; }
    HttpReply &reply() { return m_reply; }

private:
    enum class Stage { Head, Length, ToClose, ChunkSize, ChunkData, ChunkEnd, Trailers, Done };

    // Each consumes from `bytes` what belongs to its stage.
    void readHead(QByteArrayView &bytes);
    void startBody();
    void readBodyBytes(QByteArrayView &bytes);
    bool takeLine(QByteArrayView &bytes, qsizetype limit, HttpReply::Progress overLimit);
    void readChunkSize();
    void readTrailer();
    void finishAnswer();
    void fail(HttpReply::Progress how);

    qsizetype m_maxBody;
    Stage m_stage = Stage::Head;
    HttpReply::Progress m_progress = HttpReply::Progress::Incomplete;
    HttpReply m_reply;
    QByteArray m_pending; // head, a chunk's size line, a trailer line
    qsizetype m_remaining = 0; // of a stated length or of the current chunk
    qsizetype m_trailerBytes = 0;
    qsizetype m_interimBytes = 0; // heads of interim answers already skipped
    bool m_mayKeep = false;
    bool m_extra = false; // bytes past the answer's end
    bool m_closed = false;
};
