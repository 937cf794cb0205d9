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
    return bandlimitWith(limiterHp, limiterLp1, limiterLp2, x);
}

float VornDsp::bandlimitWith(OnePoleHP& hp, OnePoleLP& lp1, OnePoleLP& lp2, float x) const noexcept
{
    const float h = hp.processWith(x, coeffs.hp30);
    const float a = lp1.processWith(h, coeffs.lp13000);
    return lp2.processWith(a, coeffs.lp13000);
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
    chunk.inL[0] = inL;
    chunk.inR[0] = inR;
    runChunk(1, controls, parameters, advanced);
    return {chunk.outL[0], chunk.outR[0]};
}

void VornDsp::prepareBlock(const BlockControls& k, const Advanced& advanced) noexcept
{
    // The banks' decay gains, scaled lengths and depth follow the block's controls alone: the same controls give
    // the same preparation, which is then skipped.
    if (k.tankOn)
    {
        const BankControls controls{k.decaySeconds, k.rl, k.rh, k.sizeFactor, advanced.modDepth, k.density, k.taps};
        if (!banksPrepared || std::memcmp(&controls, &bankControls, sizeof controls) != 0)
        {
            prepareBank(bankL, k.decaySeconds, k.rl, k.rh, k.sizeFactor, advanced.modDepth, k.taps, k.density);
            prepareBank(bankR, k.decaySeconds, k.rl, k.rh, k.sizeFactor, advanced.modDepth, k.taps, k.density);
            bankControls = controls;
            banksPrepared = true;
            runLimit = std::min(tankRunLimit(bankL), tankRunLimit(bankR));
        }
    }
    blockStereo = stereoControls(k.stereoAmount, k.blumlein, k.headspace, k.sizeNorm);
}

int VornDsp::chunkLimit(const BlockControls& k, const Parameters& parameters) const noexcept
{
    return k.earlyOn ? earlyReflectionsChunkLimit(parameters.preset) : Chunk::kLength;
}

void VornDsp::runChunk(int count, const BlockControls& k, const Parameters& parameters,
                       const Advanced& advanced) noexcept
{
    // Each stage runs over the whole chunk before the next, in the order of the signal flow. Only two stages
    // move against it, both free to: the early reflections read the predelay line once the chunk has entered it,
    // and the echo lines run before the reverb unless the reverb feeds them ("Reverb -> Delay"), as neither
    // depends on the other within a sample.
    runFront(count, k, advanced);
    if (k.earlyOn)
        earlyReflectionsOfChunk(count, parameters.preset, advanced.earlyLevel);
    else
    {
        std::fill_n(chunk.earlyL.begin(), count, 0.0f);
        std::fill_n(chunk.earlyR.begin(), count, 0.0f);
    }

    // The delay send of the first sample comes from the last echo of the previous chunk.
    const float sendBefore = advanced.routing == 1 ? 0.35f * (echoOutL + echoOutR) * 0.5f : 0.0f;
    const bool reverbFeedsEcho = advanced.routing == 2;
    if (!reverbFeedsEcho)
        runEcho(count, advanced, false);
    runTankInput(count, k, advanced, sendBefore);
    runTank(count, k);
    runReverbOutput(count, k);
    if (reverbFeedsEcho)
        runEcho(count, advanced, true);
    runMix(count, k, advanced);
}

VornDsp::Float4 VornDsp::oscillatorPair(int j) const noexcept
{
    // Wander and drift alike: 0.6 sin(a) + 0.4 sin(b) of the phases in chunk.phaseA/B, four samples from j.
    return splat(0.6f) * fastSin(load4(chunk.phaseA.data() + j)) +
           splat(0.4f) * fastSin(load4(chunk.phaseB.data() + j));
}

