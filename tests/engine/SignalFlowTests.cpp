#include "EngineTestSupport.h"
#include "support/AllocationTrap.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

namespace
{
using vorn::Advanced;
using vorn::CircuitDna;
using vorn::Parameters;
using vorn::VornDsp;
using vorn::test::preparedEngine;
using vorn::test::TestNoise;

const CircuitDna kDna = vorn::deriveDna("7F2C91A0");

juce::AudioBuffer<float> noiseBlock(int channels, int samples, std::uint32_t seed = 3u)
{
    juce::AudioBuffer<float> buffer(channels, samples);
    TestNoise noise(seed);
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < samples; ++i)
            buffer.setSample(ch, i, noise.next());
    return buffer;
}

TEST(EngineSignalFlow, BlockFrameHandlesEveryChannelCount)
{
    const Parameters parameters;
    Advanced advanced;
    advanced.detune = 1.0f;
    const auto& preset = vorn::presetForIndex(parameters.preset);

    for (int channels : {1, 2, 3})
    {
        auto dsp = preparedEngine();
        auto twin = preparedEngine();
        const auto input = noiseBlock(channels, 700);
        auto buffer = input;

        // An empty block changes nothing, not even the engine's state.
        juce::AudioBuffer<float> empty(channels, 0);
        dsp->process(empty, parameters, advanced, kDna);

        dsp->process(buffer, parameters, advanced, kDna);
        for (int i = 0; i < 700; ++i)
        {
            const float l = input.getSample(0, i);
            const float r = channels >= 2 ? input.getSample(1, i) : l;
            const auto expected = twin->processSample(l, r, parameters, preset, kDna, advanced);
            ASSERT_EQ(buffer.getSample(0, i), expected.first) << channels << " channels, sample " << i;
            if (channels >= 2)
                ASSERT_EQ(buffer.getSample(1, i), expected.second) << channels << " channels, sample " << i;
            if (channels == 3)
                ASSERT_EQ(buffer.getSample(2, i), input.getSample(2, i)) << "the third channel is left alone";
        }
    }
}

TEST(EngineSignalFlow, AControlChangedBetweenBlocksReachesTheNextBlock)
{
    // A block whose controls did not change keeps those it derived before; a change to any one of them must
    // reach the next block exactly as it reaches a sample processed on its own, which derives them afresh.
    struct Change
    {
        const char* name;
        void (*apply)(Parameters&, Advanced&, CircuitDna&);
    };
    const Change changes[] = {
        {"nothing", [](Parameters&, Advanced&, CircuitDna&) {}},
        {"decay", [](Parameters& p, Advanced&, CircuitDna&) { p.decay = 31.0f; }},
        {"predelay", [](Parameters& p, Advanced&, CircuitDna&) { p.predelay = 45.0f; }},
        {"size", [](Parameters& p, Advanced&, CircuitDna&) { p.size = 20.0f; }},
        {"dryWet", [](Parameters& p, Advanced&, CircuitDna&) { p.dryWet = 80.0f; }},
        {"preset", [](Parameters& p, Advanced&, CircuitDna&) { p.preset = 2; }},
        {"rtLow", [](Parameters&, Advanced& a, CircuitDna&) { a.rtLow = 1.4f; }},
        {"rtHigh", [](Parameters&, Advanced& a, CircuitDna&) { a.rtHigh = 0.5f; }},
        {"lfoRate", [](Parameters&, Advanced& a, CircuitDna&) { a.lfoRate = 2.0f; }},
        {"lowCut", [](Parameters&, Advanced& a, CircuitDna&) { a.lowCut = 150.0f; }},
        {"inputLink", [](Parameters&, Advanced& a, CircuitDna&) { a.inputLink = 0.2f; }},
        {"detune", [](Parameters&, Advanced& a, CircuitDna&) { a.detune = 1.0f; }},
        {"subDelay", [](Parameters&, Advanced& a, CircuitDna&) { a.subDelay = 30.0f; }},
        {"delayMix", [](Parameters&, Advanced& a, CircuitDna&) { a.delayMix = 0.3f; }},
        {"modDepth", [](Parameters&, Advanced& a, CircuitDna&) { a.modDepth = 0.9f; }},
        {"lfoTrim", [](Parameters&, Advanced&, CircuitDna& d) { d.lfoTrim = 0.6f; }},
        {"earlyLevel", [](Parameters&, Advanced& a, CircuitDna&) { a.earlyLevel = 0.0f; }},
        {"reverbTail", [](Parameters&, Advanced& a, CircuitDna&) { a.reverbTail = 0.0f; }},
    };

    auto dsp = preparedEngine();
    auto twin = preparedEngine();
    Parameters parameters;
    Advanced advanced;
    CircuitDna dna = kDna;
    constexpr int kBlock = 64;
    for (const auto& change : changes)
    {
        change.apply(parameters, advanced, dna);
        for (int block = 0; block < 2; ++block)
        {
            const auto input = noiseBlock(2, kBlock, static_cast<std::uint32_t>(block + 7));
            auto buffer = input;
            dsp->process(buffer, parameters, advanced, dna);
            for (int i = 0; i < kBlock; ++i)
            {
                const auto expected = twin->processSample(input.getSample(0, i), input.getSample(1, i), parameters,
                                                          vorn::presetForIndex(parameters.preset), dna, advanced);
                ASSERT_EQ(buffer.getSample(0, i), expected.first) << change.name << ", sample " << i;
                ASSERT_EQ(buffer.getSample(1, i), expected.second) << change.name << ", sample " << i;
            }
        }
    }
}

