#include "engine/VornDsp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
using vorn::VornDsp;

struct DiffuserLengthCase
{
    double sampleRate;
    float ms;
    size_t expected;
};

TEST(EnginePrimitives, DiffuserLengthFollowsMillisecondsWithAFloorOfEight)
{
    const DiffuserLengthCase cases[] = {
        {48000.0, 3.7f, 178},  // 177.6 rounds up
        {48000.0, 0.1f, 8},    // 4.8 is below the floor
        {44100.0, 31.9f, 1407} // 1406.79
    };
    for (const auto& c : cases)
    {
        VornDsp::AllpassDiffuser diffuser;
        diffuser.prepare(c.sampleRate, c.ms, 0.5f);
        EXPECT_EQ(diffuser.buffer.size(), c.expected) << c.ms << " ms at " << c.sampleRate;
    }
}

TEST(EnginePrimitives, DiffuserImpulseResponseIsMinusOneThenPowersOfTheGainEveryLength)
{
    // w[n] = x[n] + g*w[n-N], out[n] = w[n-N] - x[n]: -1 at once, then 1, g, g^2 ... every N samples.
    const float g = 0.58f;
    VornDsp::AllpassDiffuser diffuser;
    diffuser.prepare(48000.0, 3.7f, g);
    const int n = static_cast<int>(diffuser.buffer.size());

    float expectedEcho = 1.0f;
    for (int i = 0; i <= 4 * n; ++i)
    {
        const float y = diffuser.process(i == 0 ? 1.0f : 0.0f);
        if (i == 0)
            EXPECT_EQ(y, -1.0f);
        else if (i % n == 0)
        {
            EXPECT_FLOAT_EQ(y, expectedEcho) << "echo at " << i;
            expectedEcho *= g;
        }
        else
            ASSERT_EQ(y, 0.0f) << "sample " << i;
    }
}

enum class ReadKind
{
    linear,
    cubic,
    lagrange
};

float readAt(ReadKind kind, const std::vector<float>& buffer, float position)
{
    switch (kind)
    {
    case ReadKind::linear:
        return VornDsp::linearRead(buffer, position);
    case ReadKind::cubic:
        return VornDsp::cubicRead(buffer, position);
    case ReadKind::lagrange:
        return VornDsp::lagrangeRead(buffer, position);
    }
    return 0.0f;
}

TEST(EnginePrimitives, FractionalReadsWrapAndHitStoredSamplesExactly)
{
    const std::vector<float> buffer{0.3f, -1.7f, 2.25f, 0.01f, -0.6f, 5.5f, -3.0f, 0.125f};

    struct Case
    {
        float position;
        float expected;
    };
    const Case cases[] = {
        {0.0f, 0.3f},  {3.0f, 0.01f}, {7.0f, 0.125f},   {-1.0f, 0.125f}, {8.0f, 0.3f},
        {13.0f, 5.5f}, {-8.0f, 0.3f}, {-17.0f, 0.125f}, {-1.0e-8f, 0.3f} // rounds to exactly 8 after wrapping: element
                                                                         // 0, no fraction
    };
    for (auto kind : {ReadKind::linear, ReadKind::cubic, ReadKind::lagrange})
        for (const auto& c : cases)
            EXPECT_EQ(readAt(kind, buffer, c.position), c.expected)
                << "read " << static_cast<int>(kind) << " at " << c.position;

    // -0.25 lies between elements 7 and 0, three quarters of the way to 0.
    EXPECT_FLOAT_EQ(VornDsp::linearRead(buffer, -0.25f), 0.125f * 0.25f + 0.3f * 0.75f);
    EXPECT_FLOAT_EQ(VornDsp::linearRead(buffer, 2.5f), (2.25f + 0.01f) * 0.5f);
}

TEST(EnginePrimitives, LagrangeReadReproducesACubic)
{
    // Third-order Lagrange interpolation is exact for any cubic through its four points.
    std::vector<float> cubic(16);
    for (size_t i = 0; i < 16; ++i)
    {
        const auto x = static_cast<float>(i);
        cubic[i] = 0.001f * x * x * x - 0.02f * x * x + 0.1f * x;
    }
    for (float p : {3.25f, 6.5f, 9.875f})
        EXPECT_NEAR(VornDsp::lagrangeRead(cubic, p), 0.001f * p * p * p - 0.02f * p * p + 0.1f * p, 1e-5f) << p;
}

