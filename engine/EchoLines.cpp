#include "engine/VornDsp.h"

namespace vorn
{

namespace
{
// The feedback stays below the K1 and K2 controls' 0.9, so that the lines never run away.
constexpr float kFeedbackLimit = 0.85f;

// What the lines take in is soft-limited above this level, so that feedback saturates rather than clips.
constexpr float kLineKnee = 0.8f;

float softLimitEcho(float v) noexcept
{
    constexpr float s = 1.0f - kLineKnee;
    const float magnitude = std::abs(v);
    if (magnitude > kLineKnee)
        return std::copysign(kLineKnee + s * std::tanh((magnitude - kLineKnee) / s), v);
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
    float l = 0.0f, r = 0.0f;
    echoRun(1, echoControls(advanced), &mono, &inR, &reverbL, &reverbR, &l, &r);
    return {l, r};
}

VornDsp::EchoControls VornDsp::echoControls(const Advanced& advanced) noexcept
{
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

    EchoControls k;
    const auto sr = static_cast<float>(sampleRate);
    k.stereo = advanced.effectMode == 2 || advanced.effectMode > 3;

    float a = withinRange<parameterIndex("t1")>(advanced.t1);
    float b = withinRange<parameterIndex("t2")>(advanced.t2);
    if (advanced.delaySync && advanced.hostBpm > 20.0f)
    {
        const float sixteenthMs = 60000.0f / advanced.hostBpm * 0.25f;
        a = std::round(a / sixteenthMs) * sixteenthMs;
        b = std::round(b / sixteenthMs) * sixteenthMs;
    }

    const int n = static_cast<int>(echoLineL.size());
    const auto lim = static_cast<float>(n - 2);
    const auto delayInSamples = [sr, lim](float ms)
    {
        const float d = ms * 0.001f * sr;
        return d < 1.0f ? 1.0f : (d > lim ? lim : d);
    };
    k.delayA = delayInSamples(a);
    k.delayB = delayInSamples(b);

    k.gainA = juce::jlimit(0.0f, kFeedbackLimit, advanced.k1);
    k.gainB = k.stereo ? juce::jlimit(0.0f, kFeedbackLimit, advanced.k2) : 0.0f;
    k.cross = advanced.pingPong && k.stereo;
    k.reverbSend = advanced.routing == 2;
    return k;
}

void VornDsp::echoRun(int count, const EchoControls& k, const float* mono, const float* inR, const float* reverbL,
                      const float* reverbR, float* outL, float* outR) noexcept
{
    // The running state in locals for the loop: it is not stored and reloaded every sample.
    float* lineL = echoLineL.data();
    float* lineR = echoLineR.data();
    const int n = static_cast<int>(echoLineL.size());
    const auto length = static_cast<float>(n);
    int w = echoWrite;
    float phase = echoLfoPhase;
    auto tapFilterL = echoTapL, tapFilterR = echoTapR, feedbackL = echoFeedbackL, feedbackR = echoFeedbackR;
    float echoL = echoOutL, echoR = echoOutR;
    for (int j = 0; j < count; ++j)
    {
        phase = phase + coeffs.echoLfoIncrement;
        if (phase > kTwoPi)
            phase = phase - kTwoPi;
        const float mod = 2.2f * std::sin(phase);

        const auto write = static_cast<float>(w);
        const float tapL = linearRead(lineL, n, echoReadPosition(write, k.delayA, mod, length));
        const float tapR = linearRead(lineR, n, echoReadPosition(write, k.delayB, mod, length));
        const float cL = tapFilterL.processWith(tapL, coeffs.lp11800);
        const float cR = tapFilterR.processWith(tapR, coeffs.lp11800);

        const float fbL = feedbackL.processWith(k.cross ? cR : cL, coeffs.lp6500);
        const float fbR = feedbackR.processWith(k.cross ? cL : cR, coeffs.lp6500);

        const float send = k.reverbSend ? 0.35f * (reverbL[j] + reverbR[j]) * 0.5f : 0.0f;

        lineL[w] = softLimitEcho((mono[j] + send) + fbL * k.gainA);
        lineR[w] = softLimitEcho(((k.stereo ? inR[j] : mono[j]) + send) + fbR * k.gainB);
        w = w + 1 < n ? w + 1 : 0;

        echoL = 0.78f * cL;
        echoR = k.stereo ? 0.78f * cR : echoL;
        outL[j] = echoL;
        outR[j] = echoR;
    }
    echoWrite = w;
    echoLfoPhase = phase;
    echoTapL = tapFilterL;
    echoTapR = tapFilterR;
    echoFeedbackL = feedbackL;
    echoFeedbackR = feedbackR;
    echoOutL = echoL;
    echoOutR = echoR;
}

} // namespace vorn