TEST(EngineSignalFlow, DryOnlyPassesTheInputThroughTheSoftLimit)
{
    auto dsp = preparedEngine();
    Parameters parameters;
    parameters.dryWet = 0.0f;
    const auto& preset = vorn::presetForIndex(parameters.preset);
    const float s = 1.0f - 0.985f;
    struct Case
    {
        float in, out;
    };
    const Case cases[] = {{0.5f, 0.5f},
                          {-0.985f, -0.985f},
                          {1.0f, 0.985f + s * std::tanh(0.015f / s)},
                          {-1.0f, -0.985f - s * std::tanh(0.015f / s)},
                          {4.0f, 0.985f + s * std::tanh(3.015f / s)}};
    EXPECT_NEAR(cases[2].out, 0.99642f, 1e-5f);
    for (int repeat = 0; repeat < 200; ++repeat)
        for (const auto& c : cases)
        {
            const auto [l, r] = dsp->processSample(c.in, c.in, parameters, preset, kDna, {});
            ASSERT_EQ(l, c.out) << c.in;
            ASSERT_EQ(r, c.out) << c.in;
        }
}

TEST(EngineSignalFlow, WithoutTailOnlyTheEchoesAreWet)
{
    Parameters parameters;
    parameters.dryWet = 60.0f;
    Advanced advanced;
    advanced.reverbTail = 0.0f;
    advanced.earlyLevel = 0.9f;
    const auto& preset = vorn::presetForIndex(parameters.preset);

    auto dsp = preparedEngine();
    TestNoise noise;
    for (int i = 0; i < 4000; ++i)
    {
        const float l = noise.next(), r = noise.next();
        const auto out = dsp->processSample(l, r, parameters, preset, kDna, advanced);
        ASSERT_EQ(out.first, l * (1.0f - 0.6f)) << i;
        ASSERT_EQ(out.second, r * (1.0f - 0.6f)) << i;
    }
    for (auto* bank : {&dsp->leftBank(), &dsp->rightBank()})
        for (const auto& line : *bank)
            for (float v : line.buffer)
                ASSERT_EQ(v, 0.0f) << "the tank is not touched";

    // In an echo mode the wet part is the echo alone, times outputGain and delayMix.
    advanced.effectMode = 1;
    advanced.t1 = 10.0f;
    advanced.delayMix = 0.5f;
    auto echoOnly = preparedEngine();
    auto reference = preparedEngine();
    for (int i = 0; i < 2000; ++i)
    {
        const float l = i == 0 ? 0.8f : 0.0f;
        const auto out = echoOnly->processSample(l, 0.0f, parameters, preset, kDna, advanced);
        const auto echo = reference->processEcho(l * 0.5f, 0.0f, 0.0f, 0.0f, advanced);
        ASSERT_FLOAT_EQ(out.first, l * 0.4f + 0.6f * (echo.first * 0.5f * advanced.outputGain)) << i;
    }
}

