#pragma once

#include <cstddef>
#include <iterator>
#include <string_view>

namespace vorn
{
/** How a parameter behaves towards the host: a number, an on/off switch or one of a list of named choices. */
enum class ParameterKind
{
    number,
    toggle,
    choice
};

/** One parameter as every part of the plug-in knows it, in real units. */
struct ParameterInfo
{
    ParameterKind kind;
    const char* id;
    const char* name; // what hosts show
    float minimum;
    float maximum;
    float step; // 0 for a continuous value
    float defaultValue;
    const char* choices; // '|'-separated choice texts, or null
    const char* unit;    // of the parameter's own value; empty when it has none
};

/** The complete parameter set in host order. Choice values and defaults are indices; switches 0 or 1.

    Every range, step and default of a parameter is here and nowhere else. Where the engine deliberately departs
    from a row, it says so beside the code that departs:
    - the engine records' own defaults (EngineRecords.h) differ in two places: "lowCut" -1, which selects the
      character preset's low cut, and "outputGain" 1.18, the unit's level before the panel's 1.2;
    - the detune stage limits "detune" to +-1.2 cents although the parameter reaches +-1.5;
    - "character", "mix", "width", "earlyDelay", "lowTilt" and "highCut" reach the records but no stage reads
      them: they travel with programs, memories and host automation only. */
inline constexpr ParameterInfo kParameterTable[] = {
    {ParameterKind::number, "decay", "Decay", 0.0f, 100.0f, 1.0f, 58.0f, nullptr, ""},
    {ParameterKind::number, "predelay", "Pre Delay", 0.0f, 255.0f, 1.0f, 18.0f, nullptr, "ms"},
    {ParameterKind::number, "size", "Size", 0.0f, 100.0f, 1.0f, 68.0f, nullptr, ""},
    {ParameterKind::number, "character", "Character", 0.0f, 100.0f, 1.0f, 66.0f, nullptr, ""},
    {ParameterKind::number, "mix", "Reverb Mix", 0.0f, 100.0f, 1.0f, 34.0f, nullptr, ""},
    {ParameterKind::number, "dryWet", "Dry/Wet", 0.0f, 100.0f, 1.0f, 50.0f, nullptr, "%"},
    {ParameterKind::toggle, "vintageConv", "Vintage Converter", 0.0f, 1.0f, 1.0f, 0.0f, nullptr, ""},
    {ParameterKind::toggle, "delaySync", "Delay Sync", 0.0f, 1.0f, 1.0f, 0.0f, nullptr, ""},
    {ParameterKind::choice, "preset", "Character Preset", 0.0f, 3.0f, 1.0f, 3.0f, "Chamber|Broadcast|Wide|Luxe", ""},
    {ParameterKind::number, "reverbTail", "Reverb Tail", 0.0f, 1.0f, 0.0f, 1.0f, nullptr, ""},
    {ParameterKind::number, "modDepth", "Mod Depth", 0.0f, 100.0f, 1.0f, 42.0f, nullptr, ""},
    {ParameterKind::number, "earlyLevel", "E.RFL Level", 0.0f, 0.9f, 0.01f, 0.65f, nullptr, ""},
    {ParameterKind::number, "subLevel", "Sub Rev Level", 0.0f, 0.9f, 0.01f, 0.0f, nullptr, ""},
    {ParameterKind::number, "earlyDelay", "E.RFL Time", 0.0f, 255.0f, 1.0f, 28.0f, nullptr, "ms"},
    {ParameterKind::number, "subDelay", "Sub Rev Delay", 0.0f, 255.0f, 1.0f, 0.0f, nullptr, "ms"},
    {ParameterKind::number, "k1", "K1 Feedback", 0.0f, 0.9f, 0.01f, 0.0f, nullptr, ""},
    {ParameterKind::number, "k2", "K2 Feedback", 0.0f, 0.9f, 0.01f, 0.0f, nullptr, ""},
    {ParameterKind::number, "t1", "T1 Delay", 0.0f, 999.0f, 1.0f, 180.0f, nullptr, "ms"},
    {ParameterKind::number, "t2", "T2 Delay", 0.0f, 499.0f, 1.0f, 240.0f, nullptr, "ms"},
    {ParameterKind::choice, "effectMode", "Effect Mode", 0.0f, 4.0f, 1.0f, 0.0f, "Reverb|Echo-1|Echo-2|Delay-1|Delay-2",
     ""},
    {ParameterKind::number, "lowCut", "Low Cut Freq", 30.0f, 200.0f, 1.0f, 100.0f, nullptr, "Hz"},
    {ParameterKind::number, "rtLow", "RT Low Freq Range", 0.5f, 2.0f, 0.01f, 1.0f, nullptr, "x"},
    {ParameterKind::number, "rtHigh", "RT High Freq Range", 0.25f, 1.0f, 0.01f, 1.0f, nullptr, "x"},
    {ParameterKind::number, "outputGain", "Output Level", 0.5f, 3.0f, 0.01f, 1.2f, nullptr, "x"},
    {ParameterKind::number, "width", "Width", 0.0f, 70.0f, 1.0f, 42.0f, nullptr, ""},
    {ParameterKind::number, "lfoRate", "LFO Rate", 0.05f, 0.6f, 0.01f, 0.1f, nullptr, "Hz"},
    {ParameterKind::number, "detune", "Detune", -1.5f, 1.5f, 0.1f, 0.0f, nullptr, "cents"},
    {ParameterKind::number, "inputLink", "Signal Linked", 0.0f, 0.7f, 0.01f, 0.6f, nullptr, ""},
    {ParameterKind::number, "lowTilt", "Low Tilt", -1.0f, 2.2f, 0.01f, -1.0f, nullptr, "dB"},
    {ParameterKind::number, "highCut", "High Cut", -1.0f, 13000.0f, 1.0f, -1.0f, nullptr, "Hz"},
    {ParameterKind::number, "delayMix", "Delay Mix", 0.0f, 1.0f, 0.01f, 1.0f, nullptr, ""},
    {ParameterKind::toggle, "pingPong", "Ping Pong", 0.0f, 1.0f, 1.0f, 0.0f, nullptr, ""},
    {ParameterKind::choice, "routing", "Routing", 0.0f, 2.0f, 1.0f, 0.0f, "Parallel|Delay -> Reverb|Reverb -> Delay",
     ""},
};

inline constexpr std::size_t kParameterCount = std::size(kParameterTable);

/** The row of a parameter identifier, or null when it names none. */
constexpr const ParameterInfo* findParameter(std::string_view id) noexcept
{
    for (const auto& row : kParameterTable)
        if (id == row.id)
            return &row;

    return nullptr;
}

/** The position of a parameter in the table; kParameterCount when the identifier names none. */
constexpr std::size_t parameterIndex(std::string_view id) noexcept
{
    for (std::size_t i = 0; i < kParameterCount; ++i)
        if (id == kParameterTable[i].id)
            return i;

    return kParameterCount;
}

/** A parameter's default, looked up while compiling: defaultOf<parameterIndex("decay")>. An identifier that
    names no parameter does not compile. */
template <std::size_t Index>
inline constexpr float defaultOf = kParameterTable[Index].defaultValue;

/** A value limited to a parameter's range, as a host could set it: withinRange<parameterIndex("t1")>(t1). The
    engine's stages limit what they read from a record, which anyone may fill by hand. */
template <std::size_t Index>
constexpr float withinRange(float value) noexcept
{
    constexpr auto lowest = kParameterTable[Index].minimum, highest = kParameterTable[Index].maximum;
    return value < lowest ? lowest : (highest < value ? highest : value);
}
} // namespace vorn
