// The tank with each bank's eight lines in one 256-bit register, for processors with AVX2, a run of samples at a
// time in three passes: the modulated read positions, the interpolated reads, then the mix, the feedback filters
// and the writes. The reads of a run all lie behind the run's first write (the caller keeps runs short enough),
// so the order of the passes changes nothing. Every lane does exactly the operations of the four-lane code in
// Tank.cpp, in the same order and without fused multiply-adds: both give the same results bit for bit.
#include "engine/WideLanes.h"

#if VORN_WIDE_LANES

namespace vorn
{

namespace
{
using namespace wide;

/** y[-1], y[0], y[1], y[2] of line i in the low half and of line i + 4 in the high half. */
VORN_AVX2 inline F8 neighbours(const VornDsp::Bank& bank, const int* index, size_t i) noexcept
{
    const __m128 low = _mm_loadu_ps(bank[i].buffer.data() + index[i] - 1);
    const __m128 high = _mm_loadu_ps(bank[i + 4].buffer.data() + index[i + 4] - 1);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
}

/** The four neighbours of the eight read positions and their fractions. */
struct Reads8
{
    F8 ym1, y0, y1, y2, t;
};

/** Lane by lane through VornDsp::locate, which handles every position: lane i reads data[i]. */
VORN_AVX2 Reads8 locateEach(const float* const (&data)[8], int n, F8 position) noexcept
{
    alignas(32) float p[8], ym1[8], y0[8], y1[8], y2[8], t[8];
    _mm256_store_ps(p, position);
    for (size_t i = 0; i < 8; ++i)
    {
        const auto point = VornDsp::locate(n, p[i]);
        t[i] = point.t;
        ym1[i] = data[i][point.im1];
        y0[i] = data[i][point.i0];
        y1[i] = data[i][point.ip1];
        y2[i] = data[i][point.ip2];
    }
    return {_mm256_load_ps(ym1), _mm256_load_ps(y0), _mm256_load_ps(y1), _mm256_load_ps(y2), _mm256_load_ps(t)};
}

/** As readLanes in Tank.cpp: positions within a buffer length of the range wrap with one select and are read
    four neighbours at a time; anything else goes through VornDsp::locate. */
VORN_AVX2 Reads8 readLines(const VornDsp::Bank& bank, int n, F8 position) noexcept
{
    const F8 size = splat8(static_cast<float>(n));
    const F8 negativeSize = splat8(-static_cast<float>(n));
    Reads8 r;
    const F8 inside =
        _mm256_and_ps(_mm256_cmp_ps(position, negativeSize, _CMP_GT_OQ), _mm256_cmp_ps(position, size, _CMP_LT_OQ));
    if (!allLanes(inside))
    {
        const float* data[8];
        for (size_t i = 0; i < 8; ++i)
            data[i] = bank[i].buffer.data();
        return locateEach(data, n, position);
    }

    const F8 p =
        selectIf(_mm256_cmp_ps(position, _mm256_setzero_ps(), _CMP_LT_OQ), _mm256_add_ps(position, size), position);
    const I8 whole = _mm256_cvttps_epi32(p); // p is not negative: truncation is the floor
    r.t = _mm256_sub_ps(p, _mm256_cvtepi32_ps(whole));
    const I8 ns = _mm256_set1_epi32(n);
    // whole >= n as n - 1 < whole
    const I8 wraps = _mm256_cmpgt_epi32(whole, _mm256_set1_epi32(n - 1));
    const I8 k = _mm256_sub_epi32(whole, _mm256_and_si256(wraps, ns));
    alignas(32) int index[8];
    _mm256_store_si256(reinterpret_cast<I8*>(index), k);

    // 1 <= k < n - 2: no neighbour wraps.
    const I8 contiguous = _mm256_and_si256(_mm256_cmpgt_epi32(k, _mm256_setzero_si256()),
                                           _mm256_cmpgt_epi32(_mm256_set1_epi32(n - 2), k));
    if (_mm256_movemask_ps(_mm256_castsi256_ps(contiguous)) == 0xff)
    {
        // Each line's four samples are adjacent: load them at once (lines i and i + 4 share a register), then
        // turn rows into lanes.
        const F8 a = neighbours(bank, index, 0), b = neighbours(bank, index, 1);
        const F8 c = neighbours(bank, index, 2), d = neighbours(bank, index, 3);
        const F8 ab01 = _mm256_unpacklo_ps(a, b), ab23 = _mm256_unpackhi_ps(a, b);
        const F8 cd01 = _mm256_unpacklo_ps(c, d), cd23 = _mm256_unpackhi_ps(c, d);
        r.ym1 = _mm256_shuffle_ps(ab01, cd01, 0x44);
        r.y0 = _mm256_shuffle_ps(ab01, cd01, 0xee);
        r.y1 = _mm256_shuffle_ps(ab23, cd23, 0x44);
        r.y2 = _mm256_shuffle_ps(ab23, cd23, 0xee);
        return r;
    }

    alignas(32) float ym1[8], y0[8], y1[8], y2[8];
    for (size_t i = 0; i < 8; ++i)
    {
        const float* data = bank[i].buffer.data();
        const int k0 = index[i];
        ym1[i] = data[k0 == 0 ? n - 1 : k0 - 1];
        y0[i] = data[k0];
        y1[i] = data[k0 + 1 < n ? k0 + 1 : 0];
        y2[i] = data[k0 + 2 < n ? k0 + 2 : k0 + 2 - n];
    }
    r.ym1 = _mm256_load_ps(ym1);
    r.y0 = _mm256_load_ps(y0);
    r.y1 = _mm256_load_ps(y1);
    r.y2 = _mm256_load_ps(y2);
    return r;
}

/** The orthonormal Hadamard mix, butterfly by butterfly as hadamard(): each stage pairs every lane with its
    partner at distance 1, 2, then 4, the lower lane of a pair taking the sum and the upper the difference. */
VORN_AVX2 inline F8 hadamard8(F8 o) noexcept
{
    const F8 pairs = _mm256_permute_ps(o, 0xb1); // 1 0 3 2
    const F8 a = _mm256_blend_ps(_mm256_add_ps(o, pairs), _mm256_sub_ps(pairs, o), 0xaa);
    const F8 quads = _mm256_permute_ps(a, 0x4e); // 2 3 0 1
    const F8 b = _mm256_blend_ps(_mm256_add_ps(a, quads), _mm256_sub_ps(quads, a), 0xcc);
    const F8 halves = _mm256_permute2f128_ps(b, b, 1);
    const F8 c = _mm256_blend_ps(_mm256_add_ps(b, halves), _mm256_sub_ps(halves, b), 0xf0);
    return _mm256_mul_ps(c, splat8(0.35355338f));
}

/** VornDspPrimitives::fastSin of K registers of eight lanes at once, step by step, so that their chains of dependent
 * operations interleave. */
template <size_t K>
VORN_AVX2 inline void fastSin8Each(F8 (&x)[K]) noexcept
{
    const F8 round = splat8(12582912.0f);
    F8 r[K], r2[K], p[K];
    for (size_t k = 0; k < K; ++k)
    {
        const F8 turns = _mm256_sub_ps(_mm256_add_ps(_mm256_mul_ps(x[k], splat8(0.15915494f)), round), round);
        r[k] = _mm256_sub_ps(_mm256_sub_ps(x[k], _mm256_mul_ps(turns, splat8(6.28125f))),
                             _mm256_mul_ps(turns, splat8(1.9353072e-3f)));
    }
    for (size_t k = 0; k < K; ++k)
        r[k] = selectIf(_mm256_cmp_ps(r[k], splat8(1.57079633f), _CMP_GT_OQ), _mm256_sub_ps(splat8(3.14159265f), r[k]),
                        r[k]);
    for (size_t k = 0; k < K; ++k)
        r[k] = selectIf(_mm256_cmp_ps(r[k], splat8(-1.57079633f), _CMP_LT_OQ),
                        _mm256_sub_ps(splat8(-3.14159265f), r[k]), r[k]);
    for (size_t k = 0; k < K; ++k)
    {
        r2[k] = _mm256_mul_ps(r[k], r[k]);
        p[k] = _mm256_add_ps(splat8(2.7557319e-6f), _mm256_mul_ps(r2[k], splat8(-2.5052108e-8f)));
    }
    for (size_t k = 0; k < K; ++k)
        p[k] = _mm256_add_ps(splat8(-1.9841270e-4f), _mm256_mul_ps(r2[k], p[k]));
    for (size_t k = 0; k < K; ++k)
        p[k] = _mm256_add_ps(splat8(8.3333338e-3f), _mm256_mul_ps(r2[k], p[k]));
    for (size_t k = 0; k < K; ++k)
        p[k] = _mm256_add_ps(splat8(-1.6666667e-1f), _mm256_mul_ps(r2[k], p[k]));
    for (size_t k = 0; k < K; ++k)
        x[k] = _mm256_add_ps(r[k], _mm256_mul_ps(_mm256_mul_ps(r[k], r2[k]), p[k]));
}

/** Pass 1: each sample's eight read positions. The modulation phases advance sample by sample first (the banks
    side by side, so that their recursions overlap); their sines then go two samples of every bank at a time,
    interleaved, as nothing links one sample's to the next. */
template <size_t kBanks>
VORN_AVX2 void modulate(const std::array<VornDsp::Bank*, kBanks>& banks, const std::array<float, kBanks>& rateScale,
                        const float* modRate, int count, int n, const std::array<float*, kBanks>& positions) noexcept
{
    constexpr float kTwoPi = VornDsp::kTwoPi;
    const F8 twoPi = splat8(kTwoPi);
    F8 rate[kBanks], nominal[kBanks], depth[kBanks], phase[kBanks];
    for (size_t b = 0; b < kBanks; ++b)
    {
        rate[b] = _mm256_load_ps(banks[b]->ratePerSample.data());
        nominal[b] = _mm256_load_ps(banks[b]->scaledNominal.data());
        depth[b] = splat8(banks[b]->depthSamples);
        phase[b] = _mm256_load_ps(banks[b]->phase.data());
    }
    // The phases, stored where the positions go.
    for (int j = 0; j < count; ++j)
        for (size_t b = 0; b < kBanks; ++b)
        {
            const float w = kTwoPi * (modRate[j] * rateScale[b]);
            const F8 inc = _mm256_mul_ps(splat8(w), rate[b]);
            const F8 advanced = _mm256_add_ps(phase[b], inc);
            phase[b] = selectIf(_mm256_cmp_ps(advanced, twoPi, _CMP_GT_OQ), _mm256_sub_ps(advanced, twoPi), advanced);
            _mm256_store_ps(positions[b] + 8 * j, phase[b]);
        }
    for (size_t b = 0; b < kBanks; ++b)
        _mm256_store_ps(banks[b]->phase.data(), phase[b]);

    // The positions, two samples of every bank at a time (the last sample of an odd count twice).
    int write[kBanks];
    for (size_t b = 0; b < kBanks; ++b)
        write[b] = banks[b]->writeIndex;
    for (int j = 0; j < count; j += 2)
    {
        const int next = j + 1 < count ? j + 1 : j;
        F8 sines[2 * kBanks];
        for (size_t b = 0; b < kBanks; ++b)
        {
            sines[2 * b] = _mm256_load_ps(positions[b] + 8 * j);
            sines[2 * b + 1] = _mm256_load_ps(positions[b] + 8 * next);
        }
        fastSin8Each(sines);
        for (size_t b = 0; b < kBanks; ++b)
        {
            const int written[2] = {write[b], write[b] + 1 < n ? write[b] + 1 : 0};
            for (size_t k = 0; k < (next > j ? 2u : 1u); ++k)
            {
                const F8 d = _mm256_add_ps(nominal[b], _mm256_mul_ps(depth[b], sines[2 * b + k]));
                _mm256_store_ps(positions[b] + 8 * (j + static_cast<int>(k)),
                                _mm256_sub_ps(splat8(static_cast<float>(written[k])), _mm256_max_ps(d, splat8(8.0f))));
            }
            write[b] = written[1] + 1 < n ? written[1] + 1 : 0;
        }
    }
}

/** Rows to columns of an 8 x 8 block: on return r[i] holds element i of each of the eight rows. */
VORN_AVX2 inline void transpose8(F8 (&r)[8]) noexcept
{
    const F8 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
    const F8 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
    const F8 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
    const F8 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
    const F8 u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xee);
    const F8 u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xee);
    const F8 u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xee);
    const F8 u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xee);
    r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
    r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
    r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
    r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
    r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

