// Memory slots written on the panel travel with the plug-in state through a real VST3 host and back.
#include "editor/PluginEditor.h"
#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace
{
/** The bundle folder, "Vorn 77 NL.vst3", two levels above the binary. */
juce::File vst3Bundle()
{
    return juce::File(VORN_VST3_BINARY_DIR).getParentDirectory().getParentDirectory();
}

std::unique_ptr<juce::AudioPluginInstance> loadHostedVst3()
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile(types, vst3Bundle().getFullPathName());
    if (types.size() != 1)
        return nullptr;
    juce::String error;
    auto instance = format.createInstanceFromDescription(*types[0], 48000.0, 512, error);
    EXPECT_TRUE(error.isEmpty()) << error;
    return instance;
}

/** The framework's VST3 host keeps the plug-in's own state as the "IComponent" part of its wrapper. */
juce::MemoryBlock wrapAsHostState(const juce::MemoryBlock& pluginState)
{
    juce::XmlElement wrapper("VST3PluginState");
    wrapper.createNewChildElement("IComponent")->addTextElement(pluginState.toBase64Encoding());
    juce::MemoryBlock hostState;
    juce::AudioProcessor::copyXmlToBinary(wrapper, hostState);
    return hostState;
}

juce::MemoryBlock unwrapHostState(const juce::MemoryBlock& hostState)
{
    juce::MemoryBlock pluginState;
    const auto wrapper = juce::AudioProcessor::getXmlFromBinary(hostState.getData(), int(hostState.getSize()));
    if (wrapper == nullptr)
        return pluginState;
    if (const auto* component = wrapper->getChildByName("IComponent"))
        pluginState.fromBase64Encoding(component->getAllSubText());
    return pluginState;
}

std::map<juce::String, float> valuesOf(VornReverbAudioProcessor& processor)
{
    std::map<juce::String, float> values;
    for (const auto& id : VornReverbAudioProcessorEditor::allParamIds())
        values[id] = vorn::test::valueOf(processor.parameters(), id);
    return values;
}
} // namespace

TEST(MemorySlotsThroughTheHost, SlotsWrittenOnThePanelSurviveTheHostedVst3)
{
    // Slot 4 written on the panel of one instance, with a setting of its own.
    VornReverbAudioProcessor original;
    int i = 0;
    for (auto* parameter : original.getParameters())
        parameter->setValueNotifyingHost(0.17f + 0.023f * float(i++));
    const auto written = valuesOf(original);

    {
        VornReverbAudioProcessorEditor editor(original);
        editor.stopTimer();
        VornReverbAudioProcessorEditor::NameAnswer answer;
        editor.askMemoryName = [&answer](const juce::String&, VornReverbAudioProcessorEditor::NameAnswer a)
        { answer = std::move(a); };
        editor.writeKey.onClick();
        editor.digitKeys[4].onClick();
        editor.enterKey.onClick();
        ASSERT_TRUE(answer != nullptr);
        answer(1, "Chapel & Co <4>");
    }

    juce::MemoryBlock pluginState;
    original.getStateInformation(pluginState);

    // Into the VST3 as the framework's host loads it, and back out again.
    auto hosted = loadHostedVst3();
    ASSERT_NE(hosted, nullptr) << vst3Bundle().getFullPathName();
    const auto hostStateIn = wrapAsHostState(pluginState);
    hosted->setStateInformation(hostStateIn.getData(), int(hostStateIn.getSize()));
    juce::MemoryBlock hostState;
    hosted->getStateInformation(hostState);
    hosted.reset();

    const auto returned = unwrapHostState(hostState);
    const auto xml = juce::AudioProcessor::getXmlFromBinary(returned.getData(), int(returned.getSize()));
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xml->getTagName(), "PARAMETERS");
    EXPECT_EQ(xml->getStringAttribute("memory4_used"), "1");
    EXPECT_EQ(xml->getStringAttribute("memory4_name"), "Chapel & Co <4>");
    for (const auto& id : VornReverbAudioProcessorEditor::allParamIds())
    {
        ASSERT_TRUE(xml->hasAttribute("memory4_" + id)) << id;
        EXPECT_NEAR(xml->getDoubleAttribute("memory4_" + id), written.at(id), 1.0e-6) << id;
    }

    // A fresh instance restored from what the host kept recalls the slot on its panel.
    VornReverbAudioProcessor restored;
    restored.setStateInformation(returned.getData(), int(returned.getSize()));
    for (auto* parameter : restored.getParameters())
        parameter->setValueNotifyingHost(parameter->getDefaultValue());
    ASSERT_NE(valuesOf(restored), written);

    VornReverbAudioProcessorEditor editor(restored);
    editor.stopTimer();
    EXPECT_EQ(editor.memorySlotName(4), "Chapel & Co <4>");
    EXPECT_EQ(editor.memorySlotName(3), "EMPTY 3");
    editor.readKey.onClick();
    editor.digitKeys[4].onClick();
    editor.enterKey.onClick();
    for (const auto& [id, value] : valuesOf(restored))
        EXPECT_NEAR(value, written.at(id), 1.0e-5f * std::max(1.0f, std::abs(value))) << id;
}
