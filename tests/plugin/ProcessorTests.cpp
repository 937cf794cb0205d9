#include "plugin/OutputGuard.h"
#include "support/AllocationTrap.h"
#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

using vorn::test::makePreparedProcessor;
using vorn::test::processBlock;
using vorn::test::setParameter;
using vorn::test::valueOf;

namespace
{
juce::AudioBuffer<float> constantBuffer(int channels, int samples, float value)
{
    juce::AudioBuffer<float> buffer(channels, samples);
    for (int ch = 0; ch < channels; ++ch)
        juce::FloatVectorOperations::fill(buffer.getWritePointer(ch), value, samples);
    return buffer;
}

/** The test pulse's sample p, computed in double precision. */
double pulseSample(int p)
{
    return 0.85 * (0.5 - 0.5 * std::cos(2.0 * juce::MathConstants<double>::pi * p / 15.0));
}
} // namespace

TEST(Processor, HostFacingConstants)
{
    VornReverbAudioProcessor processor;
    EXPECT_EQ(processor.getName(), "Vorn 77 NL");
    EXPECT_FALSE(processor.acceptsMidi());
    EXPECT_FALSE(processor.producesMidi());
    EXPECT_FALSE(processor.isMidiEffect());
    EXPECT_DOUBLE_EQ(processor.getTailLengthSeconds(), 12.0);
    EXPECT_TRUE(processor.hasEditor());
    EXPECT_EQ(processor.getNumPrograms(), 1);
    processor.setCurrentProgram(5);
    EXPECT_EQ(processor.getCurrentProgram(), 0);
    EXPECT_EQ(processor.getProgramName(0), "");
    EXPECT_EQ(processor.getBus(true, 0)->getName(), "Input");
    EXPECT_EQ(processor.getBus(false, 0)->getName(), "Output");
    EXPECT_EQ(processor.getMainBusNumInputChannels(), 2);
    EXPECT_EQ(processor.getMainBusNumOutputChannels(), 2);
}

TEST(Processor, BusLayouts)
{
    using Set = juce::AudioChannelSet;
    const std::tuple<Set, Set, bool> cases[] = {
        {Set::mono(), Set::mono(), true},
        {Set::stereo(), Set::stereo(), true},
        {Set::mono(), Set::stereo(), false},
        {Set::stereo(), Set::mono(), false},
        {Set::createLCR(), Set::createLCR(), false},
        {Set::quadraphonic(), Set::quadraphonic(), false},
        {Set::disabled(), Set::disabled(), false},
        {Set::disabled(), Set::stereo(), false},
    };

    VornReverbAudioProcessor processor;
    for (const auto& [in, out, accepted] : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add(in);
        layout.outputBuses.add(out);
        EXPECT_EQ(processor.checkBusesLayoutSupported(layout), accepted)
            << in.getDescription() << " -> " << out.getDescription();
    }
}

TEST(Processor, LevelMetersFall11Point5DbPerSecondDownToTheFloor)
{
    auto processor = makePreparedProcessor(48000.0, 480);
    setParameter(processor->parameters(), "dryWet", 0.0f);

    auto loud = constantBuffer(2, 480, 0.5f);
    processBlock(*processor, loud);
    const auto loudDb = 20.0f * std::log10(0.5f);
    EXPECT_NEAR(processor->inputLevelDb.load(), loudDb, 1.0e-4f);
    EXPECT_NEAR(processor->outputLevelDb.load(), loudDb, 1.0e-4f); // dry: the output is the input
    EXPECT_EQ(processor->consumeMeterPeak(), 0.5f);

    for (int block = 0; block < 100; ++block) // one second of silence
    {
        juce::AudioBuffer<float> silence(2, 480);
        silence.clear();
        processBlock(*processor, silence);
    }
    EXPECT_NEAR(processor->inputLevelDb.load(), loudDb - 11.5f, 1.0e-3f);

    for (int block = 0; block < 1000; ++block) // ten more seconds
    {
        juce::AudioBuffer<float> silence(2, 480);
        silence.clear();
        processBlock(*processor, silence);
    }
    EXPECT_EQ(processor->inputLevelDb.load(), -100.0f);
    EXPECT_EQ(processor->outputLevelDb.load(), -100.0f);

    auto louder = constantBuffer(2, 480, 0.25f);
    processBlock(*processor, louder);
    EXPECT_NEAR(processor->inputLevelDb.load(), 20.0f * std::log10(0.25f), 1.0e-4f);
}

