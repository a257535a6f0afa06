#include "engine/mainformengine.h"
#include "engine/damagedfile.h"

#include "engine/bidrecord.h"
#include "engine/ebayclock.h"
#include "engine/listfileformat.h"
#include "engine/listsavewriter.h"
#include "engine/listsaving.h"
#include "engine/onerowperitem.h"
#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "foundation/frmsplash.h"
#include "foundation/globals.h"
#include "foundation/pageaccess.h"
#include "foundation/settingsstore.h"
#include "platform/desktop.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "platform/privatefile.h"
#include "platform/numberederror.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// Lists up to this long are saved on the spot (a few milliseconds).
constexpr int kRowsWrittenAtOnce = 2000;
// How soon a change asked to be saved is on disk, at the latest.
constexpr int kSaveSoonMs = 1500;
const QColor kLoadedGrey(150, 150, 150);
// The bid log keeps only its newest lines: a badly damaged file must not push
// every other line out.
constexpr qsizetype kLeftOutLogged = 20;

NumberedError tooLarge(const QString &what)
{
    return NumberedError(7, QStringLiteral("The file is too large to be an items list (") + what + QLatin1Char(')'));
}

// The runtime's error number and text for a failed file operation.
NumberedError fileError(QFileDevice::FileError error)
{
    const auto [number, description] = ListSaveWriter::FileError(error);
    return NumberedError(number, description);
}

// Writes "data6.dat" beside the old one and renames it over it, so a failure
// at any point leaves the previous list whole.
void writeListFile(const ListView &list, const QString &path)
{
    if (const auto failed = ListSaveWriter::WriteNow(path, ListSaveWriter::TakeSnapshot(list)))
        throw NumberedError(failed->first, failed->second);
}

void reportSaveFailure(const QString &path, const NumberedError &e)
{
    const QString text = QStringLiteral("Could not save item list in the following location:") + kCrLf + kCrLf + path
                         + kCrLf + kCrLf + QStringLiteral("Error #") + QString::number(e.number()) + QLatin1Char(' ')
                         + e.description();
    // A program asked to end from outside shows no box: the log keeps it.
    if (!Desktop::BoxesCancelled()) {
        Desktop::MsgBox(text, Desktop::BoxExclamation);
        return;
    }
    try {
        basGeneral::WriteLog(QStringLiteral("log.txt"), QString(text).replace(kCrLf, QStringLiteral(" ")));
    } catch (const NumberedError &) {
        // Nowhere left to tell it.
    }
}

// The save-soon timers of the windows, for the end of the program.
QList<QPointer<QTimer>> &saveSoonTimers()
{
    static QList<QPointer<QTimer>> timers;
    return timers;
}

// Whatever ends the program first writes the saves asked for.
void saveWhatWaitsAtEnd()
{
    static const bool watching = [] {
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] { ListSaving::SaveWhatWaits(); });
        Desktop::AtEndProgram([] { ListSaving::SaveWhatWaits(); });
        return true;
    }();
    Q_UNUSED(watching);
}

// Saves "data6.dat" from the rows; a failure is reported and gives false.
bool saveListReportingFailure(const ListView &list)
{
    const QString path = basGeneral::DataFolder() + QStringLiteral("data6.dat");
    try {
        writeListFile(list, path);
        return true;
    } catch (const NumberedError &e) {
        reportSaveFailure(path, e);
        return false;
    }
}

QString valueOf(const ListFile::RowValues &values, QLatin1String key)
{
    for (const auto &[k, value] : values.fields)
        if (k == key)
            return value;
    return {};
}

OneRowPerItem::LeftOut leftOutRow(const QString &itemNumber, const QString &maxBid, const QString &user,
                                  const QString &group, const QString &note)
{
    return {OneRowPerItem::ItemKey(itemNumber), maxBid, user, group, note, {}};
}

