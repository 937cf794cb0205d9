#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>

namespace vorn
{
/** A captioned horizontal level bar from -54 dB (empty) to +6 dB (full), redrawn 24 times a second from a level
    that the audio thread keeps up to date. */
class PeakMeter : public juce::Component, public juce::SettableTooltipClient, private juce::Timer
{
public:
    /** The level must outlive the meter; the processor that owns it outlives every editor. */
    PeakMeter(const std::atomic<float>* levelDb, juce::String caption);
    ~PeakMeter() override;

    /** Bar colour for a level: red above -1.5 dB, amber above -6 dB, green otherwise. */
    static juce::Colour barColour(float levelDb) noexcept;

    /** The bar drawn inside a trough for a level, limited to the scale. */
    static juce::Rectangle<float> barBounds(juce::Rectangle<float> trough, float levelDb) noexcept;

    void paint(juce::Graphics& g) override;

private:
    const std::atomic<float>* level;
    juce::String label;

    void timerCallback() override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PeakMeter)
};
} // namespace vorn