TEST(Processor, SilentBlockMeasuresTheFloorNotMinusInfinity)
{
    auto processor = makePreparedProcessor();
    juce::AudioBuffer<float> silence(2, 512);
    silence.clear();
    processBlock(*processor, silence);
    EXPECT_EQ(processor->inputLevelDb.load(), -100.0f);
    EXPECT_EQ(processor->outputLevelDb.load(), -100.0f);
}

// With "dryWet" at 0 the engine passes its input, so the output shows the pulse exactly as injected.
class Buzzer : public ::testing::Test
{
protected:
    void SetUp() override { useBlockSize(512); }

    void useBlockSize(int size)
    {
        blockSize = size;
        processor = makePreparedProcessor(48000.0, blockSize);
        setParameter(processor->parameters(), "dryWet", 0.0f);
    }

    /** Runs one silent block and returns its left channel. */
    std::vector<float> runBlock()
    {
        juce::AudioBuffer<float> buffer(2, blockSize);
        buffer.clear();
        processBlock(*processor, buffer);
        EXPECT_EQ(0,
                  std::memcmp(buffer.getReadPointer(0), buffer.getReadPointer(1), sizeof(float) * size_t(blockSize)));
        return {buffer.getReadPointer(0), buffer.getReadPointer(0) + blockSize};
    }

    /** Checks that samples [from, from + count) carry pulse samples firstPulse... and the rest is silent. */
    static void expectPulse(const std::vector<float>& block, int firstPulse, int count)
    {
        for (int i = 0; i < int(block.size()); ++i)
        {
            const auto expected = i < count ? pulseSample(firstPulse + i) : 0.0;
            EXPECT_NEAR(block[size_t(i)], expected, 1.0e-6) << "sample " << i;
        }
    }

    int blockSize = 512;
    std::unique_ptr<VornReverbAudioProcessor> processor;
};

TEST_F(Buzzer, FirstPulseStartsInTheNextBlockAndRepeatsAtTheNextBlockStartAfter36000Samples)
{
    processor->buzzerEnabled = true;
    std::vector<int> pulseBlocks;
    for (int block = 0; block < 150; ++block)
    {
        const auto samples = runBlock();
        if (samples[7] > 0.5f)
            pulseBlocks.push_back(block);
        else
            EXPECT_EQ(samples[7], 0.0f);
    }
    // 36000 / 512 = 70.3, so the pulses start at blocks 0, 71 and 142.
    EXPECT_EQ(pulseBlocks, (std::vector<int>{0, 71, 142}));
}

TEST_F(Buzzer, PulseSpansBlocks)
{
    useBlockSize(5);
    processor->buzzerTrigger = true;
    expectPulse(runBlock(), 0, 5);
    expectPulse(runBlock(), 5, 5);
    expectPulse(runBlock(), 10, 5);
    expectPulse(runBlock(), 15, 1);
    expectPulse(runBlock(), 0, 0);
}

TEST_F(Buzzer, TriggerRestartsARunningPulse)
{
    useBlockSize(8);
    processor->buzzerTrigger = true;
    expectPulse(runBlock(), 0, 8);
    processor->buzzerTrigger = true;
    expectPulse(runBlock(), 0, 8);
    expectPulse(runBlock(), 8, 8);
    expectPulse(runBlock(), 0, 0);
}

TEST_F(Buzzer, SwitchingOffLetsARunningPulseFinish)
{
    useBlockSize(8);
    processor->buzzerEnabled = true;
    expectPulse(runBlock(), 0, 8);
    processor->buzzerEnabled = false;
    expectPulse(runBlock(), 8, 8);
    expectPulse(runBlock(), 0, 0);

    processor->buzzerEnabled = true; // on again: a pulse at once
    expectPulse(runBlock(), 0, 8);
}

TEST_F(Buzzer, LampsSeeThePulseButTheInputMeterDoesNot)
{
    processor->buzzerTrigger = true;
    runBlock();
    EXPECT_EQ(processor->inputLevelDb.load(), -100.0f);
    EXPECT_NEAR(processor->consumeMeterPeak(), pulseSample(7), 1.0e-6);
    EXPECT_EQ(processor->getOutputMeterLevel(), 0.0f);
    EXPECT_NEAR(processor->outputLevelDb.load(), 20.0 * std::log10(pulseSample(7)), 1.0e-4); // heard dry
}

