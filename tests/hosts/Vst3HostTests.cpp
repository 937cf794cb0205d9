// Loads the built VST3 bundle from disk through the framework's VST3 host, as a DAW does.
#include "hosts/HostTestSignals.h"
#include "support/ScratchFolder.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

namespace
{
/** The bundle folder, "Vorn 77 NL.vst3", two levels above the binary. */
juce::File vst3Bundle()
{
    return juce::File(VORN_VST3_BINARY_DIR).getParentDirectory().getParentDirectory();
}

class HostedVst3 : public ::testing::Test
{
protected:
    static std::unique_ptr<juce::AudioPluginInstance> load(double sampleRate = 48000.0, int blockSize = 512)
    {
        juce::VST3PluginFormat format;
        juce::OwnedArray<juce::PluginDescription> types;
        format.findAllTypesForFile(types, vst3Bundle().getFullPathName());
        if (types.size() != 1)
            return nullptr;
        juce::String error;
        auto instance = format.createInstanceFromDescription(*types[0], sampleRate, blockSize, error);
        EXPECT_TRUE(error.isEmpty()) << error;
        return instance;
    }
};
} // namespace

TEST_F(HostedVst3, DescribesItselfAsTheVendorPublishesIt)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile(types, vst3Bundle().getFullPathName());
    ASSERT_EQ(types.size(), 1) << vst3Bundle().getFullPathName();

    const auto& description = *types[0];
    EXPECT_EQ(description.name, "Vorn 77 NL");
    EXPECT_EQ(description.manufacturerName, "Oskvar Audio Engineering");
    EXPECT_EQ(description.version, "2.3.0");
    EXPECT_EQ(description.category, "Fx");
    EXPECT_FALSE(description.isInstrument);
    EXPECT_EQ(description.numInputChannels, 2);
    EXPECT_EQ(description.numOutputChannels, 2);
}

TEST_F(HostedVst3, ExposesThe33ParametersWithTheirNamesAndDefaults)
{
    auto instance = load();
    ASSERT_NE(instance, nullptr);

    VornReverbAudioProcessor reference;
    const auto& ours = reference.getParameters();
    const auto& hosted = instance->getParameters();

    // The VST3 wrapper adds the host's bypass switch after the plug-in's own parameters.
    ASSERT_GE(hosted.size(), 33);
    for (int i = 0; i < 33; ++i)
    {
        EXPECT_EQ(hosted[i]->getName(64), ours[i]->getName(64)) << i;
        EXPECT_NEAR(hosted[i]->getDefaultValue(), ours[i]->getDefaultValue(), 1.0e-6f) << ours[i]->getName(64);
        EXPECT_NEAR(hosted[i]->getValue(), ours[i]->getValue(), 1.0e-6f) << ours[i]->getName(64);
    }
    for (int i = 33; i < hosted.size(); ++i)
        EXPECT_EQ(hosted[i]->getName(64), "Bypass");
}

TEST_F(HostedVst3, HasOneStereoInputAndOutputBusAndAcceptsMonoButNotMixedLayouts)
{
    auto instance = load();
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(instance->getBusCount(true), 1);
    ASSERT_EQ(instance->getBusCount(false), 1);
    EXPECT_EQ(instance->getBus(true, 0)->getName(), "Input");
    EXPECT_EQ(instance->getBus(false, 0)->getName(), "Output");
    EXPECT_EQ(instance->getMainBusNumInputChannels(), 2);
    EXPECT_EQ(instance->getMainBusNumOutputChannels(), 2);

    juce::AudioProcessor::BusesLayout mono;
    mono.inputBuses.add(juce::AudioChannelSet::mono());
    mono.outputBuses.add(juce::AudioChannelSet::mono());
    EXPECT_TRUE(instance->checkBusesLayoutSupported(mono));

    juce::AudioProcessor::BusesLayout mixed;
    mixed.inputBuses.add(juce::AudioChannelSet::mono());
    mixed.outputBuses.add(juce::AudioChannelSet::stereo());
    EXPECT_FALSE(instance->checkBusesLayoutSupported(mixed));
}

TEST_F(HostedVst3, StateSurvivesARoundTripThroughTheHost)
{
    auto first = load();
    ASSERT_NE(first, nullptr);
    const auto& parameters = first->getParameters();
    for (int i = 0; i < 33; ++i)
        parameters[i]->setValueNotifyingHost(std::fmod(0.21f + 0.37f * float(i), 1.0f));

    juce::MemoryBlock state;
    first->getStateInformation(state);

    auto second = load();
    ASSERT_NE(second, nullptr);
    second->setStateInformation(state.getData(), int(state.getSize()));
    for (int i = 0; i < 33; ++i)
        EXPECT_EQ(second->getParameters()[i]->getText(second->getParameters()[i]->getValue(), 32),
                  parameters[i]->getText(parameters[i]->getValue(), 32))
            << parameters[i]->getName(64);
}

