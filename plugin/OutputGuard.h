#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>
#include <limits>

namespace vorn
{

/** What reaches the host: non-finite samples become silence, denormals zero, the rest is clipped to +-1. */
inline void guardOutput(juce::AudioBuffer<float>& buffer) noexcept
{
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        auto* samples = buffer.getWritePointer(ch);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            const auto x = samples[i];
            if (!std::isfinite(x) || std::abs(x) < std::numeric_limits<float>::min())
                samples[i] = 0.0f;
            else
                samples[i] = juce::jlimit(-1.0f, 1.0f, x);
        }
    }
}

} // namespace vorn