/** Lagrange interpolation with the fractions x, lane by lane as lagrangeRead. */
VORN_AVX2 inline F8 lagrange(F8 x, F8 ym1, F8 y0, F8 y1, F8 y2) noexcept
{
    const F8 one = splat8(1.0f), two = splat8(2.0f), sixth = splat8(1.0f / 6.0f), half = splat8(0.5f),
             sign = splat8(-0.0f);
    const F8 xm1 = _mm256_sub_ps(x, one), xm2 = _mm256_sub_ps(x, two), xp1 = _mm256_add_ps(x, one);
    const F8 cm1 = _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(_mm256_xor_ps(x, sign), xm1), xm2), sixth);
    const F8 c0 = _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(xp1, xm1), xm2), half);
    const F8 c1 = _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(_mm256_xor_ps(xp1, sign), x), xm2), half);
    const F8 c2 = _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(xp1, x), xm1), sixth);
    const F8 value = _mm256_add_ps(
        _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(cm1, ym1), _mm256_mul_ps(c0, y0)), _mm256_mul_ps(c1, y1)),
        _mm256_mul_ps(c2, y2));
    // One tap: the sum over taps is the value itself (0 + v is v, and v / 1 is v).
    return _mm256_add_ps(_mm256_setzero_ps(), value);
}

