// The measuring tool's list and the simulator scenario it writes beside it
// name the same auctions, ending at the same moments, and the simulator
// takes every one of them: a long list opened against it stays readable.
#include "sim/core/itemstore.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#ifdef TALLOWMERE_LISTGEN
namespace {

QString runListgen(const QString &home, const QStringList &arguments, int *exitCode)
{
    QProcess listgen;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALLOWMERE_HOME"), home);
    listgen.setProcessEnvironment(env);
    listgen.start(QStringLiteral(TALLOWMERE_LISTGEN), arguments);
    listgen.waitForFinished(60000);
    *exitCode = listgen.exitStatus() == QProcess::NormalExit ? listgen.exitCode() : -1;
    return QString::fromUtf8(listgen.readAllStandardOutput() + listgen.readAllStandardError());
}

} // namespace

TEST(Listgen, ItsScenarioHoldsEveryItemOfItsListEndingWhenTheListSays)
{
    QTemporaryDir home;
    const QString scenarioPath = home.filePath(QStringLiteral("scenario.json"));
    int exitCode = 0;
    const QString said = runListgen(home.path(), {QStringLiteral("7"), QStringLiteral("--scenario"), scenarioPath}, &exitCode);
    ASSERT_EQ(exitCode, 0) << said.toStdString();
    const QDateTime now = QDateTime::currentDateTime();

    // Each record starts with its item number, title, time left and end.
    QFile list(home.filePath(QStringLiteral(".local/share/Tallowmere/data6.dat")));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    static const QRegularExpression record(QStringLiteral("^\"(\\d+)\",\"([^\"]*)\",\"[^\"]*\",\"([^\"]+)\""),
                                           QRegularExpression::MultilineOption);
    QHash<QString, QDateTime> listEnds;
    QHash<QString, QString> listTitles;
    for (const auto &m : record.globalMatch(QString::fromLatin1(list.readAll()))) {
        listTitles.insert(m.captured(1), m.captured(2));
        listEnds.insert(m.captured(1), QDateTime::fromString(m.captured(3), QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    ASSERT_EQ(listEnds.size(), 7);

    QFile scenario(scenarioPath);
    ASSERT_TRUE(scenario.open(QIODevice::ReadOnly));
    const QJsonArray items = QJsonDocument::fromJson(scenario.readAll()).object().value(QStringLiteral("items")).toArray();
    ASSERT_EQ(items.size(), listEnds.size());
    for (const QJsonValue &value : items) {
        Sim::SimItem item;
        QString error;
        ASSERT_TRUE(Sim::applyItemJson(item, value.toObject(), now, &error)) << error.toStdString();
        SCOPED_TRACE(item.number.toStdString());
        ASSERT_TRUE(listEnds.contains(item.number));
        EXPECT_EQ(item.title, listTitles.value(item.number));
        EXPECT_LE(std::abs(listEnds.value(item.number).secsTo(item.endsAt)), 120);
    }

    const QString help = runListgen(home.path(), {QStringLiteral("--help")}, &exitCode);
    EXPECT_TRUE(help.contains(QLatin1String("<invalid item>")) && help.contains(QLatin1String("--scenario FILE")))
        << help.toStdString();
}
#endif
