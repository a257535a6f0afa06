#include "foundation/pagetext.h"

#include "foundation/markerscan.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TALLOWMERE_AVX2_SEARCH 1
#endif

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
    // Sixteen characters at a time while they are plain ASCII: narrowed to
    // bytes, upper-case letters get 0x20 added.
#if defined(__SSE2__)
    const __m128i highBits = _mm_set1_epi16(short(0xFF80));
    const __m128i beforeA = _mm_set1_epi8('A' - 1);
    const __m128i afterZ = _mm_set1_epi8('Z' + 1);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    for (; i + 16 <= n; i += 16) {
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i + 8));
        const __m128i nonAscii = _mm_and_si128(_mm_or_si128(lo, hi), highBits);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(nonAscii, _mm_setzero_si128())) != 0xFFFF) {
            for (qsizetype k = i; k < i + 16; ++k)
                dst[k] = foldByte(src[k]);
            continue;
        }
        const __m128i bytes = _mm_packus_epi16(lo, hi);
        const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(bytes, beforeA), _mm_cmplt_epi8(bytes, afterZ));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_or_si128(bytes, _mm_and_si128(upper, caseBit)));
    }
#else
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
#endif
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

// How common a folded byte is in HTML, for when the text's own counts tie.
int commonness(unsigned char b)
{
    static constexpr char kByFrequency[] = " etaoinsr<>\"=lcdph/um-fg.bv:yw_k;x01j23q#45z6789&()[]%!,?";
    const char *at = b == 0 ? nullptr : static_cast<const char *>(std::memchr(kByFrequency, b, sizeof kByFrequency - 1));
    return at ? int(sizeof kByFrequency) - int(at - kByFrequency) : 0;
}

// The two needle positions whose bytes are rarest in the text (by the
// sampled counts, then by how common they are in HTML), with different bytes
// where the needle has two.
void chooseAnchors(const unsigned char *needle, qsizetype m, const quint32 *counts, qsizetype &a, qsizetype &b)
{
    const auto rarity = [&](qsizetype k) { return (quint64(counts[needle[k]]) << 8) | quint64(commonness(needle[k])); };
    a = 0;
    for (qsizetype k = 1; k < m; ++k)
        if (rarity(k) < rarity(a))
            a = k;
    b = -1;
    for (qsizetype k = 0; k < m; ++k) {
        if (needle[k] == needle[a])
            continue;
        if (b < 0 || rarity(k) < rarity(b))
            b = k;
    }
    if (b < 0)
        b = (a == m - 1) ? 0 : m - 1;
}

#if defined(TALLOWMERE_AVX2_SEARCH)
// The anchored search over 64 positions at a time, for processors with
// AVX2: the 64-bit mask of positions where both anchors match, from `at`.
__attribute__((target("avx2"), always_inline)) inline quint64 anchorHitsAvx2(const unsigned char *p, qsizetype a, qsizetype b,
                                                                            __m256i wantA, __m256i wantB)
{
    const __m256i a0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + a));
    const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + b));
    const __m256i a1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + a + 32));
    const __m256i b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p + b + 32));
    const quint32 low = quint32(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a0, wantA), _mm256_cmpeq_epi8(b0, wantB))));
    const quint32 high = quint32(_mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a1, wantA), _mm256_cmpeq_epi8(b1, wantB))));
    return quint64(low) | (quint64(high) << 32);
}

// Returns the first match at or after *from, or -1; *from is left at the
// first position not examined.
__attribute__((target("avx2"))) qsizetype anchoredSearchAvx2(const unsigned char *hay, const unsigned char *needle,
                                                              qsizetype m, qsizetype a, qsizetype b,
                                                              qsizetype *from, qsizetype last)
{
    const __m256i wantA = _mm256_set1_epi8(char(needle[a]));
    const __m256i wantB = _mm256_set1_epi8(char(needle[b]));
    qsizetype i = *from;
    for (; i + 63 <= last; i += 64) {
        quint64 hits = anchorHitsAvx2(hay + i, a, b, wantA, wantB);
        if (Q_LIKELY(hits == 0))
            continue;
        do {
            const int lane = __builtin_ctzll(hits);
            if (std::memcmp(hay + i + lane, needle, size_t(m)) == 0) {
                *from = i;
                return i + lane;
            }
            hits &= hits - 1;
        } while (hits);
    }
    *from = i;
    return -1;
}

