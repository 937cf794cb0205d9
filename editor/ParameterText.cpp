#include "editor/ParameterText.h"

#include "engine/DecayScale.h"

namespace vorn
{
namespace
{
bool isDecay(const ParameterInfo& info)
{
    return juce::String(info.id) == "decay";
}

juce::String withUnit(const juce::String& number, const char* unit)
{
    return juce::String(unit).isEmpty() ? number : number + " " + unit;
}
} // namespace

int decimalsFor(const ParameterInfo& info) noexcept
{
    return info.step >= 1.0f ? 0 : (info.step >= 0.1f ? 1 : 2);
}

juce::String plainNumber(float value, int decimals)
{
    auto text = juce::String(value, decimals);

    if (text.containsChar('.'))
        text = text.trimCharactersAtEnd("0").trimCharactersAtEnd(".");

    return text;
}

juce::String rangeLegend(const ParameterInfo& info)
{
    const auto decimals = decimalsFor(info);
    return plainNumber(info.minimum, decimals) + "-" + plainNumber(info.maximum, decimals);
}

juce::String rangeInWords(const ParameterInfo& info)
{
    if (isDecay(info))
        return juce::String(decaySecondsFor(info.minimum), 1) + " to " +
               juce::String(decaySecondsFor(info.maximum), 1) + " s";

    const auto decimals = decimalsFor(info);
    return withUnit(plainNumber(info.minimum, decimals) + " to " + plainNumber(info.maximum, decimals), info.unit);
}

juce::String valueWithUnit(const ParameterInfo& info, float value)
{
    if (isDecay(info))
        return juce::String(decaySecondsFor(value), 1) + " s";

    return withUnit(juce::String(value, decimalsFor(info)), info.unit);
}
} // namespace vorn