/** One line's reads for eight successive samples at the given positions. Positions one sample apart usually
    land one sample apart, and then the four neighbours of all eight are four plain loads; otherwise each is
    located on its own. Either way the values are those readLines finds. */
VORN_AVX2 F8 readAcross(const float* data, int n, F8 position) noexcept
{
    const F8 size = splat8(static_cast<float>(n));
    const F8 inside = _mm256_and_ps(_mm256_cmp_ps(position, splat8(-static_cast<float>(n)), _CMP_GT_OQ),
                                    _mm256_cmp_ps(position, size, _CMP_LT_OQ));
    if (allLanes(inside))
    {
        const F8 p =
            selectIf(_mm256_cmp_ps(position, _mm256_setzero_ps(), _CMP_LT_OQ), _mm256_add_ps(position, size), position);
        const I8 whole = _mm256_cvttps_epi32(p); // p is not negative: truncation is the floor
        const F8 t = _mm256_sub_ps(p, _mm256_cvtepi32_ps(whole));
        const I8 wraps = _mm256_cmpgt_epi32(whole, _mm256_set1_epi32(n - 1));
        const I8 k = _mm256_sub_epi32(whole, _mm256_and_si256(wraps, _mm256_set1_epi32(n)));
        const int first = _mm256_cvtsi256_si32(k);
        const I8 steps = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const I8 adjacent = _mm256_cmpeq_epi32(k, _mm256_add_epi32(_mm256_set1_epi32(first), steps));
        if (_mm256_movemask_ps(_mm256_castsi256_ps(adjacent)) == 0xff && first >= 1 && first + 7 < n - 2)
        {
            const float* at = data + first;
            return lagrange(t, _mm256_loadu_ps(at - 1), _mm256_loadu_ps(at), _mm256_loadu_ps(at + 1),
                            _mm256_loadu_ps(at + 2));
        }
    }
    const float* const lanes[8] = {data, data, data, data, data, data, data, data};
    const Reads8 r = locateEach(lanes, n, position);
    return lagrange(r.t, r.ym1, r.y0, r.y1, r.y2);
}

