#include "engine/VornDsp.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace vorn
{

// Mutually prime-ish lengths, the right bank slightly longer so that the two sides decorrelate.
const std::array<int, 16> VornDsp::kLineLengths{1129, 1367, 1543, 1741, 1951, 2143, 2371, 2593,
                                                1187, 1409, 1601, 1789, 2003, 2213, 2437, 2657};

namespace
{
using Lanes = VornDsp::Bank::Lanes;

/** The four neighbours of the eight read positions (y[-1], y[0], y[1], y[2]) and the fractions, as two groups
    of four lanes. All lines have buffers of n samples; positions within n of the range (always, at ordinary
    sample rates) wrap with one select and the index arithmetic runs four lanes wide, anything else takes
    VornDsp::locate. Either way the result is that of VornDsp::locate. */
struct LaneReads
{
    VornDsp::Float4 ym1[2], y0[2], y1[2], y2[2], t[2];
};

LaneReads readLanes(const VornDsp::Bank& bank, int n, const VornDsp::Float4 (&position)[2]) noexcept
{
    using Float4 = VornDsp::Float4;
    using Int4 = VornDsp::Int4;
    const Float4 sizes = VornDsp::splat(static_cast<float>(n));
    const Int4 inside = (position[0] > -sizes) & (position[0] < sizes) & (position[1] > -sizes) & (position[1] < sizes);
    LaneReads r;

    if (!VornDsp::allLanes(inside))
    {
        for (size_t g = 0; g < 2; ++g)
        {
            const float* const data[4] = {bank[4 * g].buffer.data(), bank[4 * g + 1].buffer.data(),
                                          bank[4 * g + 2].buffer.data(), bank[4 * g + 3].buffer.data()};
            const auto e = VornDsp::locateEach(data, n, position[g]);
            r.ym1[g] = e.ym1;
            r.y0[g] = e.y0;
            r.y1[g] = e.y1;
            r.y2[g] = e.y2;
            r.t[g] = e.t;
        }
        return r;
    }

    const Int4 ns = VornDsp::splat(n), zero = VornDsp::splat(0), one = VornDsp::splat(1), two = VornDsp::splat(2);
    for (size_t g = 0; g < 2; ++g)
    {
        const Float4 p = VornDsp::select(position[g] < VornDsp::splat(0.0f), position[g] + sizes, position[g]);
        const Int4 whole = __builtin_convertvector(p, Int4); // p is not negative: truncation is the floor
        r.t[g] = p - __builtin_convertvector(whole, Float4);
        const Int4 k = VornDsp::select(whole >= ns, whole - ns, whole);
        const float* d0 = bank[4 * g].buffer.data();
        const float* d1 = bank[4 * g + 1].buffer.data();
        const float* d2 = bank[4 * g + 2].buffer.data();
        const float* d3 = bank[4 * g + 3].buffer.data();
        const Int4 contiguous = (k >= one) & (k < ns - two);
        if (VornDsp::allLanes(contiguous))
        {
            // No neighbour wraps: each line's four samples are adjacent, read at once and turned into lanes.
            r.ym1[g] = VornDsp::load4(d0 + k[0] - 1);
            r.y0[g] = VornDsp::load4(d1 + k[1] - 1);
            r.y1[g] = VornDsp::load4(d2 + k[2] - 1);
            r.y2[g] = VornDsp::load4(d3 + k[3] - 1);
            VornDsp::transpose(r.ym1[g], r.y0[g], r.y1[g], r.y2[g]);
            continue;
        }
        const Int4 km1 = VornDsp::select(k == zero, ns - one, k - one);
        const Int4 kp1 = VornDsp::select(k + one < ns, k + one, zero);
        const Int4 kp2 = VornDsp::select(k + two < ns, k + two, k + two - ns);
        r.ym1[g] = Float4{d0[km1[0]], d1[km1[1]], d2[km1[2]], d3[km1[3]]};
        r.y0[g] = Float4{d0[k[0]], d1[k[1]], d2[k[2]], d3[k[3]]};
        r.y1[g] = Float4{d0[kp1[0]], d1[kp1[1]], d2[kp1[2]], d3[kp1[3]]};
        r.y2[g] = Float4{d0[kp2[0]], d1[kp2[1]], d2[kp2[2]], d3[kp2[3]]};
    }
    return r;
}

/** Lagrange interpolation with the fractions x, four lanes as lagrangeRead; the divisions by 6 and 2 as
    multiplications (within rounding). */
VornDsp::Float4 lagrange(VornDsp::Float4 x, VornDsp::Float4 ym1, VornDsp::Float4 y0, VornDsp::Float4 y1,
                         VornDsp::Float4 y2) noexcept
{
    using Float4 = VornDsp::Float4;
    const Float4 one = VornDsp::splat(1.0f), two = VornDsp::splat(2.0f);
    const Float4 sixth = VornDsp::splat(1.0f / 6.0f), half = VornDsp::splat(0.5f);
    const Float4 cm1 = -x * (x - one) * (x - two) * sixth;
    const Float4 c0 = (x + one) * (x - one) * (x - two) * half;
    const Float4 c1 = -(x + one) * x * (x - two) * half;
    const Float4 c2 = (x + one) * x * (x - one) * sixth;
    return cm1 * ym1 + c0 * y0 + c1 * y1 + c2 * y2;
}

/** One line's reads for four successive samples at the given positions: four plain loads where the positions land
    one sample apart, as they usually do, else each located on its own; the values readLanes finds either way. */
VornDsp::Float4 readAcross(const float* data, int n, VornDsp::Float4 position) noexcept
{
    using Float4 = VornDsp::Float4;
    using Int4 = VornDsp::Int4;
    const Float4 size = VornDsp::splat(static_cast<float>(n));
    const Int4 inside = (position > -size) & (position < size);
    if (VornDsp::allLanes(inside))
    {
        const Float4 p = VornDsp::select(position < VornDsp::splat(0.0f), position + size, position);
        const Int4 whole = __builtin_convertvector(p, Int4); // p is not negative: truncation is the floor
        const Float4 t = p - __builtin_convertvector(whole, Float4);
        const Int4 k = VornDsp::select(whole >= VornDsp::splat(n), whole - VornDsp::splat(n), whole);
        const int first = k[0];
        const Int4 adjacent = k == VornDsp::splat(first) + Int4{0, 1, 2, 3};
        if (VornDsp::allLanes(adjacent) && first >= 1 && first + 3 < n - 2)
        {
            const float* at = data + first;
            return VornDsp::splat(0.0f) + lagrange(t, VornDsp::load4(at - 1), VornDsp::load4(at),
                                                   VornDsp::load4(at + 1), VornDsp::load4(at + 2));
        }
    }
    const float* const lanes[4] = {data, data, data, data};
    const auto e = VornDsp::locateEach(lanes, n, position);
    return VornDsp::splat(0.0f) + lagrange(e.t, e.ym1, e.y0, e.y1, e.y2);
}

using Float4 = VornDsp::Float4;
using Int4 = VornDsp::Int4;
constexpr float kTwoPi = VornDsp::kTwoPi;

/** The feedback filters' running state of a bank, in registers while a run of samples goes through them. */
struct FeedState
{
    Float4 lowX1[2], lowY[2], highX1[2], highY[2];

    explicit FeedState(const VornDsp::Bank& bank) noexcept
    {
        for (size_t g = 0; g < 2; ++g)
        {
            lowX1[g] = VornDsp::load4(bank.lowX1.data() + 4 * g);
            lowY[g] = VornDsp::load4(bank.lowY.data() + 4 * g);
            highX1[g] = VornDsp::load4(bank.highX1.data() + 4 * g);
            highY[g] = VornDsp::load4(bank.highY.data() + 4 * g);
        }
    }

    void storeTo(VornDsp::Bank& bank) const noexcept
    {
        for (size_t g = 0; g < 2; ++g)
        {
            VornDsp::store4(bank.lowX1.data() + 4 * g, lowX1[g]);
            VornDsp::store4(bank.lowY.data() + 4 * g, lowY[g]);
            VornDsp::store4(bank.highX1.data() + 4 * g, highX1[g]);
            VornDsp::store4(bank.highY.data() + 4 * g, highY[g]);
        }
    }
};

/** The orthonormal Hadamard mix of eight values in two groups of four, butterfly by butterfly as hadamard(): two
    stages within each group, the third across them. */
void hadamardOfGroups(Float4 lo, Float4 hi, Float4 (&mixed)[2]) noexcept
{
    using P = VornDsp;
    const auto twoStages = [](Float4 x)
    {
        const Float4 pairs = P::shuffle<1, 0, 3, 2>(x, x);
        const Float4 a = P::shuffle<0, 4, 2, 6>(x + pairs, x - pairs); // x0 + x1, x0 - x1, x2 + x3, x2 - x3
        const Float4 swapped = P::shuffle<2, 3, 0, 1>(a, a);
        return P::shuffle<0, 1, 4, 5>(a + swapped, a - swapped); // a0 + a2, a1 + a3, a0 - a2, a1 - a3
    };
    const Float4 low = twoStages(lo), high = twoStages(hi);
    mixed[0] = (low + high) * P::splat(0.35355338f);
    mixed[1] = (low - high) * P::splat(0.35355338f);
}

/** runBank's mix, feedback filters (their state in f) and soft limit for one sample: row holds the eight reads and
    receives the eight values to write. */
void mixAndFilter(const VornDsp::Bank& bank, FeedState& f, float* row, float input, float c200, float c2500) noexcept
{
    Float4 m[2];
    hadamardOfGroups(VornDsp::load4(row), VornDsp::load4(row + 4), m);

    // The feedback filters of the eight lines.
    const Float4 cLow = VornDsp::splat(c200);
    const Float4 cHigh = VornDsp::splat(c2500);
    const Float4 injected = VornDsp::splat(input * bank.inject);
    Int4 beyond = VornDsp::splat(0);
    for (size_t g = 0; g < 2; ++g)
    {
        const size_t h = 4 * g;
        const Float4 x = VornDsp::load4(bank.gain.data() + h) * m[g];
        f.lowY[g] = cLow * (f.lowY[g] + x - f.lowX1[g]);
        f.lowX1[g] = x;
        const Float4 x2 = x + (VornDsp::load4(bank.lowGain.data() + h) - VornDsp::splat(1.0f)) * (x - f.lowY[g]);
        f.highY[g] = cHigh * (f.highY[g] + x2 - f.highX1[g]);
        f.highX1[g] = x2;
        const Float4 x3 = x2 + (VornDsp::load4(bank.highGain.data() + h) - VornDsp::splat(1.0f)) * f.highY[g];
        const Float4 out = x3 + injected;
        VornDsp::store4(row + h, out);
        beyond = beyond | (out > VornDsp::splat(0.92f)) | (out < VornDsp::splat(-0.92f));
    }
    if (VornDsp::anyLane(beyond))
        for (int i = 0; i < 8; ++i)
            row[i] = VornDsp::softLimitTank(row[i]);
}

/** Writes count samples of eight values (rows of eight) into the bank's lines: four samples of a line at a time
    where they do not cross the end of the buffers, else one by one. */
void writeRows(VornDsp::Bank& bank, const float* rows, int count, int n) noexcept
{
    int write = bank.writeIndex;
    int j = 0;
    for (; j + 4 <= count && write + 4 <= n; j += 4, write += 4)
        for (int g = 0; g < 2; ++g)
        {
            Float4 four[4];
            for (int k = 0; k < 4; ++k)
                four[k] = VornDsp::load4(rows + 8 * (j + k) + 4 * g);
            VornDsp::transpose(four[0], four[1], four[2], four[3]);
            for (int k = 0; k < 4; ++k)
                VornDsp::store4(bank[static_cast<size_t>(4 * g + k)].buffer.data() + write, four[k]);
        }
    for (; j < count; ++j)
    {
        if (write >= n)
            write = 0;
        for (size_t i = 0; i < 8; ++i)
            bank[i].buffer.data()[write] = rows[8 * j + static_cast<int>(i)];
        ++write;
    }
    bank.writeIndex = write < n ? write : 0;
}

/** d > 8 ? d : 8 lane by lane (8 for a lane that is not a number), as the processor's maximum gives it. */
Float4 atLeastEight(Float4 d) noexcept
{
#if defined(__SSE__)
    return _mm_max_ps(d, _mm_set1_ps(8.0f));
#else
    return d > VornDsp::splat(8.0f) ? d : VornDsp::splat(8.0f);
#endif
}

/** The eight read positions of each of count samples of both banks (the right one's rates scaled by 1.13), in rows
    of eight; the banks side by side, so that their phase recursions overlap. */
void modulateBanks(VornDsp::Bank& left, VornDsp::Bank& right, const float* modRate, int count, int n, float* positionsL,
                   float* positionsR) noexcept
{
    VornDsp::Bank* const banks[2] = {&left, &right};
    constexpr float rateScale[2] = {1.0f, VornDsp::kRightBankRateScale};
    float* const positions[2] = {positionsL, positionsR};
    Float4 phase[2][2], rate[2][2], nominal[2][2], depth[2];
    int write[2];
    for (size_t b = 0; b < 2; ++b)
    {
        for (size_t g = 0; g < 2; ++g)
        {
            phase[b][g] = VornDsp::load4(banks[b]->phase.data() + 4 * g);
            rate[b][g] = VornDsp::load4(banks[b]->ratePerSample.data() + 4 * g);
            nominal[b][g] = VornDsp::load4(banks[b]->scaledNominal.data() + 4 * g);
        }
        depth[b] = VornDsp::splat(banks[b]->depthSamples);
        write[b] = banks[b]->writeIndex;
    }
    for (int j = 0; j < count; ++j)
        for (size_t b = 0; b < 2; ++b)
        {
            const float w = kTwoPi * (modRate[j] * rateScale[b]);
            for (size_t g = 0; g < 2; ++g)
            {
                // A phase past 2 pi drops by 2 pi; any other drops by +0, which leaves every value as it is.
                const Float4 advanced = phase[b][g] + VornDsp::splat(w) * rate[b][g];
                const Int4 past = advanced > VornDsp::splat(kTwoPi);
                phase[b][g] =
                    advanced - reinterpret_cast<Float4>(past & reinterpret_cast<Int4>(VornDsp::splat(kTwoPi)));
                const Float4 d = nominal[b][g] + depth[b] * VornDsp::fastSin(phase[b][g]);
                VornDsp::store4(positions[b] + 8 * j + 4 * static_cast<int>(g),
                                VornDsp::splat(static_cast<float>(write[b])) - atLeastEight(d));
            }
            write[b] = write[b] + 1 < n ? write[b] + 1 : 0;
        }
    for (size_t b = 0; b < 2; ++b)
        for (size_t g = 0; g < 2; ++g)
            VornDsp::store4(banks[b]->phase.data() + 4 * g, phase[b][g]);
}

/** The reads at the positions in `rows` (eight a sample), which they replace; the bank's output in out. */
void interpolateRun(const VornDsp::Bank& bank, float* rows, int count, int n, float* out) noexcept
{
    // Four samples at a time the rows of positions turn into columns, one line's positions of the four samples,
    // where neighbouring samples read neighbouring values; the reads replace the positions, rows again.
    int j = 0;
    for (; j + 4 <= count; j += 4)
    {
        float* row = rows + 8 * j;
        Float4 lines[8];
        for (int g = 0; g < 2; ++g)
        {
            Float4* four = lines + 4 * g;
            for (int k = 0; k < 4; ++k)
                four[k] = VornDsp::load4(row + 8 * k + 4 * g);
            VornDsp::transpose(four[0], four[1], four[2], four[3]);
        }
        Float4 total = VornDsp::splat(0.0f);
        for (size_t i = 0; i < 8; ++i)
        {
            lines[i] = readAcross(bank[i].buffer.data(), n, lines[i]);
            total = total + lines[i];
        }
        VornDsp::store4(out + j, total * VornDsp::splat(0.35355338f));
        for (int g = 0; g < 2; ++g)
        {
            Float4* four = lines + 4 * g;
            VornDsp::transpose(four[0], four[1], four[2], four[3]);
            for (int k = 0; k < 4; ++k)
                VornDsp::store4(row + 8 * k + 4 * g, four[k]);
        }
    }
    for (; j < count; ++j)
    {
        float* row = rows + 8 * j;
        const Float4 position[2] = {VornDsp::load4(row), VornDsp::load4(row + 4)};
        const auto reads = readLanes(bank, n, position);
        for (size_t g = 0; g < 2; ++g)
            VornDsp::store4(row + 4 * g, VornDsp::splat(0.0f) +
                                             lagrange(reads.t[g], reads.ym1[g], reads.y0[g], reads.y1[g], reads.y2[g]));
        float total = 0.0f;
        for (int i = 0; i < 8; ++i)
            total = total + row[i];
        out[j] = total * 0.35355338f;
    }
}

} // namespace

float VornDsp::processDelayBank(Bank& bank, float input, float decaySeconds, float rtLow, float rtHigh,
                                float sizeFactor, float modDepth, float modRateHz, int taps, float density) noexcept
{
    prepareBank(bank, decaySeconds, rtLow, rtHigh, sizeFactor, modDepth, taps, density);
    banksPrepared = false; // the next block prepares both banks for its own controls
    if (wideLanes && tankRunLimit(bank) > 0)
    {
        float out = 0.0f;
        runBankRunWide(bank, &input, &modRateHz, 1.0f, 1, &out);
        return out;
    }
    return runBank(bank, input, modRateHz);
}

int VornDsp::tankRunLimit(const Bank& bank) const noexcept
{
    // Reads lie between D - 2 and D + 1 samples behind a sample's write position, D being at least 8 and within
    // the depth of the scaled length; a margin of two more covers the rounding of the positions.
    if (bank.taps != 1)
        return 0;
    const int n = static_cast<int>(bank[0].buffer.size());
    const float depth = std::abs(bank.depthSamples) * 1.001f;
    float nearest = 8.0f, farthest = 8.0f;
    for (size_t i = 0; i < 8; ++i)
    {
        nearest = i == 0 ? bank.scaledNominal[i] - depth : std::min(nearest, bank.scaledNominal[i] - depth);
        farthest = std::max(farthest, bank.scaledNominal[i] + depth);
    }
    nearest = std::max(nearest, 8.0f);
    if (!(nearest < 1.0e6f && farthest < 1.0e6f)) // not finite, or no sensible line
        return 1;
    const int limit = std::min(static_cast<int>(nearest) - 4, n - static_cast<int>(std::ceil(farthest)) - 4);
    return std::max(1, std::min(limit, Chunk::kLength));
}

void VornDsp::prepareBank(Bank& bank, float decaySeconds, float rtLow, float rtHigh, float sizeFactor, float modDepth,
                          int taps, float density) noexcept
{
    const auto sr = static_cast<float>(sampleRate);
    bank.taps = std::max(taps, 1);
    bank.depthSamples = (modDepth / 100.0f) * (1.3f + 0.9f * density);
    bank.inject = 0.13f + 0.05f * density;

    const float decay = std::max(decaySeconds, 0.15f);
    const float rl = withinRange<parameterIndex("rtLow")>(rtLow);
    const float rh = withinRange<parameterIndex("rtHigh")>(rtHigh);
    const float fL = rl > 1.0f ? 1.0f + 1.9f * (rl - 1.0f) : rl;
    const float lowExp = 1.0f / fL - 1.0f;
    const float highExp = 1.0f / rh - 1.0f;

    for (size_t i = 0; i < 8; ++i)
    {
        bank.ratePerSample[i] = bank.rate[i] / sr;
        const float nominal = static_cast<float>(bank.length[i]) * sizeFactor;
        bank.scaledNominal[i] = nominal;
        const int scaledLength = std::max(8, juce::roundToInt(nominal));

        // A line loses 60 dB in `decay` seconds when every pass through it multiplies by g = 10^(-3*Ls/sr/T);
        // the band gains turn that into T*fL below 200 Hz and T*rh above 2500 Hz.
        if (scaledLength != bank.cachedLength[i] || decaySeconds != bank.cachedDecay[i] || rl != bank.cachedRtLow[i] ||
            rh != bank.cachedRtHigh[i])
        {
            // At sample rates below about 1 kHz g can underflow to 0, and 0 to the negative power of a raised
            // low band would be infinite: a floor far below audibility keeps the band gains finite.
            const float g = std::max(
                std::min(std::pow(10.0f, -3.0f * static_cast<float>(scaledLength) / sr / decay), 0.9995f), 1.0e-30f);
            bank.gain[i] = g;
            bank.lowGain[i] = std::pow(g, lowExp);
            bank.highGain[i] = std::pow(g, highExp);
            bank.cachedLength[i] = scaledLength;
            bank.cachedDecay[i] = decaySeconds;
            bank.cachedRtLow[i] = rl;
            bank.cachedRtHigh[i] = rh;
        }
    }
}

float VornDsp::runBank(Bank& bank, float input, float modRateHz) noexcept
{
    const int n = static_cast<int>(bank[0].buffer.size());
    const int taps = bank.taps;
    const auto tapCount = static_cast<float>(taps);
    const float w = kTwoPi * modRateHz;
    const auto write = static_cast<float>(bank.writeIndex);
    const float depthSamples = bank.depthSamples;

    // Modulated Lagrange reads of the eight lines, each step for all eight together in two groups of four
    // lanes; only the buffer lookups are done line by line.
    Float4 inc[2], sum[2] = {splat(0.0f), splat(0.0f)}, position[2];
    for (size_t g = 0; g < 2; ++g)
    {
        inc[g] = splat(w) * load4(bank.ratePerSample.data() + 4 * g);
        if (taps != 1) // x / 1 is x
            inc[g] = inc[g] / splat(tapCount);
    }

    for (int k = 0; k < taps; ++k)
    {
        for (size_t g = 0; g < 2; ++g)
        {
            const Float4 advanced = load4(bank.phase.data() + 4 * g) + inc[g];
            const Float4 phase = select(advanced > splat(kTwoPi), advanced - splat(kTwoPi), advanced);
            store4(bank.phase.data() + 4 * g, phase);
            const Float4 d = load4(bank.scaledNominal.data() + 4 * g) + splat(depthSamples) * fastSin(phase);
            position[g] = splat(write) - select(d > splat(8.0f), d, splat(8.0f));
        }
        const auto reads = readLanes(bank, n, position);
        for (size_t g = 0; g < 2; ++g)
            sum[g] = sum[g] + lagrange(reads.t[g], reads.ym1[g], reads.y0[g], reads.y1[g], reads.y2[g]);
    }

    alignas(16) Lanes o;
    for (size_t g = 0; g < 2; ++g)
        store4(o.data() + 4 * g, taps == 1 ? sum[g] : sum[g] / splat(tapCount));
    FeedState filters(bank);
    alignas(16) Lanes row = o;
    mixAndFilter(bank, filters, row.data(), input, coeffs.c200, coeffs.c2500);
    filters.storeTo(bank);
    writeRows(bank, row.data(), 1, n);

    // The output comes from the unmixed reads.
    float out = 0.0f;
    for (float value : o)
        out = out + value;
    return out * 0.35355338f;
}

void VornDsp::runBanksRun(const float* inputL, const float* inputR, const float* modRate, int count, float* outL,
                          float* outR) noexcept
{
    // runBank for count samples of both banks in three passes, as the wide tank does four lanes at a time: the read
    // positions, the reads (four samples along each line at a time), then the mix, filters and writes, the banks
    // side by side. The run limit keeps every read behind the run's first write.
    jassert(count <= Chunk::kLength && bankL.taps == 1 && bankR.taps == 1);
    const int n = static_cast<int>(bankL[0].buffer.size());
    alignas(16) std::array<float, 8 * Chunk::kLength> positionsL, positionsR;
    modulateBanks(bankL, bankR, modRate, count, n, positionsL.data(), positionsR.data());
    interpolateRun(bankL, positionsL.data(), count, n, outL);
    interpolateRun(bankR, positionsR.data(), count, n, outR);
    FeedState filtersL(bankL), filtersR(bankR);
    for (int j = 0; j < count; ++j)
    {
        mixAndFilter(bankL, filtersL, positionsL.data() + 8 * j, inputL[j], coeffs.c200, coeffs.c2500);
        mixAndFilter(bankR, filtersR, positionsR.data() + 8 * j, inputR[j], coeffs.c200, coeffs.c2500);
    }
    filtersL.storeTo(bankL);
    filtersR.storeTo(bankR);
    writeRows(bankL, positionsL.data(), count, n);
    writeRows(bankR, positionsR.data(), count, n);
}

} // namespace vorn