TEST_F(HostedVst3, ProcessesAsTheProcessorDoesWhenCalledDirectly)
{
    struct Case
    {
        double sampleRate;
        int blockSize;
        vorn::test::Settings settings;
    };
    const Case cases[] = {
        {48000.0, 512, {{"decay", 30.0f}, {"dryWet", 70.0f}, {"preset", 1.0f}}},
        {44100.0, 250, {{"effectMode", 2.0f}, {"pingPong", 1.0f}, {"k1", 0.6f}, {"k2", 0.5f}, {"t1", 40.0f}}},
        {96000.0, 1, {{"effectMode", 4.0f}, {"vintageConv", 1.0f}, {"detune", 1.2f}, {"routing", 2.0f}}},
        {48000.0, 17, {{"effectMode", 1.0f}, {"routing", 1.0f}, {"k1", 0.9f}, {"t1", 0.0f}}},
    };

    for (const auto& c : cases)
    {
        auto instance = load(c.sampleRate, c.blockSize);
        ASSERT_NE(instance, nullptr);

        VornReverbAudioProcessor reference; // the hosted parameters come in the processor's order
        for (const auto& [id, value] : c.settings)
        {
            auto* ours = reference.parameters().getParameter(id);
            instance->getParameters()[ours->getParameterIndex()]->setValueNotifyingHost(ours->convertTo0to1(value));
        }

        const auto numSamples = c.blockSize * (int(c.sampleRate / 4) / c.blockSize);
        const auto input = vorn::test::makeTestSignal(numSamples, c.sampleRate);
        const auto expected = vorn::test::processDirectly(input, c.sampleRate, c.blockSize, c.settings);

        instance->setRateAndBufferSizeDetails(c.sampleRate, c.blockSize);
        instance->prepareToPlay(c.sampleRate, c.blockSize);
        juce::AudioBuffer<float> output(input);
        juce::MidiBuffer midi;
        for (int start = 0; start < output.getNumSamples(); start += c.blockSize)
        {
            juce::AudioBuffer<float> block(output.getArrayOfWritePointers(), 2, start, c.blockSize);
            instance->processBlock(block, midi);
        }
        instance->releaseResources();

        EXPECT_EQ(vorn::test::maxDifference(output, expected), 0.0f) << c.sampleRate << " Hz, block " << c.blockSize;
        EXPECT_GT(output.getMagnitude(0, output.getNumSamples()), 0.0f);
    }
}

// Hosts read values typed into their parameter fields through the plug-in. The framework's reader overflows an
// int on an exponent of ten digits or more and makes up a number ("2e4294967297" read as 20).
TEST_F(HostedVst3, TypedValuesReadAsTheNumbersTheyAre)
{
    auto instance = load();
    ASSERT_NE(instance, nullptr);
    const auto& parameters = instance->getParameters();

    VornReverbAudioProcessor reference; // the hosted parameters come in the processor's order
    for (int i = 0; i < 33; ++i)
    {
        if (dynamic_cast<juce::AudioParameterFloat*>(reference.getParameters()[i]) == nullptr)
            continue; // switches and choices take words
        EXPECT_EQ(parameters[i]->getValueForText("2e4294967297"), parameters[i]->getValueForText("1e999")) << i;
        EXPECT_EQ(parameters[i]->getValueForText("2e-4294967297"), parameters[i]->getValueForText("0")) << i;
    }
}

// vorn-scan checks an installation as a host finds it: here, the build's VST3 folder as if it were a system one.
TEST(Vst3Scan, FindsLoadsAndDescribesThePluginInAFolder)
{
    const auto folder = vst3Bundle().getParentDirectory().getFullPathName();
    const auto run = vorn::test::runTool({VORN_SCAN, folder});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const auto* line :
         {"name:       Vorn 77 NL", "maker:      Oskvar Audio Engineering", "version:    2.3.0", "category:   Fx",
          "inputs:     2", "outputs:    2", "one block:  512 samples", "1 found, 0 failed"})
        EXPECT_TRUE(run.output.contains(line)) << line << "\n" << run.output;

    const auto empty = vorn::test::makeScratchFolder("vorn-scan-empty");
    const auto none = vorn::test::runTool({VORN_SCAN, empty.getFullPathName()});
    empty.deleteRecursively();
    EXPECT_EQ(none.exitCode, 1) << none.output;
    EXPECT_TRUE(none.output.contains("0 found")) << none.output;
}
