#include "panel/VornLookAndFeel.h"

#include "panel/EmbeddedTypeface.h"

VornLookAndFeel::~VornLookAndFeel() = default;

juce::Typeface::Ptr VornLookAndFeel::getTypefaceForFont(const juce::Font& font)
{
    if (auto embedded = vorn::findEmbeddedTypeface(font))
        return embedded;

    return juce::LookAndFeel::getTypefaceForFont(font);
}
