#pragma once

#include <juce_graphics/juce_graphics.h>

namespace vorn
{
/** The embedded typeface whose resource matches the font's family and style, or null when none does.
    Matching ignores letter case, spaces, hyphens and underscores on both sides. */
juce::Typeface::Ptr findEmbeddedTypeface(const juce::Font& font);
} // namespace vorn