// The row a record is read into: a new one, or, for a number listed already,
// the listed row made anew when the record is kept in its place (a snipe
// before a watched row); nullptr when the record is left out. What is left
// out goes to `leftOut`.
ListItem *keptRow(ListView &list, OneRowPerItem::Index &rows, const ListFile::RowValues &values,
                  QList<OneRowPerItem::LeftOut> &leftOut)
{
    bool added = false;
    ListItem *row = rows.RowFor(values.itemNumber, &added);
    if (added)
        return row;
    const QString maxBid = QStringLiteral("maxbid");
    if (!OneRowPerItem::LaterRowKept(list.Field(row, maxBid), valueOf(values, QLatin1String("maxbid")))) {
        leftOut << leftOutRow(values.itemNumber, valueOf(values, QLatin1String("maxbid")),
                              valueOf(values, QLatin1String("user")), valueOf(values, QLatin1String("group")),
                              valueOf(values, QLatin1String("note")));
        return nullptr;
    }
    leftOut << leftOutRow(row->Text(), list.Field(row, maxBid), list.Field(row, QStringLiteral("user")),
                          list.Field(row, QStringLiteral("group")), list.Field(row, QStringLiteral("note")));
    return rows.Renew(row);
}

const ListFile::LayoutInfo *layoutOf(const QString &fileName)
{
    for (const ListFile::LayoutInfo &info : ListFile::kLayouts)
        if (fileName.compare(info.fileName, Qt::CaseInsensitive) == 0)
            return &info;
    return nullptr;
}

} // namespace

QString frmMainEngine::SaveSafeData(QString &strData)
{
    strData = ListFile::SaveSafe(strData);
    return strData;
}

void frmMainEngine::SaveList(bool SaveIfEmpty)
{
    if (lvwAuctions->Count() == 0 && !SaveIfEmpty)
        return;
    // A short list is written at once, well within a slice of the event
    // loop; a long one is copied and written by the list writer, so no save
    // holds the bids' timers back. A save written here waits for those asked
    // for earlier, so the file never goes back to older rows.
    if (lvwAuctions->Count() <= kRowsWrittenAtOnce) {
        ListSaveWriter::Flush();
        saveListReportingFailure(*lvwAuctions);
        return;
    }
    saveWhatWaitsAtEnd();
    const QString path = basGeneral::DataFolder() + QStringLiteral("data6.dat");
    ListSaveWriter::WriteInSlices(*lvwAuctions, path, [path](int number, const QString &text) {
        reportSaveFailure(path, NumberedError(number, text));
    });
}

void ListSaving::SaveSoon(frmMainEngine &form)
{
    static const QString kTimerName = QStringLiteral("listSaveSoon");
    auto *timer = form.findChild<QTimer *>(kTimerName, Qt::FindDirectChildrenOnly);
    if (!timer) {
        timer = new QTimer(&form);
        timer->setObjectName(kTimerName);
        timer->setSingleShot(true);
        timer->setInterval(kSaveSoonMs);
        QObject::connect(timer, &QTimer::timeout, &form, [&form] { form.SaveList(false); });
        saveSoonTimers().removeAll(nullptr);
        saveSoonTimers() << timer;
        saveWhatWaitsAtEnd();
    }
    // Not pushed back by later changes: a long pass asks row after row, and
    // its first changes must not wait for its end.
    if (!timer->isActive())
        timer->start();
}

void ListSaving::SaveWhatWaits()
{
    for (const QPointer<QTimer> &timer : std::as_const(saveSoonTimers())) {
        if (!timer || !timer->isActive())
            continue;
        timer->stop();
        if (auto *form = qobject_cast<frmMainEngine *>(timer->parent()))
            form->SaveList(false);
    }
    ListSaveWriter::Flush();
}

bool frmMainEngine::ReadListFile(const QString &fileName)
{
    OneRowPerItem::Index rows(*lvwAuctions);
    QList<OneRowPerItem::LeftOut> leftOut;
    const bool read = readListFile(fileName, rows, leftOut);
    tellRowsLeftOut(rows, leftOut);
    return read;
}

