#include "engine/CircuitDna.h"

namespace vorn
{

juce::uint32 fnv1a(const juce::String& text)
{
    juce::uint32 hash = 2166136261u;
    for (auto* p = text.toRawUTF8(); *p != 0; ++p)
    {
        hash ^= static_cast<juce::uint8>(*p);
        hash *= 16777619u;
    }
    return hash;
}

juce::uint32 mulberry32(juce::uint32 state) noexcept
{
    auto t = state;
    t = (t ^ (t >> 15)) * (t | 1u);
    t = t ^ (t + (t ^ (t >> 7)) * (t | 61u));
    return t ^ (t >> 14);
}

CircuitDna dnaFromHash(juce::uint32 hash)
{
    // Successive states one golden-ratio-like step apart give three independent numbers.
    constexpr juce::uint32 kStep = 0x6D2B79F5u;
    constexpr float kToUnit = 1.0f / 4294967296.0f;
    const auto number = [hash](juce::uint32 k) { return static_cast<float>(mulberry32(hash + k * kStep)) * kToUnit; };

    CircuitDna dna;
    dna.id = juce::String::toHexString(hash).substring(0, 8).toUpperCase();
    dna.deviation[0] = (2.0f * number(1) - 1.0f) * 0.15f;
    dna.deviation[1] = (2.0f * number(2) - 1.0f) * 0.1f;
    dna.lfoTrim = number(3) * 0.25f + 0.15f;
    return dna;
}

CircuitDna deriveDna(const juce::String& unitId)
{
    return dnaFromHash(fnv1a(unitId + "::vorn::oskvar"));
}

} // namespace vorn
