#include "engine/DspPrimitives.h"

namespace vorn
{

void VornDspPrimitives::PitchShifter::prepare(double sampleRate, float ms)
{
    // At least one sample: a zero-length buffer would divide by zero at very low sample rates.
    const auto length = std::max(1, juce::roundToInt(static_cast<double>(ms) * sampleRate / 1000.0));
    buffer.assign(static_cast<size_t>(length), 0.0f);
    writeIndex = 0;
    readPos = {0.0f, static_cast<float>(length) * 0.5f};
}

void VornDspPrimitives::PitchShifter::reset() noexcept
{
    std::fill(buffer.begin(), buffer.end(), 0.0f);
    writeIndex = 0;
    readPos = {0.0f, static_cast<float>(buffer.size()) * 0.5f};
}

float VornDspPrimitives::PitchShifter::process(float x, float cents) noexcept
{
    const int n = static_cast<int>(buffer.size());
    const auto size = static_cast<float>(n);
    float* data = buffer.data();

    data[writeIndex] = x;
    if (++writeIndex >= n)
        writeIndex = 0;
    const auto w = static_cast<float>(writeIndex);

    const float ratio = std::exp2(cents / 1200.0f);

    std::array<float, 2> window{};
    for (size_t k = 0; k < 2; ++k)
    {
        // fmod of a value in [n, 2n) is that value minus n, exactly; the general case keeps fmod.
        const float moved = readPos[k] + ratio + size;
        readPos[k] = moved >= size && moved < 2.0f * size ? moved - size : std::fmod(moved, size);

        float dist = w - readPos[k];
        if (dist < 0.0f)
            dist = dist + size;
        const float t = dist / size;
        window[k] = 1.0f - std::abs(2.0f * t - 1.0f);
    }

    float norm = window[0] + window[1];
    if (norm == 0.0f)
        norm = 1.0f;
    const float a = cubicRead(data, n, readPos[0]);
    const float b = cubicRead(data, n, readPos[1]);
    return (a * window[0] + b * window[1]) / norm;
}

} // namespace vorn