void VornDsp::runFront(int count, const BlockControls& k, const Advanced& advanced) noexcept
{
    // 1. Wander: a very slow variation of every modulation rate. The phases advance sample by sample; their sines
    // then go four samples at a time (the same operations lane by lane).
    const int rounded = (count + 3) & ~3;
    auto wander = wanderPhase; // in registers for the loop
    for (int j = 0; j < count; ++j)
    {
        advancePhase(wander[0], k.wanderIncrementA);
        advancePhase(wander[1], k.wanderIncrementB);
        chunk.phaseA[j] = wander[0];
        chunk.phaseB[j] = wander[1];
    }
    wanderPhase = wander;
    for (int j = 0; j < rounded; j += 4)
        store4(chunk.wander.data() + j, splat(1.0f) + splat(0.05f) * oscillatorPair(j));

    // 5. Drift oscillators, their rate following the wander: the increments four samples at a time, then the
    // phases sample by sample.
    for (int j = 0; j < rounded; j += 4)
    {
        const Float4 r2 = load4(chunk.wander.data() + j) * splat(k.driftRate);
        store4(chunk.phaseA.data() + j, splat(kTwoPi) * r2 / splat(k.sr));
        store4(chunk.phaseB.data() + j, splat(kTwoPi * 1.373f) * r2 / splat(k.sr));
    }
    auto drift = driftPhase;
    for (int j = 0; j < count; ++j)
    {
        advancePhase(drift[0], chunk.phaseA[j]);
        advancePhase(drift[1], chunk.phaseB[j]);
        chunk.phaseA[j] = drift[0];
        chunk.phaseB[j] = drift[1];
    }
    driftPhase = drift;
    for (int j = 0; j < rounded; j += 4)
        store4(chunk.drift.data() + j, oscillatorPair(j));

    // The recursive state lives in locals for the loop (in registers, not stored and reloaded every sample). The
    // loop also runs the recursions of later stages that depend on nothing but its own results: the ducking and
    // the noise floor, and the tank's band limiter unless the echoes feed the tank. Their chains then overlap
    // with the front's instead of each waiting on its own.
    const int n = static_cast<int>(predelayLine.size());
    const float highPass = inputHighPassCoefficient.get(k.lowCutHz, k.sr);
    auto low = analysisLow, mid = analysisMid;
    auto envelopes = bandEnv;
    auto inputFilter = inputHighPass;
    float* line = predelayLine.data();
    int write = predelayWrite;
    float duckEnvelope = duckEnv, duck = duckGain;
    auto seed = noiseSeed;
    auto noiseL = noiseLpL, noiseR = noiseLpR;
    const bool limitHere = advanced.routing != 1;
    auto limiterHigh = limiterHp;
    auto limiterLow1 = limiterLp1, limiterLow2 = limiterLp2;
    for (int j = 0; j < count; ++j)
    {
        // 3. Input analysis: peak followers of three bands give the input level.
        const float mono = (chunk.inL[j] + chunk.inR[j]) * 0.5f;
        const float a = low.processWith(mono, coeffs.lp300);
        const float b = mid.processWith(mono, coeffs.lp3000);
        const std::array<float, 3> bands{a, b - a, mono - b};
        for (size_t i = 0; i < 3; ++i)
        {
            const float magnitude = std::abs(bands[i]);
            envelopes[i] = std::max(magnitude, 0.9995f * envelopes[i] + 0.004f * magnitude);
        }
        const float level = std::min((envelopes[0] + envelopes[1] + envelopes[2]) / 3.0f * 5.0f, 1.0f);
        const float sum = (bands[0] + bands[1]) + bands[2];

        // 4. Input high-pass.
        const float h = inputFilter.processWith(sum, highPass);

        // 6. Detune amount in cents, partly following the input level.
        chunk.cents[j] = k.detune * chunk.drift[j] * (0.28f + 0.45f * (k.unlinked + level * k.link));

        // 7. Predelay, then the sub tap of step 9, read behind the advanced write index.
        const float x0 = advanceLine(line, n, write, h, k.predelaySamples);
        const float sub = line[indexBehind(write, k.subSamples, n)] * advanced.subLevel;
        chunk.x0[j] = x0;
        chunk.sub[j] = sub;
        chunk.mono[j] = mono;
        chunk.level[j] = level;

        // The band limiter of the tank's input, when no echo is sent to it (else runTankInput runs it).
        if (limitHere)
            chunk.bandLimited[j] = bandlimitWith(limiterHigh, limiterLow1, limiterLow2, 0.0f + (x0 + sub));

        // 17. Ducking under the input: fast attack, slow release.
        const float duckTarget = 0.72f * std::abs(x0) + 0.12f * level;
        const float q = duckTarget > duckEnvelope ? coeffs.duckAttack : coeffs.duckRelease;
        duckEnvelope = q * duckEnvelope + (1.0f - q) * duckTarget;
        const float target = 1.055f - 0.145f * duckEnvelope / (duckEnvelope + 0.075f);
        const float qGain = target < duck ? coeffs.gainFall : coeffs.gainRise;
        duck = qGain * duck + (1.0f - qGain) * target;
        chunk.duck[j] = duck;

        // 18. A faint noise floor that rises a little under programme.
        const float u1 = nextRandom(seed);
        const float u2 = nextRandom(seed);
        const float nm = (u1 + u2) * 0.5f;
        const float ns = (u1 - u2) * 0.5f;
        const float amp = k.tail * (2.8e-6f + 5.5e-6f * clamp01(7.5f * duckEnvelope));
        chunk.noiseL[j] = amp * noiseL.processWith(nm + 0.42f * ns, coeffs.lp7600);
        chunk.noiseR[j] = amp * noiseR.processWith(nm - 0.42f * ns, coeffs.lp7600) * 1.04f;
    }
    analysisLow = low;
    analysisMid = mid;
    bandEnv = envelopes;
    inputHighPass = inputFilter;
    predelayWrite = write;
    duckEnv = duckEnvelope;
    duckGain = duck;
    noiseSeed = seed;
    noiseLpL = noiseL;
    noiseLpR = noiseR;
    limiterHp = limiterHigh;
    limiterLp1 = limiterLow1;
    limiterLp2 = limiterLow2;
}