TEST(EngineSignalFlow, SilenceAfterResetIsTheFaintNoiseFloor)
{
    auto dsp = preparedEngine();
    auto buffer = noiseBlock(2, 4000);
    dsp->process(buffer, {}, {}, kDna);
    dsp->reset();

    // With no input the wet sum is amp*noise, amp = 2.8e-6, and half of it is heard at "dryWet" 50.
    juce::AudioBuffer<float> silence(2, 24000);
    silence.clear();
    dsp->process(silence, {}, {}, kDna);
    for (int ch = 0; ch < 2; ++ch)
    {
        const float peak = silence.getMagnitude(ch, 0, 24000);
        const float rms = silence.getRMSLevel(ch, 0, 24000);
        EXPECT_LE(peak, 0.5f * 2.8e-6f * 1.04f) << ch;
        EXPECT_GT(rms, 2.0e-8f) << ch;
    }
}

TEST(EngineSignalFlow, DuckingGainSettles)
{
    // Silence rests at 1.055. A full-scale signal at half the sample rate passes the 30 Hz high-pass at
    // 2c/(1 + c) and sets the level index to 1: the envelope settles at 0.72*|x0| + 0.12 and the gain at
    // 1.055 - 0.145*env/(env + 0.075), about 0.922.
    const double c = std::exp(-2.0 * 3.141592653589793 * 30.0 / 48000.0);
    const double envelope = 0.72 * (2.0 * c / (1.0 + c)) + 0.12;
    struct Case
    {
        float amplitude;
        double gain;
    };
    const Case cases[] = {{0.0f, 1.055}, {1.0f, 1.055 - 0.145 * envelope / (envelope + 0.075)}};
    EXPECT_NEAR(cases[1].gain, 0.922, 5e-4);
    for (const auto& k : cases)
    {
        auto dsp = preparedEngine();
        Advanced advanced;
        advanced.lowCut = 30.0f;
        const Parameters parameters;
        const auto& preset = vorn::presetForIndex(parameters.preset);
        for (int i = 0; i < 96000; ++i)
        {
            const float x = (i % 2 == 0) ? k.amplitude : -k.amplitude;
            dsp->processSample(x, x, parameters, preset, kDna, advanced);
        }
        // In single precision the slow recursion stops a little short of its target.
        EXPECT_NEAR(dsp->getDuckGain(), k.gain, 1.5e-3) << k.amplitude;
    }
}

/** A demanding configuration: every effect mode with converter, detune, feedback and the routings. */
Advanced busyAdvanced(int effectMode, int routing)
{
    Advanced advanced;
    advanced.effectMode = effectMode;
    advanced.routing = routing;
    advanced.vintageConv = true;
    advanced.detune = 1.5f;
    advanced.k1 = advanced.k2 = 0.9f;
    advanced.pingPong = true;
    advanced.delaySync = true;
    advanced.subLevel = 0.9f;
    advanced.subDelay = 40.0f;
    advanced.rtLow = 2.0f;
    advanced.rtHigh = 0.25f;
    return advanced;
}

TEST(EngineSignalFlow, BlocksGiveTheSampleBySampleResultInEveryMode)
{
    // Blocks run stage by stage over chunks of samples; the echo lines may run ahead of the reverb and the early
    // reflections after the chunk has entered the predelay line. None of that may change a single bit.
    for (int routing = 0; routing < 3; ++routing)
        for (int effectMode = 0; effectMode < 5; ++effectMode)
        {
            auto advanced = busyAdvanced(effectMode, routing);
            advanced.t1 = routing == 1 ? 0.0f : 3.0f; // the shortest echo feeds back within a chunk
            advanced.delaySync = false;
            advanced.earlyLevel = 0.9f;
            Parameters parameters;
            parameters.preset = effectMode % 4;
            const auto& preset = vorn::presetForIndex(parameters.preset);
            auto dsp = preparedEngine(44100.0);
            auto twin = preparedEngine(44100.0);
            // Long enough for the tank's echo of the first sends to pass the pitch shifters' 45 ms.
            constexpr int kLength = 8000, kBlock = 1000;
            const auto input = noiseBlock(2, kLength, 11u);
            auto buffer = input;
            for (int start = 0; start < kLength; start += kBlock)
            {
                juce::AudioBuffer<float> block(buffer.getArrayOfWritePointers(), 2, start, kBlock);
                dsp->process(block, parameters, advanced, kDna);
            }
            for (int i = 0; i < kLength; ++i)
            {
                const auto expected = twin->processSample(input.getSample(0, i), input.getSample(1, i), parameters,
                                                          preset, kDna, advanced);
                ASSERT_EQ(buffer.getSample(0, i), expected.first) << effectMode << " " << routing << " at " << i;
                ASSERT_EQ(buffer.getSample(1, i), expected.second) << effectMode << " " << routing << " at " << i;
            }
        }
}

