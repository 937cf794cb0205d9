#include "engine/VornDsp.h"

namespace vorn
{

namespace
{
float clamp01(float x) noexcept
{
    return juce::jlimit(0.0f, 1.0f, x);
}

/** Advances an oscillator phase and keeps it within one turn. */
void advancePhase(float& phase, float increment) noexcept
{
    phase = phase + increment;
    if (phase > VornDspPrimitives::kTwoPi)
        phase = phase - VornDspPrimitives::kTwoPi;
}

float softLimitOutput(float out) noexcept
{
    constexpr float s = 1.0f - 0.985f;
    if (out > 0.985f)
        out = 0.985f + s * std::tanh((out - 0.985f) / s);
    if (out < -0.985f)
        out = -0.985f + s * std::tanh((out + 0.985f) / s);
    return out;
}
} // namespace

float VornDsp::bandlimit(float x) noexcept
{
    const float h = limiterHp.processWith(x, coeffs.hp30);
    const float a = limiterLp1.processWith(h, coeffs.lp13000);
    return limiterLp2.processWith(a, coeffs.lp13000);
}

VornDsp::BlockControls VornDsp::deriveControls(const Parameters& parameters, const Preset& preset,
                                               const CircuitDna& dna, const Advanced& advanced) const noexcept
{
    BlockControls k;
    const auto sr = static_cast<float>(sampleRate);
    k.sr = sr;

    // Step 1: the wander oscillators' increments.
    const float r1 = 0.013f + 0.02f * dna.lfoTrim;
    k.wanderIncrementA = kTwoPi * r1 / sr;
    k.wanderIncrementB = kTwoPi * 0.37f * r1 / sr;

    // Step 2: the controls.
    k.rl = juce::jlimit(0.5f, 2.0f, advanced.rtLow);
    k.rh = juce::jlimit(0.25f, 1.0f, advanced.rtHigh);
    k.diffusion = clamp01(preset.diffusion);
    k.softening = clamp01(preset.softening);
    k.density = clamp01(preset.density);
    k.stereoDepth = clamp01(preset.stereoDepth);
    k.headspace = clamp01(preset.headspace);
    k.blumlein = clamp01(preset.blumlein);
    k.tail = clamp01(advanced.reverbTail);
    k.dw = clamp01(parameters.dryWet / 100.0f);
    k.lfo = advanced.lfoRate != 0.0f ? advanced.lfoRate : 0.12f;

    k.lowCutHz = advanced.lowCut > 0.0f ? advanced.lowCut : preset.lowCutHz;
    k.driftRate = 0.025f + 0.05f * dna.lfoTrim;
    k.link = std::min(advanced.inputLink, 0.7f);
    k.unlinked = (1.0f - k.link) * 0.5f;
    k.detune = juce::jlimit(-1.2f, 1.2f, advanced.detune);
    k.predelaySamples = std::max(1, juce::roundToInt((preset.predelayOffsetMs + parameters.predelay) * 0.001f * sr));
    k.earlyOn = k.tail > 0.0001f && advanced.earlyLevel > 0.0001f;
    k.subSamples =
        std::min(static_cast<int>(predelayLine.size()), std::max(1, juce::roundToInt(advanced.subDelay * 0.001f * sr)));

    k.tankOn = k.tail > 0.0001f;
    k.inputDiffusion = k.diffusion * (0.48f + 0.16f * k.density);
    k.decaySeconds = tankDecaySeconds(parameters.decay);
    k.sizeFactor = 0.75f + 0.75f * std::max(parameters.size, 45.0f) / 100.0f;
    k.modRate = 0.05f + k.lfo * (dna.lfoTrim + 0.7f);
    k.taps = std::max(advanced.modTaps, 1);
    k.outputDiffusion = k.diffusion * (0.36f + 0.18f * k.density);
    k.stereoAmount = (0.72f + 0.28f * k.diffusion) * k.stereoDepth;
    k.sizeNorm = parameters.size / 100.0f;
    k.delayMix = clamp01(advanced.delayMix);
    return k;
}

VornDsp::StereoPair VornDsp::processSample(float inL, float inR, const Parameters& parameters, const Preset& preset,
                                           const CircuitDna& dna, const Advanced& advanced)
{
    const auto controls = deriveControls(parameters, preset, dna, advanced);
    prepareBlock(controls, advanced);
    return processFrame(inL, inR, controls, parameters, advanced);
}

void VornDsp::prepareBlock(const BlockControls& k, const Advanced& advanced) noexcept
{
    // The banks' decay gains, scaled lengths and depth follow the block's controls alone.
    if (k.tankOn)
    {
        prepareBank(bankL, k.decaySeconds, k.rl, k.rh, k.sizeFactor, advanced.modDepth, k.taps, k.density);
        prepareBank(bankR, k.decaySeconds, k.rl, k.rh, k.sizeFactor, advanced.modDepth, k.taps, k.density);
    }
}

VornDsp::StereoPair VornDsp::processFrame(float inL, float inR, const BlockControls& k, const Parameters& parameters,
                                          const Advanced& advanced) noexcept
{
    // 1. Wander: a very slow variation of every modulation rate.
    advancePhase(wanderPhase[0], k.wanderIncrementA);
    advancePhase(wanderPhase[1], k.wanderIncrementB);
    const Float4 wanderSines = fastSin(Float4{wanderPhase[0], wanderPhase[1], 0.0f, 0.0f});
    const float wander = 1.0f + 0.05f * (0.6f * wanderSines[0] + 0.4f * wanderSines[1]);

    // 3. Input analysis: peak followers of three bands give the input level.
    const float mono = (inL + inR) * 0.5f;
    const float a = analysisLow.processWith(mono, coeffs.lp300);
    const float b = analysisMid.processWith(mono, coeffs.lp3000);
    const std::array<float, 3> bands{a, b - a, mono - b};
    for (size_t i = 0; i < 3; ++i)
    {
        const float magnitude = std::abs(bands[i]);
        bandEnv[i] = std::max(magnitude, 0.9995f * bandEnv[i] + 0.004f * magnitude);
    }
    const float level = std::min((bandEnv[0] + bandEnv[1] + bandEnv[2]) / 3.0f * 5.0f, 1.0f);
    const float sum = (bands[0] + bands[1]) + bands[2];

    // 4. Input high-pass.
    const float h = inputHighPass.processWith(sum, inputHighPassCoefficient.get(k.lowCutHz, k.sr));

    // 5. Drift oscillators.
    const float r2 = wander * k.driftRate;
    advancePhase(driftPhase[0], kTwoPi * r2 / k.sr);
    advancePhase(driftPhase[1], kTwoPi * 1.373f * r2 / k.sr);
    const Float4 driftSines = fastSin(Float4{driftPhase[0], driftPhase[1], 0.0f, 0.0f});
    const float drift = 0.6f * driftSines[0] + 0.4f * driftSines[1];

    // 6. Detune amount in cents, partly following the input level.
    const float detuneCents = k.detune * drift * (0.28f + 0.45f * (k.unlinked + level * k.link));

    // 7. Predelay.
    const float x0 = advancePredelay(h, k.predelaySamples);

    // 8. Early reflections.
    StereoPair er{0.0f, 0.0f};
    if (k.earlyOn)
        er = processEarlyReflections(parameters.preset, advanced.earlyLevel);

    // 9. Tank input: predelayed signal, sub tap and the previous sample's echoes when they feed the reverb.
    const float send = advanced.routing == 1 ? 0.35f * (echoOutL + echoOutR) * 0.5f : 0.0f;
    const int n = static_cast<int>(predelayLine.size());
    const float sub = predelayLine.data()[indexBehind(predelayWrite, k.subSamples, n)] * advanced.subLevel;
    const float c = bandlimit(send + (x0 + sub));

    // 10. Input diffusion runs every sample, whether or not the tank does.
    const float pA = inDiffL[1].process(inDiffL[0].process(c));
    const float pB = inDiffR[1].process(inDiffR[0].process(c));

    // 11. Tank.
    float bankOutL = 0.0f, bankOutR = 0.0f;
    if (k.tankOn)
    {
        const float e = k.inputDiffusion;
        const float tankInL = c * (1.0f - e) + e * pA;
        const float tankInR = c * (1.0f - e) + e * pB;
        const float modRate = wander * k.modRate;
        if (wideTank)
        {
            bankOutL = runBankWide(bankL, tankInL, modRate);
            bankOutR = runBankWide(bankR, tankInR, modRate * 1.13f);
        }
        else
        {
            bankOutL = runBank(bankL, tankInL, modRate);
            bankOutR = runBank(bankR, tankInR, modRate * 1.13f);
        }
    }

    // 12. Bass narrowing: the lows move towards mono.
    const float gL = narrowL.processWith(bankOutL, coeffs.c200);
    const float gR = narrowR.processWith(bankOutR, coeffs.c200);
    const float lowMid = (gL + gR) * 0.5f;
    const float l1 = bankOutL + 0.85f * (lowMid - gL);
    const float r1 = bankOutR + 0.85f * (lowMid - gR);

    // 13. Output diffusion.
    const float l2 = diffuse(l1, outDiffL, k.outputDiffusion);
    const float r2Out = diffuse(r1, outDiffR, k.outputDiffusion);

    // 14. Softening.
    const float s = k.softening;
    const float l3 = l2 * (1.0f - 0.18f * s) + 0.18f * s * softenL.processWith(l2, coeffs.lp6200);
    const float r3 = r2Out * (1.0f - 0.18f * s) + 0.18f * s * softenR.processWith(r2Out, coeffs.lp6200);

    // 15. Detune: the shifters wait untouched while the shift is negligible.
    float l4 = l3, r4 = r3;
    if (std::abs(detuneCents) >= 0.001f)
    {
        l4 = shifterL.process(l3, -0.5f * detuneCents);
        r4 = shifterR.process(r3, 0.5f * detuneCents);
    }

    // 16. Stereo image.
    const auto [l5, r5] = applyStereoDepth(l4, r4, k.stereoAmount, k.blumlein, drift);
    const auto [l6, r6] = applyHeadspace(l5, r5, k.headspace, k.sizeNorm);

    // 17. Ducking under the input: fast attack, slow release.
    const float duckTarget = 0.72f * std::abs(x0) + 0.12f * level;
    const float q = duckTarget > duckEnv ? coeffs.duckAttack : coeffs.duckRelease;
    duckEnv = q * duckEnv + (1.0f - q) * duckTarget;
    const float target = 1.055f - 0.145f * duckEnv / (duckEnv + 0.075f);
    const float qGain = target < duckGain ? coeffs.gainFall : coeffs.gainRise;
    duckGain = qGain * duckGain + (1.0f - qGain) * target;

    // 18. A faint noise floor that rises a little under programme.
    const float u1 = nextRandom(noiseSeed);
    const float u2 = nextRandom(noiseSeed);
    const float nm = (u1 + u2) * 0.5f;
    const float ns = (u1 - u2) * 0.5f;
    const float amp = k.tail * (2.8e-6f + 5.5e-6f * clamp01(7.5f * duckEnv));
    const float noiseL = noiseLpL.processWith(nm + 0.42f * ns, coeffs.lp7600);
    const float noiseR = noiseLpR.processWith(nm - 0.42f * ns, coeffs.lp7600);

    // 19. Wet reverb.
    const float gain = advanced.outputGain;
    const float wetL = l6 * k.tail * gain * duckGain + amp * noiseL;
    const float wetR = r6 * k.tail * gain * duckGain + amp * noiseR * 1.04f;

    // 20. Echo and delay lines.
    const auto [echoL, echoR] = processEcho(mono, inR, l6, r6, advanced);

    // 21. Sum: early reflections and echoes bypass the tank, the stereo stages and the ducking.
    float yL = (wetL + k.tail * er.first * gain) + echoL * k.delayMix * gain;
    float yR = (wetR + k.tail * er.second * gain) + echoR * k.delayMix * gain;

    // 22. Vintage converter.
    if (advanced.vintageConv)
        std::tie(yL, yR) = processVintageConverter(yL, yR);

    // 23, 24. Dry/wet and the output soft limit.
    const float outL = inL * (1.0f - k.dw) + k.dw * yL;
    const float outR = inR * (1.0f - k.dw) + k.dw * yR;
    return {softLimitOutput(outL), softLimitOutput(outR)};
}

} // namespace vorn
