#pragma once

#include <cmath>

namespace vorn
{
// The "decay" parameter is a step from 0 to 100 on the unit's reverb-time scale: 0.4 s to 9.9 s, 0.095 s a step.
// The tank and the panel compute the same scale with different roundings, kept apart on purpose: the tank's
// rounding is part of the engine's output, which every program reproduces bit for bit, and the panel's (one fused
// multiply-add) decides which tenth of a second the SEC display shows at a step's edge (step 33 is 3.535 s, shown
// as 3.5). Neither may change without changing what users hear or read.

/** The tank's reverberation time for a step: 0.4 + 9.5 * step / 100 seconds, rounded as the tank computes it. */
inline float tankDecaySeconds(float decayStep) noexcept
{
    return 0.4f + 9.5f * decayStep / 100.0f;
}

/** The seconds the panel shows for a step (SEC display, curve readout, tooltips). */
inline float decaySecondsFor(float step) noexcept
{
    return std::fma(0.095f, step, 0.4f);
}

/** The step for seconds keyed in on the panel, limited to the scale; the parameter snaps it to a whole step. */
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
