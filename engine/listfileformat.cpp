#include "engine/listfileformat.h"

#include "engine/trackedauction.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/numberederror.h"

#include <QFile>

namespace ListFile {

namespace {

constexpr int kInputPastEndOfFile = 62;
constexpr QLatin1String kQuotEntity("&quot;");

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

[[noreturn]] void pastEnd()
{
    throw NumberedError(kInputPastEndOfFile, QStringLiteral("Input past end of file"));
}

constexpr QLatin1String kAmp("amp;");
constexpr QLatin1String kQuot("quot;");
constexpr qsizetype kMostDigits = 7; // enough for any code point
// Windows-1252 gives most of 128-159 to letters; the rest stay control characters.
constexpr char16_t kLastControl = 0x9F;

// After an "&" at `at`: how many "amp;" follow, then the length of the
// reference they lead to ("quot;" where `withQuot`, or "#" digits ";"), or
// 0 when no such reference follows.
qsizetype referenceAfter(QStringView text, qsizetype at, bool withQuot, int *amps)
{
    qsizetype pos = at + 1;
    *amps = 0;
    while (text.mid(pos).startsWith(kAmp)) {
        pos += kAmp.size();
        ++*amps;
    }
    const QStringView rest = text.mid(pos);
    if (withQuot && rest.startsWith(kQuot))
        return pos - at - 1 + kQuot.size();
    if (!rest.startsWith(u'#'))
        return 0;
    qsizetype digits = 1;
    while (digits < rest.size() && digits <= kMostDigits && rest[digits] >= u'0' && rest[digits] <= u'9')
        ++digits;
    if (digits == 1 || digits > kMostDigits || digits >= rest.size() || rest[digits] != u';')
        return 0;
    return pos - at - 1 + digits + 1;
}

QString toFile(const QString &text, bool quoteIsEscape)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        int amps = 0;
        if (c == u'"') {
            out += kQuotEntity;
        } else if (c == u'&') {
            out += c;
            if (referenceAfter(text, i, quoteIsEscape, &amps) > 0)
                out += kAmp;
        } else if (Ansi::byteOf(c) >= 0) {
            out += c;
        } else if (c.unicode() <= kLastControl) {
            out += u'?'; // a control character no page or user means; "&#128;" and the like were text
        } else {
            char32_t code = c.unicode();
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(c, text[++i]);
            out += QStringLiteral("&#") + QString::number(code) + QLatin1Char(';');
        }
    }
    return out;
}

QString fromFile(const QString &stored, bool quoteIsEscape)
{
    if (!stored.contains(u'&'))
        return stored;
    QString out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        int amps = 0;
        const qsizetype length = stored[i] == u'&' ? referenceAfter(stored, i, quoteIsEscape, &amps) : 0;
        if (length == 0) {
            out += stored[i];
            continue;
        }
        const QStringView reference = QStringView(stored).mid(i + 1, length);
        if (amps > 0) { // an "&" of the text: one "amp;" less
            out += u'&';
            out += reference.mid(kAmp.size());
        } else if (reference == kQuot) {
            out += u'"';
        } else {
            const uint code = reference.mid(1, reference.size() - 2).toUInt();
            // Only what the writer writes; other numbers were text.
            const bool written = code > kLastControl && code <= 0x10FFFF
                && (code > 0xFFFF || Ansi::byteOf(QChar(char16_t(code))) < 0);
            if (!written) {
                out += stored[i];
                continue;
            }
            const char32_t c = code;
            out += code > 0xFFFF ? QString::fromUcs4(&c, 1) : QString(QChar(char16_t(code)));
        }
        i += length;
    }
    return out;
}

using TrackedAuction::kNotAvailable;

} // namespace

bool QuotedFieldReader::AtEnd()
{
    while (m_pos < m_text.size() && (isBlank(m_text[m_pos]) || isLineEnd(m_text[m_pos])))
        ++m_pos;
    return m_pos >= m_text.size();
}

