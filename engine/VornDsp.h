#pragma once

#include "engine/CircuitDna.h"
#include "engine/DspPrimitives.h"
#include "engine/EngineRecords.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <limits>
#include <utility>
#include <vector>

// x86-64 processors with AVX2 run the tank and the early reflections eight lanes wide (chosen at run time; the
// results are the same).
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VORN_WIDE_LANES 1
#else
#define VORN_WIDE_LANES 0
#endif

namespace vorn
{

/** The reverb engine: turns a stereo (or mono) block into the processed block, one sample pair at a time,
    from the records the processor builds for every block. Every buffer is allocated in prepare. */
class VornDsp : public VornDspPrimitives
{
public:
    using Bank = TankBank;
    using StereoPair = std::pair<float, float>;

    VornDsp();

    /** Sizes every buffer for the sample rate (48000 if it is not a positive number), then resets. */
    void prepare(double newSampleRate, int blockSize);

    /** Clears the running state without reallocating. */
    void reset();

    /** Processes a block in place. Input samples that are not finite enter as silence. */
    void process(juce::AudioBuffer<float>& buffer, const Parameters& parameters, const Advanced& advanced,
                 const CircuitDna& dna);

    /** The whole engine for one sample pair. */
    StereoPair processSample(float inL, float inR, const Parameters& parameters, const Preset& preset,
                             const CircuitDna& dna, const Advanced& advanced);

    double getSampleRate() const noexcept { return sampleRate; }

    //==================================================================================================
    // The stages, each reachable on its own so that it can be measured.

    /** The tank's input band limiter: 30 Hz high-pass, then two 13 kHz low-passes. */
    float bandlimit(float x) noexcept;
    float bandlimitWith(OnePoleHP& hp, OnePoleLP& lp1, OnePoleLP& lp2, float x) const noexcept;

    /** Runs one bank of the tank for one sample and returns its output. */
    float processDelayBank(Bank& bank, float input, float decaySeconds, float rtLow, float rtHigh, float sizeFactor,
                           float modDepth, float modRateHz, int taps, float density) noexcept;

    Bank& leftBank() noexcept { return bankL; }
    Bank& rightBank() noexcept { return bankR; }

    /** Reads the predelay line delaySamples behind its write index, then writes h and advances. */
    float advancePredelay(float h, int delaySamples) noexcept;

    /** advancePredelay on any line of n samples with its write index. */
    static float advanceLine(float* line, int n, int& write, float h, int delaySamples) noexcept;

    /** The early-reflection pattern of a character preset, read from the predelay line. */
    StereoPair processEarlyReflections(int index, float level) noexcept;

    /** Mid/side rotation, cross-channel reflections and high side, then the psycho-Blumlein stage. */
    StereoPair applyStereoDepth(float l, float r, float amount, float blend, float lfo) noexcept;

    /** Adds a decorrelated, band-limited side signal and saturates the side against the mid. */
    StereoPair applyPsychoBlumlein(float mid, float side, float amount, float lfo) noexcept;

    /** Room-size dependent delayed, filtered side components, side saturated again. */
    StereoPair applyHeadspace(float l, float r, float amount, float sizeNorm) noexcept;

    /** 13.5 kHz low-pass, 16-bit truncation, a slight non-linearity and dither. */
    StereoPair processVintageConverter(float l, float r) noexcept;
    /** processVintageConverter over count samples of each channel, in place. */
    void convertChunk(float* left, float* right, int count) noexcept;

    /** The two echo lines for one sample; mono and inR are the raw inputs, reverbL/R the stereo-staged reverb. */
    StereoPair processEcho(float mono, float inR, float reverbL, float reverbR, const Advanced& advanced) noexcept;

    /** The ducking gain: 1.055 at rest, down towards 0.91 under loud input. */
    float getDuckGain() const noexcept { return duckGain; }

    /** Whether this processor can run the tank and the early reflections eight lanes wide; the engine then does
        so unless told not to. */
    static bool wideLanesAvailable() noexcept;

    /** Chooses the code path (for comparing the two); a request for the wide one is ignored where the processor
        lacks it. */
    void useWideLanes(bool wide) noexcept { wideLanes = wide && wideLanesAvailable(); }

