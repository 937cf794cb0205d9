#pragma once

#include "engine/DecayScale.h"
#include "engine/ParameterTable.h"

#include <juce_core/juce_core.h>

#include <array>

namespace vorn
{

/** The main controls, in the parameters' own units. */
struct Parameters
{
    float decay = defaultOf<parameterIndex("decay")>; // a step of the decay scale (DecayScale.h)
    float predelay = defaultOf<parameterIndex("predelay")>;
    float size = defaultOf<parameterIndex("size")>;
    float character = defaultOf<parameterIndex("character")>;
    float mix = defaultOf<parameterIndex("mix")>;
    float dryWet = defaultOf<parameterIndex("dryWet")>;
    int preset = static_cast<int>(defaultOf<parameterIndex("preset")>); // character preset index
};

/** Every other control. */
struct Advanced
{
    float width = defaultOf<parameterIndex("width")>;
    float lfoRate = defaultOf<parameterIndex("lfoRate")>;
    float detune = defaultOf<parameterIndex("detune")>;
    float inputLink = defaultOf<parameterIndex("inputLink")>;
    float modDepth = defaultOf<parameterIndex("modDepth")>;
    float reverbTail = defaultOf<parameterIndex("reverbTail")>;
    float earlyLevel = defaultOf<parameterIndex("earlyLevel")>;
    float earlyDelay = defaultOf<parameterIndex("earlyDelay")>;
    float subDelay = defaultOf<parameterIndex("subDelay")>;
    float subLevel = defaultOf<parameterIndex("subLevel")>;
    float k1 = defaultOf<parameterIndex("k1")>;
    float k2 = defaultOf<parameterIndex("k2")>;
    float t1 = defaultOf<parameterIndex("t1")>;
    float t2 = defaultOf<parameterIndex("t2")>;
    int effectMode = static_cast<int>(defaultOf<parameterIndex("effectMode")>);
    float lowCut = -1.0f; // not the parameter's default: 0 or less selects the character preset's low cut
    float rtLow = defaultOf<parameterIndex("rtLow")>;
    float rtHigh = defaultOf<parameterIndex("rtHigh")>;
    float outputGain = 1.18f; // not the parameter's 1.2: the level of a record nobody filled
    float lowTilt = defaultOf<parameterIndex("lowTilt")>;
    float highCut = defaultOf<parameterIndex("highCut")>;
    int modTaps = 1; // modulated read taps per tank line; no parameter sets it
    bool vintageConv = defaultOf<parameterIndex("vintageConv")> > 0.5f;
    bool delaySync = defaultOf<parameterIndex("delaySync")> > 0.5f;
    float hostBpm = 120.0f; // until the host tells its tempo
    float delayMix = defaultOf<parameterIndex("delayMix")>;
    bool pingPong = defaultOf<parameterIndex("pingPong")> > 0.5f;
    // 0 Parallel, 1 Delay -> Reverb, 2 Reverb -> Delay
    int routing = static_cast<int>(defaultOf<parameterIndex("routing")>);
};

/** A unit's small, repeatable variation. */
struct CircuitDna
{
    juce::String id{"7F2C91A0"};
    std::array<float, 2> deviation{0.0f, 0.0f};
    float lfoTrim = 0.26f;
};

/** One character preset row. */
struct Preset
{
    float unused1;
    float predelayOffsetMs;
    float unused3, unused4, unused5, unused6;
    float lowCutHz;
    float diffusion;
    float softening;
    float density;
    float stereoDepth;
    float headspace;
    float blumlein;
};

/** The character-preset row at the index clamped to [0, 3]. */
const Preset& presetForIndex(int index);

} // namespace vorn
