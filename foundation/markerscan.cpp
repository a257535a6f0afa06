#include "foundation/markerscan.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TALLOWMERE_AVX2_SCAN 1
#endif

namespace basGeneral::PageText {

namespace {

// Each needle is fingerprinted by three consecutive bytes of it (its rarest
// three). Needles share eight buckets; for each of the three fingerprint
// bytes, two sixteen-entry tables (by low and by high half of the byte) tell
// which buckets have a fingerprint with that half there. A position whose
// three bytes leave a bucket bit set in all six lookups is a candidate, and
// only the needles of that bucket are compared there.
constexpr int kPrint = 3; // the fingerprint check in verify compares three bytes
constexpr int kBuckets = 8;

struct Needle
{
    const unsigned char *bytes;
    qsizetype size;
    qsizetype print; // offset of the fingerprint within the needle
    int index;       // into the result
};

int commonness(unsigned char b)
{
    static constexpr char kByFrequency[] = " etaoinsr<>\"=lcdph/um-fg.bv:yw_k;x01j23q#45z6789&()[]%!,?";
    const char *at = b == 0 ? nullptr : static_cast<const char *>(std::memchr(kByFrequency, b, sizeof kByFrequency - 1));
    return at ? int(sizeof kByFrequency) - int(at - kByFrequency) : 0;
}

qsizetype rarestPrint(const unsigned char *bytes, qsizetype size, const quint32 *counts)
{
    const auto weight = [&](unsigned char b) { return (quint64(counts ? counts[b] : 0) << 8) | quint64(commonness(b)); };
    qsizetype best = 0;
    quint64 bestWeight = ~quint64(0);
    for (qsizetype o = 0; o + kPrint <= size; ++o) {
        quint64 w = 0;
        for (int j = 0; j < kPrint; ++j)
            w += weight(bytes[o + j]);
        if (w < bestWeight) {
            bestWeight = w;
            best = o;
        }
    }
    return best;
}

class Scanner
{
public:
    Scanner(const unsigned char *hay, qsizetype n, QList<qsizetype> &found) : m_hay(hay), m_n(n), m_found(found) {}

    void add(const Needle &needle) { m_needles.push_back(needle); }

    void run()
    {
        if (m_needles.empty())
            return;
        // Needles with like fingerprints share a bucket, so the tables stay selective.
        std::sort(m_needles.begin(), m_needles.end(), [](const Needle &a, const Needle &b) {
            return std::memcmp(a.bytes + a.print, b.bytes + b.print, kPrint) < 0;
        });
        const size_t count = m_needles.size();
        for (size_t k = 0; k < count; ++k)
            m_buckets[k * kBuckets / count].push_back(m_needles[k]);
        m_remaining = int(count);
        rebuildTables();

        qsizetype i = 0;
#if defined(TALLOWMERE_AVX2_SCAN)
        if (__builtin_cpu_supports("avx512bw"))
            i = scanAvx512();
        if (__builtin_cpu_supports("avx2"))
            i = scanAvx2(i);
#endif
        for (; m_remaining > 0 && i + kPrint <= m_n; ++i) {
            unsigned bits = 0xFF;
            for (int j = 0; j < kPrint; ++j)
                bits &= m_lo[j][m_hay[i + j] & 15] & m_hi[j][m_hay[i + j] >> 4];
            if (bits)
                verify(i, bits);
        }
    }

private:
    void rebuildTables()
    {
        std::memset(m_lo, 0, sizeof m_lo);
        std::memset(m_hi, 0, sizeof m_hi);
        for (int b = 0; b < kBuckets; ++b) {
            for (const Needle &needle : m_buckets[b]) {
                if (m_found[needle.index] >= 0)
                    continue;
                for (int j = 0; j < kPrint; ++j) {
                    const unsigned char c = needle.bytes[needle.print + j];
                    m_lo[j][c & 15] |= uint8_t(1u << b);
                    m_hi[j][c >> 4] |= uint8_t(1u << b);
                }
            }
        }
        m_stale = false;
    }

