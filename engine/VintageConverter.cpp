#include "engine/VornDsp.h"

namespace vorn
{

namespace
{
/** Four one-pole low-passes in series, 16-bit truncation (towards minus infinity) and a slight curve. */
float convertChannel(std::array<float, 4>& stages, float x, float c) noexcept
{
    for (auto& z : stages)
    {
        z = z + c * (x - z);
        x = z;
    }
    const float q = std::floor(x * 32768.0f) / 32768.0f;
    return q + 1.0681152e-5f * std::sin(22.0f * q);
}
} // namespace

VornDsp::StereoPair VornDsp::processVintageConverter(float l, float r) noexcept
{
    float yl = convertChannel(converterL, l, coeffs.converter);
    float yr = convertChannel(converterR, r, coeffs.converter);
    // About 1.15 steps of white dither; the generator runs on for the engine's whole life.
    yl = yl + 3.5e-5f * nextRandom(converterSeed);
    yr = yr + 3.5e-5f * nextRandom(converterSeed);
    return {yl, yr};
}

} // namespace vorn
