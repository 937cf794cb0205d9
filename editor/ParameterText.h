#pragma once

#include "engine/ParameterTable.h"

#include <juce_core/juce_core.h>

namespace vorn
{
/** Decimals that show a parameter's step: none for whole steps, one for tenths, two for finer or continuous. */
int decimalsFor(const ParameterInfo& info) noexcept;

/** A number with `decimals` decimals at most and no trailing zeros: 0.6, 0.05, 255. */
juce::String plainNumber(float value, int decimals);

/** The range as the unit prints it in a key's corner: "0-255", "0-0.9". */
juce::String rangeLegend(const ParameterInfo& info);

/** The range in words with its unit, as the panel shows values: "0 to 255 ms", the reverb time in seconds. */
juce::String rangeInWords(const ParameterInfo& info);

/** A value as the panel shows it, with its unit: the reverb time in seconds, others with their step's decimals. */
juce::String valueWithUnit(const ParameterInfo& info, float value);
} // namespace vorn
