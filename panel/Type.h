#pragma once

#include <juce_graphics/juce_graphics.h>

/** The panel's two type families, IBM Plex Mono and IBM Plex Sans, and the letter-spacing helper. */
namespace vorn::type
{
/** IBM Plex Mono at the given height: Medium above weight 499, Regular otherwise. */
juce::Font mono(float size, int weight);

/** IBM Plex Sans at the given height: Light up to weight 300, Medium above. */
juce::Font sans(float size, int weight);

/** The text with a thin space (U+2009) between each two neighbouring characters, for widely set titles. */
juce::String tracked(const juce::String& text);
} // namespace vorn::type
