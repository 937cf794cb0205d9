#pragma once

#include "engine/DspPrimitives.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorn
{

/** What reaches the host: non-finite samples become silence, denormals zero, the rest is clipped to +-1.
    Returns the peak magnitude of what it lets through, for the output meter, so the block is read once.
    Four samples at a time; NaN fails both range comparisons, infinity the second. */
inline float guardOutput(juce::AudioBuffer<float>& buffer) noexcept
{
    using Lanes = VornDspPrimitives::Float4;
    constexpr float smallest = std::numeric_limits<float>::min();
    constexpr float largest = std::numeric_limits<float>::max();

    const auto guard = [](auto x, auto splat, auto& peak)
    {
        const auto magnitude = x < 0.0f ? -x : x;
        const auto passes = magnitude >= splat(smallest) && magnitude <= splat(largest);
        const auto clipped = x < splat(-1.0f) ? splat(-1.0f) : (x > splat(1.0f) ? splat(1.0f) : x);
        const auto heard = passes ? (magnitude < splat(1.0f) ? magnitude : splat(1.0f)) : splat(0.0f);
        peak = peak > heard ? peak : heard;
        return passes ? clipped : splat(0.0f);
    };
    const auto lanes = [](float v) { return Lanes{v, v, v, v}; };
    const auto single = [](float v) { return v; };

    Lanes peaks{};
    float peak = 0.0f;
    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        auto* samples = buffer.getWritePointer(ch);
        const int n = buffer.getNumSamples();
        int i = 0;
        for (; i + 4 <= n; i += 4)
            VornDspPrimitives::store4(samples + i, guard(VornDspPrimitives::load4(samples + i), lanes, peaks));
        for (; i < n; ++i)
            samples[i] = guard(samples[i], single, peak);
    }
    for (int lane = 0; lane < 4; ++lane)
        peak = std::max(peak, peaks[lane]);
    return peak;
}

} // namespace vorn