void VornDsp::runEcho(int count, const Advanced& advanced, bool withReverb) noexcept
{
    if (advanced.effectMode < 1) // the section is off: silence, without a call per sample
    {
        switchEchoOff();
        std::fill_n(chunk.echoL.begin(), count, 0.0f);
        std::fill_n(chunk.echoR.begin(), count, 0.0f);
        return;
    }
    // The reverb is sent to the lines only when it feeds them, and then the section runs after it.
    echoRun(count, echoControls(advanced), chunk.mono.data(), chunk.inR.data(),
            withReverb ? chunk.reverbL.data() : nullptr, withReverb ? chunk.reverbR.data() : nullptr,
            chunk.echoL.data(), chunk.echoR.data());
}

void VornDsp::runTankInput(int count, const BlockControls& k, const Advanced& advanced, float sendBefore) noexcept
{
    // 9. Predelayed signal, sub tap and the previous sample's echoes when they feed the reverb (without them the
    // front has already band-limited the sum).
    const bool delayToReverb = advanced.routing == 1;
    float* c = chunk.bandLimited.data();
    if (delayToReverb)
    {
        auto hp = limiterHp;
        auto lp1 = limiterLp1, lp2 = limiterLp2;
        for (int j = 0; j < count; ++j)
        {
            const float send = j == 0 ? sendBefore : 0.35f * (chunk.echoL[j - 1] + chunk.echoR[j - 1]) * 0.5f;
            c[j] = bandlimitWith(hp, lp1, lp2, send + (chunk.x0[j] + chunk.sub[j]));
        }
        limiterHp = hp;
        limiterLp1 = lp1;
        limiterLp2 = lp2;
    }

    // 10. Input diffusion runs every sample, whether or not the tank does.
    const float e = k.inputDiffusion;
    diffuseRun(c, chunk.tankInL.data(), chunk.scratch.data(), count, inDiffL, e);
    diffuseRun(c, chunk.tankInR.data(), chunk.scratch.data(), count, inDiffR, e);
}

void VornDsp::runTank(int count, const BlockControls& k) noexcept
{
    // 11. The two banks; while the tail is off neither is touched.
    if (!k.tankOn)
    {
        std::fill_n(chunk.reverbL.begin(), count, 0.0f);
        std::fill_n(chunk.reverbR.begin(), count, 0.0f);
        return;
    }
    for (int j = 0; j < count; ++j)
        chunk.modRate[j] = chunk.wander[j] * k.modRate;

    // Both banks a run of samples at a time where the run limit allows, eight lanes wide on processors with AVX2.
    if (runLimit > 0)
    {
        for (int start = 0; start < count; start += runLimit)
        {
            const int run = std::min(runLimit, count - start);
            const float* inL = chunk.tankInL.data() + start;
            const float* inR = chunk.tankInR.data() + start;
            const float* modRate = chunk.modRate.data() + start;
            if (wideLanes)
                runBanksRunWide(inL, inR, modRate, run, chunk.reverbL.data() + start, chunk.reverbR.data() + start);
            else
                runBanksRun(inL, inR, modRate, run, chunk.reverbL.data() + start, chunk.reverbR.data() + start);
        }
        return;
    }
    for (int j = 0; j < count; ++j)
    {
        chunk.reverbL[j] = runBank(bankL, chunk.tankInL[j], chunk.modRate[j]);
        chunk.reverbR[j] = runBank(bankR, chunk.tankInR[j], chunk.modRate[j] * 1.13f);
    }
}

