#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

#include <map>

using vorn::test::setParameter;
using vorn::test::valueOf;

namespace
{
std::map<juce::String, float> allValues(VornReverbAudioProcessor& processor)
{
    std::map<juce::String, float> values;
    for (auto* parameter : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*>(parameter))
            values[ranged->getParameterID()] = valueOf(processor.parameters(), ranged->getParameterID());
    return values;
}

/** Moves every parameter away from its default, to a value of its own. */
void changeEverything(VornReverbAudioProcessor& processor)
{
    int i = 0;
    for (auto* parameter : processor.getParameters())
    {
        parameter->setValueNotifyingHost(std::fmod(0.37f + 0.29f * float(i++), 1.0f));
    }
}

juce::MemoryBlock stateOf(VornReverbAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation(block);
    return block;
}

juce::MemoryBlock xmlBlob(const juce::XmlElement& xml)
{
    juce::MemoryBlock block;
    juce::AudioProcessor::copyXmlToBinary(xml, block);
    return block;
}
} // namespace

TEST(State, RoundTripRestoresAll33ParametersAndTheRootProperties)
{
    VornReverbAudioProcessor source;
    changeEverything(source);
    source.parameters().state.setProperty("memSlot3", "decay=12;size=40", nullptr);
    source.parameters().state.setProperty("memName3", "Verse", nullptr);
    const auto expected = allValues(source);
    const auto blob = stateOf(source);

    VornReverbAudioProcessor restored;
    ASSERT_NE(allValues(restored), expected);
    restored.setStateInformation(blob.getData(), int(blob.getSize()));

    EXPECT_EQ(allValues(restored), expected);
    EXPECT_EQ(restored.parameters().state.getProperty("memSlot3").toString(), "decay=12;size=40");
    EXPECT_EQ(restored.parameters().state.getProperty("memName3").toString(), "Verse");
    EXPECT_EQ(restored.getCurrentProgram(), 0);
}

TEST(State, BlobIsTheFrameworkXmlWrapperWithOneChildPerParameter)
{
    VornReverbAudioProcessor processor;
    const auto blob = stateOf(processor);
    const auto xml = juce::AudioProcessor::getXmlFromBinary(blob.getData(), int(blob.getSize()));
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xml->getTagName(), "PARAMETERS");
    EXPECT_EQ(xml->getNumChildElements(), 33);
}

TEST(State, UnreadableOrForeignBlobsAreIgnored)
{
    VornReverbAudioProcessor reference;
    changeEverything(reference);
    const auto valid = stateOf(reference);

    juce::XmlElement foreign("OtherPluginState");
    foreign.createNewChildElement("PARAM")->setAttribute("id", "decay");
    juce::XmlElement lowerCase("parameters");
    lowerCase.createNewChildElement("PARAM")->setAttribute("id", "decay");

    juce::MemoryBlock garbage;
    juce::Random random(7);
    for (int i = 0; i < 4096; ++i)
        garbage.append(&i, 1);
    for (size_t i = 0; i < garbage.getSize(); ++i)
        garbage[i] = char(random.nextInt(256));

    juce::MemoryBlock lyingLength(valid.getData(), valid.getSize() / 2);
    lyingLength[4] = char(0xff); // claims far more text than the blob holds
    lyingLength[5] = char(0xff);
    lyingLength[6] = char(0xff);
    lyingLength[7] = char(0x7f);

    const std::pair<const char*, juce::MemoryBlock> cases[] = {
        {"empty", {}},
        {"garbage", garbage},
        {"truncated header", juce::MemoryBlock(valid.getData(), 6)},
        {"truncated text", juce::MemoryBlock(valid.getData(), valid.getSize() / 2)},
        {"truncated, claiming more text than it holds", lyingLength},
        {"another plug-in", xmlBlob(foreign)},
        {"root tag in other case", xmlBlob(lowerCase)},
        {"plain XML text", juce::MemoryBlock("<PARAMETERS/>", 13)},
        {"oversized", juce::MemoryBlock(size_t(8) << 20, true)},
    };

    for (const auto& [name, blob] : cases)
    {
        VornReverbAudioProcessor processor;
        setParameter(processor.parameters(), "decay", 77.0f);
        processor.parameters().state.setProperty("memSlot1", "kept", nullptr);
        const auto before = allValues(processor);

        processor.setStateInformation(blob.getData(), int(blob.getSize()));
        EXPECT_EQ(allValues(processor), before) << name;
        EXPECT_EQ(processor.parameters().state.getProperty("memSlot1").toString(), "kept") << name;
    }
}

TEST(State, NonFiniteValuesInABlobNeverReachAParameter)
{
    VornReverbAudioProcessor source;
    setParameter(source.parameters(), "size", 40.0f);
    const auto blob = stateOf(source);
    auto xml = juce::AudioProcessor::getXmlFromBinary(blob.getData(), int(blob.getSize()));
    ASSERT_NE(xml, nullptr);
    for (auto* child : xml->getChildIterator())
    {
        if (child->getStringAttribute("id") == "decay")
            child->setAttribute("value", "nan");
        if (child->getStringAttribute("id") == "predelay")
            child->setAttribute("value", "inf");
    }
    const auto poisoned = xmlBlob(*xml);

    VornReverbAudioProcessor processor;
    setParameter(processor.parameters(), "decay", 21.0f);
    processor.setStateInformation(poisoned.getData(), int(poisoned.getSize()));

    EXPECT_EQ(valueOf(processor.parameters(), "decay"), 21.0f);
    EXPECT_EQ(valueOf(processor.parameters(), "predelay"), 18.0f);
    EXPECT_EQ(valueOf(processor.parameters(), "size"), 40.0f);
}

// The framework's number reader overflows an int on an exponent of ten digits or more and reads a made-up number
// ("2e4294967297" as 20); such values read as the numbers they are.
TEST(State, ValuesWithHugeExponentsReadAsTheNumbersTheyAre)
{
    const std::map<juce::String, juce::String> texts{{"decay", "2e4294967297"},
                                                     {"predelay", "3e-4294967297"},
                                                     {"size", "4e0000000000000000001"},
                                                     {"width", " -5E+99999999999x"}};
    VornReverbAudioProcessor source;
    const auto blob = stateOf(source);
    auto xml = juce::AudioProcessor::getXmlFromBinary(blob.getData(), int(blob.getSize()));
    ASSERT_NE(xml, nullptr);
    for (auto* child : xml->getChildIterator())
        if (const auto text = texts.find(child->getStringAttribute("id")); text != texts.end())
            child->setAttribute("value", text->second);
    const auto written = xmlBlob(*xml);

    VornReverbAudioProcessor processor;
    setParameter(processor.parameters(), "decay", 21.0f);
    setParameter(processor.parameters(), "predelay", 99.0f);
    setParameter(processor.parameters(), "width", 7.0f);
    processor.setStateInformation(written.getData(), int(written.getSize()));

    EXPECT_EQ(valueOf(processor.parameters(), "decay"), 21.0f) << "too large for any float: kept";
    EXPECT_EQ(valueOf(processor.parameters(), "predelay"), 0.0f) << "too small for any float: zero";
    EXPECT_EQ(valueOf(processor.parameters(), "size"), 40.0f) << "leading zeros do not count";
    EXPECT_EQ(valueOf(processor.parameters(), "width"), 7.0f) << "too large for any float: kept";
}
