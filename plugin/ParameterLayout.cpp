#include "engine/ParameterTable.h"
#include "plugin/NumberText.h"
#include "plugin/PluginProcessor.h"

namespace
{
/** A value typed into a host's parameter field, read as the framework reads it, but with an exponent too long for
    its reader read as the number it means. */
float valueFromText(const juce::String& text)
{
    return vorn::withReadableExponent(text).getFloatValue();
}

std::unique_ptr<juce::RangedAudioParameter> makeParameter(const vorn::ParameterInfo& row)
{
    const juce::ParameterID id{row.id, 0};
    switch (row.kind)
    {
    case vorn::ParameterKind::toggle:
        return std::make_unique<juce::AudioParameterBool>(id, row.name, row.defaultValue > 0.5f);
    case vorn::ParameterKind::choice:
        return std::make_unique<juce::AudioParameterChoice>(
            id, row.name, juce::StringArray::fromTokens(row.choices, "|", ""), juce::roundToInt(row.defaultValue));
    case vorn::ParameterKind::number:
        break;
    }
    return std::make_unique<juce::AudioParameterFloat>(
        id, row.name, juce::NormalisableRange<float>(row.minimum, row.maximum, row.step, 1.0f), row.defaultValue,
        juce::AudioParameterFloatAttributes().withValueFromStringFunction(valueFromText));
}
} // namespace

juce::AudioProcessorValueTreeState::ParameterLayout VornReverbAudioProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    for (const auto& row : vorn::kParameterTable)
        layout.add(makeParameter(row));
    return layout;
}