TEST(Processor, MeterPeakRisesOnlyOnTheAudioThreadAndIsCappedAt1Point5)
{
    auto processor = makePreparedProcessor(48000.0, 64);
    auto quiet = constantBuffer(2, 64, 0.25f);
    processBlock(*processor, quiet);
    EXPECT_FLOAT_EQ(processor->getOutputMeterLevel(), 0.25f);

    auto hot = constantBuffer(2, 64, 4.0f);
    processBlock(*processor, hot);
    EXPECT_FLOAT_EQ(processor->getOutputMeterLevel(), 1.5f);

    auto quieter = constantBuffer(2, 64, 0.1f);
    processBlock(*processor, quieter);
    EXPECT_FLOAT_EQ(processor->consumeMeterPeak(), 1.5f);
    EXPECT_EQ(processor->getOutputMeterLevel(), 0.0f);

    processor->prepareToPlay(48000.0, 64);
    EXPECT_EQ(processor->getOutputMeterLevel(), 0.0f);
}

TEST(OutputGuard, NonFiniteSamplesBecomeSilenceAndTheRestIsClipped)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float denormal = std::numeric_limits<float>::denorm_min();
    const float in[] = {0.25f, nan, -0.5f, inf, -inf, 1.5f, -2.0f, 1.0f, denormal, -0.999f};
    const float expected[] = {0.25f, 0.0f, -0.5f, 0.0f, 0.0f, 1.0f, -1.0f, 1.0f, 0.0f, -0.999f};

    juce::AudioBuffer<float> buffer(2, 10);
    for (int ch = 0; ch < 2; ++ch)
        std::copy(std::begin(in), std::end(in), buffer.getWritePointer(ch));
    EXPECT_EQ(vorn::guardOutput(buffer), 1.0f); // the peak of what it lets through
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(buffer.getSample(ch, i), expected[i]) << "channel " << ch << " sample " << i;

    const float quiet[] = {nan, -0.25f, inf, 0.125f, denormal, -inf};
    juce::AudioBuffer<float> quietBuffer(1, 6);
    std::copy(std::begin(quiet), std::end(quiet), quietBuffer.getWritePointer(0));
    EXPECT_EQ(vorn::guardOutput(quietBuffer), 0.25f); // what was dropped does not count
}

TEST(Processor, NonFiniteInputNeverReachesTheHost)
{
    auto processor = makePreparedProcessor(48000.0, 256);
    for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
    {
        for (int block = 0; block < 4; ++block)
        {
            auto buffer = constantBuffer(2, 256, 0.1f);
            if (block == 0)
                buffer.setSample(0, 17, bad);
            processBlock(*processor, buffer);
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < 256; ++i)
                {
                    const auto x = buffer.getSample(ch, i);
                    ASSERT_TRUE(std::isfinite(x) && std::abs(x) <= 1.0f) << "block " << block << " sample " << i;
                }
        }
    }
}

namespace
{
struct FixedTempo : juce::AudioPlayHead
{
    juce::Optional<double> bpm;

    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setBpm(bpm);
        return info;
    }
};
} // namespace

TEST(Processor, HostTempoIsTakenOnlyStrictlyBetween20And400)
{
    auto processor = makePreparedProcessor(48000.0, 64);
    FixedTempo playHead;
    processor->setPlayHead(&playHead);

    const std::pair<juce::Optional<double>, double> steps[] = {
        {20.0, 120.0}, {400.0, 120.0}, {20.5, 20.5}, {399.0, 399.0}, {{}, 399.0}, {-5.0, 399.0},
    };
    for (const auto& [tempo, expected] : steps)
    {
        playHead.bpm = tempo;
        juce::AudioBuffer<float> buffer(2, 64);
        buffer.clear();
        processBlock(*processor, buffer);
        EXPECT_DOUBLE_EQ(processor->hostBpm.load(), expected);
        EXPECT_FLOAT_EQ(processor->readAdvanced().hostBpm, float(expected));
    }

    processor->setPlayHead(nullptr);
    juce::AudioBuffer<float> buffer(2, 64);
    buffer.clear();
    processBlock(*processor, buffer);
    EXPECT_DOUBLE_EQ(processor->hostBpm.load(), 399.0);
}

