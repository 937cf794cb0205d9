#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
using vorn::VornDsp;
using vorn::test::preparedEngine;
using vorn::test::reverberationTimeSeconds;
using vorn::test::TestBiquad;
using vorn::test::TestNoise;

constexpr double kRate = 48000.0;

/** Tank controls as the per-sample routine derives them from the records. */
struct TankControls
{
    float decaySeconds = 0.4f + 9.5f * 58.0f / 100.0f;
    float rtLow = 1.0f;
    float rtHigh = 1.0f;
    float sizeFactor = 0.75f + 0.75f * 68.0f / 100.0f;
    float modDepth = 42.0f;
    float modRateHz = 0.2f;
    float density = 0.5f;
};

float runBank(VornDsp& dsp, VornDsp::Bank& bank, float input, const TankControls& c)
{
    return dsp.processDelayBank(bank, input, c.decaySeconds, c.rtLow, c.rtHigh, c.sizeFactor, c.modDepth, c.modRateHz,
                                1, c.density);
}

std::vector<float> impulseResponse(VornDsp& dsp, VornDsp::Bank& bank, const TankControls& c, size_t length)
{
    std::vector<float> out(length);
    for (size_t i = 0; i < length; ++i)
        out[i] = runBank(dsp, bank, i == 0 ? 1.0f : 0.0f, c);
    return out;
}

TEST(EngineTank, AnImpulseFirstLeavesABankAfterItsShortestScaledLine)
{
    struct Case
    {
        bool left;
        float sizeFactor;
        float modDepth;
    };
    const Case cases[] = {{true, 1.0f, 0.0f}, {false, 1.0f, 0.0f}, {true, 1.5f, 42.0f}, {false, 1.0875f, 42.0f}};
    for (const auto& c : cases)
    {
        auto dsp = preparedEngine(kRate);
        auto& bank = c.left ? dsp->leftBank() : dsp->rightBank();
        TankControls controls;
        controls.sizeFactor = c.sizeFactor;
        controls.modDepth = c.modDepth;
        const float expected = (c.left ? 1129.0f : 1187.0f) * c.sizeFactor;
        const auto out = impulseResponse(*dsp, bank, controls, static_cast<size_t>(expected) + 8);

        size_t first = 0;
        while (first < out.size() && out[first] == 0.0f)
            ++first;
        // A four-point read may show the impulse up to two samples early; modulation moves it less than one.
        EXPECT_GE(static_cast<float>(first), expected - 3.0f) << expected;
        EXPECT_LE(static_cast<float>(first), expected + 1.0f) << expected;

        if (c.modDepth == 0.0f)
        {
            // An unmodulated whole-sample delay returns the injected impulse unchanged, scaled by the output mix.
            const float inject = 0.13f + 0.05f * controls.density;
            EXPECT_EQ(first, static_cast<size_t>(expected));
            EXPECT_FLOAT_EQ(out[first], inject * 0.35355338f);
        }
    }
}

/** The decay time of the band below 20 Hz, of the band below 1 kHz, or of the band within 20 Hz of half the
    sample rate. */
enum class Band
{
    bass,
    belowOneKilohertz,
    top
};

double bandDecaySeconds(const std::vector<float>& response, Band band)
{
    const double cutoff = band == Band::belowOneKilohertz ? 1000.0 : 20.0;
    auto lowA = TestBiquad::lowPass(cutoff, kRate);
    auto lowB = TestBiquad::lowPass(cutoff, kRate);
    std::vector<float> filtered(response.size());
    for (size_t i = 0; i < response.size(); ++i)
    {
        // Multiplying by (-1)^n moves the top of the band down to DC.
        const double x = band == Band::top && (i % 2 == 1) ? -response[i] : response[i];
        filtered[i] = static_cast<float>(lowB.process(lowA.process(x)));
    }
    return reverberationTimeSeconds(filtered, kRate);
}

TEST(EngineTank, ImpulseResponseFallsSixtyDecibelsInTheDecayTime)
{
    // Measured below 1 kHz: higher up, the fractional reads of the modulated lines add a little loss per pass.
    for (float decayStep : {10.0f, 58.0f, 100.0f})
    {
        auto dsp = preparedEngine(kRate);
        TankControls controls;
        controls.decaySeconds = 0.4f + 9.5f * decayStep / 100.0f;
        const double expected = 0.4 + 0.095 * decayStep;
        const auto out = impulseResponse(*dsp, dsp->leftBank(), controls, static_cast<size_t>(1.15 * expected * kRate));
        EXPECT_NEAR(bandDecaySeconds(out, Band::belowOneKilohertz), expected, 0.03 * expected) << "decay " << decayStep;
    }
}

