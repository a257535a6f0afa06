#include "platform/httpreply.h"

#include <algorithm>

namespace {

using Progress = HttpReply::Progress;

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t'))
        text = text.sliced(1);
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t'))
        text.chop(1);
    return text;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A chunk size: hexadecimal digits only (no sign, no blanks inside), small
// enough never to overflow.
bool readChunkSizeText(QByteArrayView text, qsizetype *size)
{
    while (text.size() > 1 && text.front() == '0')
        text = text.sliced(1);
    if (text.isEmpty() || text.size() > 15)
        return false;
    qsizetype value = 0;
    for (const char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return false;
        value = value * 16 + digit;
    }
    *size = value;
    return true;
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
    HttpReplyReader reader;
    Progress progress = reader.feed(data);
    if (closed && (progress == Progress::Incomplete || progress == Progress::Complete))
        progress = reader.closed();
    *reply = std::move(reader.reply());
    return progress;
}

HttpReplyReader::HttpReplyReader(qsizetype maxBodyBytes) : m_maxBody(maxBodyBytes) {}

HttpReply::Progress HttpReplyReader::feed(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && (m_progress == Progress::Incomplete || m_progress == Progress::Complete)) {
        switch (m_stage) {
        case Stage::Head:
            readHead(bytes);
            break;
        case Stage::Length:
        case Stage::ToClose:
        case Stage::ChunkData:
            readBodyBytes(bytes);
            break;
        case Stage::ChunkSize:
            if (takeLine(bytes, kMaxChunkLineBytes, Progress::Broken))
                readChunkSize();
            break;
        case Stage::ChunkEnd:
            if (takeLine(bytes, 2, Progress::Broken)) {
                if (m_pending != "\r\n") {
                    fail(Progress::Broken);
                    break;
                }
                m_pending.clear();
                m_stage = Stage::ChunkSize;
            }
            break;
        case Stage::Trailers:
            if (takeLine(bytes, kMaxHeadBytes - m_trailerBytes, Progress::TooLarge))
                readTrailer();
            break;
        case Stage::Done:
            // Anything after the answer was never asked for: that connection
            // is not trusted with another request.
            m_extra = true;
            m_reply.keepAlive = false;
            bytes = {};
            break;
        }
    }
    return m_progress;
}

HttpReply::Progress HttpReplyReader::closed()
{
    m_closed = true;
    if (m_progress == Progress::Broken || m_progress == Progress::TooLarge)
        return m_progress;
    if (m_stage == Stage::ToClose) {
        m_stage = Stage::Done;
        m_progress = Progress::Complete;
    }
    if (m_stage == Stage::Done)
        m_reply.keepAlive = false;
    else
        fail(Progress::Broken);
    return m_progress;
}

void HttpReplyReader::readHead(QByteArrayView &bytes)
{
    const qsizetype before = m_pending.size();
    const qsizetype room = kMaxHeadBytes + 4 - m_interimBytes;
    const QByteArrayView piece = bytes.first(std::clamp<qsizetype>(room - before, 0, bytes.size()));
    m_pending.append(piece);
    const qsizetype end = m_pending.indexOf("\r\n\r\n", std::max<qsizetype>(0, before - 3));
    if (end < 0) {
        bytes = bytes.sliced(piece.size());
        if (m_pending.size() >= room)
            fail(Progress::TooLarge);
        return;
    }
    bytes = bytes.sliced(end + 4 - before);
    m_pending.truncate(end);

    const QList<QByteArray> lines = m_pending.split('\n');
    m_pending.clear();
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    bool numeric = false;
    m_reply.status = statusLine.value(1).toInt(&numeric);
    if (!statusLine[0].startsWith("HTTP/") || !numeric) {
        fail(Progress::Broken);
        return;
    }
    m_reply.headers.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            m_reply.headers.append({lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed()});
    }
    if (m_reply.status >= 100 && m_reply.status < 200 && m_reply.status != 101) {
        m_interimBytes += end + 4;
        return; // an interim answer; the real one follows
    }
    const QByteArray connection = m_reply.header("connection").toLower();
    const bool http10 = statusLine[0] == "HTTP/1.0";
    m_mayKeep = !connection.contains("close") && (!http10 || connection.contains("keep-alive"));
    startBody();
}

