#pragma once

#include <QByteArray>
#include <QList>

#include <array>
#include <utility>
#include <QString>
#include <QStringView>

// Copy-free forms of the page-reading primitives, for readers that cut many
// pieces out of one large page.
namespace basGeneral::PageText {

// Position (0-based) of needle in haystack from `from` on, compared in any
// letter case; -1 when absent. An empty needle is found at `from`.
qsizetype Find(QStringView haystack, QStringView needle, qsizetype from = 0);

// GetBetween on a view: the part of text after the first startMarker (any
// letter case) up to the next endMarker (compared with endCase); an empty
// view when text is empty or startMarker is absent.
QStringView Between(QStringView text, QStringView startMarker, QStringView endMarker,
                    Qt::CaseSensitivity endCase = Qt::CaseSensitive);

// text without any of the four given characters.
QString RemoveChars(QStringView text, char16_t a, char16_t b, char16_t c, char16_t d);

// Replaces each pair of spaces by one space, scanning once from left to
// right without overlap ("   " and "    " both become "  "). False when the
// text holds no pair (it is then left untouched).
bool CollapseSpacePairs(QString &text);

// A text searched many times. Beside the text it keeps one byte per
// character holding the character's case folding (0 for a character whose
// folding lies beyond Latin-1), so a search in any letter case is a plain
// byte search over it. Searches give the same positions as Find and
// QStringView::indexOf.
class FoldedText final
{
public:
    FoldedText() = default;
    explicit FoldedText(QString text);
    // `text` without the four given characters, copied and folded in one pass.
    static FoldedText withoutChars(QStringView text, char16_t a, char16_t b, char16_t c, char16_t d);
    // The same into this object, reusing its buffers when it holds them alone.
    void assignWithoutChars(QStringView text, char16_t a, char16_t b, char16_t c, char16_t d);

    const QString &text() const { return m_text; }
    QStringView view() const { return m_text; }
    qsizetype size() const { return m_text.size(); }

    qsizetype find(QStringView needle, qsizetype from = 0,
                   Qt::CaseSensitivity cs = Qt::CaseInsensitive) const;

    // Looks for all needles (in any letter case) in one pass and keeps
    // their first positions, so that later finds of them from the start
    // cost no search.
    void findEach(const QList<QStringView> &needles) const;

    // As the free Between, on this text.
    QStringView between(QStringView startMarker, QStringView endMarker,
                        Qt::CaseSensitivity endCase = Qt::CaseSensitive) const;

    // From now on no search finds a text overlapping [from, to), while
    // text() stays as it is: a piece cut out around the stretch still reads
    // as written. Assigning a new text shows everything again.
    void hide(qsizetype from, qsizetype to);
    // Leaves out the characters of the given ranges [from, to), which come in
    // order and apart: the text reads as if they had never been in it.
    // Everything hidden is shown again.
    void leaveOut(const QList<std::pair<qsizetype, qsizetype>> &ranges);
    // text() with the hidden characters as U+0000, which no marker holds.
    QString searchableText() const;

private:
    void countBytes();
    qsizetype foldedFind(const QByteArray &needle, qsizetype from) const;
    bool overlapsHidden(qsizetype from, qsizetype to) const;

    QString m_text;
    QByteArray m_folded;
    std::array<quint32, 256> m_counts{}; // sampled counts of the folded bytes
    // First positions (in any letter case) of the folded texts searched so
    // far, -1 for absent ones. A text holding one of them is absent with it,
    // or occurs no earlier than that one's first position allows; the many
    // markers a page lacks share pieces, so most searches end here.
    struct Found
    {
        QByteArray needle;
        qsizetype at;
    };
    mutable QList<Found> m_found;
    // Hidden stretches; their folded bytes are 0, so byte searches pass them.
    struct Stretch
    {
        qsizetype from;
        qsizetype to;
    };
    QList<Stretch> m_hidden;
};

} // namespace basGeneral::PageText
