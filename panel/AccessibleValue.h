#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vorn_panel
{
/** A value that a screen reader reads and cannot change: asked for afresh each time, so it is never stale. */
class ReadOnlyAccessibleValue : public juce::AccessibilityTextValueInterface
{
public:
    explicit ReadOnlyAccessibleValue(std::function<juce::String()> readValue) : read(std::move(readValue)) {}

    bool isReadOnly() const override { return true; }
    juce::String getCurrentValueAsString() const override { return read != nullptr ? read() : juce::String(); }
    void setValueAsString(const juce::String&) override {}

private:
    std::function<juce::String()> read;
};
} // namespace vorn_panel
