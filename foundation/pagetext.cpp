#include "foundation/pagetext.h"

#include <array>
#include <climits>
#include <cstring>

namespace basGeneral::PageText {

namespace {

// ---------------------------------------------------------------------------
// Case folding to one byte.

using Vec8u16 = char16_t __attribute__((vector_size(16)));
using Vec16u8 = unsigned char __attribute__((vector_size(16)));
using Vec8u8 = unsigned char __attribute__((vector_size(8)));

// A character's case folding as a byte, 0 when the folding lies beyond
// Latin-1 (no marker byte is 0, so such characters never match).
unsigned char foldByteSlow(char16_t c)
{
    const char16_t f = QChar::toCaseFolded(c);
    return f <= 0xFF ? static_cast<unsigned char>(f) : 0;
}

const std::array<unsigned char, 256> &latinFolds()
{
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[c] = foldByteSlow(char16_t(c));
        return t;
    }();
    return table;
}

inline unsigned char foldByte(char16_t c)
{
    return c < 256 ? latinFolds()[c] : foldByteSlow(c);
}

// Whether any lane of a 16-byte comparison result is set.
template <class Mask>
bool anyLane(Mask mask)
{
    static_assert(sizeof(Mask) == 16);
    quint64 lo, hi;
    std::memcpy(&lo, &mask, 8);
    std::memcpy(&hi, reinterpret_cast<const char *>(&mask) + 8, 8);
    return (lo | hi) != 0;
}

QByteArray foldText(QStringView text)
{
    const qsizetype n = text.size();
    QByteArray out(n, Qt::Uninitialized);
    auto *dst = reinterpret_cast<unsigned char *>(out.data());
    const char16_t *src = text.utf16();
    qsizetype i = 0;
    // Eight characters at a time while they are plain ASCII: upper-case
    // letters get 0x20 added, the rest stays.
    for (; i + 8 <= n; i += 8) {
        Vec8u16 v;
        std::memcpy(&v, src + i, sizeof v);
        if (anyLane(v >= char16_t(0x80))) {
            for (qsizetype k = i; k < i + 8; ++k)
                dst[k] = foldByte(src[k]);
            continue;
        }
        const auto upper = reinterpret_cast<Vec8u16>((v >= char16_t('A')) & (v <= char16_t('Z')));
        v += upper & char16_t(0x20);
        const Vec8u8 bytes = __builtin_convertvector(v, Vec8u8);
        std::memcpy(dst + i, &bytes, sizeof bytes);
    }
    for (; i < n; ++i)
        dst[i] = foldByte(src[i]);
    return out;
}

// The needle folded to bytes; false when some character of it cannot be
// represented (a search then falls back to the character comparison).
bool foldNeedle(QStringView needle, QByteArray &out)
{
    out.resize(needle.size());
    for (qsizetype i = 0; i < needle.size(); ++i) {
        const unsigned char b = foldByte(needle[i].unicode());
        if (b == 0)
            return false;
        out[i] = char(b);
    }
    return true;
}

// How common a folded byte is in HTML; a search anchors on the two rarest
// bytes of the needle.
int commonness(unsigned char b)
{
    static constexpr char kByFrequency[] = " etaoinsr<>\"=lcdph/um-fg.bv:yw_k;x01j23q#45z6789&()[]%!,?";
    const char *at = std::strchr(kByFrequency, b);
    if (b == 0 || !at)
        return 0;
    return int(sizeof kByFrequency) - int(at - kByFrequency);
}

// First position at or after `from` where needle occurs in hay; -1 if none.
qsizetype byteFind(const unsigned char *hay, qsizetype n, const unsigned char *needle, qsizetype m,
                   qsizetype from)
{
    if (m == 0)
        return from <= n ? from : -1;
    if (from < 0 || m > n - from)
        return -1;
    if (m == 1) {
        const void *hit = std::memchr(hay + from, needle[0], size_t(n - from));
        return hit ? static_cast<const unsigned char *>(hit) - hay : -1;
    }

    // Two anchor bytes of the needle are compared at sixteen positions at a
    // time; only where both match is the whole needle compared.
    qsizetype a = 0;
    qsizetype b = m - 1;
    {
        int best = commonness(needle[0]);
        for (qsizetype k = 1; k < m; ++k) {
            const int c = commonness(needle[k]);
            if (c < best) {
                best = c;
                a = k;
            }
        }
        int second = INT_MAX;
        for (qsizetype k = 0; k < m; ++k) {
            if (k == a || needle[k] == needle[a])
                continue;
            const int c = commonness(needle[k]);
            if (c < second) {
                second = c;
                b = k;
            }
        }
        if (second == INT_MAX)
            b = (a == m - 1) ? 0 : m - 1;
    }
    Vec16u8 wantA, wantB;
    for (int k = 0; k < 16; ++k) {
        wantA[k] = needle[a];
        wantB[k] = needle[b];
    }

    const qsizetype last = n - m; // last possible start
    qsizetype i = from;
    for (; i + 15 <= last; i += 16) {
        Vec16u8 va, vb;
        std::memcpy(&va, hay + i + a, 16);
        std::memcpy(&vb, hay + i + b, 16);
        const auto hit = (va == wantA) & (vb == wantB);
        quint64 lanes[2];
        std::memcpy(lanes, &hit, 16);
        for (int half = 0; half < 2; ++half) {
            quint64 bits = lanes[half];
            while (bits) {
                const int lane = __builtin_ctzll(bits) / 8 + half * 8;
                if (std::memcmp(hay + i + lane, needle, size_t(m)) == 0)
                    return i + lane;
                bits &= ~(quint64(0xFF) << ((lane - half * 8) * 8));
            }
        }
    }
    for (; i <= last; ++i)
        if (hay[i + a] == needle[a] && std::memcmp(hay + i, needle, size_t(m)) == 0)
            return i;
    return -1;
}

} // namespace

