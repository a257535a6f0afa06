#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

// The auction list file and its older layouts, without any window: the
// quoted-field line format shared by the program's data files, the record of
// each layout and what a record puts into a row.
namespace ListFile {

// ---- Quoted-field lines --------------------------------------------------
// One record per line, every field in double quotes, fields separated by a
// comma, CR LF after every line. A double quote never occurs inside a field
// (it is stored as "&quot;"). Characters are Windows-1252 bytes.

// Reads fields one after another. Blanks before a field are skipped; a
// quoted field runs to the next double quote, after which the reader moves
// past the following comma or line end; an unquoted field runs to the next
// comma or line end and loses its trailing blanks. A line end separates
// fields like a comma.
class QuotedFieldReader final
{
public:
    explicit QuotedFieldReader(QString text) : m_text(std::move(text)) {}

    // True when only blanks and line ends are left.
    bool AtEnd();
    // Raises NumberedError 62 "Input past end of file" at the end of the text or
    // inside a quoted field that is never closed.
    QString ReadField();
    QStringList ReadRecord(int fieldCount);

private:
    void skipPastSeparator();

    QString m_text;
    qsizetype m_pos = 0;
};

// ---- Bounds of a data file ------------------------------------------------
// Far beyond any real file of the program (10,000 auctions take about 4 MB,
// a relist entry some 150 bytes). A larger file is refused before it is
// read, and one with more records is refused at the first record past the
// count, while it is read: a file of millions of one-character records would
// otherwise cost gigabytes in records before its count was known.
inline constexpr qint64 kMaxFileBytes = 32 * 1024 * 1024;
inline constexpr int kMaxRecords = 50000;

// Counts a file's records as they are read.
class RecordLimit final
{
public:
    explicit RecordLimit(int most = kMaxRecords) : m_most(most) {}
    // Counts one more record; false when it is one past the limit, and the
    // reader stops there.
    [[nodiscard]] bool Take() { return ++m_taken <= m_most; }

private:
    int m_most;
    int m_taken = 0;
};

enum class FileRead { Read, Absent, Unreadable, TooLarge };
// The text of a data file no larger than kMaxFileBytes. `error` gets the
// file's error when it is Unreadable.
FileRead ReadFileText(const QString &path, QString *text, QFileDevice::FileError *error = nullptr);

// The records of a data file that is of no use in part: `parse(text, limit,
// &records)` reads them while `limit` lets it, and gives false when it stopped
// at the limit. An absent or unreadable file has none; a file past the bounds
// has none and sets `refused`.
template <typename Record, typename Parse>
QList<Record> ReadWithinBounds(const QString &path, bool *refused, Parse parse)
{
    if (refused)
        *refused = false;
    QString text;
    const FileRead read = ReadFileText(path, &text);
    if (read == FileRead::Absent || read == FileRead::Unreadable)
        return {};
    QList<Record> records;
    RecordLimit limit;
    if (read == FileRead::Read && parse(std::move(text), limit, &records))
        return records;
    if (refused)
        *refused = true;
    return {};
}

// Appends one record as a line: each field quoted, comma-separated, CR LF.
// The fields must already be free of double quotes.
void AppendRecord(QString &out, const QStringList &fields);

// The file's bytes (Windows-1252) and back.
QString DecodeFile(const QByteArray &bytes);
QByteArray EncodeFile(const QString &text);

// A field as the file keeps it, and back, so that any text reads back
// exactly as it was: a double quote as "&quot;", a character without a
// Windows-1252 byte as "&#N;" (N its code point, in decimal, above 159), and
// an "&" that would read as either of these as "&amp;". Everything else, "<"
// and ">" included, is kept as it is, except the control characters 128-159
// that Windows-1252 lacks, which are kept as "?". Text that older versions
// wrote reads as it did: they wrote "&quot;" for a double quote and no other
// reference.
QString SaveSafe(const QString &text);
QString FieldFromFile(const QString &stored);
// The note keeps its own "&quot;" for a double quote (and "<br>" for a line
// break) in the row and in the file alike; only the other two rules apply.
QString SaveSafeNote(const QString &note);
QString NoteFromFile(const QString &stored);

// ---- The end date in the file ----------------------------------------
// The list file stores the end date in one fixed form that reads the same
// in every locale, "yyyy-MM-dd HH:mm:ss", on the clock of the saved time
// zone, as shown. The form names no zone: the file is read in the saved zone,
// and saving a different zone saves the list again.
QString EndDateForFile(const QString &enddatedisp);

// ---- Layouts ---------------------------------------------------------------

enum class Layout { Data6, Data5, Data4, Data3, Data2, Data1 };

struct LayoutInfo
{
    Layout layout;
    QLatin1String fileName;
    int fieldCount;
    bool older;      // read once, merged and deleted
    bool onlyIfNone; // read only while no list file has been read in this start
};

// In reading order: "data6.dat" first, then the older layouts, newest first.
inline constexpr LayoutInfo kLayouts[] = {
    {Layout::Data6, QLatin1String("data6.dat"), 17, false, false},
    {Layout::Data5, QLatin1String("data5.dat"), 16, true, false},
    {Layout::Data4, QLatin1String("data4.dat"), 14, true, false},
    {Layout::Data3, QLatin1String("data3.dat"), 10, true, true},
    {Layout::Data2, QLatin1String("data2.dat"), 9, true, true},
    {Layout::Data1, QLatin1String("data1.dat"), 3, true, true},
};

const LayoutInfo &Info(Layout layout);

// What one record puts into a new row.
struct RowValues
{
    QString itemNumber;
    QList<std::pair<QLatin1String, QString>> fields; // column key, value
    QString tag;
    bool greyRow = true;       // the row's text colour
    bool greySubItems = false; // every sub-item's colour as well
};

// The row a record of the layout gives. currentUser fills the user of the
// two oldest layouts, which kept none. displayShiftHours: how far the file's
// end dates (on the user's clock) are ahead of eBay's clock, in hours
// (EbayClock::DisplayShiftHours; 0 for the default zone GMT-8).
RowValues RowFromRecord(Layout layout, const QStringList &record, const QString &currentUser,
                        int displayShiftHours = 0);

// The 17 fields of the current layout, in file order, from a row's values by
// column key, each made safe for the file.
inline constexpr QLatin1String kRecordKeys[] = {
    QLatin1String("itemnum"),   QLatin1String("itemtitle"), QLatin1String("timeleft"), QLatin1String("enddatedisp"),
    QLatin1String("bids"),      QLatin1String("qty"),       QLatin1String("currentbid"), QLatin1String("maxbid"),
    QLatin1String("user"),      QLatin1String("group"),     QLatin1String("note"),     QLatin1String("shipping"),
    QLatin1String("seller"),    QLatin1String("picture"),   QLatin1String("won"),      QLatin1String("reminders"),
};
// values: the 16 keyed values in kRecordKeys order; tag: the row's Tag.
QStringList RecordFromRow(const QStringList &values, const QString &tag);

} // namespace ListFile
