#include "tests/foundation/fixturepages.h"

#include "platform/ansi.h"

#include <gtest/gtest.h>

#include <QFile>

QString FixturePage(const char *name)
{
    QFile file(QStringLiteral(TALLOWMERE_TEST_FIXTURES "/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << name;
        return {};
    }
    return Ansi::decode(file.readAll());
}
