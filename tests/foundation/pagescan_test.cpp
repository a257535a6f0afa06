// The one-pass marker scan and the reading of a page as if its pairs of
// spaces were collapsed must answer exactly as the plain searches do.
#include "foundation/collapsedtext.h"
#include "foundation/markerscan.h"
#include "foundation/pagetext.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using namespace basGeneral::PageText;

namespace {

QByteArray randomBytes(QRandomGenerator &random, const char *alphabet, int length)
{
    const int size = int(std::strlen(alphabet));
    QByteArray out;
    for (int i = 0; i < length; ++i)
        out.append(alphabet[random.bounded(size)]);
    return out;
}

} // namespace

TEST(MarkerScan, FindsTheFirstPositionEachSearchFinds)
{
    QRandomGenerator random(20131207);
    for (int round = 0; round < 300; ++round) {
        // Long enough for the wide blocks, with a short tail; few letters,
        // so needles share fingerprints and buckets.
        const QByteArray hay = randomBytes(random, "ab<>\" =", random.bounded(0, 700));
        QList<QByteArray> needles;
        const int count = random.bounded(1, 40);
        for (int k = 0; k < count; ++k) {
            if (random.bounded(2) == 0 && hay.size() > 0) {
                const int at = random.bounded(int(hay.size()));
                needles.append(hay.mid(at, random.bounded(0, 12)));
            } else {
                needles.append(randomBytes(random, "ab<>\" =x", random.bounded(0, 9)));
            }
            if (random.bounded(8) == 0)
                needles.append(needles.last()); // the same needle twice
        }
        const QList<qsizetype> at = FirstPositions(reinterpret_cast<const unsigned char *>(hay.constData()), hay.size(), needles);
        ASSERT_EQ(at.size(), needles.size());
        for (qsizetype k = 0; k < needles.size(); ++k)
            ASSERT_EQ(at[k], hay.indexOf(needles[k])) << "text " << hay.toStdString() << " needle " << needles[k].toStdString();
    }
}

// A text whose markers were looked for in one pass finds everything as one
// never prepared that way, from any start and in either letter case.
TEST(MarkerScan, MarkersFoundTogetherReadAsSearchedAlone)
{
    const QString text = QStringLiteral("<DIV>Price:</DIV> <b>Bid:</b> price: quantity: 3 <span>\u00E9t\u00E9</span>").repeated(3);
    const QList<QStringView> markers = {u"price:", u"<div>", u"absent:", u"\u00C9T\u00C9", u"quantity: 3 <", u"\u0131x"};
    FoldedText seeded(text);
    seeded.findEach(markers);
    const FoldedText plain(text);
    for (QStringView marker : markers)
        for (qsizetype from = 0; from <= text.size(); from += 7)
            for (const auto cs : {Qt::CaseInsensitive, Qt::CaseSensitive})
                EXPECT_EQ(seeded.find(marker, from, cs), QStringView(text).indexOf(marker, from, cs))
                    << marker.toString().toStdString() << " from " << from;
    EXPECT_EQ(seeded.between(u"quantity:", u"<"), plain.between(u"quantity:", u"<"));
}

TEST(CollapsedText, ReadsAsACollapsedCopy)
{
    QRandomGenerator random(20131208);
    const auto collapsed = [](QString text) {
        CollapseSpacePairs(text);
        return text;
    };
    for (int round = 0; round < 600; ++round) {
        // Runs of one to five spaces between short words.
        QString text;
        const int words = random.bounded(0, 60);
        for (int w = 0; w < words; ++w) {
            text += QString::fromLatin1(randomBytes(random, "aAb<>", random.bounded(1, 4)));
            text += QString(random.bounded(0, 6), u' ');
        }
        const FoldedText folded(text);
        const QString copy = collapsed(text);
        for (int probe = 0; probe < 6; ++probe) {
            // Markers cut from the collapsed text (so they are found), or
            // made up, with spaces anywhere in them.
            const auto marker = [&] {
                if (random.bounded(3) > 0 && copy.size() > 1) {
                    const int at = random.bounded(int(copy.size()) - 1);
                    return copy.mid(at, random.bounded(1, 8));
                }
                return QString::fromLatin1(randomBytes(random, "ab  <", random.bounded(1, 5)));
            };
            const QString start = marker();
            const QString end = random.bounded(5) == 0 ? QString() : marker();
            for (const auto cs : {Qt::CaseInsensitive, Qt::CaseSensitive}) {
                ASSERT_EQ(BetweenCollapsed(folded, start, end, cs), Between(copy, start, end, cs).toString())
                    << "text [" << text.toStdString() << "] start [" << start.toStdString() << "] end ["
                    << end.toStdString() << "]";
            }
        }
    }
}