/** Pass 2: the Lagrange reads at those positions, and the bank's output, the reads summed in line order. Eight
    samples at a time the positions turn to run along each line, where neighbouring samples read neighbouring
    values; the reads turn back for pass 3. */
VORN_AVX2 void interpolate(const VornDsp::Bank& bank, const float* positions, int count, int n, float* reads,
                           float* out) noexcept
{
    int j = 0;
    for (; j + 8 <= count; j += 8)
    {
        F8 lines[8];
        for (int k = 0; k < 8; ++k)
            lines[k] = _mm256_load_ps(positions + 8 * (j + k));
        transpose8(lines);
        F8 total = _mm256_setzero_ps();
        for (size_t i = 0; i < 8; ++i)
        {
            lines[i] = readAcross(bank[i].buffer.data(), n, lines[i]);
            total = _mm256_add_ps(total, lines[i]);
        }
        _mm256_storeu_ps(out + j, _mm256_mul_ps(total, splat8(0.35355338f)));
        transpose8(lines);
        for (int k = 0; k < 8; ++k)
            _mm256_store_ps(reads + 8 * (j + k), lines[k]);
    }
    for (; j < count; ++j)
    {
        const Reads8 r = readLines(bank, n, _mm256_load_ps(positions + 8 * j));
        const F8 o = lagrange(r.t, r.ym1, r.y0, r.y1, r.y2);
        float* lanes = reads + 8 * j;
        _mm256_store_ps(lanes, o);
        float total = 0.0f;
        for (int i = 0; i < 8; ++i)
            total = total + lanes[i];
        out[j] = total * 0.35355338f;
    }
}