TEST(EngineSignalFlow, BlocksGiveTheSampleBySampleResultAtEveryRate)
{
    // Lines that are short against a chunk (low rates) make the stereo stages and the tank fall back to going sample
    // by sample within a chunk; long ones let them write a chunk at once. Either way a block gives what single
    // samples give, with the AVX2 code and without it.
    for (double rate : {2000.0, 4000.0, 11025.0, 96000.0, 192000.0})
        for (bool wide : {true, false})
        {
            auto advanced = busyAdvanced(2, 1);
            advanced.earlyLevel = 0.9f;
            Parameters parameters;
            parameters.size = 100.0f;
            auto dsp = preparedEngine(rate);
            auto twin = preparedEngine(rate);
            dsp->useWideLanes(wide);
            twin->useWideLanes(wide);
            constexpr int kLength = 3000, kBlock = 256;
            const auto input = noiseBlock(2, kLength, 17u);
            auto buffer = input;
            for (int start = 0; start < kLength; start += kBlock)
            {
                juce::AudioBuffer<float> block(buffer.getArrayOfWritePointers(), 2, start,
                                               std::min(kBlock, kLength - start));
                dsp->process(block, parameters, advanced, kDna);
            }
            const auto& preset = vorn::presetForIndex(parameters.preset);
            for (int i = 0; i < kLength; ++i)
            {
                const auto expected = twin->processSample(input.getSample(0, i), input.getSample(1, i), parameters,
                                                          preset, kDna, advanced);
                ASSERT_EQ(buffer.getSample(0, i), expected.first) << rate << " Hz, wide " << wide << " at " << i;
                ASSERT_EQ(buffer.getSample(1, i), expected.second) << rate << " Hz, wide " << wide << " at " << i;
            }
        }
}

TEST(EngineSignalFlow, TheWideLanesGiveThePortableResult)
{
    if (!VornDsp::wideLanesAvailable())
        GTEST_SKIP() << "this processor runs the portable code only";
    struct Case
    {
        double sampleRate;
        float size, modDepth;
        int blockSize, preset;
    };
    // Every early-reflection pattern, and rates at which the chunks, the tank's runs and its reads wrap.
    const Case cases[] = {{48000.0, 68.0f, 42.0f, 512, 3},
                          {96000.0, 100.0f, 100.0f, 333, 0},
                          {44100.0, 0.0f, 0.0f, 1, 1},
                          {22050.0, 45.0f, 100.0f, 64, 2},
                          {2000.0, 100.0f, 100.0f, 97, 3}};
    for (const auto& c : cases)
    {
        Parameters parameters;
        parameters.size = c.size;
        parameters.decay = 100.0f;
        parameters.preset = c.preset;
        auto advanced = busyAdvanced(0, 0);
        advanced.modDepth = c.modDepth;
        auto wide = preparedEngine(c.sampleRate);
        auto portable = preparedEngine(c.sampleRate);
        portable->useWideLanes(false);
        auto a = noiseBlock(2, 6000, 5u);
        auto b = a;
        for (int start = 0; start < 6000; start += c.blockSize)
        {
            const int length = std::min(c.blockSize, 6000 - start);
            juce::AudioBuffer<float> blockA(a.getArrayOfWritePointers(), 2, start, length);
            juce::AudioBuffer<float> blockB(b.getArrayOfWritePointers(), 2, start, length);
            wide->process(blockA, parameters, advanced, kDna);
            portable->process(blockB, parameters, advanced, kDna);
        }
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 6000; ++i)
                ASSERT_EQ(a.getSample(ch, i), b.getSample(ch, i))
                    << c.sampleRate << " Hz, channel " << ch << " at " << i;
    }
}

