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
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdio>

namespace {

// One generated auction; the list file and the simulator's scenario are
// written from the same rows, so the two agree on every item.
struct Row
{
    QString number;
    QString title;
    qint64 endsInSeconds;
    int bids;
    int price;
};

Row row(int i)
{
    return {QString::number(110000000000LL + i),
            QStringLiteral("Vintage brass table lamp with opal glass shade, working, no. %1").arg(i),
            86400 + qint64(i) * 97, i % 23, i % 400};
}

QByteArray listFile(int rows, const QDateTime &now)
{
    QString text;
    for (int i = 0; i < rows; ++i) {
        const Row r = row(i);
        const QString end = now.addSecs(r.endsInSeconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QStringList values = {
            r.number,
            r.title,
            QStringLiteral("1 d 2 h "),
            end,
            QString::number(r.bids),
            QStringLiteral("1"),
            QStringLiteral("US $%1.50").arg(r.price),
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

// The same auctions as a scenario for tallowmere-sim --scenario, ending when
// the list says they end.
QByteArray scenarioFile(int rows)
{
    QJsonArray items;
    for (int i = 0; i < rows; ++i) {
        const Row r = row(i);
        items.append(QJsonObject{{QStringLiteral("item"), r.number},
                                 {QStringLiteral("title"), r.title},
                                 {QStringLiteral("seller"), QStringLiteral("antiques_and_more")},
                                 {QStringLiteral("price"), r.price + 0.5},
                                 {QStringLiteral("bids"), r.bids},
                                 {QStringLiteral("quantity"), 1},
                                 {QStringLiteral("shipping"), 14},
                                 {QStringLiteral("endsIn"), double(r.endsInSeconds)}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("clockOffset"), 0}, {QStringLiteral("items"), items}}).toJson();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit())
        return true;
    std::fprintf(stderr, "listgen: cannot write %s\n", qPrintable(path));
    return false;
}

const char kUsage[] =
    "usage: listgen ROWS [--scenario FILE]\n"
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
    "The list's items exist nowhere: a program that refreshes the list against the\n"
    "simulator finds none of them, and every row becomes \"<invalid item>\" after its\n"
    "first pass. For a large list the simulator knows, add --scenario FILE: the same\n"
    "items, with the same titles, prices and end times, are written to FILE too;\n"
    "start the simulator on it (tallowmere-sim --scenario FILE) before the program,\n"
    "and point the program at that simulator as scripts/run does.\n"
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
    const bool withScenario = args.size() == 4 && args[2] == QLatin1String("--scenario");
    const int rows = args.size() == 2 || withScenario ? args[1].toInt(&ok) : 0;
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
    const QDateTime now = QDateTime::currentDateTime();
    if (!writeFile(basGeneral::DataFolder() + QStringLiteral("data6.dat"), listFile(rows, now)))
        return 1;
    if (withScenario && !writeFile(args[3], scenarioFile(rows)))
        return 1;
    return 0;
}
