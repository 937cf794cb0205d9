#pragma once

namespace vorn
{

constexpr int kNumFactoryKeys = 35;
constexpr int kNumFactoryPresets = 46;

/** One factory program: a complete setting of the parameter set, in the order of kFactoryKeys. */
struct FactoryPreset
{
    const char* name;
    const char* category;
    float values[kNumFactoryKeys]; // real units; switches as 0 or 1, choices as their index
};

/** The keys a factory program stores, in table order. "distance" and "height" name no parameter
    (the programs come from a unit that had them) and are passed over when a program loads. */
extern const char* const kFactoryKeys[kNumFactoryKeys];

/** The 46 factory programs; a program's position is its factory index. */
extern const FactoryPreset kFactoryPresets[kNumFactoryPresets];

} // namespace vorn