TEST(EngineSignalFlow, ProcessNeverAllocates)
{
    auto dsp = preparedEngine();
    Parameters parameters;
    parameters.decay = 100.0f;
    for (int mode = 0; mode <= 4; ++mode)
        for (int routing = 0; routing <= 2; ++routing)
        {
            auto buffer = noiseBlock(2, 512, static_cast<std::uint32_t>(mode * 3 + routing + 1));
            auto mono = noiseBlock(1, 256);
            const auto advanced = busyAdvanced(mode, routing);
            vorn::test::AllocationTrap trap;
            dsp->process(buffer, parameters, advanced, kDna);
            dsp->process(mono, parameters, advanced, kDna);
            EXPECT_EQ(trap.count(), 0u) << "mode " << mode << " routing " << routing;
        }
}

bool isNormalOrZero(float x)
{
    return std::isfinite(x) && (x == 0.0f || std::abs(x) >= FLT_MIN);
}

TEST(EngineSignalFlow, OutputStaysFiniteAndNormalAtCommonRatesAndBlockSizes)
{
    for (double rate : {44100.0, 48000.0, 96000.0})
        for (int blockSize : {1, 250, 512})
            for (bool busy : {false, true})
            {
                auto dsp = preparedEngine(rate);
                Parameters parameters;
                parameters.decay = busy ? 100.0f : 58.0f;
                const auto advanced = busy ? busyAdvanced(2, 1) : Advanced{};
                const int total = static_cast<int>(rate * 0.12);
                TestNoise noise(11u, 1.5f);
                juce::AudioBuffer<float> block(2, blockSize);
                for (int start = 0; start < total; start += blockSize)
                {
                    for (int ch = 0; ch < 2; ++ch)
                        for (int i = 0; i < blockSize; ++i)
                            block.setSample(ch, i, start + i < 2000 ? noise.next() : 0.0f);
                    dsp->process(block, parameters, advanced, kDna);
                    for (int ch = 0; ch < 2; ++ch)
                        for (int i = 0; i < blockSize; ++i)
                            ASSERT_TRUE(isNormalOrZero(block.getSample(ch, i)))
                                << rate << " Hz, block " << blockSize << ", sample " << start + i;
                }
            }
}

TEST(EngineSignalFlow, VeryLowSampleRatesProcessSafely)
{
    for (double rate : {0.3, 1.0, 10.0, 100.0, 1000.0})
        for (int mode : {0, 1, 2})
        {
            auto dsp = preparedEngine(rate);
            auto buffer = noiseBlock(2, 300);
            dsp->process(buffer, {}, busyAdvanced(mode, 2), kDna);
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < 300; ++i)
                    ASSERT_TRUE(std::isfinite(buffer.getSample(ch, i))) << rate << " Hz, mode " << mode;
        }
}

TEST(EngineSignalFlow, NonFiniteInputDoesNotPoisonTheEngine)
{
    auto dsp = preparedEngine();
    Advanced advanced = busyAdvanced(2, 1);
    auto buffer = noiseBlock(2, 512);
    buffer.setSample(0, 100, std::numeric_limits<float>::quiet_NaN());
    buffer.setSample(1, 200, std::numeric_limits<float>::infinity());
    buffer.setSample(0, 300, 3.0e38f);
    dsp->process(buffer, {}, advanced, kDna);
    for (int block = 0; block < 4; ++block)
    {
        buffer = noiseBlock(2, 512, static_cast<std::uint32_t>(block + 20));
        dsp->process(buffer, {}, advanced, kDna);
    }
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 512; ++i)
            ASSERT_TRUE(std::isfinite(buffer.getSample(ch, i))) << ch << ", " << i;
}

TEST(EngineSignalFlow, NothingHappensBeforePrepare)
{
    VornDsp dsp;
    auto buffer = noiseBlock(2, 64);
    const auto input = buffer;
    dsp.process(buffer, {}, {}, kDna);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(buffer.getSample(0, i), input.getSample(0, i));
}

} // namespace