bool hasAvx2()
{
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

// Shuffles that gather the kept lanes of eight to the front, by the mask of
// lanes to keep: for 16-bit lanes, and for the eight folded bytes.
struct KeepShuffles
{
    alignas(16) unsigned char wide[256][16];
    alignas(16) unsigned char narrow[256][16];
    KeepShuffles()
    {
        for (int keep = 0; keep < 256; ++keep) {
            int k = 0;
            std::memset(wide[keep], 0x80, 16);
            std::memset(narrow[keep], 0x80, 16);
            for (int lane = 0; lane < 8; ++lane) {
                if (!(keep >> lane & 1))
                    continue;
                wide[keep][2 * k] = static_cast<unsigned char>(2 * lane);
                wide[keep][2 * k + 1] = static_cast<unsigned char>(2 * lane + 1);
                narrow[keep][k] = static_cast<unsigned char>(lane);
                ++k;
            }
        }
    }
};

const KeepShuffles &keepShuffles()
{
    static const KeepShuffles shuffles;
    return shuffles;
}

// The copy-and-fold of assignWithoutChars, sixteen characters at a time:
// plain ASCII blocks are narrowed and folded at once, the four unwanted
// characters dropped by shuffles; blocks with other characters go one by
// one. Advances *i and *w as far as it got.
__attribute__((target("avx2"))) void copyFoldAvx2(const char16_t *src, qsizetype n, char16_t a, char16_t b,
                                                  char16_t c, char16_t d, char16_t *dst, unsigned char *fold,
                                                  qsizetype *pi, qsizetype *pw)
{
    const KeepShuffles &shuffles = keepShuffles();
    const __m256i va = _mm256_set1_epi16(short(a));
    const __m256i vb = _mm256_set1_epi16(short(b));
    const __m256i vc = _mm256_set1_epi16(short(c));
    const __m256i vd = _mm256_set1_epi16(short(d));
    const __m256i highBits = _mm256_set1_epi16(short(0xFF80));
    const __m128i beforeA = _mm_set1_epi8('A' - 1);
    const __m128i afterZ = _mm_set1_epi8('Z' + 1);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    qsizetype i = *pi;
    qsizetype w = *pw;
    for (; i + 16 <= n; i += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(src + i));
        if (!_mm256_testz_si256(v, highBits)) {
            for (qsizetype k = i; k < i + 16; ++k) {
                const char16_t u = src[k];
                if (u == a || u == b || u == c || u == d)
                    continue;
                dst[w] = u;
                fold[w++] = foldByte(u);
            }
            continue;
        }
        const __m256i hit = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(v, va), _mm256_cmpeq_epi16(v, vb)),
                                            _mm256_or_si256(_mm256_cmpeq_epi16(v, vc), _mm256_cmpeq_epi16(v, vd)));
        const __m128i low = _mm256_castsi256_si128(v);
        const __m128i high = _mm256_extracti128_si256(v, 1);
        const __m128i bytes = _mm_packus_epi16(low, high);
        const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(bytes, beforeA), _mm_cmplt_epi8(bytes, afterZ));
        const __m128i folded = _mm_or_si128(bytes, _mm_and_si128(upper, caseBit));
        if (_mm256_testz_si256(hit, hit)) {
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + w), v);
            _mm_storeu_si128(reinterpret_cast<__m128i *>(fold + w), folded);
            w += 16;
            continue;
        }
        const unsigned drop = unsigned(_mm_movemask_epi8(
            _mm_packs_epi16(_mm256_castsi256_si128(hit), _mm256_extracti128_si256(hit, 1))));
        const unsigned keepLow = ~drop & 0xFF;
        const unsigned keepHigh = (~drop >> 8) & 0xFF;
        const __m128i foldedHigh = _mm_srli_si128(folded, 8);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + w),
                         _mm_shuffle_epi8(low, _mm_load_si128(reinterpret_cast<const __m128i *>(shuffles.wide[keepLow]))));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(fold + w),
                         _mm_shuffle_epi8(folded, _mm_load_si128(reinterpret_cast<const __m128i *>(shuffles.narrow[keepLow]))));
        w += __builtin_popcount(keepLow);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + w),
                         _mm_shuffle_epi8(high, _mm_load_si128(reinterpret_cast<const __m128i *>(shuffles.wide[keepHigh]))));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(fold + w),
                         _mm_shuffle_epi8(foldedHigh, _mm_load_si128(reinterpret_cast<const __m128i *>(shuffles.narrow[keepHigh]))));
        w += __builtin_popcount(keepHigh);
    }
    *pi = i;
    *pw = w;
}
#endif