qsizetype Find(QStringView haystack, QStringView needle, qsizetype from)
{
    if (from < 0 || from > haystack.size())
        return -1;
    if (needle.isEmpty())
        return from;
    return haystack.indexOf(needle, from, Qt::CaseInsensitive);
}

QStringView Between(QStringView text, QStringView startMarker, QStringView endMarker,
                    Qt::CaseSensitivity endCase)
{
    if (text.isEmpty())
        return {};
    const qsizetype at = Find(text, startMarker);
    if (at < 0)
        return {};
    QStringView rest = text.mid(at + startMarker.size());
    if (!endMarker.isEmpty()) {
        const qsizetype end = rest.indexOf(endMarker, 0, endCase);
        if (end >= 0)
            rest = rest.left(end);
    }
    return rest;
}

QString RemoveChars(QStringView text, char16_t a, char16_t b, char16_t c, char16_t d)
{
    const qsizetype n = text.size();
    QString out(n, Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const char16_t *src = text.utf16();
    qsizetype w = 0;
    qsizetype i = 0;
    const auto unwanted = [&](char16_t u) { return u == a || u == b || u == c || u == d; };
    // Runs of eight characters without any of them are copied whole.
    for (; i + 8 <= n; i += 8) {
        Vec8u16 v;
        std::memcpy(&v, src + i, sizeof v);
        if (!anyLane((v == a) | (v == b) | (v == c) | (v == d))) {
            std::memcpy(dst + w, src + i, sizeof v);
            w += 8;
            continue;
        }
        for (qsizetype k = i; k < i + 8; ++k)
            if (!unwanted(src[k]))
                dst[w++] = src[k];
    }
    for (; i < n; ++i)
        if (!unwanted(src[i]))
            dst[w++] = src[i];
    out.truncate(w);
    return out;
}

FoldedText::FoldedText(QString text) : m_text(std::move(text)), m_folded(foldText(m_text)) {}

qsizetype FoldedText::find(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const
{
    if (from < 0 || from > m_text.size())
        return -1;
    if (needle.isEmpty())
        return from;
    QByteArray folded;
    if (!foldNeedle(needle, folded))
        return QStringView(m_text).indexOf(needle, from, cs);

    const auto *hay = reinterpret_cast<const unsigned char *>(m_folded.constData());
    const auto *nd = reinterpret_cast<const unsigned char *>(folded.constData());
    for (;;) {
        const qsizetype at = byteFind(hay, m_folded.size(), nd, folded.size(), from);
        if (at < 0 || cs == Qt::CaseInsensitive)
            return at;
        // Equal in any letter case; an exact search also wants equal letters.
        if (QStringView(m_text).mid(at, needle.size()) == needle)
            return at;
        from = at + 1;
    }
}

QStringView FoldedText::between(QStringView startMarker, QStringView endMarker,
                                Qt::CaseSensitivity endCase) const
{
    if (m_text.isEmpty())
        return {};
    const qsizetype at = find(startMarker, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const qsizetype restStart = at + startMarker.size();
    if (!endMarker.isEmpty()) {
        const qsizetype end = find(endMarker, restStart, endCase);
        if (end >= 0)
            return QStringView(m_text).mid(restStart, end - restStart);
    }
    return QStringView(m_text).mid(restStart);
}

} // namespace basGeneral::PageText
