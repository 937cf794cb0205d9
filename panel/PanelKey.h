#pragma once

#include "panel/KeyClass.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vorn_panel
{
/** A push key of the front panel: one or two legend lines, a corner legend, an optional LED and an accent
    stripe. Besides being clicked it can be dragged, which reports whole steps through onDrag. */
class PanelKey : public juce::Button
{
public:
    PanelKey();
    ~PanelKey() override;

    /** Receives whole, non-zero drag steps, positive up or to the right; while empty the key cannot be dragged. */
    std::function<void(float)> onDrag;

    void setKeyClass(KeyClass newClass);
    void setLed(bool shouldBeLit);
    void setGated(bool shouldBeGated);
    void setLines(const juce::String& first, const juce::String& second);
    void setCornerText(const juce::String& newText);

    /** Fits an LED to a key whose class has none, for a key that must show a state of its own. */
    void setLedFitted(bool shouldHaveLed);

    /** True when the key shows an LED, lit or not: by its class or fitted. */
    bool hasLed() const noexcept;

    /** What a screen reader reads as the key's value; while empty, the LED's state for keys with one. */
    std::function<juce::String()> describeValue;

    /** The key's value as a screen reader reads it. */
    juce::String accessibleValue() const;

    /** A button for screen readers, titled by the key's title or else its legends, with a value and a press. */
    std::unique_ptr<juce::AccessibilityHandler> createAccessibilityHandler() override;

    KeyClass getKeyClass() const noexcept { return keyClass; }
    bool isLedOn() const noexcept { return led; }
    bool isGated() const noexcept { return gated; }
    const juce::String& getLine1() const noexcept { return line1; }
    const juce::String& getLine2() const noexcept { return line2; }
    const juce::String& getCornerText() const noexcept { return cornerText; }

    /** The LED's box for a key of these bounds: at the left of low keys, at the top right of tall ones. */
    static juce::Rectangle<float> ledBounds(juce::Rectangle<float> keyBounds) noexcept;

    /** Height of the corner legend's font for a key this tall. */
    static float cornerFontSize(int keyHeight) noexcept;

    /** Height of the legend font for a key this tall, with one line or two. */
    static float legendFontSize(float keyHeight, bool twoLines) noexcept;

    void mouseDown(const juce::MouseEvent& e) override;
    void mouseDrag(const juce::MouseEvent& e) override;
    void mouseUp(const juce::MouseEvent& e) override;

protected:
    void paintButton(juce::Graphics& g, bool highlighted, bool down) override;

private:
    KeyClass keyClass = KeyClass::digit;
    bool led = false;
    bool gated = false;
    bool ledFitted = false;
    juce::String line1;
    juce::String line2;
    juce::String cornerText;
    juce::Point<int> dragStart;
    juce::Point<int> dragLast;
    bool dragging = false;
    float dragAccum = 0.0f;

    void paintLegends(juce::Graphics& g, juce::Rectangle<float> bounds);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PanelKey)
};
} // namespace vorn_panel
