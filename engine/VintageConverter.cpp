#include "engine/VornDsp.h"

#include <memory>

namespace vorn
{

namespace
{
/** The converter's output for the 16-bit step k: q = k/32768 with its slight curve, q + 1.0681152e-5 sin(22 q). */
float shapedStep(float k) noexcept
{
    const float q = k / 32768.0f;
    return q + 1.0681152e-5f * std::sin(22.0f * q);
}

/** The shaped steps of the two full scales either side of zero, worked out once with the very same operations:
    a sample then costs a table read instead of a sine. Louder (or non-finite) values are worked out as they come. */
class ShapedSteps
{
public:
    static constexpr int kSteps = 2 * 32768;

    ShapedSteps() : values(std::make_unique<float[]>(2 * kSteps))
    {
        for (int k = -kSteps; k < kSteps; ++k)
            values[static_cast<size_t>(k + kSteps)] = shapedStep(static_cast<float>(k));
    }

    /** shapedStep(floor(scaled)), for scaled = x * 32768. */
    float operator()(float scaled) const noexcept
    {
        if (scaled >= -static_cast<float>(kSteps) && scaled < static_cast<float>(kSteps))
        {
            // Truncation towards zero, one step down for negative values that are not whole: the floor.
            int k = static_cast<int>(scaled);
            k -= static_cast<float>(k) > scaled ? 1 : 0;
            return values[static_cast<size_t>(k + kSteps)];
        }
        return shapedStep(std::floor(scaled));
    }

private:
    std::unique_ptr<float[]> values;
};

const ShapedSteps& shapedSteps()
{
    static const ShapedSteps steps; // built on the first prepare, shared by every engine
    return steps;
}
} // namespace

void VornDsp::prepareConverter()
{
    shapedSteps();
}

VornDsp::StereoPair VornDsp::processVintageConverter(float l, float r) noexcept
{
    convertChunk(&l, &r, 1);
    return {l, r};
}

void VornDsp::convertChunk(float* left, float* right, int count) noexcept
{
    // Four one-pole low-passes in series, the two channels in two lanes; then 16-bit truncation (towards minus
    // infinity) with a slight curve, and about 1.15 steps of white dither from a generator that runs on for the
    // engine's whole life, left then right.
    const auto& steps = shapedSteps();
    const Float4 c = splat(coeffs.converter);
    Float4 z[4];
    for (size_t s = 0; s < 4; ++s)
        z[s] = Float4{converterL[s], converterR[s], 0.0f, 0.0f};
    auto seed = converterSeed;
    for (int j = 0; j < count; ++j)
    {
        Float4 x = Float4{left[j], right[j], 0.0f, 0.0f};
        for (auto& stage : z)
        {
            stage = stage + c * (x - stage);
            x = stage;
        }
        const Float4 scaled = x * splat(32768.0f);
        const float ditherL = 3.5e-5f * nextRandom(seed);
        const float ditherR = 3.5e-5f * nextRandom(seed);
        left[j] = steps(scaled[0]) + ditherL;
        right[j] = steps(scaled[1]) + ditherR;
    }
    converterSeed = seed;
    for (size_t s = 0; s < 4; ++s)
    {
        converterL[s] = z[s][0];
        converterR[s] = z[s][1];
    }
}

} // namespace vorn
