#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

namespace vorn
{

/** Reads a mono or stereo WAV file (16/24/32-bit integer or 32-bit float PCM, RIFF or RF64) into `audio`.
    On failure the message names the file and what was wrong with it, and `audio` is left as it was. */
juce::Result readWav(const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate);

} // namespace vorn