TEST(EngineTank, LowAndHighBandsDecayAtTheirOwnRates)
{
    // Whole-sample, unmodulated delays keep the interpolation out of the way at the top of the band.
    TankControls controls;
    controls.modDepth = 0.0f;
    controls.sizeFactor = 1.0f;

    // Below the 200 Hz split every pass is multiplied by g^(1/fL): rtLow 2 gives fL = 2.9, a 2.9 times longer decay.
    {
        auto dsp = preparedEngine(kRate);
        controls.decaySeconds = 0.4f + 9.5f * 10.0f / 100.0f;
        controls.rtLow = 2.0f;
        const double expected = 2.9 * controls.decaySeconds;
        const auto out = impulseResponse(*dsp, dsp->leftBank(), controls, static_cast<size_t>(1.2 * expected * kRate));
        EXPECT_NEAR(bandDecaySeconds(out, Band::bass), expected, 0.05 * expected);
        controls.rtLow = 1.0f;
    }

    // Above the 2500 Hz split the pass gain is g*(1 + (g^3 - 1)*k) for rtHigh 0.25, where k = 2c/(1 + c) is the
    // one-pole split's gain at half the sample rate (c = exp(-2*pi*2500/sr)); with k = 1 it would be g^4, a decay
    // four times faster. The band's decay follows the dB lost per second over all eight lines.
    {
        auto dsp = preparedEngine(kRate);
        controls.decaySeconds = 9.9f;
        controls.rtHigh = 0.25f;
        const double c = std::exp(-2.0 * 3.141592653589793 * 2500.0 / kRate);
        const double k = 2.0 * c / (1.0 + c);
        double lossDb = 0.0, seconds = 0.0;
        for (size_t i = 0; i < 8; ++i)
        {
            const double length = VornDsp::kLineLengths[i];
            const double g = std::pow(10.0, -3.0 * length / kRate / 9.9);
            lossDb += -20.0 * std::log10(g * (1.0 + (g * g * g - 1.0) * k));
            seconds += length / kRate;
        }
        const double expected = 60.0 * seconds / lossDb;
        EXPECT_LT(expected, 9.9 / 3.4); // more than 3.4 times faster at 48 kHz
        const auto out = impulseResponse(*dsp, dsp->leftBank(), controls, static_cast<size_t>(1.2 * expected * kRate));
        EXPECT_NEAR(bandDecaySeconds(out, Band::top), expected, 0.05 * expected);
    }
}

TEST(EngineTank, WithoutModulationDepthTheRateHasNoEffect)
{
    auto slow = preparedEngine(kRate);
    auto fast = preparedEngine(kRate);
    TankControls a, b;
    a.modDepth = b.modDepth = 0.0f;
    a.modRateHz = 0.05f;
    b.modRateHz = 3.0f;
    TestNoise noise;
    for (int i = 0; i < 6000; ++i)
    {
        const float x = i < 3000 ? noise.next() : 0.0f;
        ASSERT_EQ(runBank(*slow, slow->leftBank(), x, a), runBank(*fast, fast->leftBank(), x, b)) << i;
        ASSERT_EQ(runBank(*slow, slow->rightBank(), x, a), runBank(*fast, fast->rightBank(), x, b)) << i;
    }
}

TEST(EngineTank, SustainedLargeInputNeverWritesBeyondTheSoftLimit)
{
    auto dsp = preparedEngine(kRate);
    TankControls controls;
    controls.decaySeconds = 9.9f;
    controls.rtLow = 2.0f;
    for (int i = 0; i < 12000; ++i)
    {
        const float x = i < 6000 ? 40.0f : -40.0f * std::sin(0.01f * static_cast<float>(i));
        runBank(*dsp, dsp->leftBank(), x, controls);
    }
    for (const auto& line : dsp->leftBank())
        for (float v : line.buffer)
            ASSERT_LE(std::abs(v), 1.1f);
}

TEST(EngineTank, ResetLeavesExactSilence)
{
    auto dsp = preparedEngine(kRate);
    TankControls controls;
    TestNoise noise;
    for (int i = 0; i < 8000; ++i)
    {
        runBank(*dsp, dsp->leftBank(), noise.next(), controls);
        runBank(*dsp, dsp->rightBank(), noise.next(), controls);
    }
    dsp->reset();
    for (int i = 0; i < 8000; ++i)
    {
        ASSERT_EQ(runBank(*dsp, dsp->leftBank(), 0.0f, controls), 0.0f) << i;
        ASSERT_EQ(runBank(*dsp, dsp->rightBank(), 0.0f, controls), 0.0f) << i;
    }
}

TEST(EngineTank, ARateThatIsNotAPositiveNumberActsAs48k)
{
    const auto render = [](double sampleRate)
    {
        auto dsp = preparedEngine(sampleRate);
        EXPECT_EQ(dsp->getSampleRate(), 48000.0);
        EXPECT_EQ(dsp->leftBank()[0].buffer.size(), 48000u);
        juce::AudioBuffer<float> buffer(2, 4096);
        TestNoise noise;
        for (int i = 0; i < 4096; ++i)
            for (int ch = 0; ch < 2; ++ch)
                buffer.setSample(ch, i, i < 512 ? noise.next() : 0.0f);
        dsp->process(buffer, {}, {}, {});
        return buffer;
    };
    const auto reference = render(48000.0);
    for (double rate : {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN()})
    {
        const auto out = render(rate);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 4096; ++i)
                ASSERT_EQ(out.getSample(ch, i), reference.getSample(ch, i)) << rate;
    }
}

} // namespace
