// The renderer reads WAV files from anywhere: any bytes must be read or refused with a message, never crash, and
// never make it allocate more audio than the file can hold.
#include "FuzzSupport.h"

#include "tools/render/WavInput.h"

#include <cmath>

namespace
{
juce::File scratch;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    scratch = vorn::fuzz::startFramework().getChildFile("input.wav");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn::fuzz::writeFile(scratch, data, size);

    juce::AudioBuffer<float> audio;
    double sampleRate = 0.0;
    const auto result = vorn::readWav(scratch, audio, sampleRate);
    if (result.failed())
    {
        vorn::fuzz::require(result.getErrorMessage().isNotEmpty() && audio.getNumSamples() == 0);
        return 0;
    }

    // At least one byte per sample and channel, so the audio cannot outgrow the file.
    vorn::fuzz::require(audio.getNumChannels() >= 1 && audio.getNumChannels() <= 2);
    vorn::fuzz::require(size_t(audio.getNumSamples()) * size_t(audio.getNumChannels()) <= size);
    vorn::fuzz::require(sampleRate >= 8000.0 && sampleRate <= 768000.0);
    return 0;
}
