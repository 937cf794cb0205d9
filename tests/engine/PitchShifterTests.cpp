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

TEST(EnginePitchShifter, APairGivesTwoShiftersBitForBit)
{
    // The engine runs both shifters at once; it must give what two shifters give sample by sample, with the left one
    // at -cents/2 and the right one at +cents/2, and neither touched while the shift is below 0.001 cents.
    struct Case
    {
        double sampleRate;
        float peakCents;
    };
    const Case cases[] = {{48000.0, 0.44f}, {44100.0, -0.3f}, {96000.0, 2400.0f}, {2000.0, 1200.0f}};
    for (const auto& c : cases)
    {
        VornDsp::PitchShifter pairL, pairR, singleL, singleR;
        for (auto* shifter : {&pairL, &pairR, &singleL, &singleR})
            shifter->prepare(c.sampleRate, 90.0f);
        constexpr int kLength = 20000, kBlock = 64;
        std::vector<float> left(kLength), right(kLength), cents(kLength);
        for (int i = 0; i < kLength; ++i)
        {
            left[static_cast<size_t>(i)] = std::sin(0.011f * static_cast<float>(i));
            right[static_cast<size_t>(i)] = std::sin(0.017f * static_cast<float>(i)) * 0.5f;
            // A slow swing through zero, with stretches below the threshold.
            cents[static_cast<size_t>(i)] = c.peakCents * std::sin(0.0011f * static_cast<float>(i));
        }
        auto l = left, r = right;
        for (int start = 0; start < kLength; start += kBlock)
            VornDsp::PitchShifter::processPair(pairL, pairR, l.data() + start, r.data() + start, cents.data() + start,
                                               std::min(kBlock, kLength - start));
        for (size_t i = 0; i < static_cast<size_t>(kLength); ++i)
        {
            float expectedL = left[i], expectedR = right[i];
            if (std::abs(cents[i]) >= 0.001f)
            {
                expectedL = singleL.process(left[i], -0.5f * cents[i]);
                expectedR = singleR.process(right[i], 0.5f * cents[i]);
            }
            ASSERT_EQ(l[i], expectedL) << c.sampleRate << " Hz at " << i;
            ASSERT_EQ(r[i], expectedR) << c.sampleRate << " Hz at " << i;
        }
        EXPECT_EQ(pairL.readPos, singleL.readPos);
        EXPECT_EQ(pairR.writeIndex, singleR.writeIndex);
    }
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
