// What the unattended demo prints of the bid log: each entry once, oldest
// first, while the program rewrites the log (newest first) between and
// during the demo's readings, also once the log has reached its size limit.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Runs `steps` in bash with the demo's functions, its home in `home`;
// returns what it printed.
QString runDemoSteps(const QTemporaryDir &home, const QString &steps)
{
    QProcess bash;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALLOWMERE_DEMO_HOME"), home.path());
    bash.setProcessEnvironment(env);
    bash.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bash.start(QStringLiteral("bash"),
               {QStringLiteral("-c"), QStringLiteral("source \"$1\"; mkdir -p \"$DEMO_DATA\"; log=\"$DEMO_DATA/logbids.txt\"; ")
                                          + steps,
                QStringLiteral("demo"), QStringLiteral(TALLOWMERE_DEMO_SCRIPT)});
    EXPECT_TRUE(bash.waitForFinished(60000));
    EXPECT_EQ(bash.exitCode(), 0);
    return QString::fromUtf8(bash.readAllStandardOutput());
}

} // namespace

TEST(DemoBidLog, AnEntryWrittenWhileTheDemoReadsIsPrintedOnceInItsPlace)
{
    QTemporaryDir home;
    // A stand-in for tr that, once, lets the program write its next entry
    // just after the demo has read the log.
    QDir(home.path()).mkpath(QStringLiteral("bin"));
    QFile tr(home.filePath(QStringLiteral("bin/tr")));
    ASSERT_TRUE(tr.open(QIODevice::WriteOnly));
    tr.write("#!/bin/bash\n/usr/bin/tr \"$@\"\n"
             "if [ -f \"$HOME_DIR/write-next\" ]; then rm \"$HOME_DIR/write-next\";\n"
             "  { printf '12:00:05: Lead time: 0\\r\\n'; cat \"$LOG\"; } > \"$LOG.new\" && mv \"$LOG.new\" \"$LOG\"; fi\n");
    tr.close();
    tr.setPermissions(tr.permissions() | QFileDevice::ExeOwner);

    const QString printed = runDemoSteps(home, QStringLiteral(
        "export HOME_DIR=\"$TALLOWMERE_DEMO_HOME\" LOG=\"$log\"; "
        "printf '12:00:03: Sending bid\\r\\n12:00:01: Signing in\\r\\n' > \"$log\"; print_new_bid_log; "
        "{ printf '12:00:04: Confirming bid\\r\\n'; cat \"$log\"; } > \"$log.new\" && mv \"$log.new\" \"$log\"; "
        "touch \"$HOME_DIR/write-next\"; PATH=\"$HOME_DIR/bin:$PATH\"; "
        "print_new_bid_log; print_new_bid_log; print_new_bid_log"));
    EXPECT_EQ(printed.toStdString(), "  bid log: 12:00:01: Signing in\n"
                                     "  bid log: 12:00:03: Sending bid\n"
                                     "  bid log: 12:00:04: Confirming bid\n"
                                     "  bid log: 12:00:05: Lead time: 0\n");
}

TEST(DemoBidLog, NewEntriesShowOnceTheLogDropsItsOldestOnes)
{
    QTemporaryDir home;
    // The log at its size limit: each new entry pushes the oldest out, so
    // the number of lines stays the same.
    const QString printed = runDemoSteps(home, QStringLiteral(
        "for i in $(seq 20 -1 1); do printf '11:00:%02d: entry %d\\r\\n' $i $i; done > \"$log\"; print_new_bid_log >/dev/null; "
        "{ printf '12:00:00: Confirming bid\\r\\n'; head -n 19 \"$log\"; } > \"$log.new\" && mv \"$log.new\" \"$log\"; "
        "print_new_bid_log; "
        "{ printf '12:00:01: Signing out\\r\\n12:00:01: Lead time: 0\\r\\n'; head -n 18 \"$log\"; } > \"$log.new\" && mv \"$log.new\" \"$log\"; "
        "print_new_bid_log; print_new_bid_log"));
    EXPECT_EQ(printed.toStdString(), "  bid log: 12:00:00: Confirming bid\n"
                                     "  bid log: 12:00:01: Lead time: 0\n"
                                     "  bid log: 12:00:01: Signing out\n");
}
