#pragma once

#include <juce_graphics/juce_graphics.h>

/** The panel's colours. Derived entries are computed once, at start-up, from their base colour. */
namespace vorn::pal
{
extern const juce::Colour kPanel;
extern const juce::Colour kPanelRaised;
extern const juce::Colour kButtonFace;
extern const juce::Colour kKeyFace;
extern const juce::Colour kWindow;
extern const juce::Colour kLine;
extern const juce::Colour kLegend;
extern const juce::Colour kInk;
extern const juce::Colour kGreen;
extern const juce::Colour kGreenDim;
extern const juce::Colour kRed;
extern const juce::Colour kRedDim;
extern const juce::Colour kAmber;
extern const juce::Colour kSlate;
extern const juce::Colour kTeal;
extern const juce::Colour kViolet;
extern const juce::Colour kField;
extern const juce::Colour kFieldLine;
extern const juce::Colour kText;
} // namespace vorn::pal