    PitchShifter& leftShifter() noexcept { return shifterL; }
    PitchShifter& rightShifter() noexcept { return shifterR; }

    /** The tank line lengths in samples, left bank 0..7 then right bank 0..7, at every sample rate. */
    static const std::array<int, 16> kLineLengths;

    /** The right bank's modulation runs this much faster than the left's, so that the two sides move apart. */
    static constexpr float kRightBankRateScale = 1.13f;

private:
    /** Coefficients that depend only on the sample rate, computed by prepare with the stages' own formulas. */
    struct Coefficients
    {
        float lp300 = 0, lp3000 = 0;             // input analysis
        float hp30 = 0, lp13000 = 0;             // band limiter
        float c200 = 0, c2500 = 0;               // tank band splits, bass narrowing
        float lp6200 = 0, lp7600 = 0;            // softening, Blumlein band, noise
        float hp2200 = 0, lp760 = 0, hp1700 = 0; // stereo depth, Blumlein, headspace
        float lp2600 = 0, hp5200 = 0;            // headspace
        float lp11800 = 0, lp6500 = 0;           // echo taps and feedback
        float duckAttack = 0, duckRelease = 0;   // ducking envelope
        float gainFall = 0, gainRise = 0;        // ducking gain
        float converter = 0;                     // 1 - exp(-2*pi*13500/sr)
        float echoLfoIncrement = 0;              // 2*pi*0.11/sr
    };

    /** An early-reflection pattern worked out for the sample rate: delays in samples and the pan gains, in tap
        order, lanes beyond `count` unused. Taps longer than the predelay line are left out. */
    struct ErPatternAtRate
    {
        alignas(16) std::array<float, 16> delaySamples{}, gain{}, cosPan{}, sinPan{};
        int count = 0;
        int chunkLimit = 1; // the longest chunk whose reflections can be read after it (set with the taps)
    };

    /** A one-pole coefficient for a cutoff that follows a control, recomputed only when the cutoff changes. */
    struct FollowingCoefficient
    {
        float get(float cutoffHz, float sr) noexcept
        {
            if (cutoffHz != cutoff)
            {
                cutoff = cutoffHz;
                value = onePoleCoefficient(cutoffHz, sr);
            }
            return value;
        }

        float cutoff = std::numeric_limits<float>::quiet_NaN();
        float value = 0.0f;
    };

    /** What the stages derive from the records alone: the same for a whole block. */
    struct BlockControls
    {
        float sr = 48000.0f;
        float wanderIncrementA = 0, wanderIncrementB = 0, driftRate = 0;
        float rl = 1, rh = 1, diffusion = 0, softening = 0, density = 0, stereoDepth = 0, headspace = 0, blumlein = 0;
        float tail = 0, dw = 0, lfo = 0, lowCutHz = 0, link = 0, unlinked = 0, detune = 0;
        int predelaySamples = 1, subSamples = 1, taps = 1;
        bool earlyOn = false, tankOn = false;
        float inputDiffusion = 0, decaySeconds = 0, sizeFactor = 0, modRate = 0, outputDiffusion = 0;
        float stereoAmount = 0, sizeNorm = 0, delayMix = 0;
    };

    /** Everything deriveControls reads, and nothing else, so that a block whose inputs equal the last block's,
        bit for bit, keeps its controls. Floats and ints only: no padding can hide in the comparison. */
    struct ControlInputs
    {
        Preset preset;
        float decay, predelay, size, dryWet;
        float rtLow, rtHigh, reverbTail, lfoRate, lowCut, inputLink, detune, earlyLevel, subDelay, delayMix;
        int modTaps;
        float lfoTrim;
    };
    static_assert(sizeof(ControlInputs) == sizeof(Preset) + 16 * sizeof(float));

    static ControlInputs controlInputsOf(const Parameters& parameters, const Preset& preset, const CircuitDna& dna,
                                         const Advanced& advanced) noexcept;
    BlockControls deriveControls(const ControlInputs& in) const noexcept;
    /** The block's controls, derived again only when their inputs changed. */
    const BlockControls& controlsFor(const ControlInputs& in) noexcept;

    struct DepthState
    {
        int write = 0;
        OnePoleLP lpA, lpB;
        OnePoleHP hpL, hpR;
    };

