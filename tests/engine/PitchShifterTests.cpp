#include "engine/VornDsp.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using vorn::VornDsp;

TEST(EnginePitchShifter, AtZeroCentsItIsAPureHalfBufferDelay)
{
    VornDsp::PitchShifter shifter;
    shifter.prepare(48000.0, 90.0f);
    ASSERT_EQ(shifter.buffer.size(), 4320u);

    // Pointer A sits on the write position (window 0) and B half a buffer behind it (window 1). The write index
    // has moved on when B reads, so the delay is 2160 - 1 samples: 45 ms less one sample.
    const size_t delay = 2159;
    std::vector<float> input(3 * 4320);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = std::sin(0.013f * static_cast<float>(i)) + (i % 97 == 0 ? 0.5f : 0.0f);
    for (size_t i = 0; i < input.size(); ++i)
    {
        const float out = shifter.process(input[i], 0.0f);
        ASSERT_EQ(out, i >= delay ? input[i - delay] : 0.0f) << i;
    }
}

TEST(EnginePitchShifter, ShiftScalesTheFrequency)
{
    struct Case
    {
        float cents;
        double ratio;
    };
    const Case cases[] = {{1200.0f, 2.0}, {-1200.0f, 0.5}, {0.0f, 1.0}};
    for (const auto& c : cases)
    {
        VornDsp::PitchShifter shifter;
        shifter.prepare(48000.0, 90.0f);
        int crossings = 0;
        float previous = 0.0f;
        const int length = 48000;
        for (int i = 0; i < length; ++i)
        {
            const float out =
                shifter.process(std::sin(2.0f * 3.14159265f * 1000.0f * static_cast<float>(i) / 48000.0f), c.cents);
            if (i > 4320 && previous < 0.0f && out >= 0.0f)
                ++crossings;
            previous = out;
        }
        const double measuredHz = crossings * 48000.0 / (length - 4320);
        EXPECT_NEAR(measuredHz, 1000.0 * c.ratio, 0.03 * 1000.0 * c.ratio) << c.cents << " cents";
    }

    // At 1200 cents both pointers advance two samples for every sample written.
    VornDsp::PitchShifter shifter;
    shifter.prepare(48000.0, 90.0f);
    for (int i = 0; i < 10; ++i)
        shifter.process(0.0f, 1200.0f);
    EXPECT_FLOAT_EQ(shifter.readPos[0], 20.0f);
    EXPECT_FLOAT_EQ(shifter.readPos[1], 2180.0f);
}

TEST(EnginePitchShifter, KeepsAtLeastOneSampleAtVeryLowRates)
{
    // 90 ms at 5 Hz rounds to no sample at all; the shifter keeps one and still produces finite output.
    for (double rate : {0.5, 5.0, 20.0})
    {
        VornDsp::PitchShifter shifter;
        shifter.prepare(rate, 90.0f);
        ASSERT_GE(shifter.buffer.size(), 1u) << rate;
        for (int i = 0; i < 50; ++i)
            ASSERT_TRUE(std::isfinite(shifter.process(i % 2 == 0 ? 0.5f : -0.5f, 0.4f))) << rate;
    }
}
} // namespace
