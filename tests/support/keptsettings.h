#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

// The copy of the settings a reset keeps, named on the last line of the
// message that tells the user of it: read into `bytes`, then removed.
inline ::testing::AssertionResult TakeKeptSettings(const QString &message, QByteArray &bytes)
{
    const QString copy = message.section(QStringLiteral("\r\n"), -1);
    if (!copy.contains(QLatin1String(".before-reset-")))
        return ::testing::AssertionFailure() << "no kept copy named in: " << message.toStdString();
    QFile f(copy);
    if (!f.open(QIODevice::ReadOnly))
        return ::testing::AssertionFailure() << "the kept copy cannot be read: " << copy.toStdString();
    bytes = f.readAll();
    f.close();
    QFile::remove(copy);
    return ::testing::AssertionSuccess();
}
