#include "engine/VornDsp.h"

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

    if ((inside[0] & inside[1] & inside[2] & inside[3]) == 0)
    {
        alignas(16) Lanes ym1, y0, y1, y2, t;
        for (size_t i = 0; i < 8; ++i)
        {
            const float* data = bank[i].buffer.data();
            const auto point = VornDsp::locate(n, position[i / 4][i % 4]);
            t[i] = point.t;
            ym1[i] = data[point.im1];
            y0[i] = data[point.i0];
            y1[i] = data[point.ip1];
            y2[i] = data[point.ip2];
        }
        for (size_t g = 0; g < 2; ++g)
        {
            r.ym1[g] = VornDsp::load4(ym1.data() + 4 * g);
            r.y0[g] = VornDsp::load4(y0.data() + 4 * g);
            r.y1[g] = VornDsp::load4(y1.data() + 4 * g);
            r.y2[g] = VornDsp::load4(y2.data() + 4 * g);
            r.t[g] = VornDsp::load4(t.data() + 4 * g);
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
        if ((contiguous[0] & contiguous[1] & contiguous[2] & contiguous[3]) != 0)
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

} // namespace

float VornDsp::processDelayBank(Bank& bank, float input, float decaySeconds, float rtLow, float rtHigh,
                                float sizeFactor, float modDepth, float modRateHz, int taps, float density) noexcept
{
    prepareBank(bank, decaySeconds, rtLow, rtHigh, sizeFactor, modDepth, taps, density);
    banksPrepared = false; // the next block prepares both banks for its own controls
    if (wideLanes && wideTankRunLimit(bank) > 0)
    {
        float out = 0.0f;
        runBankRunWide(bank, &input, &modRateHz, 1.0f, 1, &out);
        return out;
    }
    return runBank(bank, input, modRateHz);
}

void VornDsp::prepareBank(Bank& bank, float decaySeconds, float rtLow, float rtHigh, float sizeFactor, float modDepth,
                          int taps, float density) noexcept
{
    const auto sr = static_cast<float>(sampleRate);
    bank.taps = std::max(taps, 1);
    bank.depthSamples = (modDepth / 100.0f) * (1.3f + 0.9f * density);
    bank.inject = 0.13f + 0.05f * density;

    const float decay = std::max(decaySeconds, 0.15f);
    const float rl = juce::jlimit(0.5f, 2.0f, rtLow);
    const float rh = juce::jlimit(0.25f, 1.0f, rtHigh);
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
        {
            const Float4 x = reads.t[g];
            const Float4 one = splat(1.0f), two = splat(2.0f);
            // The Lagrange weights, the divisions by 6 and 2 as multiplications (within rounding).
            const Float4 sixth = splat(1.0f / 6.0f), half = splat(0.5f);
            const Float4 cm1 = -x * (x - one) * (x - two) * sixth;
            const Float4 c0 = (x + one) * (x - one) * (x - two) * half;
            const Float4 c1 = -(x + one) * x * (x - two) * half;
            const Float4 c2 = (x + one) * x * (x - one) * sixth;
            sum[g] = sum[g] + (cm1 * reads.ym1[g] + c0 * reads.y0[g] + c1 * reads.y1[g] + c2 * reads.y2[g]);
        }
    }

    alignas(16) Lanes o;
    for (size_t g = 0; g < 2; ++g)
        store4(o.data() + 4 * g, taps == 1 ? sum[g] : sum[g] / splat(tapCount));

    // The Hadamard mix (as hadamard()): two butterfly stages within each group of four, the third across.
    const float a0 = o[0] + o[1], a1 = o[0] - o[1], a2 = o[2] + o[3], a3 = o[2] - o[3];
    const float a4 = o[4] + o[5], a5 = o[4] - o[5], a6 = o[6] + o[7], a7 = o[6] - o[7];
    const Float4 low = Float4{a0 + a2, a1 + a3, a0 - a2, a1 - a3};
    const Float4 high = Float4{a4 + a6, a5 + a7, a4 - a6, a5 - a7};
    const Float4 m[2] = {(low + high) * splat(0.35355338f), (low - high) * splat(0.35355338f)};

    // The feedback filters of the eight lines.
    const Float4 cLow = splat(coeffs.c200);
    const Float4 cHigh = splat(coeffs.c2500);
    const Float4 injected = splat(input * bank.inject);
    alignas(16) Lanes v;
    Int4 beyond = splat(0);
    for (size_t h = 0; h < 8; h += 4)
    {
        const Float4 x = load4(bank.gain.data() + h) * m[h / 4];
        const Float4 lowY = cLow * (load4(bank.lowY.data() + h) + x - load4(bank.lowX1.data() + h));
        store4(bank.lowY.data() + h, lowY);
        store4(bank.lowX1.data() + h, x);
        const Float4 x2 = x + (load4(bank.lowGain.data() + h) - splat(1.0f)) * (x - lowY);
        const Float4 highY = cHigh * (load4(bank.highY.data() + h) + x2 - load4(bank.highX1.data() + h));
        store4(bank.highY.data() + h, highY);
        store4(bank.highX1.data() + h, x2);
        const Float4 x3 = x2 + (load4(bank.highGain.data() + h) - splat(1.0f)) * highY;
        const Float4 out = x3 + injected;
        store4(v.data() + h, out);
        beyond = beyond | (out > splat(0.92f)) | (out < splat(-0.92f));
    }
    if ((beyond[0] | beyond[1] | beyond[2] | beyond[3]) != 0)
        for (auto& x : v)
            x = softLimitTank(x);

    const int writeIndex = bank.writeIndex;
    for (size_t i = 0; i < 8; ++i)
        bank[i].buffer.data()[writeIndex] = v[i];
    bank.writeIndex = writeIndex + 1 < n ? writeIndex + 1 : 0;

    // The output comes from the unmixed reads.
    float out = 0.0f;
    for (float value : o)
        out = out + value;
    return out * 0.35355338f;
}

} // namespace vorn
