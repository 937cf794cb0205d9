#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Hands the embedded IBM Plex faces to the framework; everything else is the framework's version-4 look. */
class VornLookAndFeel : public juce::LookAndFeel_V4
{
public:
    VornLookAndFeel() = default;
    ~VornLookAndFeel() override;

    /** The embedded face for the two Plex families, the framework's resolution for any other font. */
    juce::Typeface::Ptr getTypefaceForFont(const juce::Font& font) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VornLookAndFeel)
};
