#pragma once

#include "engine/DecayScale.h"

#include <juce_core/juce_core.h>

#include <array>

namespace vorn
{

/** The main controls, in the parameters' own units. */
struct Parameters
{
    float decay = 58.0f;    // 0..100, a step of the decay scale (DecayScale.h)
    float predelay = 18.0f; // milliseconds
    float size = 68.0f;     // 0..100
    float character = 66.0f;
    float mix = 34.0f;
    float dryWet = 50.0f; // 0..100
    int preset = 3;       // character preset index
};

/** Every other control. */
struct Advanced
{
    float width = 42.0f;
    float lfoRate = 0.1f; // Hz
    float detune = 0.0f;  // cents
    float inputLink = 0.6f;
    float modDepth = 42.0f; // 0..100
    float reverbTail = 1.0f;
    float earlyLevel = 0.65f;
    float earlyDelay = 28.0f;
    float subDelay = 0.0f; // milliseconds
    float subLevel = 0.0f;
    float k1 = 0.0f;
    float k2 = 0.0f;
    float t1 = 180.0f; // milliseconds
    float t2 = 240.0f; // milliseconds
    int effectMode = 0;
    float lowCut = -1.0f; // Hz; <= 0 selects the character preset's low cut
    float rtLow = 1.0f;
    float rtHigh = 1.0f;
    float outputGain = 1.18f;
    float lowTilt = -1.0f;
    float highCut = -1.0f;
    int modTaps = 1;
    bool vintageConv = false;
    bool delaySync = false;
    float hostBpm = 120.0f;
    float delayMix = 1.0f;
    bool pingPong = false;
    int routing = 0; // 0 Parallel, 1 Delay -> Reverb, 2 Reverb -> Delay
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
