#include "engine/VornDsp.h"

namespace vorn
{

namespace
{
/** juce::jlimit(-1, 1, v), lane by lane. */
VornDspPrimitives::Float4 clampUnit(VornDspPrimitives::Float4 v) noexcept
{
    using P = VornDspPrimitives;
    return P::select(v < P::splat(-1.0f), P::splat(-1.0f), P::select(P::splat(1.0f) < v, P::splat(1.0f), v));
}

using Float4 = VornDspPrimitives::Float4;

/** The same number in every lane of T (a float, or four lanes). */
template <typename T>
T all(float x) noexcept
{
    if constexpr (std::is_same_v<T, float>)
        return x;
    else
        return VornDspPrimitives::splat(x);
}

/** Stereo depth after its lines and filters: the rotated, widened mid and side, from the input (l, r), the filtered
    cross taps (hA, hB) and the high-passed inputs (yL, yR). Floats, or four samples at a time. */
template <typename T>
void depthArithmetic(T l, T r, T hA, T hB, T yL, T yR, T cosAngle, T sinAngle, float dep, T& midOut,
                     T& sideOut) noexcept
{
    const T mid = (l + r) * all<T>(0.5f);
    const T side = (l - r) * all<T>(0.5f);
    const T hs = (hA + hB) * all<T>(0.5f);
    const T hd = (hA - hB) * all<T>(0.5f);
    const T hf = (yL - yR) * all<T>(0.5f);

    const T mr = mid * cosAngle - side * sinAngle;
    const T sr2 = mid * sinAngle + side * cosAngle;

    const T d = all<T>(dep);
    midOut = mr * all<T>(1.0f - 0.16f * dep) + d * hs * all<T>(0.24f);
    sideOut = sr2 * all<T>(1.0f + 0.42f * dep) + d * hd * all<T>(0.72f) + d * hf * all<T>(0.08f);
}

/** Headspace after its lines and filters: the mid and the side before saturation, from the input (l, r), the short
    taps (ls, rs), the filtered long taps (pA, pB, qA, qB) and the high-passed inputs (zL, zR). */
template <typename T>
void headspaceArithmetic(T l, T r, T ls, T rs, T pA, T pB, T qA, T qB, T zL, T zR, float amount, T& midOut,
                         T& sideOut) noexcept
{
    const T m = all<T>(amount);
    const T mid = (l + r) * all<T>(0.5f);
    const T sd = (l - r) * all<T>(0.5f);
    const T k = all<T>(1.0f + 0.08f * amount);

    midOut = mid + m * ((pA + pB) * all<T>(0.5f)) * all<T>(0.12f);
    sideOut = sd * k + m * ((qB - qA) * all<T>(0.5f)) * all<T>(0.2f) + m * ((ls - rs) * all<T>(0.5f)) * all<T>(0.09f) +
              m * ((zL - zR) * all<T>(0.5f)) * all<T>(0.045f);
}

/** Writes count samples into a line of n from index `write` on, wrapping at its end. */
void writeRun(float* line, int n, int write, const float* in, int count) noexcept
{
    const int first = std::min(count, n - write);
    std::copy_n(in, first, line + write);
    for (int done = first; done < count; done += n)
        std::copy_n(in + done, std::min(n, count - done), line);
}

/** Reads count successive samples of a line of n, the first at index `from`, wrapping at its end. */
void readRun(const float* line, int n, int from, float* out, int count) noexcept
{
    for (int done = 0; done < count;)
    {
        const int run = std::min(count - done, n - from);
        std::copy_n(line + from, run, out + done);
        done += run;
        from = 0;
    }
}

/** How a chunk of count samples may read a tap d samples (modulo n, d not negative) behind each sample's write
    position in a line of n, with the whole chunk written at once: before the writes (every sample it reads is older
    than the chunk, or is the one about to be overwritten), after them (it reads samples of the chunk and none that
    a later one overwrites), or not at all. */
enum class TapOrder
{
    beforeWrites,
    afterWrites,
    sampleBySample
};

TapOrder tapOrder(int d, int n, int count) noexcept
{
    if (count > n)
        return TapOrder::sampleBySample;
    const int behind = d % n;
    if (behind == 0 || behind >= count)
        return TapOrder::beforeWrites;
    return behind <= n - count ? TapOrder::afterWrites : TapOrder::sampleBySample;
}
} // namespace

VornDsp::StereoControls VornDsp::stereoControls(float amount, float blend, float headspace, float sizeNorm) noexcept
{
    StereoControls s;
    const float dep = juce::jlimit(0.0f, 1.0f, amount);
    s.dep = dep;
    s.blumlein = juce::jlimit(0.0f, 1.0f, dep * juce::jlimit(0.0f, 1.0f, blend));
    s.depthLowPass = depthLpCoefficient.get(4300.0f + 1700.0f * dep, static_cast<float>(sampleRate));
    s.depthGain = 1.0f / (1.0f + 0.18f * dep);
    const int depthLength = static_cast<int>(depthLineL.size());
    s.depthTapA =
        juce::jlimit(0, depthLength, juce::roundToInt((static_cast<double>(dep) * 0.006 + 0.006) * sampleRate));
    s.depthTapB =
        juce::jlimit(0, depthLength, juce::roundToInt((static_cast<double>(dep) * 0.008 + 0.016) * sampleRate));

    s.headspace = juce::jlimit(0.0f, 1.0f, headspace);
    const int headLength = static_cast<int>(headLineL.size());
    s.headShort = juce::jlimit(1, headLength, juce::roundToInt(sampleRate * 0.00034));
    s.headLong =
        juce::jlimit(0, headLength, juce::roundToInt((static_cast<double>(sizeNorm) * 0.024 + 0.018) * sampleRate));
    return s;
}

VornDsp::StereoSines VornDsp::stereoSines(const StereoControls& s, Float4 lfo) noexcept
{
    // The rotation stays within 0.2 radians; its cosine as 1 - 2 sin^2(angle/2) keeps full precision near 1.
    const Float4 angle = splat(s.dep) * (splat(0.16f) + splat(0.035f) * lfo);
    const Float4 halfSine = fastSin(angle * splat(0.5f));
    StereoSines r;
    r.cosAngle = splat(1.0f) - splat(2.0f) * (halfSine * halfSine);
    r.sinAngle = fastSin(angle);
    r.blumlein = fastSin(splat(0.12f + 0.18f * s.blumlein) + splat(0.018f) * lfo);
    return r;
}

VornDsp::StereoPair VornDsp::applyStereoDepth(float l, float r, float amount, float blend, float lfo) noexcept
{
    const auto s = stereoControls(amount, blend, 0.0f, 0.0f);
    const auto sines = stereoSines(s, splat(lfo));
    return stereoDepthWith(l, r, s, sines.cosAngle[0], sines.sinAngle[0], sines.blumlein[0]);
}

VornDsp::StereoPair VornDsp::applyPsychoBlumlein(float mid, float side, float amount, float lfo) noexcept
{
    StereoControls s;
    s.blumlein = juce::jlimit(0.0f, 1.0f, amount);
    return blumleinWith(mid, side, s, stereoSines(s, splat(lfo)).blumlein[0]);
}

VornDsp::StereoPair VornDsp::applyHeadspace(float l, float r, float amount, float sizeNorm) noexcept
{
    return headspaceWith(l, r, stereoControls(0.0f, 0.0f, amount, sizeNorm));
}

VornDsp::StereoPair VornDsp::stereoDepthWith(float l, float r, const StereoControls& s, float cosAngle, float sinAngle,
                                             float blumleinSin) noexcept
{
    const auto [m2, s2] = depthMidSide(depthState, l, r, s, cosAngle, sinAngle);
    const auto [m3, s3] = blumleinWith(m2, s2, s, blumleinSin);
    return firstLanes(depthOutput(splat(m3), splat(s3), s));
}

inline VornDsp::StereoPair VornDsp::depthMidSide(DepthState& state, float l, float r, const StereoControls& s,
                                                 float cosAngle, float sinAngle) noexcept
{
    const float dep = s.dep;
    const int n = static_cast<int>(depthLineL.size());
    const int w = state.write;
    const float a = depthLineR.data()[indexBehind(w, s.depthTapA, n)];
    const float b = depthLineL.data()[indexBehind(w, s.depthTapB, n)];

    const float hA = state.lpA.processWith(a, s.depthLowPass);
    const float hB = state.lpB.processWith(b, s.depthLowPass);

    depthLineL.data()[w] = l;
    depthLineR.data()[w] = r;
    state.write = w + 1 < n ? w + 1 : 0;

    const float yL = state.hpL.processWith(l, coeffs.hp2200);
    const float yR = state.hpR.processWith(r, coeffs.hp2200);
    float m2 = 0.0f, s2 = 0.0f;
    depthArithmetic(l, r, hA, hB, yL, yR, cosAngle, sinAngle, dep, m2, s2);
    return {m2, s2};
}

VornDsp::StereoPair VornDsp::firstLanes(const Pair4& p) noexcept
{
    return {p.a[0], p.b[0]};
}

inline VornDsp::Pair4 VornDsp::depthOutput(Float4 mid, Float4 side, const StereoControls& s) noexcept
{
    const Float4 g = splat(s.depthGain);
    return {clampUnit(g * (mid + side)), clampUnit(g * (mid - side))};
}

VornDsp::StereoPair VornDsp::blumleinWith(float mid, float side, const StereoControls& s, float v) noexcept
{
    const float e = mid + 0.08f * side;
    const float da = diffuse(e, blumleinDiffA, 1.0f);
    const float db = diffuse(e, blumleinDiffB, 1.0f);
    return firstLanes(
        blumleinSaturate(splat(mid), splat(side), splat(blumleinBand(blumleinFilters, da, db)), s, splat(v)));
}

inline float VornDsp::blumleinBand(BlumleinState& state, float diffusedA, float diffusedB) const noexcept
{
    const float x = (diffusedA - diffusedB) * 0.5f;
    const float low = state.lp760.processWith(x, coeffs.lp760);
    const float high = state.hp1700.processWith(x, coeffs.hp1700);
    return state.lp6200.processWith(0.36f * low + 0.42f * high, coeffs.lp6200);
}

inline VornDsp::Pair4 VornDsp::blumleinSaturate(Float4 mid, Float4 side, Float4 band, const StereoControls& s,
                                                Float4 v) noexcept
{
    const float c = s.blumlein;
    const Float4 sideIn = side * splat(1.0f + 0.08f * c) + splat(0.45f + 0.35f * c) * (v * band);
    const Float4 midOut = splat(1.0f + 0.018f * c) * mid;

    // The side may not outgrow the mid (plus a small floor).
    const Float4 magnitude = select(midOut < splat(0.0f), -midOut, midOut);
    const Float4 wv = magnitude * splat(1.25f + 0.55f * c) + splat(0.018f);
    return {midOut, wv * fastTanh(sideIn / wv)};
}

void VornDsp::blumleinOfChunk(int count, const StereoControls& s) noexcept
{
    // blumleinWith() over the chunk's mid and side, the diffusers a run at a time.
    float* e = chunk.blumleinIn.data();
    for (int j = 0; j < count; ++j)
        e[j] = chunk.mid[j] + 0.08f * chunk.side[j];
    diffuseRun(e, chunk.diffusedA.data(), chunk.scratch.data(), count, blumleinDiffA, 1.0f);
    diffuseRun(e, chunk.diffusedB.data(), chunk.scratch.data(), count, blumleinDiffB, 1.0f);

    auto filters = blumleinFilters;
    for (int j = 0; j < count; ++j)
        chunk.blumleinBand[j] = blumleinBand(filters, chunk.diffusedA[j], chunk.diffusedB[j]);
    blumleinFilters = filters;
    for (int j = 0; j < count; j += 4)
    {
        const auto out = blumleinSaturate(load4(chunk.mid.data() + j), load4(chunk.side.data() + j),
                                          load4(chunk.blumleinBand.data() + j), s, load4(chunk.blumleinSin.data() + j));
        store4(chunk.mid.data() + j, out.a);
        store4(chunk.side.data() + j, out.b);
    }
}

VornDsp::StereoPair VornDsp::headspaceWith(float l, float r, const StereoControls& s) noexcept
{
    const auto [m2, side] = headspaceMidSide(headState, l, r, s);
    return firstLanes(headspaceOutput(splat(m2), splat(side), s));
}

inline VornDsp::StereoPair VornDsp::headspaceMidSide(HeadspaceState& state, float l, float r,
                                                     const StereoControls& s) noexcept
{
    const float m = s.headspace;

    const int n = static_cast<int>(headLineL.size());
    const int w = state.write;
    const int i1 = indexBehind(w, s.headShort, n);
    const int i2 = indexBehind(indexBehind(w, s.headLong, n), s.headShort, n);
    const float ls = headLineL.data()[i1];
    const float rs = headLineR.data()[i1];
    const float rl = headLineR.data()[i2];
    const float ll = headLineL.data()[i2];

    headLineL.data()[w] = l;
    headLineR.data()[w] = r;
    state.write = w + 1 < n ? w + 1 : 0;

    const float pA = state.lpA.processWith(rl, coeffs.lp2600);
    const float pB = state.lpB.processWith(ll, coeffs.lp2600);
    const float qA = state.hpA.processWith(rl, coeffs.hp1700);
    const float qB = state.hpB.processWith(ll, coeffs.hp1700);
    const float zL = state.hpL.processWith(l, coeffs.hp5200);
    const float zR = state.hpR.processWith(r, coeffs.hp5200);

    float m2 = 0.0f, side = 0.0f;
    headspaceArithmetic(l, r, ls, rs, pA, pB, qA, qB, zL, zR, m, m2, side);
    return {m2, side};
}

inline VornDsp::Pair4 VornDsp::headspaceOutput(Float4 mid, Float4 side, const StereoControls& s) noexcept
{
    const float m = s.headspace;
    const Float4 k = splat(1.0f + 0.08f * m);
    const Float4 magnitude = select(mid < splat(0.0f), -mid, mid);
    const Float4 wv = magnitude * splat(1.35f + 0.5f * m) + splat(0.018f);
    const Float4 s2 = wv * fastTanh(side / wv);
    return {clampUnit((mid + s2) / k), clampUnit((mid - s2) / k)};
}

void VornDsp::stereoStagesOfChunk(int count, const StereoControls& stereo) noexcept
{
    // Stage by stage over the chunk: the reverb in chunk.reverbL/R, its stereo-staged form back in the same place.
    // The rotation and the Blumlein sine follow the drift oscillators alone.
    for (int j = 0; j < count; j += 4)
    {
        const auto sines = stereoSines(stereo, load4(chunk.drift.data() + j));
        store4(chunk.cosAngle.data() + j, sines.cosAngle);
        store4(chunk.sinAngle.data() + j, sines.sinAngle);
        store4(chunk.blumleinSin.data() + j, sines.blumlein);
    }

    depthOfChunk(count, stereo);
    blumleinOfChunk(count, stereo);
    for (int j = 0; j < count; j += 4)
    {
        const auto out = depthOutput(load4(chunk.mid.data() + j), load4(chunk.side.data() + j), stereo);
        store4(chunk.reverbL.data() + j, out.a);
        store4(chunk.reverbR.data() + j, out.b);
    }
    headspaceOfChunk(count, stereo);
    for (int j = 0; j < count; j += 4)
    {
        const auto out = headspaceOutput(load4(chunk.mid.data() + j), load4(chunk.side.data() + j), stereo);
        store4(chunk.reverbL.data() + j, out.a);
        store4(chunk.reverbR.data() + j, out.b);
    }
}

void VornDsp::depthOfChunk(int count, const StereoControls& s) noexcept
{
    // depthMidSide() over the chunk's reverb into chunk.mid and chunk.side. Where the taps allow, the whole chunk
    // enters the lines at once and each tap is read as one run, so that only the filters go sample by sample and
    // the rest four samples at a time.
    const int n = static_cast<int>(depthLineL.size());
    const TapOrder orderA = tapOrder(s.depthTapA, n, count), orderB = tapOrder(s.depthTapB, n, count);
    if (orderA == TapOrder::sampleBySample || orderB == TapOrder::sampleBySample)
    {
        auto state = depthState;
        for (int j = 0; j < count; ++j)
        {
            const auto [m, sd] =
                depthMidSide(state, chunk.reverbL[j], chunk.reverbR[j], s, chunk.cosAngle[j], chunk.sinAngle[j]);
            chunk.mid[j] = m;
            chunk.side[j] = sd;
        }
        depthState = state;
        return;
    }

    const int w = depthState.write;
    float* tapA = chunk.tapA.data();
    float* tapB = chunk.tapB.data();
    for (const bool afterWrites : {false, true})
    {
        if (afterWrites)
        {
            writeRun(depthLineL.data(), n, w, chunk.reverbL.data(), count);
            writeRun(depthLineR.data(), n, w, chunk.reverbR.data(), count);
        }
        if ((orderA == TapOrder::afterWrites) == afterWrites)
            readRun(depthLineR.data(), n, indexBehind(w, s.depthTapA, n), tapA, count);
        if ((orderB == TapOrder::afterWrites) == afterWrites)
            readRun(depthLineL.data(), n, indexBehind(w, s.depthTapB, n), tapB, count);
    }

    auto state = depthState;
    state.write = w + count < n ? w + count : w + count - n;
    for (int j = 0; j < count; ++j)
    {
        tapA[j] = state.lpA.processWith(tapA[j], s.depthLowPass);
        tapB[j] = state.lpB.processWith(tapB[j], s.depthLowPass);
        chunk.highL[j] = state.hpL.processWith(chunk.reverbL[j], coeffs.hp2200);
        chunk.highR[j] = state.hpR.processWith(chunk.reverbR[j], coeffs.hp2200);
    }
    depthState = state;

    for (int j = 0; j < count; j += 4)
    {
        Float4 mid, side;
        depthArithmetic(load4(chunk.reverbL.data() + j), load4(chunk.reverbR.data() + j), load4(tapA + j),
                        load4(tapB + j), load4(chunk.highL.data() + j), load4(chunk.highR.data() + j),
                        load4(chunk.cosAngle.data() + j), load4(chunk.sinAngle.data() + j), s.dep, mid, side);
        store4(chunk.mid.data() + j, mid);
        store4(chunk.side.data() + j, side);
    }
}

void VornDsp::headspaceOfChunk(int count, const StereoControls& s) noexcept
{
    // headspaceMidSide() over the chunk's reverb into chunk.mid and chunk.side, the lines a run at a time where the
    // taps allow, as in depthOfChunk.
    const int n = static_cast<int>(headLineL.size());
    const int w = headState.write;
    const int shortStart = indexBehind(w, s.headShort, n);
    const int longStart = indexBehind(indexBehind(w, s.headLong, n), s.headShort, n);
    const TapOrder shortOrder = tapOrder(s.headShort, n, count);
    const TapOrder longOrder = tapOrder(w - longStart + n, n, count);
    if (shortOrder == TapOrder::sampleBySample || longOrder == TapOrder::sampleBySample)
    {
        auto state = headState;
        for (int j = 0; j < count; ++j)
        {
            const auto [m, sd] = headspaceMidSide(state, chunk.reverbL[j], chunk.reverbR[j], s);
            chunk.mid[j] = m;
            chunk.side[j] = sd;
        }
        headState = state;
        return;
    }

    float* shortL = chunk.tapA.data();
    float* shortR = chunk.tapB.data();
    float* longL = chunk.tapC.data();
    float* longR = chunk.tapD.data();
    for (const bool afterWrites : {false, true})
    {
        if (afterWrites)
        {
            writeRun(headLineL.data(), n, w, chunk.reverbL.data(), count);
            writeRun(headLineR.data(), n, w, chunk.reverbR.data(), count);
        }
        if ((shortOrder == TapOrder::afterWrites) == afterWrites)
        {
            readRun(headLineL.data(), n, shortStart, shortL, count);
            readRun(headLineR.data(), n, shortStart, shortR, count);
        }
        if ((longOrder == TapOrder::afterWrites) == afterWrites)
        {
            readRun(headLineL.data(), n, longStart, longL, count);
            readRun(headLineR.data(), n, longStart, longR, count);
        }
    }

    auto state = headState;
    state.write = w + count < n ? w + count : w + count - n;
    float* lowA = chunk.lowA.data();
    float* lowB = chunk.lowB.data();
    for (int j = 0; j < count; ++j)
    {
        const float rl = longR[j], ll = longL[j];
        lowA[j] = state.lpA.processWith(rl, coeffs.lp2600);
        lowB[j] = state.lpB.processWith(ll, coeffs.lp2600);
        longR[j] = state.hpA.processWith(rl, coeffs.hp1700);
        longL[j] = state.hpB.processWith(ll, coeffs.hp1700);
        chunk.highL[j] = state.hpL.processWith(chunk.reverbL[j], coeffs.hp5200);
        chunk.highR[j] = state.hpR.processWith(chunk.reverbR[j], coeffs.hp5200);
    }
    headState = state;

    for (int j = 0; j < count; j += 4)
    {
        Float4 mid, side;
        headspaceArithmetic(load4(chunk.reverbL.data() + j), load4(chunk.reverbR.data() + j), load4(shortL + j),
                            load4(shortR + j), load4(lowA + j), load4(lowB + j), load4(longR + j), load4(longL + j),
                            load4(chunk.highL.data() + j), load4(chunk.highR.data() + j), s.headspace, mid, side);
        store4(chunk.mid.data() + j, mid);
        store4(chunk.side.data() + j, side);
    }
}

} // namespace vorn
