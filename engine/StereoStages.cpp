#include "engine/VornDsp.h"

namespace vorn
{

VornDsp::StereoPair VornDsp::applyStereoDepth(float l, float r, float amount, float blend, float lfo) noexcept
{
    const auto sr = static_cast<float>(sampleRate);
    const float dep = juce::jlimit(0.0f, 1.0f, amount);
    const float q = juce::jlimit(0.0f, 1.0f, blend);

    const int n = static_cast<int>(depthLineL.size());
    const int w = depthWrite;
    const int dA = juce::jlimit(0, n, juce::roundToInt((static_cast<double>(dep) * 0.006 + 0.006) * sampleRate));
    const int dB = juce::jlimit(0, n, juce::roundToInt((static_cast<double>(dep) * 0.008 + 0.016) * sampleRate));
    const float a = depthLineR.data()[indexBehind(w, dA, n)];
    const float b = depthLineL.data()[indexBehind(w, dB, n)];

    const float c = depthLpCoefficient.get(4300.0f + 1700.0f * dep, sr);
    const float hA = depthLpA.processWith(a, c);
    const float hB = depthLpB.processWith(b, c);

    depthLineL.data()[w] = l;
    depthLineR.data()[w] = r;
    depthWrite = w + 1 < n ? w + 1 : 0;

    const float mid = (l + r) * 0.5f;
    const float side = (l - r) * 0.5f;
    const float hs = (hA + hB) * 0.5f;
    const float hd = (hA - hB) * 0.5f;

    const float yL = depthHpL.processWith(l, coeffs.hp2200);
    const float yR = depthHpR.processWith(r, coeffs.hp2200);
    const float hf = (yL - yR) * 0.5f;

    const float angle = dep * (0.16f + 0.035f * lfo);
    const float cosAngle = std::cos(angle);
    const float sinAngle = std::sin(angle);
    const float mr = mid * cosAngle - side * sinAngle;
    const float sr2 = mid * sinAngle + side * cosAngle;

    const float m2 = mr * (1.0f - 0.16f * dep) + dep * hs * 0.24f;
    const float s2 = sr2 * (1.0f + 0.42f * dep) + dep * hd * 0.72f + dep * hf * 0.08f;

    const auto [m3, s3] = applyPsychoBlumlein(m2, s2, dep * q, lfo);

    const float g = 1.0f / (1.0f + 0.18f * dep);
    return {juce::jlimit(-1.0f, 1.0f, g * (m3 + s3)), juce::jlimit(-1.0f, 1.0f, g * (m3 - s3))};
}

VornDsp::StereoPair VornDsp::applyPsychoBlumlein(float mid, float side, float amount, float lfo) noexcept
{
    const float c = juce::jlimit(0.0f, 1.0f, amount);
    const float e = mid + 0.08f * side;
    const float da = diffuse(e, blumleinDiffA, 1.0f);
    const float db = diffuse(e, blumleinDiffB, 1.0f);
    const float x = (da - db) * 0.5f;

    const float low = blumleinLp760.processWith(x, coeffs.lp760);
    const float high = blumleinHp1700.processWith(x, coeffs.hp1700);
    const float band = blumleinLp6200.processWith(0.36f * low + 0.42f * high, coeffs.lp6200);

    const float v = std::sin(0.12f + 0.18f * c + 0.018f * lfo);
    const float sideIn = side * (1.0f + 0.08f * c) + (0.45f + 0.35f * c) * (v * band);
    const float midOut = (1.0f + 0.018f * c) * mid;

    // The side may not outgrow the mid (plus a small floor).
    const float wv = std::abs(midOut) * (1.25f + 0.55f * c) + 0.018f;
    return {midOut, wv * fastTanh(sideIn / wv)};
}

VornDsp::StereoPair VornDsp::applyHeadspace(float l, float r, float amount, float sizeNorm) noexcept
{
    const float m = juce::jlimit(0.0f, 1.0f, amount);

    const int n = static_cast<int>(headLineL.size());
    const int w = headWrite;
    const int h = juce::jlimit(1, n, juce::roundToInt(sampleRate * 0.00034));
    const int lg = juce::jlimit(0, n, juce::roundToInt((static_cast<double>(sizeNorm) * 0.024 + 0.018) * sampleRate));
    const int i1 = indexBehind(w, h, n);
    const int i2 = indexBehind(indexBehind(w, lg, n), h, n);
    const float ls = headLineL.data()[i1];
    const float rs = headLineR.data()[i1];
    const float rl = headLineR.data()[i2];
    const float ll = headLineL.data()[i2];

    headLineL.data()[w] = l;
    headLineR.data()[w] = r;
    headWrite = w + 1 < n ? w + 1 : 0;

    const float pA = headLpA.processWith(rl, coeffs.lp2600);
    const float pB = headLpB.processWith(ll, coeffs.lp2600);
    const float qA = headHpA.processWith(rl, coeffs.hp1700);
    const float qB = headHpB.processWith(ll, coeffs.hp1700);
    const float zL = headHpL.processWith(l, coeffs.hp5200);
    const float zR = headHpR.processWith(r, coeffs.hp5200);

    const float mid = (l + r) * 0.5f;
    const float s = (l - r) * 0.5f;
    const float k = 1.0f + 0.08f * m;

    const float m2 = mid + m * ((pA + pB) * 0.5f) * 0.12f;
    const float side =
        s * k + m * ((qB - qA) * 0.5f) * 0.2f + m * ((ls - rs) * 0.5f) * 0.09f + m * ((zL - zR) * 0.5f) * 0.045f;

    const float wv = std::abs(m2) * (1.35f + 0.5f * m) + 0.018f;
    const float s2 = wv * fastTanh(side / wv);
    return {juce::jlimit(-1.0f, 1.0f, (m2 + s2) / k), juce::jlimit(-1.0f, 1.0f, (m2 - s2) / k)};
}

} // namespace vorn
