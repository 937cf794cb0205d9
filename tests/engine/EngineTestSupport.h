#pragma once

#include "engine/VornDsp.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorn::test
{

/** Engines are large (several seconds of buffers): tests keep them on the heap. */
inline std::unique_ptr<VornDsp> preparedEngine(double sampleRate = 48000.0)
{
    auto dsp = std::make_unique<VornDsp>();
    dsp->prepare(sampleRate, 512);
    return dsp;
}

/** Deterministic white noise in [-amplitude, amplitude), independent of the engine's own generators. */
class TestNoise
{
public:
    explicit TestNoise(std::uint32_t seed = 12345u, float amplitude = 0.5f) : state(seed), scale(amplitude) {}

    float next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return scale * (static_cast<float>(state) / 2147483648.0f - 1.0f);
    }

private:
    std::uint32_t state;
    float scale;
};

/** Reverberation time from an impulse response: Schroeder's backward-integrated energy, a straight line fitted
    between -5 and -35 dB, extrapolated to 60 dB. */
inline double reverberationTimeSeconds(const std::vector<float>& response, double sampleRate)
{
    std::vector<double> remaining(response.size() + 1, 0.0);
    for (size_t i = response.size(); i-- > 0;)
        remaining[i] = remaining[i + 1] + static_cast<double>(response[i]) * response[i];

    double sumX = 0, sumY = 0, sumXX = 0, sumXY = 0;
    int count = 0;
    for (size_t i = 0; i < response.size(); ++i)
    {
        const double db = 10.0 * std::log10(remaining[i] / remaining[0]);
        if (db > -5.0)
            continue;
        if (db < -35.0)
            break;
        const double x = static_cast<double>(i) / sampleRate;
        sumX += x;
        sumY += db;
        sumXX += x * x;
        sumXY += x * db;
        ++count;
    }
    const double slope = (count * sumXY - sumX * sumY) / (count * sumXX - sumX * sumX);
    return -60.0 / slope;
}

/** Second-order sections (Audio EQ Cookbook low- and high-pass, Q = 1/sqrt(2)) used to look at one band. */
class TestBiquad
{
public:
    static TestBiquad lowPass(double cutoffHz, double sampleRate) { return make(cutoffHz, sampleRate, false); }
    static TestBiquad highPass(double cutoffHz, double sampleRate) { return make(cutoffHz, sampleRate, true); }

    double process(double x)
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

private:
    static TestBiquad make(double cutoffHz, double sampleRate, bool high)
    {
        const double w0 = 2.0 * 3.141592653589793 * cutoffHz / sampleRate;
        const double alpha = std::sin(w0) / (2.0 * 0.7071067811865476);
        const double cw = std::cos(w0);
        const double a0 = 1.0 + alpha;
        TestBiquad f;
        f.b1 = (high ? -(1.0 + cw) : (1.0 - cw)) / a0;
        f.b0 = f.b2 = (high ? (1.0 + cw) : (1.0 - cw)) / 2.0 / a0;
        f.a1 = -2.0 * cw / a0;
        f.a2 = (1.0 - alpha) / a0;
        return f;
    }

    double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

} // namespace vorn::test