TEST(EnginePrimitives, HadamardIsTheScaledSylvesterMatrixAndItsOwnInverse)
{
    const auto unit = VornDsp::hadamard({1, 0, 0, 0, 0, 0, 0, 0});
    for (float v : unit)
        EXPECT_EQ(v, 0.35355338f);

    const std::array<float, 8> x{0.9f, -0.2f, 0.35f, 1.5f, -0.75f, 0.05f, -1.25f, 0.6f};
    const auto y = VornDsp::hadamard(x);
    double energyIn = 0, energyOut = 0;
    for (size_t i = 0; i < 8; ++i)
    {
        // Element (i, j) of H8 is (-1)^(number of set bits in i AND j).
        double expected = 0;
        for (size_t j = 0; j < 8; ++j)
        {
            int bits = 0;
            for (size_t k = i & j; k != 0; k >>= 1)
                bits += static_cast<int>(k & 1u);
            expected += (bits % 2 == 0 ? 1.0 : -1.0) * x[j];
        }
        EXPECT_NEAR(y[i], expected / std::sqrt(8.0), 1e-6) << "row " << i;
        energyIn += x[i] * x[i];
        energyOut += y[i] * y[i];
    }
    EXPECT_NEAR(energyOut, energyIn, 1e-5);

    const auto back = VornDsp::hadamard(y);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_NEAR(back[i], x[i], 1e-6f);
}

TEST(EnginePrimitives, PeakingBiquadLimitsItsControls)
{
    const float sr = 48000.0f;
    struct Case
    {
        const char* what;
        float f, q, gainDb;
        float fRef, qRef;
    };
    const Case cases[] = {
        {"q below 0.1 acts as 0.1", 1000.0f, 0.01f, 6.0f, 1000.0f, 0.1f},
        {"centre below 20 Hz acts as 20 Hz", 5.0f, 0.7f, 6.0f, 20.0f, 0.7f},
        {"centre above 0.45 sr acts as 0.45 sr", 30000.0f, 0.7f, -6.0f, 0.45f * sr, 0.7f},
    };
    for (const auto& c : cases)
    {
        VornDsp::BiquadPeak a, b;
        for (int i = 0; i < 64; ++i)
        {
            const float x = i == 0 ? 1.0f : std::sin(0.3f * static_cast<float>(i));
            ASSERT_EQ(a.process(x, c.f, c.q, c.gainDb, sr), b.process(x, c.fRef, c.qRef, c.gainDb, sr)) << c.what;
        }
    }

    VornDsp::BiquadPeak flat;
    for (int i = 0; i < 64; ++i)
    {
        const float x = std::sin(0.05f * static_cast<float>(i * i));
        EXPECT_NEAR(flat.process(x, 1000.0f, 0.7f, 0.0f, sr), x, 1e-5f) << "0 dB passes the input";
    }
}

} // namespace

TEST(EnginePrimitives, ADiffuserRunGivesTheSampleBySampleResult)
{
    // Runs shorter and longer than the buffer, across its end, and of every remainder of four.
    for (float ms : {0.1f, 3.7f})
    {
        VornDsp::AllpassDiffuser run, single;
        run.prepare(48000.0, ms, 0.58f);
        single.prepare(48000.0, ms, 0.58f);
        std::vector<float> in(64), out(64);
        float x = 0.3f;
        for (int count : {1, 7, 64, 3, 13, 8, 64, 2, 5, 64})
        {
            for (int i = 0; i < count; ++i)
                in[static_cast<size_t>(i)] = x = std::sin(3.1f * x + 0.7f);
            run.processRun(in.data(), out.data(), count);
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(out[static_cast<size_t>(i)], single.process(in[static_cast<size_t>(i)]))
                    << ms << " ms, run of " << count << ", sample " << i;
        }
    }
}

TEST(EnginePrimitives, FastFunctionsStayWithinRoundingOfTheLibrary)
{
    float worstTanh = 0.0f, worstSin = 0.0f, worstExp = 0.0f;
    for (float x = -30.0f; x <= 30.0f; x += 0.00317f)
    {
        const float t = VornDsp::fastTanh(x);
        worstTanh = std::max(worstTanh, std::abs(t - std::tanh(x)));
        ASSERT_LE(std::abs(t), 1.0f) << x;
        worstSin = std::max(worstSin, std::abs(VornDsp::fastSin(x) - std::sin(x)));
    }
    for (float y = 0.0f; y <= 20.0f; y += 0.0013f)
    {
        const float e = VornDsp::expOfSmall(VornDsp::splat(y))[0];
        worstExp = std::max(worstExp, std::abs(e - std::exp(y)) / std::exp(y));
    }
    EXPECT_LT(worstTanh, 2.5e-7f);
    EXPECT_LT(worstSin, 3.0e-7f * 30.0f / 3.14f); // the reduction's error grows with the argument
    EXPECT_LT(worstExp, 3.0e-7f);
}
