#include "editor/MatrixTable.h"

#include "editor/ParameterText.h"
#include "engine/DecayScale.h"

#include <iterator>

namespace vorn
{
namespace
{
using vorn_panel::KeyClass;

/** What a key prints in its corner. */
enum class Corner
{
    nothing,
    range,       // the parameter's range, "0-255"
    secondsScale // the reverb time's scale in seconds, printed from 0 as on the unit: "0-9.9"
};

/** Where a key sits and what it says; everything about its parameter comes from the parameter table. */
struct MatrixKey
{
    const char* paramId;
    const char* line1;
    const char* line2;
    Corner corner;
    int display;
    KeyClass keyClass;
};

constexpr MatrixKey kMatrixKeys[kMatrixRows] = {
    {"decay", "REVERB", "TIME", Corner::secondsScale, 0, KeyClass::reverbParam},
    {"predelay", "PRE", "DLY", Corner::range, 2, KeyClass::reverbParam},
    {"size", "SIZE", "", Corner::nothing, 1, KeyClass::reverbParam},
    {"character", "CHAR", "", Corner::nothing, 1, KeyClass::reverbParam},
    {"earlyLevel", "E.RFL", "LEVEL", Corner::range, 1, KeyClass::reverbParam},
    {"earlyDelay", "E.RFL", "DELAY", Corner::range, 2, KeyClass::reverbParam},
    {"subLevel", "SUB REV", "LEVEL", Corner::range, 1, KeyClass::reverbParam},
    {"subDelay", "SUB REV", "DELAY", Corner::range, 2, KeyClass::reverbParam},
    {"mix", "REV", "LEVEL", Corner::nothing, 1, KeyClass::reverbParam},
    {"dryWet", "DRY", "WET", Corner::range, 3, KeyClass::reverbParam},
    {"outputGain", "OUT", "LEVEL", Corner::nothing, 1, KeyClass::reverbParam},
    {"width", "WIDTH", "", Corner::nothing, 1, KeyClass::reverbParam},
    {"detune", "DETUNE", "", Corner::nothing, 1, KeyClass::reverbParam},
    {"lfoRate", "LFO", "RATE", Corner::nothing, 1, KeyClass::reverbParam},
    {"inputLink", "IN", "LINK", Corner::nothing, 1, KeyClass::reverbParam},
    {"lowTilt", "LOW", "TILT", Corner::nothing, 1, KeyClass::reverbParam},
    {"t1", "T1", "", Corner::range, 2, KeyClass::echoParam},
    {"t2", "T2", "", Corner::range, 2, KeyClass::echoParam},
    {"k1", "K1", "", Corner::range, 1, KeyClass::echoParam},
    {"k2", "K2", "", Corner::range, 1, KeyClass::echoParam},
    {"delayMix", "DLY", "LEVEL", Corner::nothing, 1, KeyClass::echoParam},
    {"reverbTail", "REV", "TAIL", Corner::nothing, 1, KeyClass::reverbParam},
    {"", "", "", Corner::nothing, 1, KeyClass::reverbParam},
    {"modDepth", "MOD", "DEPTH", Corner::range, 1, KeyClass::reverbParam},
};

juce::String cornerText(Corner corner, const ParameterInfo& info)
{
    switch (corner)
    {
    case Corner::range:
        return rangeLegend(info);
    case Corner::secondsScale:
        return "0-" + juce::String(decaySecondsFor(info.maximum), 1);
    case Corner::nothing:
        break;
    }

    return {};
}

/** A key steps by its parameter's own step; a continuous parameter (REV TAIL) steps across its whole range.
    DETUNE therefore steps by 0.1: a finer step would snap back to where it started, and the key would not move. */
float stepFor(const ParameterInfo& info)
{
    return info.step > 0.0f ? info.step : info.maximum - info.minimum;
}

struct Table
{
    MatrixSlot rows[kMatrixRows];
};

Table buildTable()
{
    Table table{};

    for (size_t i = 0; i < std::size(table.rows); ++i)
    {
        const auto& key = kMatrixKeys[i];
        const auto* info = findParameter(key.paramId);
        table.rows[i] = {key.paramId,
                         key.line1,
                         key.line2,
                         info != nullptr ? cornerText(key.corner, *info) : juce::String(),
                         info != nullptr ? stepFor(*info) : 1.0f,
                         key.display,
                         key.keyClass};
    }

    return table;
}
} // namespace

const MatrixSlot (&matrixTable())[kMatrixRows]
{
    static const auto table = buildTable();
    return table.rows;
}
} // namespace vorn