    struct BlumleinState
    {
        OnePoleLP lp760, lp6200;
        OnePoleHP hp1700;
    };

    struct HeadspaceState
    {
        int write = 0;
        OnePoleLP lpA, lpB;
        OnePoleHP hpA, hpB, hpL, hpR;
    };

    /** What the stereo stages make of their amounts (clamped), the same for a whole block. */
    struct StereoControls
    {
        float dep = 0, blumlein = 0, depthLowPass = 0, depthGain = 1, headspace = 0;
        int depthTapA = 0, depthTapB = 0, headShort = 1, headLong = 0;
    };

    StereoControls stereoControls(float amount, float blend, float headspace, float sizeNorm) noexcept;
    /** What the stereo stages take from the drift oscillators (lfo): the rotation's cosine and sine and the
        Blumlein stage's sine, four samples at a time. */
    struct StereoSines
    {
        Float4 cosAngle, sinAngle, blumlein;
    };
    static StereoSines stereoSines(const StereoControls& s, Float4 lfo) noexcept;

    // The stereo stages with their controls worked out beforehand, and the sines and cosines they need.
    StereoPair stereoDepthWith(float l, float r, const StereoControls& s, float cosAngle, float sinAngle,
                               float blumleinSin) noexcept;
    StereoPair blumleinWith(float mid, float side, const StereoControls& s, float v) noexcept;
    void blumleinOfChunk(int count, const StereoControls& s) noexcept;
    void depthOfChunk(int count, const StereoControls& s) noexcept;
    void headspaceOfChunk(int count, const StereoControls& s) noexcept;
    void stereoStagesOfChunk(int count, const StereoControls& s) noexcept;

    // Their parts: the filters and lines, which run sample by sample, and the memoryless rest, four samples at a
    // time.
    struct Pair4
    {
        Float4 a, b;
    };
    static StereoPair firstLanes(const Pair4& p) noexcept;
    StereoPair depthMidSide(DepthState& state, float l, float r, const StereoControls& s, float cosAngle,
                            float sinAngle) noexcept;
    static Pair4 depthOutput(Float4 mid, Float4 side, const StereoControls& s) noexcept;
    float blumleinBand(BlumleinState& state, float diffusedA, float diffusedB) const noexcept;
    static Pair4 blumleinSaturate(Float4 mid, Float4 side, Float4 band, const StereoControls& s, Float4 v) noexcept;
    StereoPair headspaceMidSide(HeadspaceState& state, float l, float r, const StereoControls& s) noexcept;
    static Pair4 headspaceOutput(Float4 mid, Float4 side, const StereoControls& s) noexcept;
    StereoPair headspaceWith(float l, float r, const StereoControls& s) noexcept;

    /** Per-sample values handed from one stage of the signal flow to the next, for a chunk of samples. The
        block is processed chunk by chunk, each stage over the whole chunk in turn, so that the work of
        neighbouring samples can overlap. */
    struct Chunk
    {
        static constexpr int kLength = 64;
        /** One value per sample of the chunk, indexed by the sample's place in it. */
        struct Samples
        {
            float& operator[](int i) noexcept { return values[i]; }
            float operator[](int i) const noexcept { return values[i]; }
            float* data() noexcept { return values; }
            const float* data() const noexcept { return values; }
            float* begin() noexcept { return values; }

            alignas(32) float values[kLength]{};
        };
        Samples inL{}, inR{}, outL{}, outR{};
        Samples mono{}, level{}, wander{}, drift{}, cents{}, x0{}, sub{};
        Samples earlyL{}, earlyR{}, echoL{}, echoR{}, tankInL{}, tankInR{}, modRate{}, reverbL{}, reverbR{};
        Samples cosAngle{}, sinAngle{}, blumleinSin{}, mid{}, side{};
        Samples phaseA{}, phaseB{}, duck{}, noiseL{}, noiseR{};
        Samples bandLimited{}, blumleinIn{}, diffusedA{}, diffusedB{}, blumleinBand{}, scratch{};
        Samples tapA{}, tapB{}, tapC{}, tapD{}, lowA{}, lowB{}, highL{}, highR{}; // the stereo stages' taps and filters
        Samples duckEnvelope{};
        /** Four values per sample, one row of four after another: what several recursions that run side by side
            take in or give out. */
        struct Rows
        {
            float* data() noexcept { return values; }
            const float* data() const noexcept { return values; }

