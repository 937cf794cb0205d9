// The audio thread's contract with the host: processBlock never allocates or locks, and never hands back NaN,
// infinity, denormals or values beyond +-1, whatever the sample rate, block size, mode or change between blocks.
#include "support/AllocationTrap.h"
#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

using vorn::test::makePreparedProcessor;
using vorn::test::setParameter;

namespace
{
constexpr double kSampleRates[] = {44100.0, 48000.0, 96000.0};
constexpr int kBlockSizes[] = {1, 17, 250, 512, 4096};
constexpr int kNumEffectModes = 5; // Reverb, Echo-1, Echo-2, Delay-1, Delay-2

/** Loud noise for the first part of each run, then silence, where decaying tails would turn denormal. */
void fillInput(juce::AudioBuffer<float>& buffer, juce::Random& random, bool loud)
{
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample(ch, i, loud ? random.nextFloat() * 1.6f - 0.8f : 0.0f);
}

/** Empty when every sample is what a host may receive; otherwise where the first bad one is. */
std::string firstBadSample(const juce::AudioBuffer<float>& buffer)
{
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            const auto x = buffer.getSample(ch, i);
            if (!std::isfinite(x) || std::abs(x) > 1.0f || std::fpclassify(x) == FP_SUBNORMAL)
                return "channel " + std::to_string(ch) + " sample " + std::to_string(i) + " is " + std::to_string(x);
        }
    return {};
}

/** What the panel does between two blocks, in turn: converter, detune, BUZZER, program change. */
void changeBetweenBlocks(VornReverbAudioProcessor& processor, int block, int effectMode)
{
    auto& state = processor.parameters();
    switch (block % 5)
    {
    case 1:
        setParameter(state, "vintageConv", state.getRawParameterValue("vintageConv")->load() > 0.5f ? 0.0f : 1.0f);
        break;
    case 2:
        setParameter(state, "detune", block % 2 == 0 ? 1.2f : -1.5f);
        break;
    case 3:
        processor.buzzerEnabled = !processor.buzzerEnabled.load();
        processor.buzzerTrigger = true;
        break;
    case 4:
        // A program brings its own mode; the run keeps the one under test.
        processor.presetManager.load((block * 7 + effectMode * 11) % 46);
        setParameter(state, "effectMode", float(effectMode));
        break;
    default:
        break;
    }
}
} // namespace

TEST(RealtimeSafety, EveryModeRateAndBlockSizeRunsWithoutAllocationLockOrBadSample)
{
    for (const auto sampleRate : kSampleRates)
        for (const auto blockSize : kBlockSizes)
        {
            auto processor = makePreparedProcessor(sampleRate, blockSize);
            juce::AudioBuffer<float> buffer(2, blockSize);
            juce::MidiBuffer midi;
            juce::Random random(blockSize);
            const auto blocks = juce::jmax(6, 3072 / blockSize);

            for (int mode = 0; mode < kNumEffectModes; ++mode)
            {
                setParameter(processor->parameters(), "effectMode", float(mode));
                for (int block = 0; block < blocks; ++block)
                {
                    changeBetweenBlocks(*processor, block, mode);
                    fillInput(buffer, random, block < blocks / 2);

                    vorn::test::AllocationTrap trap;
                    processor->processBlock(buffer, midi);
                    ASSERT_EQ(trap.count(), 0u) << sampleRate << " Hz, block " << blockSize << ", mode " << mode;
                    ASSERT_EQ(trap.locks(), 0u) << sampleRate << " Hz, block " << blockSize << ", mode " << mode;

                    const auto bad = firstBadSample(buffer);
                    ASSERT_TRUE(bad.empty()) << bad << " at " << sampleRate << " Hz, block " << blockSize << ", mode "
                                             << mode << ", block index " << block;
                }
            }
        }
}

TEST(RealtimeSafety, TheTrapSeesAnAllocationAndALock)
{
    vorn::test::AllocationTrap trap;
    auto* block = new std::vector<float>(64);
    delete block;
    EXPECT_GT(trap.count(), 0u);

    if (vorn::test::AllocationTrap::countsLocks())
    {
        std::mutex mutex;
        mutex.lock();
        mutex.unlock();
        EXPECT_EQ(trap.locks(), 1u);
    }
}

// A NaN or infinity from the host must not poison the engine: the very next block carries sound again.
TEST(RealtimeSafety, NonFiniteInputRecoversWithinOneBlock)
{
    const float badValues[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity()};
    for (const auto bad : badValues)
        for (const auto blockSize : {1, 17, 512})
            for (const auto mode : {0, 2, 4})
            {
                auto processor = makePreparedProcessor(48000.0, blockSize);
                setParameter(processor->parameters(), "effectMode", float(mode));
                setParameter(processor->parameters(), "k1", 0.9f);
                juce::AudioBuffer<float> buffer(2, blockSize);
                juce::MidiBuffer midi;

                const auto describe = "bad " + std::to_string(bad) + ", block " + std::to_string(blockSize) +
                                      ", mode " + std::to_string(mode);
                for (int block = 0; block < 4; ++block)
                {
                    buffer.clear();
                    for (int ch = 0; ch < 2; ++ch)
                        juce::FloatVectorOperations::fill(buffer.getWritePointer(ch), 0.1f, blockSize);
                    if (block == 1)
                        buffer.setSample(block % 2, blockSize / 2, bad);
                    processor->processBlock(buffer, midi);

                    ASSERT_TRUE(firstBadSample(buffer).empty()) << describe;
                    if (block < 2)
                        continue;
                    // The dry part alone makes every sample non-zero; silence means the guard found NaN.
                    for (int ch = 0; ch < 2; ++ch)
                        for (int i = 0; i < blockSize; ++i)
                            ASSERT_NE(buffer.getSample(ch, i), 0.0f)
                                << describe << ", block index " << block << ", channel " << ch << ", sample " << i;
                }
            }
}

// Hosts do not always keep to the block size they announced; nothing in the block path may depend on it.
TEST(RealtimeSafety, BlocksLargerThanAnnouncedAreProcessedSafely)
{
    auto processor = makePreparedProcessor(48000.0, 64);
    setParameter(processor->parameters(), "effectMode", 4.0f);
    setParameter(processor->parameters(), "detune", 1.0f);
    juce::MidiBuffer midi;
    juce::Random random(9);
    for (const auto blockSize : {4096, 1, 8192, 65, 0})
    {
        juce::AudioBuffer<float> buffer(2, blockSize);
        fillInput(buffer, random, true);
        vorn::test::AllocationTrap trap;
        processor->processBlock(buffer, midi);
        EXPECT_EQ(trap.count(), 0u) << blockSize;
        EXPECT_TRUE(firstBadSample(buffer).empty()) << blockSize;
    }
}
