// Prepares a home folder for measuring the program by hand: a list file of
// N tracked auctions and the settings of a user past the first run, so the
// program starts straight into its main window. "listgen loaded" tells
// whether a started program has finished loading (exit code 0).
#include "engine/listfileformat.h"
#include "foundation/basgeneral.h"
#include "foundation/passwords.h"
#include "foundation/settingsstore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QSaveFile>

#include <cstdio>

namespace {

QByteArray listFile(int rows)
{
    const QDateTime base = QDateTime::currentDateTime().addDays(1);
    QString text;
    for (int i = 0; i < rows; ++i) {
        const QString end = base.addSecs(qint64(i) * 97).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QStringList values = {
            QString::number(110000000000LL + i),
            QStringLiteral("Vintage brass table lamp with opal glass shade, working, no. %1").arg(i),
            QStringLiteral("1 d 2 h "),
            end,
            QString::number(i % 23),
            QStringLiteral("1"),
            QStringLiteral("US $%1.50").arg(i % 400),
            i % 3 ? QStringLiteral("1 @ 125.00") : QStringLiteral("(watching)"),
            QStringLiteral("alice"),
            i % 6 == 0 ? QStringLiteral("Lamps") : QString(),
            i % 2 ? QStringLiteral("Ask about shipping") : QString(),
            QStringLiteral("US $14.00"),
            QStringLiteral("antiques_and_more"),
            QStringLiteral("http://i.ebayimg.com/images/g/abc/s-l%1.jpg").arg(i),
            QString(),
            QString(),
        };
        ListFile::AppendRecord(text, ListFile::RecordFromRow(values, i % 3 ? QStringLiteral("Local") : QString()));
    }
    return ListFile::EncodeFile(text);
}

const char kUsage[] =
    "usage: listgen ROWS\n"
    "       listgen loaded\n"
    "\n"
    "listgen ROWS writes, under the folder named by TALLOWMERE_HOME (required, so\n"
    "that it never replaces your own list):\n"
    "  .local/share/Tallowmere/data6.dat        a list of ROWS auctions (the program takes\n"
    "                                           up to 50,000), a third of them watched\n"
    "  .config/tallowmere-registry.json         the settings of a user past the first\n"
    "                                           run: the eBay account \"alice\" with the\n"
    "                                           password \"secret\" (what the program's\n"
    "                                           sign-in prompt asks for)\n"
    "Start the program with the same TALLOWMERE_HOME (add /nomon to skip the watchdog\n"
    "and the sign-in prompt).\n"
    "\n"
    "listgen loaded exits 0 once a program started on that home has finished\n"
    "loading, 1 before.\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2 && (args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("TALLOWMERE_HOME")) {
        std::fprintf(stderr, "listgen: set TALLOWMERE_HOME to the folder to write into\n\n%s", kUsage);
        return 2;
    }
    if (args.size() == 2 && args[1] == QLatin1String("loaded"))
        return GetSetting(QStringLiteral("Last Load Step"), QStringLiteral("unset")).isEmpty() ? 0 : 1;
    bool ok = false;
    const int rows = args.size() == 2 ? args[1].toInt(&ok) : 0;
    if (!ok || rows < 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    SaveSetting(QStringLiteral("1st Run"), QStringLiteral("False"));
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));
    SaveSetting(QStringLiteral("Username"), QStringLiteral("alice"));
    SaveSetting(QStringLiteral("Password"), basGeneral::ScramblePassword(QStringLiteral("secret")));
    SaveSetting(QStringLiteral("Has TMRO Account"), QStringLiteral("True"));
    SaveSetting(QStringLiteral("TMRO Default Shown"), QStringLiteral("True"));
    SaveSetting(QStringLiteral("Last Load Step"), QStringLiteral("unset"));
    QDir().mkpath(basGeneral::DataFolder());
    QSaveFile out(basGeneral::DataFolder() + QStringLiteral("data6.dat"));
    if (!out.open(QIODevice::WriteOnly) || out.write(listFile(rows)) < 0 || !out.commit()) {
        std::fprintf(stderr, "cannot write the list file\n");
        return 1;
    }
    return 0;
}
