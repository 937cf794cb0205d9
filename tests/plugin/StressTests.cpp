// The highest feedback the panel allows, driven by loud noise: the echo lines feed the tank and each other, so any
// gain above one in a loop shows up here as growth, infinity or NaN. The hour-long form of this run is
// `vorn-stress --minutes N` (tools/stress), which also times the blocks.
#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

#include <cmath>

using vorn::test::makePreparedProcessor;
using vorn::test::setParameter;

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 512;

void setHighestFeedback(juce::AudioProcessorValueTreeState& state)
{
    const std::pair<const char*, float> settings[] = {
        {"k1", 0.9f},      {"k2", 0.9f},       {"pingPong", 1.0f},   {"effectMode", 2.0f},
        {"routing", 1.0f}, {"decay", 100.0f},  {"size", 100.0f},     {"rtLow", 2.0f},
        {"rtHigh", 1.0f},  {"dryWet", 100.0f}, {"outputGain", 3.0f},
    };
    for (const auto& [id, value] : settings)
        setParameter(state, id, value);
}

void fillNoise(juce::AudioBuffer<float>& buffer, juce::Random& random, float amplitude)
{
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample(ch, i, amplitude * (random.nextFloat() * 2.0f - 1.0f));
}
} // namespace

// The processor as the host sees it: four seconds of full-scale noise, then four of silence.
TEST(Stress, HighestFeedbackUnderLoudNoiseStaysFiniteBoundedAndAudible)
{
    auto processor = makePreparedProcessor(kSampleRate, kBlockSize);
    setHighestFeedback(processor->parameters());
    juce::AudioBuffer<float> buffer(2, kBlockSize);
    juce::MidiBuffer midi;
    juce::Random random(1977);

    const auto blocksPerSecond = int(kSampleRate / kBlockSize);
    for (int block = 0; block < 8 * blocksPerSecond; ++block)
    {
        const bool loud = block < 4 * blocksPerSecond;
        if (loud)
            fillNoise(buffer, random, 1.0f);
        else
            buffer.clear();
        processor->processBlock(buffer, midi);

        float peak = 0.0f;
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < kBlockSize; ++i)
            {
                const auto y = buffer.getSample(ch, i);
                ASSERT_TRUE(std::isfinite(y) && std::abs(y) <= 1.0f) << "block " << block;
                ASSERT_NE(std::fpclassify(y), FP_SUBNORMAL) << "block " << block;
                peak = juce::jmax(peak, std::abs(y));
            }
        // Silence at the output while the input is loud means the guard is swallowing NaN.
        if (loud)
            ASSERT_GT(peak, 0.01f) << "block " << block;
    }
}

// The engine on its own, without the output guard: its soft limiter must be the only thing between the loops and
// the host, so every sample it produces is finite and within +-1 (a saturated limiter rounds to exactly 1).
TEST(Stress, EngineAloneStaysFiniteAndInsideItsLimiter)
{
    VornReverbAudioProcessor processor;
    setHighestFeedback(processor.parameters());
    const auto parameters = processor.readParameters();
    const auto advanced = processor.readAdvanced();

    vorn::VornDsp engine;
    engine.prepare(kSampleRate, kBlockSize);
    juce::AudioBuffer<float> buffer(2, kBlockSize);
    juce::Random random(77);
    juce::ScopedNoDenormals noDenormals; // as in processBlock

    for (int block = 0; block < 6 * int(kSampleRate / kBlockSize); ++block)
    {
        fillNoise(buffer, random, block % 50 < 40 ? 1.0f : 0.0f);
        engine.process(buffer, parameters, advanced, processor.readDna());
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < kBlockSize; ++i)
            {
                const auto y = buffer.getSample(ch, i);
                ASSERT_TRUE(std::isfinite(y) && std::abs(y) <= 1.0f) << "block " << block << " value " << y;
            }
    }
}