// First position at or after `from` where needle occurs in hay; -1 if none.
qsizetype byteFind(const unsigned char *hay, qsizetype n, const unsigned char *needle, qsizetype m,
                   qsizetype from, const quint32 *counts)
{
    if (m == 0)
        return from <= n ? from : -1;
    if (from < 0 || m > n - from)
        return -1;
    if (m == 1) {
        const void *hit = std::memchr(hay + from, needle[0], size_t(n - from));
        return hit ? static_cast<const unsigned char *>(hit) - hay : -1;
    }

    // Two anchor bytes of the needle are compared at many positions at a
    // time; only where both match is the whole needle compared.
    qsizetype a = 0;
    qsizetype b = 0;
    chooseAnchors(needle, m, counts, a, b);
    const qsizetype last = n - m; // the last possible start
    qsizetype i = from;

#if defined(TALLOWMERE_AVX2_SEARCH)
    if (hasAvx2()) {
        const qsizetype hit = anchoredSearchAvx2(hay, needle, m, a, b, &i, last);
        if (hit >= 0)
            return hit;
    }
#endif
#if defined(__SSE2__)
    const __m128i wantA = _mm_set1_epi8(char(needle[a]));
    const __m128i wantB = _mm_set1_epi8(char(needle[b]));
    const auto lanes = [&](qsizetype at) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + at + a));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(hay + at + b));
        return unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(va, wantA), _mm_cmpeq_epi8(vb, wantB))));
    };
    for (; i + 31 <= last; i += 32) {
        unsigned hits = lanes(i) | (lanes(i + 16) << 16);
        while (hits) {
            const int lane = __builtin_ctz(hits);
            if (std::memcmp(hay + i + lane, needle, size_t(m)) == 0)
                return i + lane;
            hits &= hits - 1;
        }
    }
#else
    using Vec16u8 = unsigned char __attribute__((vector_size(16)));
    Vec16u8 wantA, wantB;
    for (int k = 0; k < 16; ++k) {
        wantA[k] = needle[a];
        wantB[k] = needle[b];
    }
    for (; i + 15 <= last; i += 16) {
        Vec16u8 va, vb;
        std::memcpy(&va, hay + i + a, 16);
        std::memcpy(&vb, hay + i + b, 16);
        const auto hit = (va == wantA) & (vb == wantB);
        if (!anyLane(hit))
            continue;
        for (int lane = 0; lane < 16; ++lane)
            if (hit[lane] && std::memcmp(hay + i + lane, needle, size_t(m)) == 0)
                return i + lane;
    }
#endif
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
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi16(short(a));
    const __m128i vb = _mm_set1_epi16(short(b));
    const __m128i vc = _mm_set1_epi16(short(c));
    const __m128i vd = _mm_set1_epi16(short(d));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)),
                                         _mm_or_si128(_mm_cmpeq_epi16(v, vc), _mm_cmpeq_epi16(v, vd)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + w), v);
        const unsigned mask = unsigned(_mm_movemask_epi8(hit));
        if (mask == 0) {
            w += 8;
            continue;
        }
        // Keep the wanted characters of this run, in order.
        for (int lane = 0; lane < 8; ++lane) {
            dst[w] = src[i + lane];
            w += (mask >> (2 * lane)) & 1 ? 0 : 1;
        }
    }
#else
    for (; i + 8 <= n; i += 8) {
        Vec8u16 v;
        std::memcpy(&v, src + i, sizeof v);
        if (!anyLane((v == a) | (v == b) | (v == c) | (v == d))) {
            std::memcpy(dst + w, src + i, sizeof v);
            w += 8;
            continue;
        }
        for (qsizetype k = i; k < i + 8; ++k) {
            dst[w] = src[k];
            w += unwanted(src[k]) ? 0 : 1;
        }
    }
#endif
    for (; i < n; ++i) {
        if (!unwanted(src[i]))
            dst[w++] = src[i];
    }
    out.truncate(w);
    return out;
}

bool CollapseSpacePairs(QString &text)
{
    const qsizetype n = text.size();
    const auto pairAt = [](const char16_t *p) { return p[0] == u' ' && p[1] == u' '; };

    // The first pair, read without touching (or copying) the text.
    const auto *src = reinterpret_cast<const char16_t *>(text.constData());
    qsizetype first = 0;
    for (;; first += 8) {
        if (first + 9 > n) {
            while (first + 1 < n && !pairAt(src + first))
                ++first;
            break;
        }
        Vec8u16 v, next;
        std::memcpy(&v, src + first, sizeof v);
        std::memcpy(&next, src + first + 1, sizeof next);
        if (anyLane((v == char16_t(' ')) & (next == char16_t(' ')))) {
            while (!pairAt(src + first))
                ++first;
            break;
        }
    }
    if (first + 1 >= n)
        return false;

    char16_t *d = reinterpret_cast<char16_t *>(text.data());
    qsizetype r = first;
    qsizetype w = first;
    while (r < n) {
        // Eight characters without a pair of spaces starting among them are
        // kept as they are.
        if (r + 9 <= n) {
            Vec8u16 v, next;
            std::memcpy(&v, d + r, sizeof v);
            std::memcpy(&next, d + r + 1, sizeof next);
            if (!anyLane((v == char16_t(' ')) & (next == char16_t(' ')))) {
                std::memmove(d + w, d + r, sizeof v);
                r += 8;
                w += 8;
                continue;
            }
        }
        if (d[r] == u' ' && r + 1 < n && d[r + 1] == u' ') {
            d[w++] = u' ';
            r += 2;
        } else {
            d[w++] = d[r++];
        }
    }
    text.truncate(w);
    return true;
}

