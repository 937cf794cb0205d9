#include "engine/VornDsp.h"

namespace vorn
{

namespace
{
/** Circular buffers sized from the sample rate keep at least one sample, whatever the rate. */
size_t bufferLength(double samples)
{
    return static_cast<size_t>(std::max(1, juce::roundToInt(samples)));
}

/** A sample that is not finite enters as silence, and levels far beyond full scale are limited: either would
    otherwise overflow into the recirculating lines and filters and stay there for good. */
float safeInput(float x) noexcept
{
    constexpr float kLimit = 1000.0f; // +60 dBFS
    return std::isfinite(x) ? juce::jlimit(-kLimit, kLimit, x) : 0.0f;
}
} // namespace

VornDsp::VornDsp() = default;

void VornDsp::prepare(double newSampleRate, int)
{
    sampleRate = newSampleRate > 0.0 && std::isfinite(newSampleRate) ? newSampleRate : 48000.0;
    const auto sr = static_cast<float>(sampleRate);

    // Fresh banks: one second of zeros per line, lengths from the table, phases and rates per line, empty
    // decay caches.
    bankL = Bank();
    bankR = Bank();
    banksPrepared = false;
    controlsDerived = false; // the sample rate and the lines' lengths are among what the controls follow
    stereoPrepared = false;
    const auto lineSamples = static_cast<size_t>(std::max(8, juce::roundToInt(sampleRate)));
    for (size_t i = 0; i < 8; ++i)
    {
        const auto k = static_cast<float>(i);
        bankL[i].buffer.assign(lineSamples, 0.0f);
        bankL.length[i] = kLineLengths[i];
        bankL.phase[i] = 1.31f * k;
        bankL.rate[i] = 0.8f + 0.21f * k;
        bankR[i].buffer.assign(lineSamples, 0.0f);
        bankR.length[i] = kLineLengths[i + 8];
        bankR.phase[i] = 1.9f + 0.77f * k;
        bankR.rate[i] = 0.95f + 0.17f * k;
    }

    inDiffL[0].prepare(sampleRate, 3.7f, 0.58f);
    inDiffL[1].prepare(sampleRate, 9.1f, 0.54f);
    inDiffR[0].prepare(sampleRate, 4.3f, 0.58f);
    inDiffR[1].prepare(sampleRate, 10.7f, 0.54f);
    outDiffL[0].prepare(sampleRate, 13.3f, 0.52f);
    outDiffL[1].prepare(sampleRate, 29.7f, 0.48f);
    outDiffR[0].prepare(sampleRate, 15.1f, 0.52f);
    outDiffR[1].prepare(sampleRate, 31.9f, 0.48f);
    blumleinDiffA[0].prepare(sampleRate, 5.9f, 0.62f);
    blumleinDiffA[1].prepare(sampleRate, 17.3f, 0.54f);
    blumleinDiffB[0].prepare(sampleRate, 7.1f, 0.61f);
    blumleinDiffB[1].prepare(sampleRate, 19.7f, 0.53f);

    shifterL.prepare(sampleRate, 90.0f);
    shifterR.prepare(sampleRate, 90.0f);

    predelayLine.assign(bufferLength(sampleRate), 0.0f);
    depthLineL.assign(bufferLength(sampleRate * 0.044), 0.0f);
    depthLineR.assign(depthLineL.size(), 0.0f);
    headLineL.assign(bufferLength(sampleRate * 0.07), 0.0f);
    headLineR.assign(headLineL.size(), 0.0f);
    echoLineL.assign(bufferLength(sampleRate * 1.1), 0.0f);
    echoLineR.assign(echoLineL.size(), 0.0f);

    coeffs.lp300 = onePoleCoefficient(300.0f, sr);
    coeffs.lp3000 = onePoleCoefficient(3000.0f, sr);
    coeffs.hp30 = onePoleCoefficient(30.0f, sr);
    coeffs.lp13000 = onePoleCoefficient(13000.0f, sr);
    coeffs.c200 = onePoleCoefficient(200.0f, sr);
    coeffs.c2500 = onePoleCoefficient(2500.0f, sr);
    coeffs.lp6200 = onePoleCoefficient(6200.0f, sr);
    coeffs.lp7600 = onePoleCoefficient(7600.0f, sr);
    coeffs.hp2200 = onePoleCoefficient(2200.0f, sr);
    coeffs.lp760 = onePoleCoefficient(760.0f, sr);
    coeffs.hp1700 = onePoleCoefficient(1700.0f, sr);
    coeffs.lp2600 = onePoleCoefficient(2600.0f, sr);
    coeffs.hp5200 = onePoleCoefficient(5200.0f, sr);
    coeffs.lp11800 = onePoleCoefficient(11800.0f, sr);
    coeffs.lp6500 = onePoleCoefficient(6500.0f, sr);
    coeffs.duckAttack = std::exp(-1.0f / (0.014f * sr));
    coeffs.duckRelease = std::exp(-1.0f / (0.26f * sr));
    coeffs.gainFall = std::exp(-1.0f / (0.03f * sr));
    coeffs.gainRise = std::exp(-1.0f / (0.18f * sr));
    coeffs.converter = 1.0f - onePoleCoefficient(13500.0f, sr);
    coeffs.echoLfoIncrement = 0.6911504f / sr;

    // The cached control-following coefficients belong to the old rate.
    depthLpCoefficient = {};
    inputHighPassCoefficient = {};

    prepareEarlyReflections();
    prepareConverter();
    prepared = true;
    reset();
}

void VornDsp::clear(std::vector<float>& buffer) noexcept
{
    std::fill(buffer.begin(), buffer.end(), 0.0f);
}

void VornDsp::reset()
{
    // The tank keeps its lengths, modulation phases and rates, band-split filters and decay caches.
    for (auto* bank : {&bankL, &bankR})
    {
        for (auto& line : *bank)
            clear(line.buffer);
        bank->writeIndex = 0;
    }

    for (auto* pair : {&inDiffL, &inDiffR, &outDiffL, &outDiffR, &blumleinDiffA, &blumleinDiffB})
        for (auto& diffuser : *pair)
            diffuser.reset();

    shifterL.reset();
    shifterR.reset();

    clear(predelayLine);
    predelayWrite = 0;

    clear(depthLineL);
    clear(depthLineR);
    clear(headLineL);
    clear(headLineR);
    depthState = {};
    blumleinFilters = {};
    headState = {};
    for (auto* lp : {&echoTapL, &echoTapR, &echoFeedbackL, &echoFeedbackR, &analysisLow, &analysisMid, &limiterLp1,
                     &limiterLp2, &narrowL, &narrowR, &softenL, &softenR, &noiseLpL, &noiseLpR})
        lp->reset();
    for (auto* hp : {&inputHighPass, &limiterHp})
        hp->reset();

    clear(echoLineL);
    clear(echoLineR);
    echoWrite = 0;
    echoActive = false;
    echoLfoPhase = 0.0f;
    echoOutL = echoOutR = 0.0f;

    bandEnv = {};
    duckEnv = 0.0f;
    duckGain = 1.0f;
    noiseSeed = 2654435769u;
    wanderPhase = {0.0f, 1.7f};
    driftPhase = {0.0f, 1.7f};

    converterL = {};
    converterR = {};
}

void VornDsp::process(juce::AudioBuffer<float>& buffer, const Parameters& parameters, const Advanced& advanced,
                      const CircuitDna& dna)
{
    const Preset& preset = presetForIndex(parameters.preset);
    const int numSamples = buffer.getNumSamples();

    // Before the first prepare every buffer is empty: the block passes through untouched.
    if (numSamples <= 0 || !prepared || buffer.getNumChannels() < 1)
        return;

    const auto& controls = controlsFor(controlInputsOf(parameters, preset, dna, advanced));
    prepareBlock(controls, advanced);

    const int limit = chunkLimit(controls, parameters);
    const bool stereo = buffer.getNumChannels() >= 2;
    float* left = buffer.getWritePointer(0);
    float* right = stereo ? buffer.getWritePointer(1) : nullptr;
    for (int start = 0; start < numSamples; start += limit)
    {
        const int count = std::min(limit, numSamples - start);
        for (int j = 0; j < count; ++j)
        {
            const float l = safeInput(left[start + j]);
            chunk.inL[j] = l;
            chunk.inR[j] = stereo ? safeInput(right[start + j]) : l;
        }
        runChunk(count, controls, parameters, advanced);
        std::copy_n(chunk.outL.begin(), count, left + start);
        if (stereo)
            std::copy_n(chunk.outR.begin(), count, right + start);
    }
}

} // namespace vorn
