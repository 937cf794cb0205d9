#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vorn_panel
{
/** A right-aligned, slanted seven-segment readout in green. Unlit segments show faintly, like a real tube.
    It draws no background: the window behind it belongs to the panel artwork. */
class SegDisplay : public juce::Component, public juce::SettableTooltipClient
{
public:
    SegDisplay();
    ~SegDisplay() override;

    void setText(const juce::String& newText);
    const juce::String& getText() const noexcept { return text; }

    /** Digits keyed in but not yet entered light in amber, so they cannot be taken for a stored value. */
    void setPending(bool isPending);
    bool isPending() const noexcept { return pending; }

    /** The width a text takes in a display of this height: digit cells, and narrower cells for points. */
    static float textWidth(const juce::String& text, float height) noexcept;

    /** True when the whole text fits; a text that does not would lose its leftmost characters. */
    bool canShow(const juce::String& candidate) const noexcept;

    /** The lit segments of a character (bit 0 = a … bit 6 = g), or -1 for a character that draws nothing. */
    static int segmentMask(juce::juce_wchar character) noexcept;

    void paint(juce::Graphics& g) override;

    /** A read-only text for screen readers: its title is the component's, its value the text shown. */
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

private:
    juce::String text;
    bool pending = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SegDisplay)
};
} // namespace vorn_panel