            alignas(32) float values[4 * kLength]{};
        };
        Rows frontRows{};
    };

    /** The work the chunks need done once per block before they run; what follows from controls that have not
        changed since the last block is kept. */
    void prepareBlock(const BlockControls& controls, const Advanced& advanced) noexcept;

    /** The controls the banks were last prepared for, compared bit for bit. */
    struct BankControls
    {
        float decaySeconds, rtLow, rtHigh, sizeFactor, modDepth, density;
        int taps;
    };

    /** How many samples a chunk may hold under the block's controls (at least 1). */
    int chunkLimit(const BlockControls& controls, const Parameters& parameters) const noexcept;
    int earlyReflectionsChunkLimit(int index) const noexcept;
    int chunkLimitFor(const ErPatternAtRate& pattern) const noexcept;

    /** The whole signal flow for the first count samples of `chunk` (inL, inR in; outL, outR out). */
    void runChunk(int count, const BlockControls& controls, const Parameters& parameters,
                  const Advanced& advanced) noexcept;

    // The stages of runChunk.
    void runFront(int count, const BlockControls& controls, const Advanced& advanced) noexcept;
    void frontInputs(int count) noexcept;
    void frontRecursions(int count, const BlockControls& controls, const Advanced& advanced) noexcept;
    void frontOutputs(int count, const BlockControls& controls) noexcept;
    Float4 oscillatorPair(int j) const noexcept;
    void switchEchoOff() noexcept;
    void earlyReflectionsOfChunk(int count, int index, float level) noexcept;

    /** The taps of a pattern summed over `rounded` samples (a multiple of 8) eight at a time, as
        earlyReflectionsOfChunk does four at a time; `write` holds each sample's write index. */
    static void earlyTaps(const ErPatternAtRate& pattern, const float* line, int n, const float* write, int rounded,
                          float* left, float* right) noexcept;
    static void earlyTapsWide(const ErPatternAtRate& pattern, const float* line, int n, const float* write, int rounded,
                              float* left, float* right) noexcept;
    void runEcho(int count, const Advanced& advanced, bool withReverb) noexcept;

    /** What the echo section makes of the records, the same for a whole block. */
    struct EchoControls
    {
        bool stereo = false, cross = false, reverbSend = false;
        float delayA = 1, delayB = 1, gainA = 0, gainB = 0; // delays in samples, feedback gains
    };
    /** The section's controls; entering an echo mode, it first clears the lines. */
    EchoControls echoControls(const Advanced& advanced) noexcept;
    /** The two echo lines for count samples; reverbL/R are read only when the reverb is sent to them. */
    void echoRun(int count, const EchoControls& controls, const float* mono, const float* inR, const float* reverbL,
                 const float* reverbR, float* outL, float* outR) noexcept;
    void runTankInput(int count, const BlockControls& controls, const Advanced& advanced, float sendBefore) noexcept;
    void runTank(int count, const BlockControls& controls) noexcept;
    void runReverbOutput(int count, const BlockControls& controls) noexcept;
    void runMix(int count, const BlockControls& controls, const Advanced& advanced) noexcept;

    /** Sets a bank up for a block's controls: its cached decay gains (recomputed only when their keys change),
        scaled lengths, modulation depth and input gain. runBank then runs it sample by sample. */
    void prepareBank(Bank& bank, float decaySeconds, float rtLow, float rtHigh, float sizeFactor, float modDepth,
                     int taps, float density) noexcept;
    float runBank(Bank& bank, float input, float modRateHz) noexcept;
    /** runBank for count samples of both banks (the right one's rates scaled by 1.13) in three passes, as the wide
        tank runs; count may not exceed tankRunLimit. */
    void runBanksRun(const float* inputL, const float* inputR, const float* modRate, int count, float* outL,
                     float* outR) noexcept;

