#include "engine/VornDsp.h"

namespace vorn
{

// Mutually prime-ish lengths, the right bank slightly longer so that the two sides decorrelate.
const std::array<int, 16> VornDsp::kLineLengths{1129, 1367, 1543, 1741, 1951, 2143, 2371, 2593,
                                                1187, 1409, 1601, 1789, 2003, 2213, 2437, 2657};

VornDsp::Line VornDsp::makeLine(int length, float phase, float rate) const
{
    Line line;
    line.buffer.assign(static_cast<size_t>(std::max(8, juce::roundToInt(sampleRate))), 0.0f);
    line.length = length;
    line.phase = phase;
    line.rate = rate;
    return line;
}

namespace
{
/** The read points of the eight lines. When every line has the same length n (as prepare makes them) and every
    position lies within n of the range (always, at ordinary sample rates), a position wraps with one select and
    the lanes run four wide; otherwise each line takes the general route. Either way the result is that of
    VornDsp::locate. */
void locateLanes(const VornDsp::Bank& bank, const std::array<float, 8>& position,
                 std::array<VornDsp::ReadPoint, 8>& points, std::array<float, 8>& t) noexcept
{
    const int n = static_cast<int>(bank[0].buffer.size());
    const auto size = static_cast<float>(n);
    bool inRange = n >= 2;
    for (size_t i = 0; i < 8; ++i)
        inRange = inRange && static_cast<int>(bank[i].buffer.size()) == n && position[i] > -size && position[i] < size;

    if (!inRange)
    {
        for (size_t i = 0; i < 8; ++i)
        {
            points[i] = VornDsp::locate(static_cast<int>(bank[i].buffer.size()), position[i]);
            t[i] = points[i].t;
        }
        return;
    }

    alignas(16) std::array<int, 8> i0, im1, ip1, ip2;
    for (size_t i = 0; i < 8; ++i)
    {
        const float p = position[i] < 0.0f ? position[i] + size : position[i];
        const int whole = static_cast<int>(p); // p is not negative: truncation is the floor
        t[i] = p - static_cast<float>(whole);
        const int k = whole >= n ? whole - n : whole;
        i0[i] = k;
        im1[i] = k == 0 ? n - 1 : k - 1;
        ip1[i] = k + 1 < n ? k + 1 : 0;
        ip2[i] = k + 2 < n ? k + 2 : k + 2 - n;
    }
    for (size_t i = 0; i < 8; ++i)
        points[i] = {im1[i], i0[i], ip1[i], ip2[i], t[i]};
}

float softLimitTank(float v) noexcept
{
    if (v > 0.92f)
        v = 0.92f + 0.18f * std::tanh(5.0f * (v - 0.92f));
    if (v < -0.92f)
        v = -0.92f + 0.18f * std::tanh(5.0f * (v + 0.92f));
    return v;
}
} // namespace

float VornDsp::processDelayBank(Bank& bank, float input, float decaySeconds, float rtLow, float rtHigh,
                                float sizeFactor, float modDepth, float modRateHz, int taps, float density) noexcept
{
    const auto sr = static_cast<float>(sampleRate);
    taps = std::max(taps, 1);
    const auto tapCount = static_cast<float>(taps);
    const float depthSamples = (modDepth / 100.0f) * (1.3f + 0.9f * density);
    const float w = kTwoPi * modRateHz;

    // Modulated Lagrange reads of the eight lines, one step at a time for all eight together so that the
    // arithmetic runs four lanes wide; only the buffer lookups are done line by line.
    using Lanes = std::array<float, 8>;
    alignas(16) Lanes phase, inc, nominal, write, sum{}, sine, position, t, cm1, c0, c1, c2;
    std::array<ReadPoint, 8> points;
    for (size_t i = 0; i < 8; ++i)
    {
        phase[i] = bank[i].phase;
        inc[i] = bank[i].rate;
        nominal[i] = static_cast<float>(bank[i].length);
        write[i] = static_cast<float>(bank[i].writeIndex);
    }
    for (size_t i = 0; i < 8; ++i)
    {
        inc[i] = w * inc[i] / sr / tapCount;
        nominal[i] = nominal[i] * sizeFactor;
    }

    for (int k = 0; k < taps; ++k)
    {
        for (size_t i = 0; i < 8; ++i)
        {
            const float advanced = phase[i] + inc[i];
            phase[i] = advanced > kTwoPi ? advanced - kTwoPi : advanced;
        }
        for (size_t i = 0; i < 8; ++i)
            sine[i] = fastSin(phase[i]);
        for (size_t i = 0; i < 8; ++i)
        {
            const float d = nominal[i] + depthSamples * sine[i];
            position[i] = write[i] - (d > 8.0f ? d : 8.0f);
        }
        locateLanes(bank, position, points, t);
        for (size_t i = 0; i < 8; ++i)
        {
            const float x = t[i];
            cm1[i] = -x * (x - 1.0f) * (x - 2.0f) / 6.0f;
            c0[i] = (x + 1.0f) * (x - 1.0f) * (x - 2.0f) / 2.0f;
            c1[i] = -(x + 1.0f) * x * (x - 2.0f) / 2.0f;
            c2[i] = (x + 1.0f) * x * (x - 1.0f) / 6.0f;
        }
        for (size_t i = 0; i < 8; ++i)
        {
            const float* data = bank[i].buffer.data();
            const auto& r = points[i];
            sum[i] = sum[i] + (cm1[i] * data[r.im1] + c0[i] * data[r.i0] + c1[i] * data[r.ip1] + c2[i] * data[r.ip2]);
        }
    }

    Lanes o;
    for (size_t i = 0; i < 8; ++i)
    {
        bank[i].phase = phase[i];
        o[i] = taps == 1 ? sum[i] : sum[i] / tapCount; // x / 1 is x
    }

    const auto m = hadamard(o);

    const float decay = std::max(decaySeconds, 0.15f);
    const float rl = juce::jlimit(0.5f, 2.0f, rtLow);
    const float rh = juce::jlimit(0.25f, 1.0f, rtHigh);
    const float fL = rl > 1.0f ? 1.0f + 1.9f * (rl - 1.0f) : rl;
    const float lowExp = 1.0f / fL - 1.0f;
    const float highExp = 1.0f / rh - 1.0f;
    const float cLow = coeffs.c200;
    const float cHigh = coeffs.c2500;
    const float inject = 0.13f + 0.05f * density;

    for (size_t i = 0; i < 8; ++i)
    {
        Line& line = bank[i];
        const int scaledLength = std::max(8, juce::roundToInt(static_cast<float>(line.length) * sizeFactor));

        // A line loses 60 dB in `decay` seconds when every pass through it multiplies by g = 10^(-3*Ls/sr/T);
        // the band gains turn that into T*fL below 200 Hz and T*rh above 2500 Hz.
        if (scaledLength != line.cachedLength || decaySeconds != line.cachedDecay || rl != line.cachedRtLow ||
            rh != line.cachedRtHigh)
        {
            // At sample rates below about 1 kHz g can underflow to 0, and 0 to the negative power of a raised
            // low band would be infinite: a floor far below audibility keeps the band gains finite.
            const float g = std::max(
                std::min(std::pow(10.0f, -3.0f * static_cast<float>(scaledLength) / sr / decay), 0.9995f), 1.0e-30f);
            line.gain = g;
            line.lowGain = std::pow(g, lowExp);
            line.highGain = std::pow(g, highExp);
            line.cachedLength = scaledLength;
            line.cachedDecay = decaySeconds;
            line.cachedRtLow = rl;
            line.cachedRtHigh = rh;
        }
    }

    // The feedback filters of the eight lines, four lanes at a time.
    alignas(16) Lanes v, lowY, lowX1, highY, highX1, lowGain, highGain, gain;
    for (size_t i = 0; i < 8; ++i)
    {
        const Line& line = bank[i];
        gain[i] = line.gain;
        lowGain[i] = line.lowGain;
        highGain[i] = line.highGain;
        lowY[i] = line.lowSplit.y;
        lowX1[i] = line.lowSplit.x1;
        highY[i] = line.highSplit.y;
        highX1[i] = line.highSplit.x1;
    }
    const float injected = input * inject;
    bool limit = false;
    for (size_t i = 0; i < 8; ++i)
    {
        float x = gain[i] * m[i];
        lowY[i] = cLow * (lowY[i] + x - lowX1[i]);
        lowX1[i] = x;
        x = x + (lowGain[i] - 1.0f) * (x - lowY[i]);
        highY[i] = cHigh * (highY[i] + x - highX1[i]);
        highX1[i] = x;
        x = x + (highGain[i] - 1.0f) * highY[i];
        v[i] = x + injected;
        limit = limit || (v[i] > 0.92f || v[i] < -0.92f);
    }
    if (limit)
        for (auto& x : v)
            x = softLimitTank(x);

    for (size_t i = 0; i < 8; ++i)
    {
        Line& line = bank[i];
        line.lowSplit.y = lowY[i];
        line.lowSplit.x1 = lowX1[i];
        line.highSplit.y = highY[i];
        line.highSplit.x1 = highX1[i];
        line.buffer.data()[line.writeIndex] = v[i];
        if (++line.writeIndex >= static_cast<int>(line.buffer.size()))
            line.writeIndex = 0;
    }

    // The output comes from the unmixed reads.
    float out = 0.0f;
    for (float value : o)
        out = out + value;
    return out * 0.35355338f;
}

} // namespace vorn