bool frmMainEngine::readListFile(const QString &fileName, OneRowPerItem::Index &rows,
                                 QList<OneRowPerItem::LeftOut> &leftOut)
{
    const ListFile::LayoutInfo *layout = layoutOf(fileName);
    if (!layout)
        throw NumberedError(ErrorNumber::FileNotFound, QStringLiteral("File not found"));
    const QString path = basGeneral::DataFolder() + fileName;
    QString text;
    QFileDevice::FileError error = QFileDevice::NoError;
    switch (ListFile::ReadFileText(path, &text, &error)) {
    case ListFile::FileRead::Absent:
        return false;
    case ListFile::FileRead::Unreadable:
        throw fileError(error);
    case ListFile::FileRead::TooLarge:
        throw tooLarge(QString::number(QFileInfo(path).size() / (1024 * 1024)) + QStringLiteral(" MB"));
    case ListFile::FileRead::Read:
        break;
    }

    int columns[std::size(TrackedAuction::kColumns)];
    for (size_t k = 0; k < std::size(TrackedAuction::kColumns); ++k)
        columns[k] = lvwAuctions->SubItemIndex(TrackedAuction::kColumns[k].key);
    auto columnOf = [&columns](QLatin1String key) {
        for (size_t k = 0; k < std::size(TrackedAuction::kColumns); ++k)
            if (TrackedAuction::kColumns[k].key == key)
                return columns[k];
        return -1;
    };

    // The end dates were written on the clock of the saved time zone.
    const int displayShift = EbayClock::DisplayShiftHours();
    ListFile::QuotedFieldReader reader(std::move(text));
    ListFile::RecordLimit limit;
    while (!reader.AtEnd()) {
        if (!limit.Take())
            throw tooLarge(QStringLiteral("more than ") + QString::number(ListFile::kMaxRecords) + QStringLiteral(" items"));
        const QStringList record = reader.ReadRecord(layout->fieldCount);
        const ListFile::RowValues values = ListFile::RowFromRecord(layout->layout, record, CurrentUser, displayShift);
        ListItem *row = keptRow(*lvwAuctions, rows, values, leftOut);
        if (!row)
            continue;
        CurrentItem = row;
        for (const auto &[key, value] : values.fields)
            row->setSubItem(columnOf(key), value);
        row->setTag(BidRecord::TagAfterRestart(values.itemNumber, values.tag));
        if (values.greyRow)
            row->setForeColor(kLoadedGrey);
        if (values.greySubItems)
            for (int c = 1; c < lvwAuctions->ColumnCount(); ++c)
                row->setSubItemForeColor(c, kLoadedGrey);
        basGeneral::LetEventsRun();
    }
    return true;
}

void frmMainEngine::LoadListFiles()
{
    QString current;
    try {
        // One row per item number across all the files read.
        OneRowPerItem::Index rows(*lvwAuctions);
        QList<OneRowPerItem::LeftOut> leftOut;
        QStringList merged;
        for (const ListFile::LayoutInfo &layout : ListFile::kLayouts) {
            if (layout.onlyIfNone && blnListLoaded)
                continue;
            current = layout.fileName;
            if (!readListFile(current, rows, leftOut))
                continue;
            blnListLoaded = true;
            if (layout.older)
                merged << current;
        }
        current.clear();
        tellRowsLeftOut(rows, leftOut);
        if (merged.isEmpty())
            return;
        // The rows of the older files are in "data6.dat" before those files
        // go; should the save fail they stay and are read again next time.
        if (!saveListReportingFailure(*lvwAuctions))
            return;
        for (const QString &name : merged) {
            if (QFile::remove(basGeneral::DataFolder() + name))
                continue;
            try {
                basGeneral::WriteLog(QStringLiteral("log.txt"),
                                     QStringLiteral("Could not delete the merged list file ") + name);
            } catch (const NumberedError &) {
                // The list is loaded and saved; a missing log line stops nothing.
            }
        }
    } catch (const NumberedError &e) {
        ListFileReadFailed(current, e.description());
        Desktop::EndProgram();
    }
}