    /** The tank eight lanes wide, for count samples of one bank (modulation rates scaled by rateScale), one tap
        per line; count may not exceed tankRunLimit. */
    void runBankRunWide(Bank& bank, const float* input, const float* modRate, float rateScale, int count,
                        float* out) noexcept;
    /** The most samples a bank may run in passes (every read behind the run's first write); 0 where it cannot. */
    int tankRunLimit(const Bank& bank) const noexcept;
    /** runBankRunWide for both banks side by side (the right one's rates scaled by 1.13). */
    void runBanksRunWide(const float* inputL, const float* inputR, const float* modRate, int count, float* outL,
                         float* outR) noexcept;

    void prepareEarlyReflections();
    /** Builds the converter's table of shaped 16-bit steps (once for every engine). */
    static void prepareConverter();
    static void clear(std::vector<float>& buffer) noexcept;

    double sampleRate = 48000.0;
    bool prepared = false;
    bool wideLanes = wideLanesAvailable();
    Coefficients coeffs;

    // Tank (banks heard left and right), the controls they were prepared for (none yet, while banksPrepared is
    // false) and the longest run of samples the banks may take under them.
    Bank bankL, bankR;
    BankControls bankControls{};
    bool banksPrepared = false;
    int runLimit = 0;
    BlockControls blockControls; // the controls of the last block, derived from blockInputs
    ControlInputs blockInputs{};
    bool controlsDerived = false;
    StereoControls blockStereo; // the stereo stages' controls for the block
    // What blockStereo was derived from (none yet, while stereoPrepared is false); equal inputs skip deriving.
    std::array<float, 4> stereoInputs{};
    bool stereoPrepared = false;

    // Diffusers: input and output pairs, and the psycho-Blumlein pairs.
    std::array<AllpassDiffuser, 2> inDiffL, inDiffR, outDiffL, outDiffR;
    std::array<AllpassDiffuser, 2> blumleinDiffA, blumleinDiffB;

    PitchShifter shifterL, shifterR;

    // Predelay line (mono), also read by the early reflections and the sub tap.
    std::vector<float> predelayLine;
    int predelayWrite = 0;
    std::array<ErPatternAtRate, 4> erPatterns;

    // Stereo depth, psycho-Blumlein and headspace: lines, and the running state of each stage (write index,
    // filters), kept together so that a chunk can run on a copy held in registers.
    std::vector<float> depthLineL, depthLineR;
    DepthState depthState;
    FollowingCoefficient depthLpCoefficient;
    BlumleinState blumleinFilters;
    std::vector<float> headLineL, headLineR;
    HeadspaceState headState;

    // Echo lines.
    std::vector<float> echoLineL, echoLineR;
    int echoWrite = 0;
    bool echoActive = false;
    OnePoleLP echoTapL, echoTapR, echoFeedbackL, echoFeedbackR;
    float echoLfoPhase = 0.0f;
    float echoOutL = 0.0f, echoOutR = 0.0f;

    // Input analysis, input high-pass and band limiter.
    OnePoleLP analysisLow, analysisMid;
    std::array<float, 3> bandEnv{};
    OnePoleHP inputHighPass;
    FollowingCoefficient inputHighPassCoefficient;
    OnePoleHP limiterHp;
    OnePoleLP limiterLp1, limiterLp2;

    // Reverb output path.
    OnePoleLP narrowL, narrowR, softenL, softenR;
    float duckEnv = 0.0f, duckGain = 1.0f;
    juce::uint32 noiseSeed = 2654435769u;
    OnePoleLP noiseLpL, noiseLpR;
    std::array<float, 2> wanderPhase{0.0f, 1.7f};
    std::array<float, 2> driftPhase{0.0f, 1.7f};

    // Vintage converter: four low-pass stages per channel; the dither runs on across resets.
    std::array<float, 4> converterL{}, converterR{};
    juce::uint32 converterSeed = 625341585u;

    Chunk chunk;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VornDsp)
};

inline float VornDsp::advancePredelay(float h, int delaySamples) noexcept
{
    return advanceLine(predelayLine.data(), static_cast<int>(predelayLine.size()), predelayWrite, h, delaySamples);
}

inline float VornDsp::advanceLine(float* line, int n, int& write, float h, int delaySamples) noexcept
{
    // Delays longer than the line (out-of-range controls) read its oldest sample.
    const int d = std::min(delaySamples, n);
    const float x0 = line[indexBehind(write, d, n)];
    line[write] = h;
    if (++write >= n)
        write = 0;
    return x0;
}

} // namespace vorn
