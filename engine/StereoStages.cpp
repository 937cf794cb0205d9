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

    const float mid = (l + r) * 0.5f;
    const float side = (l - r) * 0.5f;
    const float hs = (hA + hB) * 0.5f;
    const float hd = (hA - hB) * 0.5f;

    const float yL = state.hpL.processWith(l, coeffs.hp2200);
    const float yR = state.hpR.processWith(r, coeffs.hp2200);
    const float hf = (yL - yR) * 0.5f;

    const float mr = mid * cosAngle - side * sinAngle;
    const float sr2 = mid * sinAngle + side * cosAngle;

    const float m2 = mr * (1.0f - 0.16f * dep) + dep * hs * 0.24f;
    const float s2 = sr2 * (1.0f + 0.42f * dep) + dep * hd * 0.72f + dep * hf * 0.08f;
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

    const float mid = (l + r) * 0.5f;
    const float sd = (l - r) * 0.5f;
    const float k = 1.0f + 0.08f * m;

    const float m2 = mid + m * ((pA + pB) * 0.5f) * 0.12f;
    const float side =
        sd * k + m * ((qB - qA) * 0.5f) * 0.2f + m * ((ls - rs) * 0.5f) * 0.09f + m * ((zL - zR) * 0.5f) * 0.045f;
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

    auto depthNow = depthState;
    for (int j = 0; j < count; ++j)
    {
        const auto [m, sd] =
            depthMidSide(depthNow, chunk.reverbL[j], chunk.reverbR[j], stereo, chunk.cosAngle[j], chunk.sinAngle[j]);
        chunk.mid[j] = m;
        chunk.side[j] = sd;
    }
    depthState = depthNow;
    blumleinOfChunk(count, stereo);
    for (int j = 0; j < count; j += 4)
    {
        const auto out = depthOutput(load4(chunk.mid.data() + j), load4(chunk.side.data() + j), stereo);
        store4(chunk.reverbL.data() + j, out.a);
        store4(chunk.reverbR.data() + j, out.b);
    }
    auto headNow = headState;
    for (int j = 0; j < count; ++j)
    {
        const auto [m, sd] = headspaceMidSide(headNow, chunk.reverbL[j], chunk.reverbR[j], stereo);
        chunk.mid[j] = m;
        chunk.side[j] = sd;
    }
    headState = headNow;
    for (int j = 0; j < count; j += 4)
    {
        const auto out = headspaceOutput(load4(chunk.mid.data() + j), load4(chunk.side.data() + j), stereo);
        store4(chunk.reverbL.data() + j, out.a);
        store4(chunk.reverbR.data() + j, out.b);
    }
}

} // namespace vorn
