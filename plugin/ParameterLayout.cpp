#include "plugin/PluginProcessor.h"

namespace
{
enum class Kind
{
    floating,
    toggle,
    choice
};

/** One row of the parameter table, in real units. */
struct ParameterRow
{
    Kind kind;
    const char* id;
    const char* name;
    float minimum, maximum, step, defaultValue;
    const char* choices; // '|'-separated choice texts
};

// The complete parameter set in host order. Choice defaults are indices; switch defaults 0 or 1.
constexpr ParameterRow kParameterTable[] = {
    {Kind::floating, "decay", "Decay", 0.0f, 100.0f, 1.0f, 58.0f, nullptr},
    {Kind::floating, "predelay", "Pre Delay", 0.0f, 255.0f, 1.0f, 18.0f, nullptr},
    {Kind::floating, "size", "Size", 0.0f, 100.0f, 1.0f, 68.0f, nullptr},
    {Kind::floating, "character", "Character", 0.0f, 100.0f, 1.0f, 66.0f, nullptr},
    {Kind::floating, "mix", "Reverb Mix", 0.0f, 100.0f, 1.0f, 34.0f, nullptr},
    {Kind::floating, "dryWet", "Dry/Wet", 0.0f, 100.0f, 1.0f, 50.0f, nullptr},
    {Kind::toggle, "vintageConv", "Vintage Converter", 0.0f, 1.0f, 1.0f, 0.0f, nullptr},
    {Kind::toggle, "delaySync", "Delay Sync", 0.0f, 1.0f, 1.0f, 0.0f, nullptr},
    {Kind::choice, "preset", "Character Preset", 0.0f, 3.0f, 1.0f, 3.0f, "Chamber|Broadcast|Wide|Luxe"},
    {Kind::floating, "reverbTail", "Reverb Tail", 0.0f, 1.0f, 0.0f, 1.0f, nullptr},
    {Kind::floating, "modDepth", "Mod Depth", 0.0f, 100.0f, 1.0f, 42.0f, nullptr},
    {Kind::floating, "earlyLevel", "E.RFL Level", 0.0f, 0.9f, 0.01f, 0.65f, nullptr},
    {Kind::floating, "subLevel", "Sub Rev Level", 0.0f, 0.9f, 0.01f, 0.0f, nullptr},
    {Kind::floating, "earlyDelay", "E.RFL Time", 0.0f, 255.0f, 1.0f, 28.0f, nullptr},
    {Kind::floating, "subDelay", "Sub Rev Delay", 0.0f, 255.0f, 1.0f, 0.0f, nullptr},
    {Kind::floating, "k1", "K1 Feedback", 0.0f, 0.9f, 0.01f, 0.0f, nullptr},
    {Kind::floating, "k2", "K2 Feedback", 0.0f, 0.9f, 0.01f, 0.0f, nullptr},
    {Kind::floating, "t1", "T1 Delay", 0.0f, 999.0f, 1.0f, 180.0f, nullptr},
    {Kind::floating, "t2", "T2 Delay", 0.0f, 499.0f, 1.0f, 240.0f, nullptr},
    {Kind::choice, "effectMode", "Effect Mode", 0.0f, 4.0f, 1.0f, 0.0f, "Reverb|Echo-1|Echo-2|Delay-1|Delay-2"},
    {Kind::floating, "lowCut", "Low Cut Freq", 30.0f, 200.0f, 1.0f, 100.0f, nullptr},
    {Kind::floating, "rtLow", "RT Low Freq Range", 0.5f, 2.0f, 0.01f, 1.0f, nullptr},
    {Kind::floating, "rtHigh", "RT High Freq Range", 0.25f, 1.0f, 0.01f, 1.0f, nullptr},
    {Kind::floating, "outputGain", "Output Level", 0.5f, 3.0f, 0.01f, 1.2f, nullptr},
    {Kind::floating, "width", "Width", 0.0f, 70.0f, 1.0f, 42.0f, nullptr},
    {Kind::floating, "lfoRate", "LFO Rate", 0.05f, 0.6f, 0.01f, 0.1f, nullptr},
    {Kind::floating, "detune", "Detune", -1.5f, 1.5f, 0.1f, 0.0f, nullptr},
    {Kind::floating, "inputLink", "Signal Linked", 0.0f, 0.7f, 0.01f, 0.6f, nullptr},
    {Kind::floating, "lowTilt", "Low Tilt", -1.0f, 2.2f, 0.01f, -1.0f, nullptr},
    {Kind::floating, "highCut", "High Cut", -1.0f, 13000.0f, 1.0f, -1.0f, nullptr},
    {Kind::floating, "delayMix", "Delay Mix", 0.0f, 1.0f, 0.01f, 1.0f, nullptr},
    {Kind::toggle, "pingPong", "Ping Pong", 0.0f, 1.0f, 1.0f, 0.0f, nullptr},
    {Kind::choice, "routing", "Routing", 0.0f, 2.0f, 1.0f, 0.0f, "Parallel|Delay -> Reverb|Reverb -> Delay"},
};

std::unique_ptr<juce::RangedAudioParameter> makeParameter(const ParameterRow& row)
{
    const juce::ParameterID id{row.id, 0};
    switch (row.kind)
    {
    case Kind::toggle:
        return std::make_unique<juce::AudioParameterBool>(id, row.name, row.defaultValue > 0.5f);
    case Kind::choice:
        return std::make_unique<juce::AudioParameterChoice>(
            id, row.name, juce::StringArray::fromTokens(row.choices, "|", ""), juce::roundToInt(row.defaultValue));
    case Kind::floating:
        break;
    }
    return std::make_unique<juce::AudioParameterFloat>(
        id, row.name, juce::NormalisableRange<float>(row.minimum, row.maximum, row.step, 1.0f), row.defaultValue);
}
} // namespace

juce::AudioProcessorValueTreeState::ParameterLayout VornReverbAudioProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    for (const auto& row : kParameterTable)
        layout.add(makeParameter(row));
    return layout;
}