FoldedText::FoldedText(QString text) : m_text(std::move(text)), m_folded(foldText(m_text))
{
    countBytes();
}

FoldedText FoldedText::withoutChars(QStringView text, char16_t a, char16_t b, char16_t c, char16_t d)
{
    FoldedText out;
    out.assignWithoutChars(text, a, b, c, d);
    return out;
}

namespace {

// Sizes a buffer for n elements, keeping its memory when nothing else shares
// it: a page's buffers are large, and fresh ones cost a page fault per 4 KB.
template<typename Buffer>
void sizeFor(Buffer &buffer, qsizetype n)
{
    if (buffer.isDetached() && buffer.capacity() >= n)
        buffer.resize(n);
    else
        buffer = Buffer(n, Qt::Uninitialized);
}

} // namespace

void FoldedText::assignWithoutChars(QStringView text, char16_t a, char16_t b, char16_t c, char16_t d)
{
    const qsizetype n = text.size();
    FoldedText &out = *this;
    sizeFor(out.m_text, n);
    sizeFor(out.m_folded, n);
    out.m_found.clear();
    out.m_hidden.clear();
    char16_t *dst = reinterpret_cast<char16_t *>(out.m_text.data());
    auto *fold = reinterpret_cast<unsigned char *>(out.m_folded.data());
    const char16_t *src = text.utf16();
    const auto unwanted = [&](char16_t u) { return u == a || u == b || u == c || u == d; };
    qsizetype w = 0;
    qsizetype i = 0;
#if defined(TALLOWMERE_AVX2_SEARCH)
    if (hasAvx2())
        copyFoldAvx2(src, n, a, b, c, d, dst, fold, &i, &w);
#endif
#if defined(__SSE2__)
    // Eight plain ASCII characters without any of the four are copied and
    // folded whole; other runs go character by character.
    const __m128i va = _mm_set1_epi16(short(a));
    const __m128i vb = _mm_set1_epi16(short(b));
    const __m128i vc = _mm_set1_epi16(short(c));
    const __m128i vd = _mm_set1_epi16(short(d));
    const __m128i highBits = _mm_set1_epi16(short(0xFF80));
    const __m128i beforeA = _mm_set1_epi8('A' - 1);
    const __m128i afterZ = _mm_set1_epi8('Z' + 1);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)),
                                         _mm_or_si128(_mm_cmpeq_epi16(v, vc), _mm_cmpeq_epi16(v, vd)));
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, highBits), _mm_setzero_si128());
        if (_mm_movemask_epi8(ascii) == 0xFFFF) {
            const __m128i bytes = _mm_packus_epi16(v, v);
            const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(bytes, beforeA), _mm_cmplt_epi8(bytes, afterZ));
            const __m128i folded = _mm_or_si128(bytes, _mm_and_si128(upper, caseBit));
            const unsigned mask = unsigned(_mm_movemask_epi8(hit));
            if (mask == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + w), v);
                _mm_storel_epi64(reinterpret_cast<__m128i *>(fold + w), folded);
                w += 8;
                continue;
            }
            // Keep the wanted characters of this run, in order.
            alignas(16) unsigned char lanes[16];
            _mm_store_si128(reinterpret_cast<__m128i *>(lanes), folded);
            for (int lane = 0; lane < 8; ++lane) {
                dst[w] = src[i + lane];
                fold[w] = lanes[lane];
                w += (mask >> (2 * lane)) & 1 ? 0 : 1;
            }
            continue;
        }
        for (qsizetype k = i; k < i + 8; ++k) {
            if (unwanted(src[k]))
                continue;
            dst[w] = src[k];
            fold[w++] = foldByte(src[k]);
        }
    }
#endif
    for (; i < n; ++i) {
        if (unwanted(src[i]))
            continue;
        dst[w] = src[i];
        fold[w++] = foldByte(src[i]);
    }
    out.m_text.truncate(w);
    out.m_folded.truncate(w);
    out.countBytes();
}

