#pragma once

#include "engine/EngineRecords.h"

namespace vorn
{

/** 32-bit FNV-1a over the UTF-8 bytes of text. */
juce::uint32 fnv1a(const juce::String& text);

/** The mulberry32 mixing function: a well-spread 32-bit number from a 32-bit state. */
juce::uint32 mulberry32(juce::uint32 state) noexcept;

/** The record a unit hash stands for: its hex id, two deviations and the modulation-rate trim. */
CircuitDna dnaFromHash(juce::uint32 hash);

/** The circuit DNA derived from a unit id. */
CircuitDna deriveDna(const juce::String& unitId);

} // namespace vorn
