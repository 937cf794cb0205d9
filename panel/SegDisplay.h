#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vorn_panel
{
/** A right-aligned, slanted seven-segment readout in green. Unlit segments show faintly, like a real tube.
    It draws no background: the window behind it belongs to the panel artwork. */
class SegDisplay : public juce::Component
{
public:
    SegDisplay();
    ~SegDisplay() override;

    void setText(const juce::String& newText);
    const juce::String& getText() const noexcept { return text; }

    /** The lit segments of a character (bit 0 = a … bit 6 = g), or -1 for a character that draws nothing. */
    static int segmentMask(juce::juce_wchar character) noexcept;

    void paint(juce::Graphics& g) override;

private:
    juce::String text;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SegDisplay)
};
} // namespace vorn_panel