    // Compares the needles of the candidate buckets whose fingerprint would
    // start at `at`.
    void verify(qsizetype at, unsigned bits)
    {
        while (bits) {
            const int b = __builtin_ctz(bits);
            bits &= bits - 1;
            for (const Needle &needle : m_buckets[b]) {
                // Most candidates share only halves of bytes with a
                // fingerprint; the fingerprint itself rules them out.
                const unsigned char *print = needle.bytes + needle.print;
                if (m_hay[at] != print[0] || m_hay[at + 1] != print[1] || m_hay[at + 2] != print[2])
                    continue;
                if (m_found[needle.index] >= 0)
                    continue;
                const qsizetype start = at - needle.print;
                if (start < 0 || start + needle.size > m_n)
                    continue;
                if (std::memcmp(m_hay + start, needle.bytes, size_t(needle.size)) == 0) {
                    m_found[needle.index] = start;
                    --m_remaining;
                    m_stale = true;
                }
            }
        }
    }

#if defined(TALLOWMERE_AVX2_SCAN)
    // 32 positions at a time from `from`; returns the first position not
    // examined.
    __attribute__((target("avx2"))) qsizetype scanAvx2(qsizetype from)
    {
        const __m256i nibble = _mm256_set1_epi8(15);
        __m256i lo[kPrint], hi[kPrint];
        for (int j = 0; j < kPrint; ++j) {
            lo[j] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(m_lo[j])));
            hi[j] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(m_hi[j])));
        }
        qsizetype i = from;
        for (; m_remaining > 0 && i + 32 + kPrint - 1 <= m_n; i += 32) {
            __m256i hits = _mm256_set1_epi8(char(0xFF));
            for (int j = 0; j < kPrint; ++j) {
                const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(m_hay + i + j));
                const __m256i low = _mm256_shuffle_epi8(lo[j], _mm256_and_si256(v, nibble));
                const __m256i high = _mm256_shuffle_epi8(hi[j], _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble));
                hits = _mm256_and_si256(hits, _mm256_and_si256(low, high));
            }
            quint32 lanes = ~quint32(_mm256_movemask_epi8(_mm256_cmpeq_epi8(hits, _mm256_setzero_si256())));
            if (Q_LIKELY(lanes == 0))
                continue;
            alignas(32) uint8_t bits[32];
            _mm256_store_si256(reinterpret_cast<__m256i *>(bits), hits);
            while (lanes) {
                const int lane = __builtin_ctz(lanes);
                lanes &= lanes - 1;
                verify(i + lane, bits[lane]);
            }
            if (m_stale) {
                rebuildTables();
                for (int j = 0; j < kPrint; ++j) {
                    lo[j] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(m_lo[j])));
                    hi[j] = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(m_hi[j])));
                }
            }
        }
        return i;
    }

    // The same, 64 positions at a time where the processor has AVX-512.
    __attribute__((target("avx512bw"))) qsizetype scanAvx512()
    {
        const __m512i nibble = _mm512_set1_epi8(15);
        __m512i lo[kPrint], hi[kPrint];
        for (int j = 0; j < kPrint; ++j) {
            lo[j] = _mm512_broadcast_i32x4(_mm_loadu_si128(reinterpret_cast<const __m128i *>(m_lo[j])));
            hi[j] = _mm512_broadcast_i32x4(_mm_loadu_si128(reinterpret_cast<const __m128i *>(m_hi[j])));
        }
        qsizetype i = 0;
        for (; m_remaining > 0 && i + 64 + kPrint - 1 <= m_n; i += 64) {
            __m512i hits = _mm512_set1_epi8(char(0xFF));
            for (int j = 0; j < kPrint; ++j) {
                const __m512i v = _mm512_loadu_si512(m_hay + i + j);
                const __m512i low = _mm512_shuffle_epi8(lo[j], _mm512_and_si512(v, nibble));
                const __m512i high = _mm512_shuffle_epi8(hi[j], _mm512_and_si512(_mm512_srli_epi16(v, 4), nibble));
                hits = _mm512_and_si512(hits, _mm512_and_si512(low, high));
            }
            quint64 lanes = _mm512_test_epi8_mask(hits, hits);
            if (Q_LIKELY(lanes == 0))
                continue;
            alignas(64) uint8_t bits[64];
            _mm512_store_si512(bits, hits);
            while (lanes) {
                const int lane = __builtin_ctzll(lanes);
                lanes &= lanes - 1;
                verify(i + lane, bits[lane]);
            }
            if (m_stale) {
                rebuildTables();
                for (int j = 0; j < kPrint; ++j) {
                    lo[j] = _mm512_broadcast_i32x4(_mm_loadu_si128(reinterpret_cast<const __m128i *>(m_lo[j])));
                    hi[j] = _mm512_broadcast_i32x4(_mm_loadu_si128(reinterpret_cast<const __m128i *>(m_hi[j])));
                }
            }
        }
        return i;
    }
#endif

    const unsigned char *m_hay;
    qsizetype m_n;
    QList<qsizetype> &m_found;
    std::vector<Needle> m_needles;
    std::array<std::vector<Needle>, kBuckets> m_buckets;
    alignas(16) uint8_t m_lo[kPrint][16];
    alignas(16) uint8_t m_hi[kPrint][16];
    int m_remaining = 0;
    bool m_stale = false;
};

} // namespace

QList<qsizetype> FirstPositions(const unsigned char *hay, qsizetype n, const QList<QByteArray> &needles,
                                const quint32 *counts)
{
    QList<qsizetype> found(needles.size(), -1);
    Scanner scanner(hay, n, found);
    for (qsizetype k = 0; k < needles.size(); ++k) {
        const auto *bytes = reinterpret_cast<const unsigned char *>(needles[k].constData());
        const qsizetype size = needles[k].size();
        if (size == 0) {
            found[k] = 0;
        } else if (size < kPrint) {
            // Too short for a fingerprint: searched on its own.
            const void *hit = memmem(hay, size_t(n), bytes, size_t(size));
            found[k] = hit ? static_cast<const unsigned char *>(hit) - hay : -1;
        } else {
            scanner.add({bytes, size, rarestPrint(bytes, size, counts), int(k)});
        }
    }
    scanner.run();
    return found;
}

} // namespace basGeneral::PageText
