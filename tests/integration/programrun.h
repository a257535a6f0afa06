#pragma once

// The real program as its own process, pointed at the simulator of this test
// process: the settings a finished first run leaves, a list file of rows, and
// the start.
#include "sim/core/simserver.h"

#include <QProcess>
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

// Starts the program with /nomon; it shares this test's home folder. `program`
// is the file to start (empty: the one built beside the tests); `hostsFile`
// its hosts (empty: the simulator's).
void StartProgram(QProcess &p, const QString &program = {}, const QString &hostsFile = {});

} // namespace ProgramRun