/** The writes of pass 3, eight samples of a line at a time where the run does not cross the end of the buffers. */
VORN_AVX2 void writeRows(VornDsp::Bank& bank, const float* rows, int count, int n) noexcept
{
    std::array<float*, 8> lines;
    for (size_t i = 0; i < 8; ++i)
        lines[i] = bank[i].buffer.data();
    int write = bank.writeIndex;
    int j = 0;
    for (; j + 8 <= count && write + 8 <= n; j += 8, write += 8)
    {
        F8 block[8];
        for (int k = 0; k < 8; ++k)
            block[k] = _mm256_load_ps(rows + 8 * (j + k));
        transpose8(block);
        for (size_t i = 0; i < 8; ++i)
            _mm256_storeu_ps(lines[i] + write, block[i]);
    }
    for (; j < count; ++j)
    {
        if (write >= n)
            write = 0;
        for (size_t i = 0; i < 8; ++i)
            lines[i][write] = rows[8 * j + static_cast<int>(i)];
        ++write;
    }
    bank.writeIndex = write < n ? write : 0;
}

/** The feedback filters' running state of one bank in registers. */
struct FeedState
{
    F8 gain, lowGain, highGain, lowX1, lowY, highX1, highY;
    float inject;
};

/** Pass 3: mix, band-split decay filters, input and soft limit, sample by sample (the banks side by side, so that
    their filter recursions overlap), each sample's eight values replacing its reads in `rows`; then the writes,
    eight samples of a line at a time where the run does not cross the end of the buffers. */
