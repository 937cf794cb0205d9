#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using vorn::test::preparedEngine;

/** The converter's dither generator, written out: x = x*1664525 + 1013904223, draw (x >> 8)*2^-23 - 1. */
struct DitherSequence
{
    juce::uint32 state = 625341585u;

    float next()
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
    }
};

TEST(EngineConverter, SteadyInputTruncatesDownToSixteenBitStepsPlusDither)
{
    struct Case
    {
        float input;
        float step; // the truncated value
    };
    const Case cases[] = {
        {0.0f, 0.0f},
        {-1.0e-6f, -1.0f / 32768.0f}, // towards minus infinity, not towards 0
        {0.5f, 0.5f},
        {0.30001f, 9830.0f / 32768.0f},
    };
    for (const auto& c : cases)
    {
        auto dsp = preparedEngine(48000.0);
        DitherSequence dither;
        for (int i = 0; i < 400; ++i)
        {
            const auto [l, r] = dsp->processVintageConverter(c.input, c.input);
            const float shaped = c.step + 1.0681152e-5f * std::sin(22.0f * c.step);
            const float ditherL = 3.5e-5f * dither.next();
            const float ditherR = 3.5e-5f * dither.next();
            if (i >= 100) // the 13.5 kHz low-pass has settled
            {
                ASSERT_NEAR(l, shaped + ditherL, 1e-9f) << c.input << " sample " << i;
                ASSERT_NEAR(r, shaped + ditherR, 1e-9f) << c.input << " sample " << i;
                ASSERT_LT(std::abs(l - shaped), 3.5e-5f);
            }
        }
    }
}

TEST(EngineConverter, LoudSamplesAreTruncatedAndShapedAsQuietOnes)
{
    // Around and beyond two full scales either way the shaped steps are no longer looked up but worked out: the
    // result is the same formula all the same.
    const float inputs[] = {1.99999f, 2.0f, -2.0f, -2.00001f, 2.5f, -3.0f, 40.0f};
    for (const float input : inputs)
    {
        auto dsp = preparedEngine(48000.0);
        DitherSequence dither;
        const float step = std::floor(input * 32768.0f) / 32768.0f;
        const float shaped = step + 1.0681152e-5f * std::sin(22.0f * step);
        for (int i = 0; i < 400; ++i)
        {
            const auto [l, r] = dsp->processVintageConverter(input, input);
            const float ditherL = 3.5e-5f * dither.next();
            const float ditherR = 3.5e-5f * dither.next();
            if (i >= 100) // the 13.5 kHz low-pass has settled
            {
                ASSERT_EQ(l, shaped + ditherL) << input << " sample " << i;
                ASSERT_EQ(r, shaped + ditherR) << input << " sample " << i;
            }
        }
    }
}

TEST(EngineConverter, DitherRunsOnAcrossReset)
{
    auto dsp = preparedEngine(48000.0);
    DitherSequence dither;
    for (int round = 0; round < 3; ++round)
    {
        for (int i = 0; i < 50; ++i)
        {
            const auto [l, r] = dsp->processVintageConverter(0.0f, 0.0f);
            ASSERT_EQ(l, 3.5e-5f * dither.next());
            ASSERT_EQ(r, 3.5e-5f * dither.next());
        }
        dsp->reset();
    }
}

} // namespace