void frmMainEngine::tellRowsLeftOut(const OneRowPerItem::Index &rows, QList<OneRowPerItem::LeftOut> leftOut)
{
    if (leftOut.isEmpty())
        return;
    for (OneRowPerItem::LeftOut &row : leftOut) {
        if (const ListItem *kept = rows.Find(row.itemNumber))
            row.keptMaxBid = lvwAuctions->Field(kept, QStringLiteral("maxbid"));
    }
    // Written last to first: the log shows its newest line on top, so the
    // lines read in the file's order.
    for (qsizetype i = std::min<qsizetype>(leftOut.size(), kLeftOutLogged) - 1; i >= 0; --i) {
        try {
            basGeneral::WriteLog(QStringLiteral("logbids.txt"),
                                 QStringLiteral("Listed twice, row left out: ") + OneRowPerItem::Describe(leftOut.at(i)));
        } catch (const NumberedError &) {
            break; // the message still tells
        }
    }
    // Over the splash, which would hide the box. The list goes on loading
    // and its snipes go out while the notice waits to be read.
    frmSplash::unloadInstance();
    Desktop::Notice(OneRowPerItem::Message(leftOut), Desktop::BoxExclamation);
}

void frmMainEngine::TimeZoneSaved()
{
    using namespace TrackedAuction;
    const QString display = QStringLiteral("enddatedisp");
    for (int i = 1; i <= lvwAuctions->Count(); ++i) {
        ListItem *row = lvwAuctions->Item(i);
        // Only rows that show an end time; "N/A" and the like stay.
        if (!ReadDateText(lvwAuctions->Field(row, display)))
            continue;
        if (const auto end = ReadEndDate(lvwAuctions->Field(row, QStringLiteral("enddate"))))
            lvwAuctions->setField(row, display, EndDateText(EbayClock::PacificToDisplay(*end)));
    }
    SaveList(false);
    SyncHTMLList(true, QString());
}

void frmMainEngine::ListFileReadFailed(const QString &fileName, const QString &description)
{
    frmSplash::unloadInstance();
    if (fileName.compare(QLatin1String("data6.dat"), Qt::CaseInsensitive) != 0) {
        Desktop::MsgBox(QStringLiteral("Error while reading: ") + fileName + kCrLf + kCrLf + description, Desktop::BoxCritical);
        return;
    }

    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));
    const int answer = Desktop::MsgBox(
        QStringLiteral("An error occured while loading your items list: ") + description + kCrLf + kCrLf
            + QStringLiteral("This likely means your items list got corrupted. Would you like to have your items "
                             "list renamed and a new list created so that you can continue using the software and "
                             "your corrupted list can be sent to be restored and analyzed to prevent future "
                             "occurrences of this issue?"),
        Desktop::BoxYesNo | Desktop::BoxExclamation);
    if (answer != Desktop::AnswerYes)
        return;

    // Under a name of its own: an earlier damaged list stays for support.
    const QString backup = DamagedFile::SetAside(basGeneral::DataFolder(), QStringLiteral("data6.dat"));
    if (backup.isEmpty()) {
        // Saying the list was set aside when it was not would bring the same
        // question back at every start.
        Desktop::MsgBox(DamagedFile::NotSetAsideMessage(QStringLiteral("items list"), QStringLiteral("data6.dat")),
                        Desktop::BoxExclamation);
        return;
    }
    Desktop::MsgBox(QStringLiteral("Your items list file has been saved as ") + backup
                       + QStringLiteral(" and a new list has been started. Please go to Help>Contact support if you "
                                        "would like to have this list restored or analyzed.")
                   + kCrLf + kCrLf + QStringLiteral("You will now need to restart ") + Desktop::AppTitle(),
               Desktop::BoxInformation);
}
