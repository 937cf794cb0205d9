#pragma once

#include <juce_core/juce_core.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace vorn
{

/** The building blocks every stage of the engine is made of. VornDsp derives from this class, so the
    blocks are reached as VornDsp::OnePoleLP, VornDsp::lagrangeRead and so on. All are allocation-free
    except the prepare functions, and run per sample on the audio thread. */
class VornDspPrimitives
{
public:
    static constexpr float kTwoPi = juce::MathConstants<float>::twoPi;

    /** exp(-2*pi*fc/sampleRate), the coefficient of every one-pole filter of the engine. */
    static float onePoleCoefficient(float cutoffHz, float sampleRate) noexcept
    {
        return std::exp(-kTwoPi * cutoffHz / sampleRate);
    }

    /** One-pole low-pass; processWith takes a coefficient computed beforehand by onePoleCoefficient. */
    class OnePoleLP
    {
    public:
        float process(float x, float cutoffHz, float sampleRate) noexcept
        {
            return processWith(x, onePoleCoefficient(cutoffHz, sampleRate));
        }

        float processWith(float x, float c) noexcept
        {
            z = z + (1.0f - c) * (x - z);
            return z;
        }

        void reset() noexcept { z = 0.0f; }

        float z = 0.0f;
    };

    /** One-pole high-pass; processWith takes a coefficient computed beforehand by onePoleCoefficient. */
    class OnePoleHP
    {
    public:
        float process(float x, float cutoffHz, float sampleRate) noexcept
        {
            return processWith(x, onePoleCoefficient(cutoffHz, sampleRate));
        }

        float processWith(float x, float c) noexcept
        {
            y = c * (y + x - x1);
            x1 = x;
            return y;
        }

        void reset() noexcept { x1 = y = 0.0f; }

        float x1 = 0.0f;
        float y = 0.0f;
    };

    /** Peaking equaliser (Audio EQ Cookbook), direct form I, coefficients computed on every call. */
    class BiquadPeak
    {
    public:
        float process(float x, float centreHz, float q, float gainDb, float sampleRate) noexcept
        {
            const float a = std::pow(10.0f, gainDb / 40.0f);
            const float w0 = centreHz < 20.0f ? kTwoPi * 20.0f / sampleRate
                                              : kTwoPi * std::min(centreHz, 0.45f * sampleRate) / sampleRate;
            const float alpha = std::sin(w0) / (2.0f * std::max(q, 0.1f));
            const float a0 = 1.0f + alpha / a;
            const float b0 = (1.0f + alpha * a) / a0;
            const float b1 = -2.0f * std::cos(w0) / a0;
            const float b2 = (1.0f - alpha * a) / a0;
            const float a1 = b1;
            const float a2 = (1.0f - alpha / a) / a0;
            const float out = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = out;
            return out;
        }

        void reset() noexcept { x1 = x2 = y1 = y2 = 0.0f; }

        float x1 = 0.0f;
        float x2 = 0.0f;
        float y1 = 0.0f;
        float y2 = 0.0f;
    };

    /** Recirculating delay used for all diffusion: w[n] = x[n] + g*w[n-N], out[n] = w[n-N] - x[n]. */
    class AllpassDiffuser
    {
    public:
        void prepare(double sampleRate, float ms, float coefficient)
        {
            const auto length = std::max(8, juce::roundToInt(static_cast<double>(ms) * sampleRate / 1000.0));
            buffer.assign(static_cast<size_t>(length), 0.0f);
            gain = coefficient;
            index = 0;
        }

        void reset() noexcept
        {
            std::fill(buffer.begin(), buffer.end(), 0.0f);
            index = 0;
        }

        float process(float x) noexcept
        {
            float* data = buffer.data();
            const float y = data[index];
            data[index] = x + gain * y;
            if (++index >= static_cast<int>(buffer.size()))
                index = 0;
            return y - x;
        }

        /** process() over count samples (out may be in). The buffer is at least eight samples long, and a
            stretch up to its end holds only samples written at least a buffer length ago: within one the
            samples are independent and go four at a time. */
        void processRun(const float* in, float* out, int count) noexcept;

        std::vector<float> buffer;
        float gain = 0.5f;
        int index = 0;
    };

    /** Two diffusers in series, blended with the input by amount. */
    static float diffuse(float x, std::array<AllpassDiffuser, 2>& pair, float amount) noexcept
    {
        const float a = pair[0].process(x);
        const float b = pair[1].process(a);
        return x * (1.0f - amount) + b * amount;
    }

    /** diffuse() over count samples (out may be in); scratch holds count samples. */
    static void diffuseRun(const float* in, float* out, float* scratch, int count, std::array<AllpassDiffuser, 2>& pair,
                           float amount) noexcept;

    /** The index d samples behind write in a circular buffer of n, for 0 <= write < n and 0 <= d <= n: the
        same as (write + n - d) mod n, without an integer division. */
    static int indexBehind(int write, int d, int n) noexcept
    {
        const int i = write - d;
        return i < 0 ? i + n : i;
    }

    /** Where a fractional read lands in a circular buffer of n samples: four neighbour indices and the
        fraction. Positions wrap by fmod; one within a buffer length of the range needs no fmod, whose result
        would be the position itself. A non-finite position reads at 0 instead of indexing at random. */
    struct ReadPoint
    {
        int im1, i0, ip1, ip2;
        float t;
    };

    static ReadPoint locate(int n, float position) noexcept
    {
        const auto size = static_cast<float>(n);
        float p = position;
        if (!(p >= 0.0f && p < size))
        {
            if (p < 0.0f && p > -size)
                p = p + size;
            else
            {
                p = std::fmod(p, size);
                if (p < 0.0f)
                    p = p + size;
                if (!std::isfinite(p))
                    p = 0.0f;
            }
        }
        // p is not negative here, so truncation is the floor.
        int i = static_cast<int>(p);
        const auto whole = static_cast<float>(i);
        if (i >= n)
            i -= n;
        if (i < 0)
            i += n;
        ReadPoint r;
        r.i0 = i;
        r.im1 = i == 0 ? n - 1 : i - 1;
        r.ip1 = i + 1 < n ? i + 1 : 0;
        r.ip2 = i + 2 < n ? i + 2 : (i + 2) % n;
        r.t = p - whole;
        return r;
    }

    static float linearRead(const float* data, int n, float position) noexcept
    {
        const auto r = locate(n, position);
        return data[r.i0] * (1.0f - r.t) + data[r.ip1] * r.t;
    }

    static float cubicRead(const float* data, int n, float position) noexcept
    {
        const auto r = locate(n, position);
        const float ym1 = data[r.im1], y0 = data[r.i0], y1 = data[r.ip1], y2 = data[r.ip2];
        const float a0 = y2 - y1 - ym1 + y0;
        const float a1 = ym1 - y0 - a0;
        const float a2 = y1 - ym1;
        return ((a0 * r.t + a1) * r.t + a2) * r.t + y0;
    }

    /** Third-order Lagrange interpolation through the points -1, 0, 1, 2. */
    static float lagrangeRead(const float* data, int n, float position) noexcept
    {
        const auto r = locate(n, position);
        const float t = r.t;
        const float cm1 = -t * (t - 1.0f) * (t - 2.0f) / 6.0f;
        const float c0 = (t + 1.0f) * (t - 1.0f) * (t - 2.0f) / 2.0f;
        const float c1 = -(t + 1.0f) * t * (t - 2.0f) / 2.0f;
        const float c2 = (t + 1.0f) * t * (t - 1.0f) / 6.0f;
        return cm1 * data[r.im1] + c0 * data[r.i0] + c1 * data[r.ip1] + c2 * data[r.ip2];
    }

    static float linearRead(const std::vector<float>& buffer, float position) noexcept
    {
        return linearRead(buffer.data(), static_cast<int>(buffer.size()), position);
    }

    static float cubicRead(const std::vector<float>& buffer, float position) noexcept
    {
        return cubicRead(buffer.data(), static_cast<int>(buffer.size()), position);
    }

    static float lagrangeRead(const std::vector<float>& buffer, float position) noexcept
    {
        return lagrangeRead(buffer.data(), static_cast<int>(buffer.size()), position);
    }

    /** Orthonormal 8-point Hadamard mix (Sylvester order) as three butterfly stages. */
    static std::array<float, 8> hadamard(const std::array<float, 8>& x) noexcept
    {
        std::array<float, 8> a, b, y;
        for (size_t i = 0; i < 8; i += 2)
        {
            a[i] = x[i] + x[i + 1];
            a[i + 1] = x[i] - x[i + 1];
        }
        for (size_t i : {0u, 1u, 4u, 5u})
        {
            b[i] = a[i] + a[i + 2];
            b[i + 2] = a[i] - a[i + 2];
        }
        for (size_t i = 0; i < 4; ++i)
        {
            y[i] = b[i] + b[i + 4];
            y[i + 4] = b[i] - b[i + 4];
        }
        for (auto& v : y)
            v *= 0.35355338f;
        return y;
    }

    /** One delay line of a tank bank: its circular buffer of one second. */
    class Line
    {
    public:
        std::vector<float> buffer;
    };

    /** The eight lines of a tank bank with their state kept lane by lane, so that the eight run together:
        nominal lengths, modulation phases and rates, the 200 Hz and 2500 Hz band splits (x1, y) and the cached
        decay gains with the keys they were computed for. The lines' buffers have one length, and since they are
        written together they share one write index. */
    class TankBank
    {
    public:
        using Lanes = std::array<float, 8>;

        TankBank() noexcept
        {
            rate.fill(1.0f);
            lowGain.fill(1.0f);
            highGain.fill(1.0f);
            cachedDecay.fill(-1.0f);
            cachedRtLow.fill(-1.0f);
            cachedRtHigh.fill(-1.0f);
            cachedLength.fill(-1);
        }

        Line& operator[](size_t i) noexcept { return lines[i]; }
        const Line& operator[](size_t i) const noexcept { return lines[i]; }
        Line* begin() noexcept { return lines.data(); }
        Line* end() noexcept { return lines.data() + lines.size(); }
        const Line* begin() const noexcept { return lines.data(); }
        const Line* end() const noexcept { return lines.data() + lines.size(); }
        static constexpr size_t size() noexcept { return 8; }

        std::array<Line, 8> lines;
        int writeIndex = 0;
        std::array<int, 8> length{};
        alignas(32) Lanes phase{}, rate{};
        alignas(32) Lanes lowX1{}, lowY{}, highX1{}, highY{};
        alignas(32) Lanes gain{}, lowGain{}, highGain{};
        alignas(32) Lanes cachedDecay{}, cachedRtLow{}, cachedRtHigh{};
        std::array<int, 8> cachedLength{};

        // What the current block's controls make of the lengths and depth (set before the bank runs).
        alignas(32) Lanes scaledNominal{}, ratePerSample{};
        float depthSamples = 0.0f, inject = 0.0f;
        int taps = 1;
    };

    /** Two cross-faded read pointers moving at the pitch ratio through a short circular buffer. */
    class PitchShifter
    {
    public:
        void prepare(double sampleRate, float ms);
        void reset() noexcept;
        float process(float x, float cents) noexcept;

        /** The engine's detune: for each of count samples whose shift |cents| is at least 0.001, the left sample
            through `left` at -cents/2 and the right one through `right` at +cents/2, as process() would, in place. */
        static void processPair(PitchShifter& left, PitchShifter& right, float* l, float* r, const float* cents,
                                int count) noexcept;

        std::vector<float> buffer;
        int writeIndex = 0;
        std::array<float, 2> readPos{0.0f, 0.0f};
    };

    /** Four float or int lanes (GCC/Clang vector extensions): element-wise arithmetic with exactly the rounding
        of the scalar operations, four at a time on any target. */
    using Float4 = float __attribute__((vector_size(16)));
    using Int4 = int __attribute__((vector_size(16)));
    using UInt4 = unsigned __attribute__((vector_size(16)));

    /** Four floats anywhere in memory, aligned to a float only, that may alias any other type: a packed record
        around the vector, since Clang (and its alignment sanitizer) keeps a vector type's own alignment of 16
        when a typedef asks for less. */
    struct __attribute__((packed, may_alias)) UnalignedFloat4
    {
        Float4 lanes;
    };

    static Float4 load4(const float* p) noexcept { return reinterpret_cast<const UnalignedFloat4*>(p)->lanes; }
    static void store4(float* p, Float4 v) noexcept { reinterpret_cast<UnalignedFloat4*>(p)->lanes = v; }
    static Float4 splat(float x) noexcept { return Float4{x, x, x, x}; }
    static Int4 splat(int x) noexcept { return Int4{x, x, x, x}; }

    /** Lane by lane, mask ? a : b for a mask of comparison results (all bits set or none). */
    static Float4 select(Int4 mask, Float4 a, Float4 b) noexcept
    {
        return reinterpret_cast<Float4>((reinterpret_cast<Int4>(a) & mask) | (reinterpret_cast<Int4>(b) & ~mask));
    }

    static Int4 select(Int4 mask, Int4 a, Int4 b) noexcept { return (a & mask) | (b & ~mask); }

    /** Whether every lane of a mask of comparison results is set. */
    static bool allLanes(Int4 mask) noexcept
    {
#if defined(__SSE__)
        return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) == 0xf;
#else
        return (mask[0] & mask[1] & mask[2] & mask[3]) != 0;
#endif
    }

    /** Whether any lane of a mask of comparison results is set. */
    static bool anyLane(Int4 mask) noexcept
    {
#if defined(__SSE__)
        return _mm_movemask_ps(reinterpret_cast<__m128>(mask)) != 0;
#else
        return (mask[0] | mask[1] | mask[2] | mask[3]) != 0;
#endif
    }

    /** Lanes of a and b picked by index (0-3 from a, 4-7 from b). */
    template <int i0, int i1, int i2, int i3>
    static Float4 shuffle(Float4 a, Float4 b) noexcept
    {
#if defined(__clang__)
        return __builtin_shufflevector(a, b, i0, i1, i2, i3);
#else
        return __builtin_shuffle(a, b, Int4{i0, i1, i2, i3});
#endif
    }

    /** Rows to columns: on return a holds the first elements of the four rows, b the second, and so on. */
    static void transpose(Float4& a, Float4& b, Float4& c, Float4& d) noexcept
    {
        const Float4 ab01 = shuffle<0, 4, 1, 5>(a, b), cd01 = shuffle<0, 4, 1, 5>(c, d);
        const Float4 ab23 = shuffle<2, 6, 3, 7>(a, b), cd23 = shuffle<2, 6, 3, 7>(c, d);
        a = shuffle<0, 1, 4, 5>(ab01, cd01);
        b = shuffle<2, 3, 6, 7>(ab01, cd01);
        c = shuffle<0, 1, 4, 5>(ab23, cd23);
        d = shuffle<2, 3, 6, 7>(ab23, cd23);
    }

    /** A fractional read's four neighbours (y[-1], y[0], y[1], y[2]) and fraction, in four lanes. */
    struct Neighbours4
    {
        Float4 ym1, y0, y1, y2, t;
    };

    /** Each lane's read as locate() finds it, lane k reading data[k]: the way for positions that the four-lane
        index arithmetic does not take (beyond a buffer length outside the range, or not a number). */
    static Neighbours4 locateEach(const float* const (&data)[4], int n, Float4 position) noexcept
    {
        Neighbours4 r;
        for (int k = 0; k < 4; ++k)
        {
            const auto point = locate(n, position[k]);
            r.t[k] = point.t;
            r.ym1[k] = data[k][point.im1];
            r.y0[k] = data[k][point.i0];
            r.y1[k] = data[k][point.ip1];
            r.y2[k] = data[k][point.ip2];
        }
        return r;
    }

    /** fastSin in four lanes, with the same operations and so the same results. */
    static Float4 fastSin(Float4 x) noexcept
    {
        const Float4 turns = (x * splat(0.15915494f) + splat(12582912.0f)) - splat(12582912.0f);
        Float4 r = (x - turns * splat(6.28125f)) - turns * splat(1.9353072e-3f);
        r = select(r > splat(1.57079633f), splat(3.14159265f) - r, r);
        r = select(r < splat(-1.57079633f), splat(-3.14159265f) - r, r);
        const Float4 r2 = r * r;
        const Float4 p = splat(-1.6666667e-1f) +
                         r2 * (splat(8.3333338e-3f) +
                               r2 * (splat(-1.9841270e-4f) + r2 * (splat(2.7557319e-6f) + r2 * splat(-2.5052108e-8f))));
        return r + r * r2 * p;
    }

    /** sin(x) within 3e-7 of the library sine, without branches so that several lanes vectorise. Used for slow
        modulation, where the difference is far below the rounding of what it modulates. */
    static float fastSin(float x) noexcept
    {
        // Reduce to [-pi, pi] with a two-part 2*pi, then fold to [-pi/2, pi/2] where sin(pi - r) = sin(r).
        constexpr float kInvTwoPi = 0.15915494f;
        constexpr float kTwoPiHigh = 6.28125f; // exact in few bits, so turns * kTwoPiHigh is exact
        constexpr float kTwoPiLow = 1.9353072e-3f;
        constexpr float kPi = 3.14159265f;
        constexpr float kHalfPi = 1.57079633f;
        constexpr float kRound = 12582912.0f; // 1.5 * 2^23: adding and subtracting it rounds to an integer
        const float turns = (x * kInvTwoPi + kRound) - kRound;
        float r = (x - turns * kTwoPiHigh) - turns * kTwoPiLow;
        r = r > kHalfPi ? kPi - r : r;
        r = r < -kHalfPi ? -kPi - r : r;
        const float r2 = r * r;
        const float p =
            -1.6666667e-1f + r2 * (8.3333338e-3f + r2 * (-1.9841270e-4f + r2 * (2.7557319e-6f + r2 * -2.5052108e-8f)));
        return r + r * r2 * p;
    }

    /** tanh(x) within a few units in the last place at a fraction of the library's cost: a [7/6] Pade
        approximant below 1, the exponential form above; four lanes at a time, without branches. */
    static Float4 fastTanh(Float4 x) noexcept
    {
        const Float4 a = select(x < splat(0.0f), -x, x);
        const Float4 x2 = x * x;
        const Float4 near = x * (splat(135135.0f) + x2 * (splat(17325.0f) + x2 * (splat(378.0f) + x2))) /
                            (splat(135135.0f) + x2 * (splat(62370.0f) + x2 * (splat(3150.0f) + x2 * splat(28.0f))));
        // Beyond 10 the result is 1 in single precision: the exponential need not grow further.
        const Float4 e = expOfSmall(splat(2.0f) * select(a < splat(10.0f), a, splat(10.0f)));
        const Float4 magnitude = splat(1.0f) - splat(2.0f) / (e + splat(1.0f));
        const Float4 far = select(x < splat(0.0f), -magnitude, magnitude);
        return select(a < splat(1.0f), near, far);
    }

    static float fastTanh(float x) noexcept
    {
        return fastTanh(splat(x))[0];
    }

    /** exp(y) for 0 <= y <= 20, within about one unit in the last place: 2^k times a polynomial of the rest. */
    static Float4 expOfSmall(Float4 y) noexcept
    {
        const Float4 k = (y * splat(1.44269504f) + splat(12582912.0f)) - splat(12582912.0f);
        const Float4 r = (y - k * splat(0.693145751953125f)) - k * splat(1.42860677e-6f); // ln 2 in two parts
        Float4 p = splat(1.0f / 720.0f);
        p = p * r + splat(1.0f / 120.0f);
        p = p * r + splat(1.0f / 24.0f);
        p = p * r + splat(1.0f / 6.0f);
        p = p * r + splat(0.5f);
        p = p * r + splat(1.0f);
        p = p * r + splat(1.0f);
        const Int4 exponent = (__builtin_convertvector(k, Int4) + splat(127)) << 23;
        return p * reinterpret_cast<Float4>(exponent);
    }

    /** The tank's soft limit of a sample about to be written: beyond +-0.92 it bends towards +-1.1. */
    static float softLimitTank(float v) noexcept
    {
        if (v > 0.92f)
            v = 0.92f + 0.18f * std::tanh(5.0f * (v - 0.92f));
        if (v < -0.92f)
            v = -0.92f + 0.18f * std::tanh(5.0f * (v + 0.92f));
        return v;
    }

    /** One step of the engine's 32-bit linear congruential generator: a value in [-1, 1). */
    static float nextRandom(juce::uint32& state) noexcept
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) * (1.0f / 8388608.0f) - 1.0f;
    }
};