void QuotedFieldReader::skipPastSeparator()
{
    const qsizetype n = m_text.size();
    while (m_pos < n && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
        ++m_pos;
    if (m_pos >= n)
        return;
    if (m_text[m_pos] == u'\r' && m_pos + 1 < n && m_text[m_pos + 1] == u'\n')
        ++m_pos;
    ++m_pos;
}

QString QuotedFieldReader::ReadField()
{
    const qsizetype n = m_text.size();
    while (m_pos < n && isBlank(m_text[m_pos]))
        ++m_pos;
    if (m_pos >= n)
        pastEnd();
    if (m_text[m_pos] == u'"') {
        const qsizetype close = m_text.indexOf(QLatin1Char('"'), m_pos + 1);
        if (close < 0)
            pastEnd();
        QString field = m_text.mid(m_pos + 1, close - m_pos - 1);
        m_pos = close + 1;
        skipPastSeparator();
        return field;
    }
    const qsizetype start = m_pos;
    while (m_pos < n && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
        ++m_pos;
    qsizetype end = m_pos;
    while (end > start && isBlank(m_text[end - 1]))
        --end;
    QString field = m_text.mid(start, end - start);
    skipPastSeparator();
    return field;
}

QStringList QuotedFieldReader::ReadRecord(int fieldCount)
{
    QStringList record;
    record.reserve(fieldCount);
    for (int i = 0; i < fieldCount; ++i)
        record << ReadField();
    return record;
}

FileRead ReadFileText(const QString &path, QString *text, QFileDevice::FileError *error)
{
    QFile file(path);
    if (!file.exists())
        return FileRead::Absent;
    const auto unreadable = [&file, error] {
        if (error)
            *error = file.error();
        return FileRead::Unreadable;
    };
    if (!file.open(QIODevice::ReadOnly))
        return unreadable();
    if (file.size() > kMaxFileBytes)
        return FileRead::TooLarge;
    // No more than the bound, should the file grow while it is read.
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return unreadable();
    if (bytes.size() > kMaxFileBytes)
        return FileRead::TooLarge;
    *text = DecodeFile(bytes);
    return FileRead::Read;
}

void AppendRecord(QString &out, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += QLatin1Char(',');
        out += QLatin1Char('"');
        out += fields[i];
        out += QLatin1Char('"');
    }
    out += QLatin1String("\r\n");
}

QString DecodeFile(const QByteArray &bytes)
{
    return Ansi::decode(bytes);
}

QByteArray EncodeFile(const QString &text)
{
    return Ansi::encode(text);
}

QString SaveSafe(const QString &text)
{
    return toFile(text, true);
}

QString FieldFromFile(const QString &stored)
{
    return fromFile(stored, true);
}

QString SaveSafeNote(const QString &note)
{
    return toFile(note, false);
}

QString NoteFromFile(const QString &stored)
{
    return fromFile(stored, false);
}

QString EndDateForFile(const QString &enddatedisp)
{
    const QString fixed = TrackedAuction::FixedDateText(enddatedisp);
    return fixed.isEmpty() ? enddatedisp : fixed;
}

const LayoutInfo &Info(Layout layout)
{
    for (const LayoutInfo &info : kLayouts)
        if (info.layout == layout)
            return info;
    return kLayouts[0];
}

RowValues RowFromRecord(Layout layout, const QStringList &record, const QString &currentUser, int displayShiftHours)
{
    // Field 11 is the note in the layouts that have one.
    const bool hasNote = layout == Layout::Data6 || layout == Layout::Data5 || layout == Layout::Data4;
    QStringList r;
    r.reserve(record.size());
    for (qsizetype i = 0; i < record.size(); ++i)
        r << (hasNote && i == 10 ? NoteFromFile(record[i]) : FieldFromFile(record[i]));

    using L = QLatin1String;
    RowValues row;
    row.itemNumber = r.value(0);
    auto set = [&row](const char *key, const QString &value) { row.fields.append({L(key), value}); };

    switch (layout) {
    case Layout::Data6: {
        set("itemtitle", r.value(1));
        set("timeleft", r.value(2));
        if (const auto end = TrackedAuction::EndDateFields(r.value(3), displayShiftHours)) {
            set("enddatedisp", end->display);
            set("enddate", end->serial);
        } else {
            set("enddatedisp", kNotAvailable);
            set("enddate", kNotAvailable);
        }
        set("bids", r.value(4));
        set("qty", r.value(5));
        set("currentbid", r.value(6));
        set("maxbid", TrackedAuction::StoredMaxBid(r.value(7)));
        set("user", r.value(8));
        set("group", r.value(9));
        set("note", r.value(10));
        set("shipping", r.value(11));
        set("seller", r.value(12));
        set("picture", r.value(13));
        set("won", r.value(14));
        set("reminders", r.value(15));
        row.tag = r.value(16);
        break;
    }
    case Layout::Data5:
    case Layout::Data4: {
        set("itemtitle", r.value(1));
        set("timeleft", r.value(2));
        // The shown end time is taken as it was stored; the one counted with
        // is the same moment on eBay's clock whenever it reads as a date.
        set("enddatedisp", r.value(3));
        const auto end = TrackedAuction::EndDateFields(r.value(3), displayShiftHours);
        set("enddate", end ? end->serial : r.value(3));
        set("bids", r.value(4));
        set("qty", r.value(5));
        set("currentbid", r.value(6));
        set("maxbid", TrackedAuction::StoredMaxBid(r.value(7)));
        set("user", r.value(8));
        set("group", r.value(9));
        set("note", r.value(10));
        set("shipping", r.value(11));
        set("won", r.value(12));
        row.tag = r.value(13);
        if (layout == Layout::Data5) {
            set("seller", r.value(14));
            set("picture", r.value(15));
        } else {
            set("seller", kNotAvailable);
            set("picture", QString());
        }
        break;
    }
    case Layout::Data3:
    case Layout::Data2: {
        set("itemtitle", r.value(1));
        set("timeleft", r.value(2));
        set("enddate", r.value(3));
        set("bids", r.value(4));
        set("qty", r.value(5));
        set("currentbid", r.value(6));
        set("maxbid", TrackedAuction::StoredMaxBid(r.value(7)));
        if (layout == Layout::Data3) {
            set("user", r.value(8));
            row.tag = r.value(9);
        } else {
            set("user", currentUser);
            row.tag = r.value(8);
        }
        row.greySubItems = true;
        break;
    }
    case Layout::Data1: {
        for (const char *key : {"itemtitle", "timeleft", "enddate", "bids", "qty", "currentbid"})
            set(key, TrackedAuction::kRetrieving);
        set("maxbid", TrackedAuction::StoredMaxBid(r.value(1)));
        set("user", currentUser);
        row.tag = r.value(2);
        row.greyRow = false;
        break;
    }
    }
    return row;
}

QStringList RecordFromRow(const QStringList &values, const QString &tag)
{
    QStringList record;
    record.reserve(17);
    for (size_t i = 0; i < std::size(kRecordKeys); ++i) {
        const QString value = values.value(qsizetype(i));
        const QLatin1String key = kRecordKeys[i];
        if (key == QLatin1String("note"))
            record << SaveSafeNote(value);
        else if (key == QLatin1String("enddatedisp"))
            record << SaveSafe(EndDateForFile(value));
        else
            record << SaveSafe(value);
    }
    record << SaveSafe(tag);
    return record;
}

} // namespace ListFile
