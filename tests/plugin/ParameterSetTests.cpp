#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

namespace
{
struct ExpectedParameter
{
    const char* id;
    const char* name;
    float defaultValue;
};

// The published parameter set, in host order, with defaults in real units.
const ExpectedParameter kExpected[] = {
    {"decay", "Decay", 58},
    {"predelay", "Pre Delay", 18},
    {"size", "Size", 68},
    {"character", "Character", 66},
    {"mix", "Reverb Mix", 34},
    {"dryWet", "Dry/Wet", 50},
    {"vintageConv", "Vintage Converter", 0},
    {"delaySync", "Delay Sync", 0},
    {"preset", "Character Preset", 3},
    {"reverbTail", "Reverb Tail", 1},
    {"modDepth", "Mod Depth", 42},
    {"earlyLevel", "E.RFL Level", 0.65f},
    {"subLevel", "Sub Rev Level", 0},
    {"earlyDelay", "E.RFL Time", 28},
    {"subDelay", "Sub Rev Delay", 0},
    {"k1", "K1 Feedback", 0},
    {"k2", "K2 Feedback", 0},
    {"t1", "T1 Delay", 180},
    {"t2", "T2 Delay", 240},
    {"effectMode", "Effect Mode", 0},
    {"lowCut", "Low Cut Freq", 100},
    {"rtLow", "RT Low Freq Range", 1},
    {"rtHigh", "RT High Freq Range", 1},
    {"outputGain", "Output Level", 1.2f},
    {"width", "Width", 42},
    {"lfoRate", "LFO Rate", 0.1f},
    {"detune", "Detune", 0},
    {"inputLink", "Signal Linked", 0.6f},
    {"lowTilt", "Low Tilt", -1},
    {"highCut", "High Cut", -1},
    {"delayMix", "Delay Mix", 1},
    {"pingPong", "Ping Pong", 0},
    {"routing", "Routing", 0},
};
} // namespace

TEST(ParameterSet, FreshProcessorHasThe33ParametersInOrderAtTheirDefaults)
{
    VornReverbAudioProcessor processor;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ(parameters.size(), 33);

    for (int i = 0; i < parameters.size(); ++i)
    {
        const auto& expected = kExpected[i];
        auto* parameter = dynamic_cast<juce::RangedAudioParameter*>(parameters[i]);
        ASSERT_NE(parameter, nullptr);
        EXPECT_EQ(parameter->getParameterID(), expected.id);
        EXPECT_EQ(parameter->getName(64), expected.name);
        EXPECT_FLOAT_EQ(vorn::test::valueOf(processor.parameters(), expected.id), expected.defaultValue) << expected.id;
    }
}

TEST(ParameterSet, ChoicesAndLowestLegalValues)
{
    VornReverbAudioProcessor processor;
    auto& state = processor.parameters();

    const auto choices = [&](const char* id)
    { return dynamic_cast<juce::AudioParameterChoice*>(state.getParameter(id))->choices.joinIntoString("|"); };
    EXPECT_EQ(choices("preset"), "Chamber|Broadcast|Wide|Luxe");
    EXPECT_EQ(choices("effectMode"), "Reverb|Echo-1|Echo-2|Delay-1|Delay-2");
    EXPECT_EQ(choices("routing"), "Parallel|Delay -> Reverb|Reverb -> Delay");

    for (const auto& [id, lowest, highest] : {std::tuple{"detune", -1.5f, 1.5f},
                                              {"lowTilt", -1.0f, 2.2f},
                                              {"highCut", -1.0f, 13000.0f},
                                              {"t1", 0.0f, 999.0f},
                                              {"t2", 0.0f, 499.0f},
                                              {"predelay", 0.0f, 255.0f},
                                              {"k1", 0.0f, 0.9f},
                                              {"inputLink", 0.0f, 0.7f}})
    {
        vorn::test::setParameter(state, id, -1.0e6f);
        EXPECT_FLOAT_EQ(vorn::test::valueOf(state, id), lowest) << id;
        vorn::test::setParameter(state, id, 1.0e6f);
        EXPECT_FLOAT_EQ(vorn::test::valueOf(state, id), highest) << id;
    }
}

TEST(ParameterSet, HostValuesBetweenStepsSnapToTheStep)
{
    struct Case
    {
        const char* id;
        float normalised;
        float expected;
    };
    const Case cases[] = {
        {"decay", 0.503f, 50.0f},                                         // 50.3 -> whole numbers only
        {"decay", 0.507f, 51.0f},                                         // 50.7
        {"detune", 0.52f, 0.1f},                                          // 0.06 -> multiples of 0.1
        {"detune", 0.29f, -0.6f},                                         // -0.63
        {"reverbTail", 0.3333f, 0.3333f},                                 // continuous
        {"earlyLevel", 0.5f, 0.45f},      {"outputGain", 0.1234f, 0.81f}, // 0.8085 -> 0.01 steps
    };

    VornReverbAudioProcessor processor;
    for (const auto& c : cases)
    {
        auto* parameter = processor.parameters().getParameter(c.id);
        parameter->setValueNotifyingHost(c.normalised);
        EXPECT_NEAR(vorn::test::valueOf(processor.parameters(), c.id), c.expected, 1.0e-5f)
            << c.id << " " << c.normalised;
    }
}