void VornDsp::runReverbOutput(int count, const BlockControls& k) noexcept
{
    const auto& stereo = blockStereo;
    const float s = k.softening;
    auto lowL = narrowL, lowR = narrowR;
    for (int j = 0; j < count; ++j)
    {
        const float bankOutL = chunk.reverbL[j], bankOutR = chunk.reverbR[j];

        // 12. Bass narrowing: the lows move towards mono.
        const float gL = lowL.processWith(bankOutL, coeffs.c200);
        const float gR = lowR.processWith(bankOutR, coeffs.c200);
        const float lowMid = (gL + gR) * 0.5f;
        chunk.reverbL[j] = bankOutL + 0.85f * (lowMid - gL);
        chunk.reverbR[j] = bankOutR + 0.85f * (lowMid - gR);
    }
    narrowL = lowL;
    narrowR = lowR;

    // 13. Output diffusion.
    diffuseRun(chunk.reverbL.data(), chunk.reverbL.data(), chunk.scratch.data(), count, outDiffL, k.outputDiffusion);
    diffuseRun(chunk.reverbR.data(), chunk.reverbR.data(), chunk.scratch.data(), count, outDiffR, k.outputDiffusion);

    // 14. Softening.
    auto softL = softenL, softR = softenR;
    for (int j = 0; j < count; ++j)
    {
        const float l2 = chunk.reverbL[j], r2 = chunk.reverbR[j];
        chunk.reverbL[j] = l2 * (1.0f - 0.18f * s) + 0.18f * s * softL.processWith(l2, coeffs.lp6200);
        chunk.reverbR[j] = r2 * (1.0f - 0.18f * s) + 0.18f * s * softR.processWith(r2, coeffs.lp6200);
    }
    softenL = softL;
    softenR = softR;

    // 15. Detune: the shifters wait untouched while the shift is negligible.
    if (k.detune != 0.0f)
        PitchShifter::processPair(shifterL, shifterR, chunk.reverbL.data(), chunk.reverbR.data(), chunk.cents.data(),
                                  count);

    // 16. Stereo image.
    stereoStagesOfChunk(count, stereo);
}

void VornDsp::runMix(int count, const BlockControls& k, const Advanced& advanced) noexcept
{
    // The ducking gain and the noise floor come from the front's loop (runFront).
    // The rest is independent from sample to sample but for the converter: four samples at a time.
    // 19. Wet reverb; 21. sum: early reflections and echoes bypass the tank, the stereo stages and the ducking.
    const Float4 tail = splat(k.tail), gain = splat(advanced.outputGain), delayMix = splat(k.delayMix);
    const Float4 dry = splat(1.0f - k.dw), wet = splat(k.dw), knee = splat(0.985f);
    float* outL = chunk.outL.data();
    float* outR = chunk.outR.data();
    for (int j = 0; j < count; j += 4)
    {
        const Float4 duck4 = load4(chunk.duck.data() + j);
        const Float4 wetL = load4(chunk.reverbL.data() + j) * tail * gain * duck4 + load4(chunk.noiseL.data() + j);
        const Float4 wetR = load4(chunk.reverbR.data() + j) * tail * gain * duck4 + load4(chunk.noiseR.data() + j);
        store4(outL + j,
               (wetL + tail * load4(chunk.earlyL.data() + j) * gain) + load4(chunk.echoL.data() + j) * delayMix * gain);
        store4(outR + j,
               (wetR + tail * load4(chunk.earlyR.data() + j) * gain) + load4(chunk.echoR.data() + j) * delayMix * gain);
    }

    // 22. Vintage converter.
    if (advanced.vintageConv)
        convertChunk(outL, outR, count);

    // 23, 24. Dry/wet and the output soft limit, the latter only for the rare sample beyond its knee.
    for (int j = 0; j < count; j += 4)
        for (float* channel : {outL, outR})
        {
            const float* in = channel == outL ? chunk.inL.data() : chunk.inR.data();
            const Float4 out = load4(in + j) * dry + wet * load4(channel + j);
            store4(channel + j, out);
            const Int4 beyond = (out > knee) | (out < -knee);
            if ((beyond[0] | beyond[1] | beyond[2] | beyond[3]) != 0)
                for (int i = j; i < j + 4; ++i)
                    channel[i] = softLimitOutput(channel[i]);
        }
}

} // namespace vorn
