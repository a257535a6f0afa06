#include "foundation/collapsedtext.h"

namespace basGeneral::PageText {

namespace {

// A run of L spaces collapses to (L + 1) / 2 spaces, whatever surrounds it,
// so a stretch of the text that starts and ends at the edge of a run (or
// away from spaces) collapses to a piece of the collapsed text.
QString collapse(QStringView stretch)
{
    QString out = stretch.toString();
    CollapseSpacePairs(out);
    return out;
}

// Where a space run covering `at` starts, not before `floor`.
qsizetype runStart(QStringView text, qsizetype at, qsizetype floor)
{
    while (at > floor && text[at - 1] == u' ')
        --at;
    return at;
}

qsizetype runEnd(QStringView text, qsizetype at)
{
    while (at < text.size() && text[at] == u' ')
        ++at;
    return at;
}

// The text position reached after `count` collapsed characters from `from`
// (a run edge), when they end on a character other than a space.
qsizetype sourceAfter(QStringView text, qsizetype from, qsizetype count)
{
    qsizetype at = from;
    while (count > 0) {
        if (text[at] == u' ') {
            const qsizetype end = runEnd(text, at);
            count -= (end - at + 1) / 2;
            at = end;
        } else {
            --count;
            ++at;
        }
    }
    return at;
}

struct Match
{
    qsizetype windowStart = -1; // a run edge in the text; -1 when absent
    QString window;            // the collapsed window
    qsizetype offset = 0;      // of the match within window
};

// The first match of needle in the collapsed text from `from` (a run edge)
// on. Each place where the needle's longest space-free piece occurs is
// checked in a small collapsed window around it.
Match findCollapsed(const FoldedText &text, QStringView needle, qsizetype from, Qt::CaseSensitivity cs)
{
    const QStringView piece = CollapsedSearchPiece(needle);
    const qsizetype before = piece.data() - needle.data();
    const qsizetype after = needle.size() - before - piece.size();
    const QStringView t = text.view();
    for (qsizetype x = from;;) {
        const qsizetype at = text.find(piece, x, Qt::CaseInsensitive);
        if (at < 0)
            return {};
        // Each collapsed character stands for at most two of the text.
        const qsizetype start = runStart(t, std::max(from, at - 2 * before - 1), from);
        const qsizetype end = runEnd(t, std::min(t.size(), at + piece.size() + 2 * after + 1));
        Match m;
        m.window = collapse(t.sliced(start, end - start));
        m.offset = QStringView(m.window).indexOf(needle, 0, cs);
        if (m.offset >= 0) {
            m.windowStart = start;
            return m;
        }
        x = at + 1;
    }
}

} // namespace

QStringView CollapsedSearchPiece(QStringView marker)
{
    QStringView best;
    for (qsizetype i = 0; i < marker.size();) {
        qsizetype j = i;
        while (j < marker.size() && marker[j] != u' ')
            ++j;
        if (j - i > best.size())
            best = marker.sliced(i, j - i);
        i = j + 1;
    }
    return best;
}

QString BetweenCollapsed(const FoldedText &text, QStringView startMarker, QStringView endMarker,
                         Qt::CaseSensitivity endCase)
{
    if (text.size() == 0)
        return {};
    // Markers made of spaces only, or a start marker ending in one (whose
    // piece would begin inside a run), are read from a collapsed copy.
    if (CollapsedSearchPiece(startMarker).isEmpty() || startMarker.endsWith(u' ')
        || (!endMarker.isEmpty() && CollapsedSearchPiece(endMarker).isEmpty())) {
        QString copy = text.searchableText();
        CollapseSpacePairs(copy);
        return Between(copy, startMarker, endMarker, endCase).toString();
    }

    const Match start = findCollapsed(text, startMarker, 0, Qt::CaseInsensitive);
    if (start.windowStart < 0)
        return {};
    const QStringView t = text.view();
    const qsizetype restStart = sourceAfter(t, start.windowStart, start.offset + startMarker.size());
    if (!endMarker.isEmpty()) {
        const Match end = findCollapsed(text, endMarker, restStart, endCase);
        if (end.windowStart >= 0)
            return collapse(t.sliced(restStart, end.windowStart - restStart)).append(QStringView(end.window).left(end.offset));
    }
    return collapse(t.sliced(restStart));
}

} // namespace basGeneral::PageText