void FoldedText::countBytes()
{
    // Every 128th byte is enough to tell common bytes from rare ones.
    m_counts.fill(0);
    for (qsizetype i = 0; i < m_folded.size(); i += 128)
        ++m_counts[static_cast<unsigned char>(m_folded[i])];
}

qsizetype FoldedText::foldedFind(const QByteArray &needle, qsizetype from) const
{
    if (from == 0) {
        for (const Found &f : std::as_const(m_found))
            if (f.needle == needle)
                return f.at;
    }
    qsizetype start = from;
    for (const Found &f : std::as_const(m_found)) {
        if (f.needle.size() > needle.size())
            continue;
        const qsizetype k = needle.indexOf(f.needle);
        if (k < 0)
            continue;
        if (f.at < 0)
            return -1;
        start = std::max(start, f.at - k);
    }
    const auto *hay = reinterpret_cast<const unsigned char *>(m_folded.constData());
    const qsizetype at = byteFind(hay, m_folded.size(), reinterpret_cast<const unsigned char *>(needle.constData()),
                                  needle.size(), start, m_counts.data());
    if (from == 0 && m_found.size() < 512)
        m_found.append({needle, at});
    return at;
}

void FoldedText::findEach(const QList<QStringView> &needles) const
{
    QList<QByteArray> wanted;
    wanted.reserve(needles.size());
    QByteArray folded;
    for (QStringView needle : needles) {
        // Needles that cannot be folded to bytes are left to find.
        if (!needle.isEmpty() && foldNeedle(needle, folded) && !wanted.contains(folded))
            wanted.append(folded);
    }
    const QList<qsizetype> at = FirstPositions(reinterpret_cast<const unsigned char *>(m_folded.constData()),
                                               m_folded.size(), wanted, m_counts.data());
    for (qsizetype k = 0; k < wanted.size(); ++k)
        m_found.append({wanted[k], at[k]});
}

qsizetype FoldedText::find(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const
{
    if (from < 0 || from > m_text.size())
        return -1;
    if (needle.isEmpty())
        return from;
    QByteArray folded;
    if (!foldNeedle(needle, folded)) {
        for (qsizetype at = from;; ++at) {
            at = QStringView(m_text).indexOf(needle, at, cs);
            if (at < 0 || !overlapsHidden(at, at + needle.size()))
                return at;
        }
    }

    for (;;) {
        const qsizetype at = foldedFind(folded, from);
        if (at < 0 || cs == Qt::CaseInsensitive)
            return at;
        // Equal in any letter case; an exact search also wants equal letters.
        if (QStringView(m_text).mid(at, needle.size()) == needle)
            return at;
        from = at + 1;
    }
}

void FoldedText::hide(qsizetype from, qsizetype to)
{
    from = std::clamp<qsizetype>(from, 0, m_text.size());
    to = std::clamp<qsizetype>(to, from, m_text.size());
    if (from == to)
        return;
    std::memset(m_folded.data() + from, 0, size_t(to - from));
    m_hidden.append({from, to});
    m_found.clear(); // positions found before may lie in the stretch
}

void FoldedText::leaveOut(const QList<std::pair<qsizetype, qsizetype>> &ranges)
{
    if (ranges.isEmpty())
        return;
    QChar *text = m_text.data();
    char *folded = m_folded.data();
    const qsizetype n = m_text.size();
    qsizetype w = 0;
    qsizetype from = 0;
    const auto keep = [&](qsizetype begin, qsizetype end) {
        if (end <= begin)
            return;
        if (w != begin) {
            std::memmove(text + w, text + begin, size_t(end - begin) * sizeof(QChar));
            std::memmove(folded + w, folded + begin, size_t(end - begin));
        }
        w += end - begin;
    };
    for (const auto &[begin, end] : ranges) {
        const qsizetype b = std::clamp<qsizetype>(begin, from, n);
        keep(from, b);
        from = std::clamp<qsizetype>(end, b, n);
    }
    keep(from, n);
    m_text.truncate(w);
    m_folded.truncate(w);
    m_found.clear();
    m_hidden.clear();
    countBytes();
}

QString FoldedText::searchableText() const
{
    QString out = m_text;
    for (const Stretch &s : m_hidden)
        std::fill(out.begin() + s.from, out.begin() + s.to, QChar(0));
    return out;
}

bool FoldedText::overlapsHidden(qsizetype from, qsizetype to) const
{
    return std::any_of(m_hidden.cbegin(), m_hidden.cend(), [&](const Stretch &s) { return from < s.to && s.from < to; });
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
