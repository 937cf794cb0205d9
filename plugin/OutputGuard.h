#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cmath>
#include <limits>

namespace vorn
{

/** What reaches the host: non-finite samples become silence, denormals zero, the rest is clipped to +-1.
    Returns the peak magnitude of what it lets through, for the output meter, so the block is read once. */
inline float guardOutput(juce::AudioBuffer<float>& buffer) noexcept
{
    float peak = 0.0f;
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        auto* samples = buffer.getWritePointer(ch);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            // Written without branches so that the loop runs a register at a time: NaN fails both
            // comparisons, infinity the second.
            const auto x = samples[i];
            const auto magnitude = std::abs(x);
            const bool passes =
                magnitude >= std::numeric_limits<float>::min() && magnitude <= std::numeric_limits<float>::max();
            samples[i] = passes ? juce::jlimit(-1.0f, 1.0f, x) : 0.0f;
            peak = std::max(peak, passes ? std::min(magnitude, 1.0f) : 0.0f);
        }
    }
    return peak;
}

} // namespace vorn
