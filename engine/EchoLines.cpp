#include "engine/VornDsp.h"

namespace vorn
{

namespace
{
float softLimitEcho(float v) noexcept
{
    constexpr float s = 1.0f - 0.8f;
    const float magnitude = std::abs(v);
    if (magnitude > 0.8f)
        return std::copysign(0.8f + s * std::tanh((magnitude - 0.8f) / s), v);
    return v;
}

/** Read position for a delay of `delay` samples modulated by `mod`, kept between one sample and the whole
    line behind the write position: a shorter delay would read the oldest audio in the line (about 1.1 s
    back), a longer one would wrap round to the newest. Delays inside those limits are read unchanged. */
float echoReadPosition(float write, float delay, float mod, float lineLength) noexcept
{
    const float modulated = delay - mod;
    if (modulated < 1.0f)
        return write - 1.0f;
    if (modulated > lineLength)
        return write - lineLength;
    return write - delay + mod;
}
} // namespace

void VornDsp::switchEchoOff() noexcept
{
    // The lines, filters and oscillator keep their values; re-entering an echo mode clears them.
    echoActive = false;
    echoOutL = echoOutR = 0.0f;
}

VornDsp::StereoPair VornDsp::processEcho(float mono, float inR, float reverbL, float reverbR,
                                         const Advanced& advanced) noexcept
{
    if (advanced.effectMode < 1)
    {
        switchEchoOff();
        return {0.0f, 0.0f};
    }

    // Entering an echo mode always starts from silence.
    if (!echoActive)
    {
        clear(echoLineL);
        clear(echoLineR);
        echoWrite = 0;
        for (auto* lp : {&echoTapL, &echoTapR, &echoFeedbackL, &echoFeedbackR})
            lp->reset();
        echoActive = true;
    }

    const auto sr = static_cast<float>(sampleRate);
    const bool stereo = advanced.effectMode == 2 || advanced.effectMode > 3;

    float a = juce::jlimit(0.0f, 999.0f, advanced.t1);
    float b = juce::jlimit(0.0f, 499.0f, advanced.t2);
    if (advanced.delaySync && advanced.hostBpm > 20.0f)
    {
        const float sixteenthMs = 60000.0f / advanced.hostBpm * 0.25f;
        a = std::round(a / sixteenthMs) * sixteenthMs;
        b = std::round(b / sixteenthMs) * sixteenthMs;
    }

    echoLfoPhase = echoLfoPhase + coeffs.echoLfoIncrement;
    if (echoLfoPhase > kTwoPi)
        echoLfoPhase = echoLfoPhase - kTwoPi;
    const float mod = 2.2f * std::sin(echoLfoPhase);

    const int n = static_cast<int>(echoLineL.size());
    const auto lim = static_cast<float>(n - 2);
    const auto delayInSamples = [sr, lim](float ms)
    {
        const float d = ms * 0.001f * sr;
        return d < 1.0f ? 1.0f : (d > lim ? lim : d);
    };
    const float dA = delayInSamples(a);
    const float dB = delayInSamples(b);

    const int w = echoWrite;
    const auto write = static_cast<float>(w);
    const auto length = static_cast<float>(n);
    const float tapL = linearRead(echoLineL, echoReadPosition(write, dA, mod, length));
    const float tapR = linearRead(echoLineR, echoReadPosition(write, dB, mod, length));
    const float cL = echoTapL.processWith(tapL, coeffs.lp11800);
    const float cR = echoTapR.processWith(tapR, coeffs.lp11800);

    const float g1 = juce::jlimit(0.0f, 0.85f, advanced.k1);
    const float g2 = stereo ? juce::jlimit(0.0f, 0.85f, advanced.k2) : 0.0f;

    const bool cross = advanced.pingPong && stereo;
    const float fbL = echoFeedbackL.processWith(cross ? cR : cL, coeffs.lp6500);
    const float fbR = echoFeedbackR.processWith(cross ? cL : cR, coeffs.lp6500);

    const float send = advanced.routing == 2 ? 0.35f * (reverbL + reverbR) * 0.5f : 0.0f;

    echoLineL.data()[w] = softLimitEcho((mono + send) + fbL * g1);
    echoLineR.data()[w] = softLimitEcho(((stereo ? inR : mono) + send) + fbR * g2);
    echoWrite = w + 1 < n ? w + 1 : 0;

    const float echoL = 0.78f * cL;
    const float echoR = stereo ? 0.78f * cR : echoL;
    echoOutL = echoL;
    echoOutR = echoR;
    return {echoL, echoR};
}

} // namespace vorn
