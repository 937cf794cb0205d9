#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using vorn::VornDsp;
using vorn::test::preparedEngine;

/** The reflections of a unit impulse written into the predelay line at sample 0. */
std::vector<VornDsp::StereoPair> reflectionsOfImpulse(VornDsp& dsp, int index, float level, size_t length)
{
    std::vector<VornDsp::StereoPair> out(length);
    for (size_t n = 0; n < length; ++n)
    {
        dsp.advancePredelay(n == 0 ? 1.0f : 0.0f, 1);
        out[n] = dsp.processEarlyReflections(index, level);
    }
    return out;
}

// The first Chamber tap: 6.1 ms (292.8 samples at 48 kHz), gain 0.62, pan -0.55.
const double kChamberAngle = (-0.55 * 0.5 + 0.5) * 3.141592653589793 / 2.0;

TEST(EngineEarlyReflections, FirstChamberTapArrivesSplitOverTwoSamplesMostlyLeft)
{
    auto dsp = preparedEngine(48000.0);
    const auto out = reflectionsOfImpulse(*dsp, 0, 0.9f, 300);

    for (size_t n = 0; n < 291; ++n)
        ASSERT_EQ(out[n].first, 0.0f) << n;

    // The line's write index has already moved past the sample, so 292.8 samples back is the input of 291.8
    // samples ago: 0.2 of it arrives after 291 samples and 0.8 after 292 (to the resolution of a float position
    // near 48000, 1/256 of a sample).
    const double k = 0.9 * 0.14;
    for (auto [n, weight] : {std::pair<size_t, double>{291, 0.2}, {292, 0.8}})
    {
        EXPECT_NEAR(out[n].first, k * 0.62 * weight * std::cos(kChamberAngle), 1e-4) << n;
        EXPECT_NEAR(out[n].second, k * 0.62 * weight * std::sin(kChamberAngle), 1e-4) << n;
        EXPECT_GT(out[n].first, 2.5f * out[n].second);
    }
    EXPECT_EQ(out[293].first, 0.0f);
}

TEST(EngineEarlyReflections, LevelScalesUpToPointNine)
{
    const double tapSum = 0.62 * 0.8 * std::cos(kChamberAngle);
    struct Case
    {
        float level;
        double scale;
    };
    const Case cases[] = {{0.9f, 0.126}, {2.0f, 0.126}, {0.5f, 0.07}, {0.0f, 0.0}, {-0.4f, 0.0}};
    for (const auto& c : cases)
    {
        auto dsp = preparedEngine(48000.0);
        const auto out = reflectionsOfImpulse(*dsp, 0, c.level, 293);
        EXPECT_NEAR(out[292].first, c.scale * tapSum, 2e-5) << "level " << c.level;
    }
}

TEST(EngineEarlyReflections, PatternAndPresetRowFollowDifferentIndexRules)
{
    // A tap of d samples first shows at floor(d) - 1; the first taps are 6.1, 4.3, 7.3 and 5.3 ms.
    struct Case
    {
        int index;
        size_t firstArrival;
        float presetPredelayOffsetMs;
    };
    const Case cases[] = {
        {0, 291, 42.0f}, {1, 205, 8.0f},   {2, 349, 12.0f},
        {3, 253, 0.0f},  {-1, 253, 42.0f}, // Luxe pattern, but the Chamber row
        {9, 253, 0.0f},
    };
    for (const auto& c : cases)
    {
        auto dsp = preparedEngine(48000.0);
        const auto out = reflectionsOfImpulse(*dsp, c.index, 0.9f, 400);
        size_t first = 0;
        while (first < out.size() && out[first].first == 0.0f && out[first].second == 0.0f)
            ++first;
        EXPECT_EQ(first, c.firstArrival) << "index " << c.index;
        EXPECT_EQ(vorn::presetForIndex(c.index).predelayOffsetMs, c.presetPredelayOffsetMs) << "index " << c.index;
    }
    EXPECT_EQ(vorn::presetForIndex(7).lowCutHz, 30.0f);
    EXPECT_EQ(vorn::presetForIndex(-1).lowCutHz, 115.0f);
}

} // namespace
