#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vorn_panel
{
/** A round indicator lamp: red for kind 0, green for any other kind. */
class Lamp : public juce::Component, public juce::SettableTooltipClient
{
public:
    explicit Lamp(int lampKind = 1);
    ~Lamp() override;

    void setOn(bool shouldBeOn);
    bool isOn() const noexcept { return on; }
    int getKind() const noexcept { return kind; }

    void paint(juce::Graphics& g) override;

    /** An indicator for screen readers: its title is the component's, its value "on" or "off". */
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

private:
    int kind;
    bool on = false;

    void repaintWithGlow();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(Lamp)
};
} // namespace vorn_panel
