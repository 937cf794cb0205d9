#include "EngineTestSupport.h"

#include <gtest/gtest.h>

namespace
{
using vorn::test::preparedEngine;
using vorn::test::TestNoise;

TEST(EngineStereoStages, OutputsNeverLeaveFullScale)
{
    struct Case
    {
        float amount, blend, headspace, sizeNorm;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f}, {0.5f, 0.0f, 0.3f, 0.68f}, {1.0f, 1.0f, 1.0f, 1.0f}, {3.0f, -2.0f, 5.0f, 2.0f}};
    for (const auto& c : cases)
    {
        auto dsp = preparedEngine(48000.0);
        TestNoise noise(99u, 8.0f);
        for (int i = 0; i < 6000; ++i)
        {
            const float l = noise.next();
            const float r = i % 3 == 0 ? -l : noise.next();
            const auto [dl, dr] = dsp->applyStereoDepth(l, r, c.amount, c.blend, noise.next() / 8.0f);
            ASSERT_LE(std::abs(dl), 1.0f);
            ASSERT_LE(std::abs(dr), 1.0f);
            const auto [hl, hr] = dsp->applyHeadspace(l, r, c.headspace, c.sizeNorm);
            ASSERT_LE(std::abs(hl), 1.0f);
            ASSERT_LE(std::abs(hr), 1.0f);
        }
    }
}

TEST(EngineStereoStages, MonoThroughHeadspaceWithoutAmountStaysMono)
{
    auto dsp = preparedEngine(48000.0);
    TestNoise noise;
    for (int i = 0; i < 5000; ++i)
    {
        const float x = noise.next();
        const auto [l, r] = dsp->applyHeadspace(x, x, 0.0f, 0.68f);
        ASSERT_EQ(l, r);
        ASSERT_EQ(l, x);
    }
}

TEST(EngineStereoStages, HeadspaceLongTapsFollowTheRoomSize)
{
    // The long taps lie 0.34 ms (16 samples) plus 18 to 42 ms behind; all filters have died out long before.
    struct Case
    {
        float sizeNorm;
        size_t arrival;
    };
    const Case cases[] = {{1.0f, 2016 + 16}, {0.0f, 864 + 16}, {0.5f, 1440 + 16}};
    for (const auto& c : cases)
    {
        auto dsp = preparedEngine(48000.0);
        for (size_t n = 0; n <= c.arrival; ++n)
        {
            const auto [l, r] = dsp->applyHeadspace(n == 0 ? 0.5f : 0.0f, 0.0f, 1.0f, c.sizeNorm);
            if (n > 400 && n < c.arrival)
                ASSERT_EQ(l, 0.0f) << n;
            if (n == c.arrival)
            {
                EXPECT_NE(l, 0.0f) << "size " << c.sizeNorm;
                EXPECT_NE(r, 0.0f) << "size " << c.sizeNorm;
            }
        }
    }
}

TEST(EngineStereoStages, SideOfAWetSignalWithoutMidStaysTiny)
{
    // The saturation holds the side below |mid|*(1.35 + 0.5*m) + 0.018 (both divided by k = 1 + 0.08*m).
    auto dsp = preparedEngine(48000.0);
    TestNoise noise(7u, 1.0f);
    for (int i = 0; i < 5000; ++i)
    {
        const float s = noise.next();
        const auto [l, r] = dsp->applyHeadspace(s, -s, 0.3f, 0.68f);
        const float mid = (l + r) * 0.5f;
        const float side = (l - r) * 0.5f;
        ASSERT_LE(std::abs(side), std::abs(mid) * (1.35f + 0.5f * 0.3f) + 0.018f / 1.024f) << i;
    }
}

} // namespace