inline void VornDspPrimitives::AllpassDiffuser::processRun(const float* in, float* out, int count) noexcept
{
    float* data = buffer.data();
    const int n = static_cast<int>(buffer.size());
    const Float4 g = splat(gain);
    while (count > 0)
    {
        const int run = std::min(count, n - index);
        float* stretch = data + index;
        int i = 0;
        for (; i + 4 <= run; i += 4)
        {
            const Float4 x = load4(in + i);
            const Float4 y = load4(stretch + i);
            store4(stretch + i, x + g * y);
            store4(out + i, y - x);
        }
        for (; i < run; ++i)
        {
            const float x = in[i];
            const float y = stretch[i];
            stretch[i] = x + gain * y;
            out[i] = y - x;
        }
        index = index + run < n ? index + run : 0;
        in += run;
        out += run;
        count -= run;
    }
}

inline void VornDspPrimitives::diffuseRun(const float* in, float* out, float* scratch, int count,
                                          std::array<AllpassDiffuser, 2>& pair, float amount) noexcept
{
    pair[0].processRun(in, scratch, count);
    pair[1].processRun(scratch, scratch, count);
    const Float4 keep = splat(1.0f - amount), blend = splat(amount);
    int i = 0;
    for (; i + 4 <= count; i += 4)
        store4(out + i, load4(in + i) * keep + load4(scratch + i) * blend);
    for (; i < count; ++i)
        out[i] = in[i] * (1.0f - amount) + scratch[i] * amount;
}

} // namespace vorn
