#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace vorn
{

/** The built-in dry demo: drum-like hits, a plucked tone and a noise burst, stereo, about six seconds, peaking at
    -3 dBFS. */
juce::AudioBuffer<float> makeDemoSignal(double sampleRate);

} // namespace vorn
