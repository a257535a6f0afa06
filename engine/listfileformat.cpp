#include "engine/listfileformat.h"

#include "engine/trackedauction.h"
#include "foundation/pageaccess.h"
#include "foundation/timetext.h"
#include "platform/ansi.h"
#include "platform/numberederror.h"

namespace ListFile {

namespace {

constexpr int kInputPastEndOfFile = 62;
constexpr QLatin1String kQuotEntity("&quot;");
constexpr QLatin1String kNoteBreak("<br>");

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }

[[noreturn]] void pastEnd()
{
    throw NumberedError(kInputPastEndOfFile, QStringLiteral("Input past end of file"));
}

QString titleFromFile(const QString &stored)
{
    QString title = stored;
    return title.replace(kQuotEntity, QLatin1String("\""));
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
    QString safe = basGeneral::StripTags(text);
    return safe.replace(QLatin1Char('"'), kQuotEntity);
}

QString SaveSafeNote(const QString &note)
{
    if (!note.contains(QLatin1Char('<')))
        return SaveSafe(note);
    QStringList lines = note.split(kNoteBreak);
    for (QString &line : lines)
        line = SaveSafe(line);
    return lines.join(kNoteBreak);
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

RowValues RowFromRecord(Layout layout, const QStringList &r, const QString &currentUser, int displayShiftHours)
{
    using L = QLatin1String;
    RowValues row;
    row.itemNumber = r.value(0);
    auto set = [&row](const char *key, const QString &value) { row.fields.append({L(key), value}); };

    switch (layout) {
    case Layout::Data6: {
        set("itemtitle", titleFromFile(r.value(1)));
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
        set("itemtitle", titleFromFile(r.value(1)));
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
        set("itemtitle", titleFromFile(r.value(1)));
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
