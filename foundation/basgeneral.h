#pragma once

#include <QDateTime>
#include <QString>

class QLineEdit;
class QWidget;

// Shared procedures of the program (folders, log, small user-interface
// helpers). The text and page procedures live beside them in their own files
// under the same namespace.
namespace basGeneral {

// Path of a special folder: 28 local application data, 26 roaming application
// data. Raises NumberedError 513 "The folder path could not be detected" when the
// folder cannot be found.
QString GetSpecialFolder(int folderId);

inline constexpr int CSIDL_APPDATA = 26;
inline constexpr int CSIDL_LOCAL_APPDATA = 28;

// The program folder, the data folder and the old (roaming) data folder, each
// with exactly one trailing separator.
QString AppPath();
QString DataFolder();
QString RoamingDataFolder();

// Moves a file unless the destination exists; every failure is swallowed.
void MoveFileIfMissing(const QString &source, const QString &destination);

// Prepends "date time: text" to a log file in the data folder, keeping the
// first 10240 characters of the older content. The file is replaced
// atomically; failures reach the caller as NumberedError.
void WriteLog(const QString &fileName, const QString &text);

// The local date and time as the program writes it in logs and settings
// ("general date": short date, a space, long time).
QString GeneralDate(const QDateTime &when);

// Selects the whole text of a box (entering a box selects its content).
void SelectAllText(QLineEdit *box);

// Hides the control and toggles it five times, a quarter second apart, while
// events run; returns after about 1.25 s with the control visible.
void FlashControl(QWidget *control);

// Writes the heartbeat "Last alive" (the current date and time) that the
// monitor watches.
void WriteHeartbeat();

// Asks whether the program's own password prompt may really be switched
// off; true on Yes.
bool ConfirmPasswordPromptOff();

// Nothing to register on this platform; kept so start-up reads as it always did.
bool InitCommonCtrls();

} // namespace basGeneral