template <size_t kBanks>
VORN_AVX2 void feed(const std::array<VornDsp::Bank*, kBanks>& banks, const std::array<float*, kBanks>& rows,
                    const std::array<const float*, kBanks>& input, int count, int n, float c200, float c2500) noexcept
{
    const F8 one = splat8(1.0f);
    const F8 cLow = splat8(c200), cHigh = splat8(c2500);
    FeedState state[kBanks];
    for (size_t b = 0; b < kBanks; ++b)
    {
        const auto& bank = *banks[b];
        state[b] = {_mm256_load_ps(bank.gain.data()),
                    _mm256_sub_ps(_mm256_load_ps(bank.lowGain.data()), one),
                    _mm256_sub_ps(_mm256_load_ps(bank.highGain.data()), one),
                    _mm256_load_ps(bank.lowX1.data()),
                    _mm256_load_ps(bank.lowY.data()),
                    _mm256_load_ps(bank.highX1.data()),
                    _mm256_load_ps(bank.highY.data()),
                    bank.inject};
    }
    for (int j = 0; j < count; ++j)
        for (size_t b = 0; b < kBanks; ++b)
        {
            auto& f = state[b];
            float* row = rows[b] + 8 * j;
            const F8 x = _mm256_mul_ps(f.gain, hadamard8(_mm256_load_ps(row)));
            f.lowY = _mm256_mul_ps(cLow, _mm256_sub_ps(_mm256_add_ps(f.lowY, x), f.lowX1));
            f.lowX1 = x;
            const F8 x2 = _mm256_add_ps(x, _mm256_mul_ps(f.lowGain, _mm256_sub_ps(x, f.lowY)));
            f.highY = _mm256_mul_ps(cHigh, _mm256_sub_ps(_mm256_add_ps(f.highY, x2), f.highX1));
            f.highX1 = x2;
            const F8 x3 = _mm256_add_ps(x2, _mm256_mul_ps(f.highGain, f.highY));
            const F8 out = _mm256_add_ps(x3, splat8(input[b][j] * f.inject));
            _mm256_store_ps(row, out);
            const F8 beyond = _mm256_or_ps(_mm256_cmp_ps(out, splat8(0.92f), _CMP_GT_OQ),
                                           _mm256_cmp_ps(out, splat8(-0.92f), _CMP_LT_OQ));
            if (_mm256_movemask_ps(beyond) != 0)
                for (int i = 0; i < 8; ++i)
                    row[i] = VornDsp::softLimitTank(row[i]);
        }
    for (size_t b = 0; b < kBanks; ++b)
    {
        auto& bank = *banks[b];
        _mm256_store_ps(bank.lowX1.data(), state[b].lowX1);
        _mm256_store_ps(bank.lowY.data(), state[b].lowY);
        _mm256_store_ps(bank.highX1.data(), state[b].highX1);
        _mm256_store_ps(bank.highY.data(), state[b].highY);
        writeRows(bank, rows[b], count, n);
    }
}

} // namespace

void VornDsp::runBankRunWide(Bank& bank, const float* input, const float* modRate, float rateScale, int count,
                             float* out) noexcept
{
    jassert(count <= Chunk::kLength && bank.taps == 1);
    const int n = static_cast<int>(bank[0].buffer.size());
    alignas(32) std::array<float, 8 * Chunk::kLength> positions, reads;
    modulate<1>({&bank}, {rateScale}, modRate, count, n, {positions.data()});
    interpolate(bank, positions.data(), count, n, reads.data(), out);
    feed<1>({&bank}, {reads.data()}, {input}, count, n, coeffs.c200, coeffs.c2500);
}

void VornDsp::runBanksRunWide(const float* inputL, const float* inputR, const float* modRate, int count, float* outL,
                              float* outR) noexcept
{
    jassert(count <= Chunk::kLength && bankL.taps == 1 && bankR.taps == 1);
    const int n = static_cast<int>(bankL[0].buffer.size());
    alignas(32) std::array<float, 8 * Chunk::kLength> positionsL, positionsR, readsL, readsR;
    modulate<2>({&bankL, &bankR}, {1.0f, kRightBankRateScale}, modRate, count, n,
                {positionsL.data(), positionsR.data()});
    interpolate(bankL, positionsL.data(), count, n, readsL.data(), outL);
    interpolate(bankR, positionsR.data(), count, n, readsR.data(), outR);
    feed<2>({&bankL, &bankR}, {readsL.data(), readsR.data()}, {inputL, inputR}, count, n, coeffs.c200, coeffs.c2500);
}

bool VornDsp::wideLanesAvailable() noexcept
{
    return __builtin_cpu_supports("avx2");
}

} // namespace vorn

#else

namespace vorn
{
void VornDsp::runBankRunWide(Bank&, const float*, const float*, float, int, float*) noexcept
{
    jassertfalse;
}

void VornDsp::runBanksRunWide(const float*, const float*, const float*, int, float*, float*) noexcept
{
    jassertfalse;
}

bool VornDsp::wideLanesAvailable() noexcept
{
    return false;
}
} // namespace vorn
#endif
