#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using vorn::Advanced;
using vorn::VornDsp;
using vorn::test::preparedEngine;
using vorn::test::TestNoise;

struct EchoRun
{
    std::vector<float> left, right;
};

/** Runs the echo section alone; the reverb it could be sent is silent. */
EchoRun runEcho(VornDsp& dsp, const Advanced& advanced, const std::vector<float>& mono, const std::vector<float>& right)
{
    EchoRun run;
    for (size_t i = 0; i < mono.size(); ++i)
    {
        const auto [l, r] = dsp.processEcho(mono[i], right[i], 0.0f, 0.0f, advanced);
        run.left.push_back(l);
        run.right.push_back(r);
    }
    return run;
}

std::vector<float> impulseAt(size_t index, size_t length)
{
    std::vector<float> x(length, 0.0f);
    x[index] = 1.0f;
    return x;
}

size_t peakIndex(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX)
{
    size_t best = from;
    for (size_t i = from; i < std::min(to, x.size()); ++i)
        if (std::abs(x[i]) > std::abs(x[best]))
            best = i;
    return best;
}

float peakIn(const std::vector<float>& x, size_t centre, size_t halfWidth = 8)
{
    return std::abs(x[peakIndex(x, centre - halfWidth, centre + halfWidth + 1)]);
}

TEST(EngineEcho, TempoSyncSnapsTimesToSixteenthNotes)
{
    struct Case
    {
        bool sync;
        float bpm;
        size_t leftSamples, rightSamples; // at 48 kHz
    };
    const Case cases[] = {
        {true, 120.0f, 6000, 12000}, // 180 ms -> 125 ms, 240 ms -> 250 ms
        {true, 90.0f, 8000, 8000},   // a sixteenth is 166.7 ms: both round to one
        {true, 20.0f, 8640, 11520},  // too slow a tempo: ignored
        {false, 120.0f, 8640, 11520},
    };
    for (const auto& c : cases)
    {
        auto dsp = preparedEngine(48000.0);
        Advanced advanced;
        advanced.effectMode = 2;
        advanced.delaySync = c.sync;
        advanced.hostBpm = c.bpm;
        const auto x = impulseAt(0, 14000);
        const auto run = runEcho(*dsp, advanced, x, x);
        EXPECT_NEAR(static_cast<double>(peakIndex(run.left)), static_cast<double>(c.leftSamples), 2.0) << c.bpm;
        EXPECT_NEAR(static_cast<double>(peakIndex(run.right)), static_cast<double>(c.rightSamples), 2.0) << c.bpm;
    }
}

TEST(EngineEcho, PingPongSendsEachRepeatToTheOtherLine)
{
    // Left line 100 ms (4800 samples), right 50 ms (2400); an impulse enters the left line only.
    for (bool pingPong : {true, false})
    {
        auto dsp = preparedEngine(48000.0);
        Advanced advanced;
        advanced.effectMode = 2;
        advanced.t1 = 100.0f;
        advanced.t2 = 50.0f;
        advanced.k1 = advanced.k2 = 0.5f;
        advanced.pingPong = pingPong;
        const auto run = runEcho(*dsp, advanced, impulseAt(0, 13000), std::vector<float>(13000, 0.0f));

        const float first = peakIn(run.left, 4800);
        ASSERT_GT(first, 0.3f);
        if (pingPong)
        {
            EXPECT_GT(peakIn(run.right, 4800 + 2400), 0.1f * first) << "left repeat crosses to the right";
            EXPECT_GT(peakIn(run.left, 4800 + 2400 + 4800), 0.02f * first) << "and back to the left";
            EXPECT_LT(peakIn(run.left, 2 * 4800), 1e-3f * first) << "not straight back into the left line";
        }
        else
        {
            EXPECT_EQ(*std::max_element(run.right.begin(), run.right.end()), 0.0f);
            EXPECT_GT(peakIn(run.left, 2 * 4800), 0.1f * first);
        }
    }
}

TEST(EngineEcho, FeedbackAbovePointEightFiveActsAsPointEightFive)
{
    const auto render = [](float k1)
    {
        auto dsp = preparedEngine(48000.0);
        Advanced advanced;
        advanced.effectMode = 1;
        advanced.t1 = 20.0f;
        advanced.k1 = k1;
        std::vector<float> x(20000, 0.0f);
        TestNoise noise;
        for (size_t i = 0; i < 500; ++i)
            x[i] = noise.next();
        return runEcho(*dsp, advanced, x, x).left;
    };
    const auto limited = render(0.85f);
    EXPECT_EQ(render(0.9f), limited);
    EXPECT_NE(render(0.8f), limited);
}

TEST(EngineEcho, ReenteringAnEchoModeStartsFromSilence)
{
    for (bool leave : {true, false})
    {
        auto dsp = preparedEngine(48000.0);
        Advanced echo;
        echo.effectMode = 1;
        echo.t1 = 100.0f;
        echo.k1 = 0.5f;
        TestNoise noise;
        for (int i = 0; i < 10000; ++i)
        {
            const float x = noise.next();
            dsp->processEcho(x, x, 0.0f, 0.0f, echo);
        }
        if (leave)
        {
            Advanced reverb = echo;
            reverb.effectMode = 0;
            const auto off = dsp->processEcho(0.3f, 0.3f, 0.0f, 0.0f, reverb);
            EXPECT_EQ(off.first, 0.0f);
            EXPECT_EQ(off.second, 0.0f);
        }
        float loudest = 0.0f;
        for (int i = 0; i < 60000; ++i)
            loudest = std::max(loudest, std::abs(dsp->processEcho(0.0f, 0.0f, 0.0f, 0.0f, echo).first));
        if (leave)
            EXPECT_EQ(loudest, 0.0f);
        else
            EXPECT_GT(loudest, 0.01f) << "staying in the mode keeps the echoes";
    }
}

TEST(EngineEcho, ZeroDelayNeverReadsAheadOfTheWritePosition)
{
    // A delay of 0 ms is one sample; the modulation (up to 2.2 samples) must not push the read past the write
    // position, where the line holds its oldest audio (1.1 s back).
    struct Case
    {
        int mode;
        float t1, t2;
        bool right;
    };
    const Case cases[] = {
        {1, 0.0f, 240.0f, false}, {2, 180.0f, 0.0f, true}, {4, 0.0f, 0.0f, false}, {4, 0.0f, 0.0f, true}};
    for (const auto& c : cases)
    {
        auto dsp = preparedEngine(48000.0);
        Advanced advanced;
        advanced.effectMode = c.mode;
        advanced.t1 = c.t1;
        advanced.t2 = c.t2;
        const size_t length = 64000, burst = 4800, impulse = 60000;
        std::vector<float> x(length, 0.0f);
        TestNoise noise;
        for (size_t i = 0; i < burst; ++i)
            x[i] = noise.next();
        x[impulse] = 1.0f;
        const auto run = runEcho(*dsp, advanced, x, x);
        const auto& out = c.right ? run.right : run.left;

        for (size_t i = burst + 100; i <= impulse; ++i)
            ASSERT_EQ(out[i], 0.0f) << "mode " << c.mode << " sample " << i;
        EXPECT_GT(std::abs(out[impulse + 1]) + std::abs(out[impulse + 2]), 0.3f) << "mode " << c.mode;
    }
}

} // namespace
