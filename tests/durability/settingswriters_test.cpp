#include "tests/durability/helper/saveloops.h"
#include "tests/durability/savehelperprocess.h"

#include "platform/registry.h"

#include <gtest/gtest.h>

using Registry::Root;
using Registry::Store;

// The program and the monitor write the settings store at the same time;
// each process writes its own values, and every one of them is on disk at
// the end.
TEST(SettingsWriters, TwoProcessesWritingManyKeysAtOnceLoseNone)
{
    constexpr int kEach = 300;
    QProcess first, second;
    StartSaveHelper(first, {QStringLiteral("writer"), QStringLiteral("first"), QString::number(kEach)});
    StartSaveHelper(second, {QStringLiteral("writer"), QStringLiteral("second"), QString::number(kEach)});
    for (QProcess *p : {&first, &second}) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << "a write reported failure";
    }
    Store &store = Store::instance();
    store.reset();
    int lost = 0;
    for (const QString prefix : {QStringLiteral("first"), QStringLiteral("second")})
        for (int i = 0; i < kEach; ++i) {
            const auto v = store.value(Root::CurrentUser, SaveLoops::kWriterKey, prefix + QString::number(i));
            if (!v || v->data != QByteArray::number(i))
                ++lost;
        }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(store.valueNames(Root::CurrentUser, SaveLoops::kWriterKey).size(), 2 * kEach);
}