TEST(Processor, EngineRecordsCarryTheParameterValues)
{
    VornReverbAudioProcessor processor;
    auto& state = processor.parameters();
    setParameter(state, "decay", 12.0f);
    setParameter(state, "preset", 1.0f);
    setParameter(state, "effectMode", 4.0f);
    setParameter(state, "routing", 2.0f);
    setParameter(state, "pingPong", 1.0f);
    setParameter(state, "lowCut", 150.0f);
    setParameter(state, "outputGain", 2.5f);

    const auto main = processor.readParameters();
    EXPECT_EQ(main.decay, 12.0f);
    EXPECT_EQ(main.preset, 1);
    EXPECT_EQ(main.dryWet, 50.0f);

    const auto advanced = processor.readAdvanced();
    EXPECT_EQ(advanced.effectMode, 4);
    EXPECT_EQ(advanced.routing, 2);
    EXPECT_TRUE(advanced.pingPong);
    EXPECT_FALSE(advanced.vintageConv);
    EXPECT_EQ(advanced.lowCut, 150.0f);
    EXPECT_FLOAT_EQ(advanced.outputGain, 2.5f);
    EXPECT_EQ(advanced.modTaps, 1);
    EXPECT_EQ(advanced.hostBpm, 120.0f);
}

TEST(Processor, ProcessBlockDoesNotAllocate)
{
    auto processor = makePreparedProcessor(48000.0, 512);
    processor->buzzerEnabled = true;
    setParameter(processor->parameters(), "effectMode", 2.0f);
    setParameter(processor->parameters(), "vintageConv", 1.0f);
    setParameter(processor->parameters(), "detune", 1.0f);
    auto buffer = constantBuffer(2, 512, 0.3f);
    juce::MidiBuffer midi;

    {
        vorn::test::AllocationTrap trap;
        for (int block = 0; block < 8; ++block)
            processor->processBlock(buffer, midi);
        EXPECT_EQ(trap.count(), 0u);
    }

    // Negative control: the trap sees an allocation made on this thread.
    vorn::test::AllocationTrap trap;
    auto* leakCheck = new std::vector<float>(64);
    delete leakCheck;
    EXPECT_GT(trap.count(), 0u);
}

// A host can send a parameter value that is not a number, as automation. The framework stores NaN as it comes for
// most parameters, and the engine's lines used to fill with it: decay, dry/wet, output level and others silenced the
// reverb for good. A parameter holding NaN now plays as its default.
TEST(Processor, AParameterSetToNaNPlaysAsItsDefault)
{
    constexpr int blockSize = 256, numBlocks = 40;
    const auto render = [](VornReverbAudioProcessor& processor)
    {
        juce::AudioBuffer<float> output(2, blockSize * numBlocks);
        output.clear();
        output.setSample(0, 10, 0.8f);
        output.setSample(1, 10, 0.6f);
        for (int start = 0; start < output.getNumSamples(); start += blockSize)
        {
            juce::AudioBuffer<float> block(output.getArrayOfWritePointers(), 2, start, blockSize);
            processBlock(processor, block);
        }
        return output;
    };

    const VornReverbAudioProcessor reference;
    int storedAsNaN = 0;
    for (auto* base : reference.getParameters())
    {
        const auto* parameter = dynamic_cast<juce::RangedAudioParameter*>(base);
        const auto id = parameter->getParameterID();
        auto processor = makePreparedProcessor(48000.0, blockSize);
        processor->parameters().getParameter(id)->setValueNotifyingHost(std::numeric_limits<float>::quiet_NaN());
        const auto stored = processor->parameters().getRawParameterValue(id)->load();
        storedAsNaN += std::isnan(stored) ? 1 : 0;

        // Where the framework made NaN into a number (choices), that number plays.
        auto same = makePreparedProcessor(48000.0, blockSize);
        if (!std::isnan(stored))
            setParameter(same->parameters(), id, stored);

        const auto output = render(*processor);
        const auto expected = render(*same);
        float difference = 0.0f;
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < output.getNumSamples(); ++i)
                difference = std::max(difference, std::abs(output.getSample(ch, i) - expected.getSample(ch, i)));
        EXPECT_EQ(difference, 0.0f) << id << " (stored as " << stored << ")";
    }
    EXPECT_GT(storedAsNaN, 20) << "the framework no longer stores NaN: this test no longer shows anything";
}
