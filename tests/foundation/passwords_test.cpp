#include "foundation/passwords.h"
#include "platform/ansi.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace basGeneral;

namespace {

const QString kAlphabet = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,?!");

// Undoes EncodeForServer: drops the filler digits, reads offset and factor,
// and gives back the Windows-1252 codes.
QList<int> decodeServerDigits(const QString &encoded, int *offset = nullptr, int *factor = nullptr)
{
    QString digits;
    for (qsizetype i = 0; i < encoded.size(); i += 4)
        digits += encoded.mid(i, 3);
    const int a = digits.left(2).toInt();
    const int b = digits.right(1).toInt();
    if (offset)
        *offset = a;
    if (factor)
        *factor = b;
    QList<int> codes;
    for (qsizetype i = 2; i + 4 <= digits.size() - 1; i += 4) {
        const int group = digits.mid(i, 4).toInt();
        EXPECT_EQ(group % b, 0) << encoded.toStdString();
        codes.append(group / b - a);
    }
    return codes;
}

} // namespace

TEST(Passwords, ScrambleIsASubstitutionOverTheAlphabet)
{
    EXPECT_EQ(ScramblePassword(QString()), QString());
    EXPECT_EQ(UnscramblePassword(QString()), QString());

    // The first and last letters of the table, and case kept apart.
    EXPECT_EQ(ScramblePassword(QStringLiteral("a")), QStringLiteral("z"));
    EXPECT_EQ(ScramblePassword(QStringLiteral("!")), QStringLiteral("M"));
    EXPECT_EQ(ScramblePassword(QStringLiteral("A")), QStringLiteral("s")); // the 27th, not that of "a"
    EXPECT_EQ(ScramblePassword(QStringLiteral("Secret 1!")), QStringLiteral("ByNRyuKgM"));
    EXPECT_EQ(UnscramblePassword(QStringLiteral("ByNRyuKgM")), QStringLiteral("Secret 1!"));

    // Outside the alphabet: unchanged, so such passwords are stored as typed.
    for (const char16_t *outside : {u";;--__", u"#\u00E9\u00DF\u20AC", u"tab\there;"}) {
        const QString text = QString::fromUtf16(outside);
        const QString scrambled = ScramblePassword(text);
        ASSERT_EQ(scrambled.size(), text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            if (!kAlphabet.contains(text[i]))
                EXPECT_EQ(scrambled[i], text[i]);
    }
    EXPECT_EQ(ScramblePassword(QStringLiteral(";-_")), QStringLiteral(";-_"));

    // Every printable character round-trips, and the table is one-to-one.
    QString printable;
    for (int b = 0x20; b <= 0xFF; ++b)
        if (b < 0x7F || b >= 0xA0)
            printable += QChar(b);
    EXPECT_EQ(UnscramblePassword(ScramblePassword(printable)), printable);
    EXPECT_EQ(ScramblePassword(UnscramblePassword(printable)), printable);
    QSet<QChar> images;
    for (const QChar c : kAlphabet)
        images.insert(ScramblePassword(QString(c)).at(0));
    EXPECT_EQ(images.size(), kAlphabet.size());
    for (const QChar c : images)
        EXPECT_TRUE(kAlphabet.contains(c));
}

TEST(Passwords, EncodeForServerLengthsAndContent)
{
    EXPECT_TRUE(EncodeForServer(QString()).isNull());

    struct Case { const char16_t *text; int length; };
    for (const Case &c : {Case{u"a", 9}, {u"ab", 14}, {u"abc", 20}, {u"p@ss w\u00F6rd\u20AC", 3 + 4 * 10 + (3 + 4 * 10) / 3}}) {
        const QString text = QString::fromUtf16(c.text);
        for (int round = 0; round < 50; ++round) {
            const QString encoded = EncodeForServer(text);
            ASSERT_EQ(encoded.size(), c.length) << encoded.toStdString();
            for (const QChar d : encoded)
                ASSERT_TRUE(d.isDigit()) << encoded.toStdString();
            int offset = 0;
            int factor = 0;
            const QList<int> codes = decodeServerDigits(encoded, &offset, &factor);
            EXPECT_GE(offset, 1);
            EXPECT_LE(offset, 99);
            EXPECT_GE(factor, 1);
            EXPECT_LE(factor, 9);
            ASSERT_EQ(codes.size(), text.size());
            for (qsizetype i = 0; i < text.size(); ++i)
                EXPECT_EQ(codes[i], Ansi::byteOf(text[i])) << encoded.toStdString();
        }
    }

    // A character without a Windows-1252 code goes as "?".
    EXPECT_EQ(decodeServerDigits(EncodeForServer(QString::fromUtf16(u"\u4E2D"))), QList<int>{'?'});

    // The digits differ from call to call.
    QSet<QString> seen;
    for (int i = 0; i < 20; ++i)
        seen.insert(EncodeForServer(QStringLiteral("secret")));
    EXPECT_GT(seen.size(), 1);
}
