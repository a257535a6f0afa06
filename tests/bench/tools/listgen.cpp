// Prepares a home folder for measuring the program by hand: a list file of
// N tracked auctions and the settings of a user past the first run, so the
// program starts straight into its main window. "listgen loaded" tells
// whether a started program has finished loading (exit code 0).
#include "engine/listfileformat.h"
#include "foundation/basgeneral.h"
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2 && args[1] == QLatin1String("loaded"))
        return GetSetting(QStringLiteral("Last Load Step"), QStringLiteral("unset")).isEmpty() ? 0 : 1;
    bool ok = false;
    const int rows = args.size() == 2 ? args[1].toInt(&ok) : 0;
    if (!ok || rows < 0) {
        std::fprintf(stderr, "usage: listgen ROWS | listgen loaded\n");
        return 2;
    }
    SaveSetting(QStringLiteral("1st Run"), QStringLiteral("False"));
    SaveSetting(QStringLiteral("Exit OK"), QStringLiteral("1"));
    SaveSetting(QStringLiteral("Username"), QStringLiteral("alice"));
    SaveSetting(QStringLiteral("Password"), QStringLiteral("secret"));
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
