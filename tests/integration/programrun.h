#pragma once

// The real program as its own process, pointed at the simulator of this test
// process: the settings a finished first run leaves, a list file of rows, and
// the start.
#include "sim/core/simserver.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace ProgramRun {

// The simulator the program is pointed at, kept for the whole process.
Sim::SimServer &Server();

// The settings a finished first-run wizard leaves: the account "alice" with
// password "pw", no start-up prompt, no load step taken yet.
void PrepareFinishedFirstRun();
// That, with the snipe times: a lead time of `leadTimeS`, the bid delay
// list's entry `bidDelayIndex`, and the fastest fast refresh (every 5 s).
void PrepareFinishedFirstRunToSnipe(int leadTimeS, int bidDelayIndex);

// A list record to be read from the site: item number, the max bid column
// ("(watching)" for a watched row, "1 @ 25.00" for a snipe) and the Tag.
QString ListRecord(const QString &number, const QString &maxBid = QStringLiteral("(watching)"),
                   const QString &tag = {});
// The list file (data6.dat) holding these records and nothing else.
void WriteList(const QStringList &records);

// A new item at 10.00 that ends in `endsInS` seconds, the account "alice"
// with password "pw" on the simulator, and a list file holding alice's snipe
// of 25.00 on the item; gives the item's number.
QString ListSnipeOnNewItem(const QString &title, int endsInS);

// The program built beside the tests.
QString ProgramFile();
// Starts the program with /nomon; it shares this test's home folder. `program`
// is the file to start (empty: the one built beside the tests); `hostsFile`
// its hosts (empty: the simulator's).
void StartProgram(QProcess &p, const QString &program = {}, const QString &hostsFile = {});
// Starts it as from the desktop: no command line, so it starts its monitor.
void StartWithItsMonitor(QProcess &p);
// The program built for tests with a user at its screen (windowdriver.h):
// it answers its message boxes and its first-run wizard as `driving` says
// (TALLOWMERE_DRIVEN_WIZARD, TALLOWMERE_DRIVEN_ANSWERS), and logs what it saw.
QString DrivenProgramFile();
void StartDriven(QProcess &p, const QStringList &arguments, const QProcessEnvironment &driving = {});
// The lines of its log in this test's home folder; those of process `pid`
// that begin with `what` ("start", "wizard", "box", "answer").
QStringList DrivenLog();
QStringList DrivenLogOf(qint64 pid, const QString &what);
// Ends it outright (SIGKILL), as a crash or a power cut would; false when it
// is still running ten seconds later.
bool Kill(QProcess &p);
// Starts it again as its monitor does after an unclean end: "Exit OK" is set
// first, so the start asks nothing about the last run.
void RestartAsTheMonitorDoes(QProcess &p);
// Asks it to end (SIGTERM) and waits; one that does not end is killed.
void Stop(QProcess &p);

} // namespace ProgramRun
