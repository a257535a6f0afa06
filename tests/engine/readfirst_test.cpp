// The refresh's queue of ended snipes to read before the rest of a pass.
#include "engine/readfirst.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

namespace {

void drain()
{
    while (ReadFirst::Take()) {
    }
}

} // namespace

TEST(ReadFirst, EachNumberOnceInTheOrderAddedAndAReadAgainOnlyOnceDueAndAFewTimes)
{
    drain();
    for (const char *n : {"1", "2", "1", "3"})
        ReadFirst::Add(QString::fromLatin1(n));
    EXPECT_EQ(ReadFirst::Take(), QStringLiteral("1"));
    EXPECT_EQ(ReadFirst::Take(), QStringLiteral("2"));
    EXPECT_EQ(ReadFirst::Take(), QStringLiteral("3"));
    EXPECT_EQ(ReadFirst::Take(), std::nullopt);

    // A page that did not show the end yet: not read again at once (the pass
    // would spin on it), but within a few seconds, and a plain Add still goes first.
    ReadFirst::AddAgainSoon(QStringLiteral("7"));
    EXPECT_EQ(ReadFirst::Take(), std::nullopt);
    ReadFirst::Add(QStringLiteral("8"));
    EXPECT_EQ(ReadFirst::Take(), QStringLiteral("8"));
    std::optional<QString> again;
    EXPECT_TRUE(waitFor([&] { return (again = ReadFirst::Take()).has_value(); }, 10000));
    EXPECT_EQ(again, QStringLiteral("7"));

    // A page that never shows the end is left to the read schedule after a few tries.
    int tries = 0;
    for (int i = 0; i < 100; ++i) {
        ReadFirst::AddAgainSoon(QStringLiteral("9"));
        if (waitFor([] { return ReadFirst::Take().has_value(); }, i < 20 ? 4000 : 0))
            ++tries;
        else
            break;
    }
    EXPECT_GE(tries, 2);
    EXPECT_LE(tries, 20);
}
