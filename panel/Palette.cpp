#include "panel/Palette.h"

namespace vorn::pal
{
// Defined in one translation unit, in dependency order, so every derived entry sees its base initialised.
const juce::Colour kPanel{0xff080a0a};
const juce::Colour kPanelRaised = kPanel.brighter(0.03f);
const juce::Colour kButtonFace = kPanel.brighter(0.055f);
const juce::Colour kKeyFace = kPanel.brighter(0.075f);
const juce::Colour kWindow = kPanel.darker(0.3f);
const juce::Colour kLine{0xff606060};
const juce::Colour kLegend{0xff8e8e8e};
const juce::Colour kInk{0xffe8eaea};
const juce::Colour kGreen{0xff20ea73};
const juce::Colour kGreenDim = kGreen.withMultipliedBrightness(0.18f);
const juce::Colour kRed{0xffff6b5a};
const juce::Colour kRedDim = kRed.withMultipliedBrightness(0.22f);
const juce::Colour kAmber{0xffffb454};
const juce::Colour kSlate{0xff8fa3a8};
const juce::Colour kTeal{0xff5fd4c4};
const juce::Colour kViolet{0xffb18cff};
const juce::Colour kField{0xff121616};
const juce::Colour kFieldLine{0xff1e2222};
const juce::Colour kText{0xfff2f2f3};
} // namespace vorn::pal
