// The signal flow of a chunk, stage by stage, and the controls a block derives from the records. The stages, in
// the order the signal meets them: modulation (wander and drift), input analysis, input high-pass, predelay and
// sub tap, ducking and noise floor (run in the front's loop), tank input and diffusion, tank, early reflections,
// bass narrowing, output diffusion, softening, detune, stereo stages, echoes, mix, converter, dry/wet and limit.
#include "engine/VornDsp.h"

namespace vorn
{

namespace
{
// The stages' constants: the unit's voicing, stage by stage.

// Modulation: every modulation rate wanders slowly (two sines), and the drift oscillators behind detune and the
// stereo stages follow the wander. The circuit's trim moves both rates from unit to unit.
constexpr float kFirstSine = 0.6f, kSecondSine = 0.4f; // each oscillator: 0.6 sin(a) + 0.4 sin(b)
constexpr float kWanderHz = 0.013f, kWanderHzPerTrim = 0.02f;
constexpr float kWanderSecondSine = 0.37f; // the second sine's share of the first's rate
constexpr float kWanderDepth = 0.05f;      // the wander moves rates by up to 5 %
constexpr float kDriftHz = 0.025f, kDriftHzPerTrim = 0.05f;
constexpr float kDriftSecondSine = 1.373f;
constexpr float kLfoWhenZeroHz = 0.12f; // a record with no LFO rate (never the parameter's) runs at this
constexpr float kTankModHz = 0.05f, kTankModTrimOffset = 0.7f;

// Diffusion: the allpass amounts grow with the character preset's diffusion and density.
constexpr float kInputDiffusion = 0.48f, kInputDiffusionPerDensity = 0.16f;
constexpr float kOutputDiffusion = 0.36f, kOutputDiffusionPerDensity = 0.18f;

// Tank: its lines scale with the size, and sizes below 45 keep the lines of size 45.
constexpr float kSmallestTankSize = 45.0f;
constexpr float kSizeFactor = 0.75f, kSizeFactorRange = 0.75f;

// Stereo stages: the depth grows with diffusion.
constexpr float kStereoAmount = 0.72f, kStereoAmountPerDiffusion = 0.28f;

// Levels below this switch a stage off (the tank's tail, the early reflections).
constexpr float kOffBelow = 0.0001f;

// Detune: the parameter reaches +-1.5 cents, the shifters are voiced for +-1.2; the depth follows the input level
// as far as "inputLink" says.
constexpr float kDetuneLimitCents = 1.2f;
constexpr float kDetuneDepth = 0.28f, kDetuneDepthPerLevel = 0.45f;

// Input analysis: peak followers of three bands (instant attack, slow release), their mean scaled to a level 0..1.
constexpr float kBandRelease = 0.9995f, kBandFollow = 0.004f;
constexpr float kLevelScale = 5.0f;

// Ducking: the wet signal dips under loud input and rises a little above unity at rest.
constexpr float kDuckFromSignal = 0.72f, kDuckFromLevel = 0.12f;
constexpr float kDuckRest = 1.055f, kDuckRange = 0.145f, kDuckKnee = 0.075f;

// Noise floor: a faint hiss under the tail, a little louder under programme, slightly wider than mono.
constexpr float kNoiseFloor = 2.8e-6f, kNoiseUnderProgramme = 5.5e-6f, kNoiseFollowDuck = 7.5f;
constexpr float kNoiseSide = 0.42f, kNoiseRightTrim = 1.04f;

// The echoes' send into the tank ("Delay -> Reverb").
constexpr float kDelaySend = 0.35f;

// Reverb output: how far the lows move to mono, and how much of the softening low-pass is mixed in.
constexpr float kBassNarrowing = 0.85f;
constexpr float kSoftening = 0.18f;

// The output's soft limit starts here.
constexpr float kOutputKnee = 0.985f;

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

/** The noise generator's step (nextRandom) taken one to four times, lane by lane, and four times in every lane:
    a state s becomes s * multiplier + increment (modulo 2^32). */
struct GeneratorSteps
{
    VornDsp::UInt4 multiplier, increment;
};

constexpr juce::uint32 kGeneratorMultiplier = 1664525u, kGeneratorIncrement = 1013904223u;
constexpr juce::uint32 kMultiplier2 = kGeneratorMultiplier * kGeneratorMultiplier;
constexpr juce::uint32 kMultiplier3 = kMultiplier2 * kGeneratorMultiplier;
constexpr juce::uint32 kMultiplier4 = kMultiplier3 * kGeneratorMultiplier;
const GeneratorSteps kGeneratorSteps{{kGeneratorMultiplier, kMultiplier2, kMultiplier3, kMultiplier4},
                                     {kGeneratorIncrement, kGeneratorIncrement*(kGeneratorMultiplier + 1u),
                                      kGeneratorIncrement*(kMultiplier2 + kGeneratorMultiplier + 1u),
                                      kGeneratorIncrement*(kMultiplier3 + kMultiplier2 + kGeneratorMultiplier + 1u)}};
const GeneratorSteps kGeneratorFourSteps{{kMultiplier4, kMultiplier4, kMultiplier4, kMultiplier4},
                                         {kGeneratorSteps.increment[3], kGeneratorSteps.increment[3],
                                          kGeneratorSteps.increment[3], kGeneratorSteps.increment[3]}};

float softLimitOutput(float out) noexcept
{
    constexpr float s = 1.0f - kOutputKnee;
    if (out > kOutputKnee)
        out = kOutputKnee + s * std::tanh((out - kOutputKnee) / s);
    if (out < -kOutputKnee)
        out = -kOutputKnee + s * std::tanh((out + kOutputKnee) / s);
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

VornDsp::ControlInputs VornDsp::controlInputsOf(const Parameters& parameters, const Preset& preset,
                                                const CircuitDna& dna, const Advanced& advanced) noexcept
{
    ControlInputs in;
    in.preset = preset;
    in.decay = parameters.decay;
    in.predelay = parameters.predelay;
    in.size = parameters.size;
    in.dryWet = parameters.dryWet;
    in.rtLow = advanced.rtLow;
    in.rtHigh = advanced.rtHigh;
    in.reverbTail = advanced.reverbTail;
    in.lfoRate = advanced.lfoRate;
    in.lowCut = advanced.lowCut;
    in.inputLink = advanced.inputLink;
    in.detune = advanced.detune;
    in.earlyLevel = advanced.earlyLevel;
    in.subDelay = advanced.subDelay;
    in.delayMix = advanced.delayMix;
    in.modTaps = advanced.modTaps;
    in.lfoTrim = dna.lfoTrim;
    return in;
}

const VornDsp::BlockControls& VornDsp::controlsFor(const ControlInputs& in) noexcept
{
    if (!controlsDerived || std::memcmp(&in, &blockInputs, sizeof in) != 0)
    {
        blockControls = deriveControls(in);
        blockInputs = in;
        controlsDerived = true;
    }
    return blockControls;
}

VornDsp::BlockControls VornDsp::deriveControls(const ControlInputs& in) const noexcept
{
    BlockControls k;
    const auto sr = static_cast<float>(sampleRate);
    k.sr = sr;

    // Modulation: the wander oscillators' increments.
    const float r1 = kWanderHz + kWanderHzPerTrim * in.lfoTrim;
    k.wanderIncrementA = kTwoPi * r1 / sr;
    k.wanderIncrementB = kTwoPi * kWanderSecondSine * r1 / sr;

    // The controls of every stage, limited to what the stages can use.
    k.rl = withinRange<parameterIndex("rtLow")>(in.rtLow);
    k.rh = withinRange<parameterIndex("rtHigh")>(in.rtHigh);
    k.diffusion = clamp01(in.preset.diffusion);
    k.softening = clamp01(in.preset.softening);
    k.density = clamp01(in.preset.density);
    k.stereoDepth = clamp01(in.preset.stereoDepth);
    k.headspace = clamp01(in.preset.headspace);
    k.blumlein = clamp01(in.preset.blumlein);
    k.tail = clamp01(in.reverbTail);
    k.dw = clamp01(in.dryWet / 100.0f);
    k.lfo = in.lfoRate != 0.0f ? in.lfoRate : kLfoWhenZeroHz;

    k.lowCutHz = in.lowCut > 0.0f ? in.lowCut : in.preset.lowCutHz;
    k.driftRate = kDriftHz + kDriftHzPerTrim * in.lfoTrim;
    k.link = std::min(in.inputLink, kParameterTable[parameterIndex("inputLink")].maximum);
    k.unlinked = (1.0f - k.link) * 0.5f;
    k.detune = juce::jlimit(-kDetuneLimitCents, kDetuneLimitCents, in.detune);
    k.predelaySamples = std::max(1, juce::roundToInt((in.preset.predelayOffsetMs + in.predelay) * 0.001f * sr));
    k.earlyOn = k.tail > kOffBelow && in.earlyLevel > kOffBelow;
    k.subSamples =
        std::min(static_cast<int>(predelayLine.size()), std::max(1, juce::roundToInt(in.subDelay * 0.001f * sr)));

    k.tankOn = k.tail > kOffBelow;
    k.inputDiffusion = k.diffusion * (kInputDiffusion + kInputDiffusionPerDensity * k.density);
    k.decaySeconds = tankDecaySeconds(in.decay);
    k.sizeFactor = kSizeFactor + kSizeFactorRange * std::max(in.size, kSmallestTankSize) / 100.0f;
    k.modRate = kTankModHz + k.lfo * (in.lfoTrim + kTankModTrimOffset);
    k.taps = std::max(in.modTaps, 1);
    k.outputDiffusion = k.diffusion * (kOutputDiffusion + kOutputDiffusionPerDensity * k.density);
    k.stereoAmount = (kStereoAmount + kStereoAmountPerDiffusion * k.diffusion) * k.stereoDepth;
    k.sizeNorm = in.size / 100.0f;
    k.delayMix = clamp01(in.delayMix);
    return k;
}

VornDsp::StereoPair VornDsp::processSample(float inL, float inR, const Parameters& parameters, const Preset& preset,
                                           const CircuitDna& dna, const Advanced& advanced)
{
    const auto controls = deriveControls(controlInputsOf(parameters, preset, dna, advanced));
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
    const std::array<float, 4> stereo{k.stereoAmount, k.blumlein, k.headspace, k.sizeNorm};
    if (!stereoPrepared || std::memcmp(stereo.data(), stereoInputs.data(), sizeof stereo) != 0)
    {
        blockStereo = stereoControls(k.stereoAmount, k.blumlein, k.headspace, k.sizeNorm);
        stereoInputs = stereo;
        stereoPrepared = true;
    }
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
    const float sendBefore = advanced.routing == 1 ? kDelaySend * (echoOutL + echoOutR) * 0.5f : 0.0f;
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
    // Wander and drift alike: two sines of unrelated rates, the first the stronger, of the phases in
    // chunk.phaseA/B, four samples from j.
    return splat(kFirstSine) * fastSin(load4(chunk.phaseA.data() + j)) +
           splat(kSecondSine) * fastSin(load4(chunk.phaseB.data() + j));
}

void VornDsp::runFront(int count, const BlockControls& k, const Advanced& advanced) noexcept
{
    // Modulation, wander: a very slow variation of every modulation rate. The phases advance sample by sample;
    // their sines then go four samples at a time (the same operations lane by lane).
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
        store4(chunk.wander.data() + j, splat(1.0f) + splat(kWanderDepth) * oscillatorPair(j));

    // Modulation, drift: the oscillators behind detune and the stereo stages, their rate following the wander:
    // the increments four samples at a time, then the phases sample by sample.
    for (int j = 0; j < rounded; j += 4)
    {
        const Float4 r2 = load4(chunk.wander.data() + j) * splat(k.driftRate);
        store4(chunk.phaseA.data() + j, splat(kTwoPi) * r2 / splat(k.sr));
        store4(chunk.phaseB.data() + j, splat(kTwoPi * kDriftSecondSine) * r2 / splat(k.sr));
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

    frontInputs(count);
    frontRecursions(count, k, advanced);
    frontOutputs(count, k);
}

void VornDsp::frontInputs(int count) noexcept
{
    // What the front's recursions take in, four samples at a time, for the whole chunk: the mono input, and the
    // noise floor's two channels before their low-passes, from the noise generator's draws (two a sample) four at
    // a time. Each sample's row holds the inputs of the four low-passes that run side by side: the two band
    // splitters' (the mono input twice) and the noise filters'.
    const int rounded = (count + 3) & ~3;
    for (int j = 0; j < rounded; j += 4)
        store4(chunk.mono.data() + j, (load4(chunk.inL.data() + j) + load4(chunk.inR.data() + j)) * splat(0.5f));

    const auto draw = [](UInt4 states)
    {
        return __builtin_convertvector(reinterpret_cast<Int4>(states >> 8), Float4) * splat(1.0f / 8388608.0f) -
               splat(1.0f);
    };
    auto seed = noiseSeed;
    UInt4 states = UInt4{seed, seed, seed, seed} * kGeneratorSteps.multiplier + kGeneratorSteps.increment;
    int j = 0;
    for (; j + 4 <= count; j += 4)
    {
        const UInt4 first = states;
        const UInt4 second = first * kGeneratorFourSteps.multiplier + kGeneratorFourSteps.increment;
        states = second * kGeneratorFourSteps.multiplier + kGeneratorFourSteps.increment;
        seed = second[3];
        const Float4 a = draw(first), b = draw(second);
        const Float4 u1 = shuffle<0, 2, 4, 6>(a, b), u2 = shuffle<1, 3, 5, 7>(a, b);
        const Float4 nm = (u1 + u2) * splat(0.5f);
        const Float4 ns = (u1 - u2) * splat(0.5f);
        store4(chunk.noiseL.data() + j, nm + splat(kNoiseSide) * ns);
        store4(chunk.noiseR.data() + j, nm - splat(kNoiseSide) * ns);
    }
    for (; j < count; ++j)
    {
        const float u1 = nextRandom(seed);
        const float u2 = nextRandom(seed);
        const float nm = (u1 + u2) * 0.5f;
        const float ns = (u1 - u2) * 0.5f;
        chunk.noiseL[j] = nm + kNoiseSide * ns;
        chunk.noiseR[j] = nm - kNoiseSide * ns;
    }
    noiseSeed = seed;

    for (j = 0; j < rounded; j += 4)
    {
        const Float4 mono = load4(chunk.mono.data() + j);
        const Float4 noiseL = load4(chunk.noiseL.data() + j), noiseR = load4(chunk.noiseR.data() + j);
        const Float4 monoLow = shuffle<0, 4, 1, 5>(mono, mono), monoHigh = shuffle<2, 6, 3, 7>(mono, mono);
        const Float4 noiseLow = shuffle<0, 4, 1, 5>(noiseL, noiseR), noiseHigh = shuffle<2, 6, 3, 7>(noiseL, noiseR);
        float* row = chunk.frontRows.data() + 4 * j;
        store4(row, shuffle<0, 1, 4, 5>(monoLow, noiseLow));
        store4(row + 4, shuffle<2, 3, 6, 7>(monoLow, noiseLow));
        store4(row + 8, shuffle<0, 1, 4, 5>(monoHigh, noiseHigh));
        store4(row + 12, shuffle<2, 3, 6, 7>(monoHigh, noiseHigh));
    }
}

void VornDsp::frontRecursions(int count, const BlockControls& k, const Advanced& advanced) noexcept
{
    // The recursions of the front, sample by sample, their state in locals (in registers, not stored and reloaded
    // every sample). The loop also runs the recursions of later stages that depend on nothing but its own results:
    // the ducking and the noise floor's low-passes, and the tank's band limiter unless the echoes feed the tank.
    // Their chains then overlap with the front's instead of each waiting on its own. The four low-passes (the
    // band splitters and the noise filters) run side by side in one register, the three band followers in
    // another, the ducking's choices without branches.
    const int n = static_cast<int>(predelayLine.size());
    const float highPass = inputHighPassCoefficient.get(k.lowCutHz, k.sr);
    const Float4 lowPass{1.0f - coeffs.lp300, 1.0f - coeffs.lp3000, 1.0f - coeffs.lp7600, 1.0f - coeffs.lp7600};
    Float4 lows{analysisLow.z, analysisMid.z, noiseLpL.z, noiseLpR.z};
    Float4 envelopes{bandEnv[0], bandEnv[1], bandEnv[2], 0.0f};
    auto inputFilter = inputHighPass;
    float* line = predelayLine.data();
    int write = predelayWrite;
    Float4 duckEnvelope = splat(duckEnv), duck = splat(duckGain);
    const Float4 attack = splat(coeffs.duckAttack), release = splat(coeffs.duckRelease);
    const Float4 fall = splat(coeffs.gainFall), rise = splat(coeffs.gainRise);
    const bool limitHere = advanced.routing != 1;
    auto limiterHigh = limiterHp;
    auto limiterLow1 = limiterLp1, limiterLow2 = limiterLp2;
    float* rows = chunk.frontRows.data();
    const Int4 magnitudeBits = splat(0x7fffffff);
    for (int j = 0; j < count; ++j)
    {
        // Input analysis: two low-passes split the mono input into three bands, whose peak followers give the
        // input level.
        const Float4 in = load4(rows + 4 * j);
        lows = lows + lowPass * (in - lows);
        store4(rows + 4 * j, lows);
        // (a, b, mono) - (0, a, b): the bands a, b - a and mono - b.
        const Float4 bands = shuffle<0, 1, 4, 5>(lows, in) - shuffle<4, 0, 1, 2>(lows, splat(0.0f));
        const Float4 magnitude = reinterpret_cast<Float4>(reinterpret_cast<Int4>(bands) & magnitudeBits);
        const Float4 decayed = splat(kBandRelease) * envelopes + splat(kBandFollow) * magnitude;
        envelopes = select(magnitude < decayed, decayed, magnitude);
        const float level = std::min((envelopes[0] + envelopes[1] + envelopes[2]) / 3.0f * kLevelScale, 1.0f);
        const float sum = (bands[0] + bands[1]) + bands[2];

        // Input high-pass.
        const float h = inputFilter.processWith(sum, highPass);

        // Predelay, then the sub tap (which joins the tank's input), read behind the advanced write index.
        const float x0 = advanceLine(line, n, write, h, k.predelaySamples);
        const float sub = line[indexBehind(write, k.subSamples, n)] * advanced.subLevel;
        chunk.x0[j] = x0;
        chunk.sub[j] = sub;
        chunk.level[j] = level;

        // The band limiter of the tank's input, when no echo is sent to it (else runTankInput runs it).
        if (limitHere)
            chunk.bandLimited[j] = bandlimitWith(limiterHigh, limiterLow1, limiterLow2, 0.0f + (x0 + sub));

        // Ducking under the input: fast attack, slow release.
        const Float4 duckTarget = splat(kDuckFromSignal * std::abs(x0) + kDuckFromLevel * level);
        const Int4 rising = duckTarget > duckEnvelope;
        const Float4 q = select(rising, attack, release);
        duckEnvelope = q * duckEnvelope + (splat(1.0f) - q) * duckTarget;
        const Float4 target = splat(kDuckRest) - splat(kDuckRange) * duckEnvelope / (duckEnvelope + splat(kDuckKnee));
        const Float4 qGain = select(target < duck, fall, rise);
        duck = qGain * duck + (splat(1.0f) - qGain) * target;
        chunk.duck[j] = duck[0];
        chunk.duckEnvelope[j] = duckEnvelope[0];
    }
    analysisLow.z = lows[0];
    analysisMid.z = lows[1];
    noiseLpL.z = lows[2];
    noiseLpR.z = lows[3];
    bandEnv = {envelopes[0], envelopes[1], envelopes[2]};
    inputHighPass = inputFilter;
    predelayWrite = write;
    duckEnv = duckEnvelope[0];
    duckGain = duck[0];
    limiterHp = limiterHigh;
    limiterLp1 = limiterLow1;
    limiterLp2 = limiterLow2;
}

void VornDsp::frontOutputs(int count, const BlockControls& k) noexcept
{
    // What follows from the recursions' results, four samples at a time: the detune depth in cents, partly
    // following the input level, and the noise floor, faint, rising a little under programme.
    const int rounded = (count + 3) & ~3;
    const float* rows = chunk.frontRows.data();
    for (int j = 0; j < rounded; j += 4)
    {
        const Float4 level = load4(chunk.level.data() + j);
        store4(chunk.cents.data() + j,
               splat(k.detune) * load4(chunk.drift.data() + j) *
                   (splat(kDetuneDepth) + splat(kDetuneDepthPerLevel) * (splat(k.unlinked) + level * splat(k.link))));

        const Float4 follow = splat(kNoiseFollowDuck) * load4(chunk.duckEnvelope.data() + j);
        const Float4 clamped =
            select(follow < splat(0.0f), splat(0.0f), select(splat(1.0f) < follow, splat(1.0f), follow));
        const Float4 amp = splat(k.tail) * (splat(kNoiseFloor) + splat(kNoiseUnderProgramme) * clamped);
        Float4 a = load4(rows + 4 * j), b = load4(rows + 4 * j + 4), c = load4(rows + 4 * j + 8),
               d = load4(rows + 4 * j + 12);
        transpose(a, b, c, d); // c: the left noise filter's outputs, d: the right one's
        store4(chunk.noiseL.data() + j, amp * c);
        store4(chunk.noiseR.data() + j, amp * d * splat(kNoiseRightTrim));
    }
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
    // Tank input: the predelayed signal, the sub tap and the previous sample's echoes when they feed the reverb,
    // band-limited (without the echoes the front has done that already).
    const bool delayToReverb = advanced.routing == 1;
    float* c = chunk.bandLimited.data();
    if (delayToReverb)
    {
        auto hp = limiterHp;
        auto lp1 = limiterLp1, lp2 = limiterLp2;
        for (int j = 0; j < count; ++j)
        {
            const float send = j == 0 ? sendBefore : kDelaySend * (chunk.echoL[j - 1] + chunk.echoR[j - 1]) * 0.5f;
            c[j] = bandlimitWith(hp, lp1, lp2, send + (chunk.x0[j] + chunk.sub[j]));
        }
        limiterHp = hp;
        limiterLp1 = lp1;
        limiterLp2 = lp2;
    }

    // Input diffusion runs every sample, whether or not the tank does.
    const float e = k.inputDiffusion;
    diffuseRun(c, chunk.tankInL.data(), chunk.scratch.data(), count, inDiffL, e);
    diffuseRun(c, chunk.tankInR.data(), chunk.scratch.data(), count, inDiffR, e);
}

void VornDsp::runTank(int count, const BlockControls& k) noexcept
{
    // Tank: the two banks; while the tail is off neither is touched.
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
        chunk.reverbR[j] = runBank(bankR, chunk.tankInR[j], chunk.modRate[j] * kRightBankRateScale);
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

        // Bass narrowing: the lows move towards mono.
        const float gL = lowL.processWith(bankOutL, coeffs.c200);
        const float gR = lowR.processWith(bankOutR, coeffs.c200);
        const float lowMid = (gL + gR) * 0.5f;
        chunk.reverbL[j] = bankOutL + kBassNarrowing * (lowMid - gL);
        chunk.reverbR[j] = bankOutR + kBassNarrowing * (lowMid - gR);
    }
    narrowL = lowL;
    narrowR = lowR;

    // Output diffusion.
    diffuseRun(chunk.reverbL.data(), chunk.reverbL.data(), chunk.scratch.data(), count, outDiffL, k.outputDiffusion);
    diffuseRun(chunk.reverbR.data(), chunk.reverbR.data(), chunk.scratch.data(), count, outDiffR, k.outputDiffusion);

    // Softening: a share of a 6.2 kHz low-pass, as much as the character preset asks.
    auto softL = softenL, softR = softenR;
    for (int j = 0; j < count; ++j)
    {
        const float l2 = chunk.reverbL[j], r2 = chunk.reverbR[j];
        chunk.reverbL[j] = l2 * (1.0f - kSoftening * s) + kSoftening * s * softL.processWith(l2, coeffs.lp6200);
        chunk.reverbR[j] = r2 * (1.0f - kSoftening * s) + kSoftening * s * softR.processWith(r2, coeffs.lp6200);
    }
    softenL = softL;
    softenR = softR;

    // Detune: the shifters wait untouched while the shift is negligible.
    if (k.detune != 0.0f)
        PitchShifter::processPair(shifterL, shifterR, chunk.reverbL.data(), chunk.reverbR.data(), chunk.cents.data(),
                                  count);

    // Stereo stages: depth, psycho-Blumlein, headspace.
    stereoStagesOfChunk(count, stereo);
}

void VornDsp::runMix(int count, const BlockControls& k, const Advanced& advanced) noexcept
{
    // The ducking gain and the noise floor come from the front's loop (runFront).
    // The rest is independent from sample to sample but for the converter: four samples at a time.
    // Mix: the wet reverb, then the early reflections and echoes, which bypass the tank, the stereo stages and the
    // ducking.
    const Float4 tail = splat(k.tail), gain = splat(advanced.outputGain), delayMix = splat(k.delayMix);
    const Float4 dry = splat(1.0f - k.dw), wet = splat(k.dw), knee = splat(kOutputKnee);
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

    // Converter.
    if (advanced.vintageConv)
        convertChunk(outL, outR, count);

    // Dry/wet and limit: the soft limit only for the rare sample beyond its knee.
    for (int j = 0; j < count; j += 4)
        for (float* channel : {outL, outR})
        {
            const float* in = channel == outL ? chunk.inL.data() : chunk.inR.data();
            const Float4 out = load4(in + j) * dry + wet * load4(channel + j);
            store4(channel + j, out);
            const Int4 beyond = (out > knee) | (out < -knee);
            if (anyLane(beyond))
                for (int i = j; i < j + 4; ++i)
                    channel[i] = softLimitOutput(channel[i]);
        }
}

} // namespace vorn
