#pragma once

#include <cmath>

namespace vorn
{
/** "decay" is a step from 0 to 100; the panel shows and takes seconds on the unit's scale, 0.4 s to 9.9 s. */
inline float decaySecondsFor(float step) noexcept
{
    return std::fma(0.095f, step, 0.4f);
}

/** The step for a reverberation time in seconds, limited to the scale; the parameter snaps it to a whole step. */
inline float decayStepForSeconds(float seconds) noexcept
{
    const auto step = (seconds - 0.4f) / 0.095f;

    if (step > 100.0f)
        return 100.0f;

    if (step < 0.0f)
        return 0.0f;

    return step;
}
} // namespace vorn