void HttpReplyReader::startBody()
{
    if (m_reply.header("transfer-encoding").toLower().contains("chunked")) {
        m_stage = Stage::ChunkSize;
        return;
    }
    if (m_reply.status == 204 || m_reply.status == 304) {
        finishAnswer();
        return;
    }
    const QByteArray length = m_reply.header("content-length");
    if (length.isEmpty()) {
        m_stage = Stage::ToClose; // no stated end: the body runs until the server closes
        return;
    }
    bool ok = false;
    const qsizetype wanted = length.toLongLong(&ok);
    if (!ok || wanted < 0) {
        fail(Progress::Broken);
        return;
    }
    // Refused at once: nothing of a body that could never be taken is read.
    if (wanted > m_maxBody) {
        fail(Progress::TooLarge);
        return;
    }
    m_remaining = wanted;
    m_stage = Stage::Length;
    if (wanted == 0)
        finishAnswer();
}

void HttpReplyReader::readBodyBytes(QByteArrayView &bytes)
{
    if (m_stage == Stage::ToClose) {
        if (bytes.size() > m_maxBody - m_reply.body.size()) {
            fail(Progress::TooLarge);
            return;
        }
        m_reply.body.append(bytes);
        bytes = {};
        return;
    }
    const qsizetype n = std::min(bytes.size(), m_remaining);
    m_reply.body.append(bytes.first(n));
    bytes = bytes.sliced(n);
    m_remaining -= n;
    if (m_remaining > 0)
        return;
    if (m_stage == Stage::Length)
        finishAnswer();
    else
        m_stage = Stage::ChunkEnd;
}

bool HttpReplyReader::takeLine(QByteArrayView &bytes, qsizetype limit, HttpReply::Progress overLimit)
{
    const qsizetype newline = bytes.indexOf('\n');
    const qsizetype take = newline < 0 ? bytes.size() : newline + 1;
    if (m_pending.size() + take > limit) {
        fail(overLimit);
        return false;
    }
    m_pending.append(bytes.first(take));
    bytes = bytes.sliced(take);
    return newline >= 0;
}

void HttpReplyReader::readChunkSize()
{
    QByteArrayView line(m_pending);
    if (!line.endsWith("\r\n")) {
        fail(Progress::Broken);
        return;
    }
    line.chop(2);
    if (const qsizetype semicolon = line.indexOf(';'); semicolon >= 0)
        line.truncate(semicolon); // chunk extensions are not used
    qsizetype size = 0;
    if (!readChunkSizeText(trimmedBlanks(line), &size)) {
        fail(Progress::Broken);
        return;
    }
    m_pending.clear();
    if (size == 0) {
        m_stage = Stage::Trailers;
        return;
    }
    if (size > m_maxBody - m_reply.body.size()) {
        fail(Progress::TooLarge);
        return;
    }
    m_remaining = size;
    m_stage = Stage::ChunkData;
}

void HttpReplyReader::readTrailer()
{
    // Trailers are not used; they run up to an empty line.
    const bool blank = m_pending == "\r\n" || m_pending == "\n";
    m_trailerBytes += m_pending.size();
    m_pending.clear();
    if (blank)
        finishAnswer();
}

void HttpReplyReader::finishAnswer()
{
    m_stage = Stage::Done;
    m_progress = Progress::Complete;
    m_reply.keepAlive = m_mayKeep && !m_closed && !m_extra;
}

void HttpReplyReader::fail(HttpReply::Progress how)
{
    m_progress = how;
    m_reply.body = QByteArray();
    m_reply.keepAlive = false;
    m_pending = QByteArray();
}
