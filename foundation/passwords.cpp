#include "foundation/passwords.h"

#include "platform/ansi.h"

#include <QRandomGenerator>

namespace basGeneral {

namespace {

constexpr QStringView kPlain = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,?!";
constexpr QStringView kScrambled = u"z5N!yO0x?P6w,Q1v R7u.S2tT8sU3rV9qW4pXoYnZmAlBkCjDiEhFgGfHeIdJcKbLaM";
static_assert(kPlain.size() == 67 && kScrambled.size() == 67);

QString substitute(const QString &text, QStringView from, QStringView to)
{
    QString out = text;
    for (QChar &c : out) {
        const qsizetype at = from.indexOf(c);
        if (at >= 0)
            c = to[at];
    }
    return out;
}

} // namespace

QString ScramblePassword(const QString &plain)
{
    return substitute(plain, kPlain, kScrambled);
}

QString UnscramblePassword(const QString &scrambled)
{
    return substitute(scrambled, kScrambled, kPlain);
}

QString EncodeForServer(const QString &text)
{
    if (text.isEmpty())
        return {};

    QRandomGenerator *random = QRandomGenerator::global();
    const int offset = 1 + int(random->bounded(99)); // 1 to 99
    const int factor = 1 + int(random->bounded(9));  // 1 to 9

    QString digits = QStringLiteral("%1").arg(offset, 2, 10, QLatin1Char('0'));
    for (const QChar c : text) {
        int code = Ansi::byteOf(c);
        if (code < 0)
            code = '?';
        digits += QStringLiteral("%1").arg((code + offset) * factor, 4, 10, QLatin1Char('0'));
    }
    digits += QString::number(factor);

    // A random filler digit after every full group of three.
    QString out;
    out.reserve(digits.size() + digits.size() / 3);
    for (qsizetype i = 0; i < digits.size(); i += 3) {
        const QStringView piece = QStringView(digits).mid(i, 3);
        out += piece;
        if (piece.size() == 3)
            out += QChar(u'0' + int(random->bounded(10)));
    }
    return out;
}

} // namespace basGeneral
