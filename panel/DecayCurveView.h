#pragma once

#include "panel/CurveBase.h"

namespace vorn
{
/** "RT60 DELIVERED": the reverberation time over frequency that the decay settings give, against the reference
    shape of a natural room (long in the bass, short in the treble). */
class DecayCurveView : public CurveBase
{
public:
    explicit DecayCurveView(juce::AudioProcessorValueTreeState& state);
    ~DecayCurveView() override;

    /** The three times the settings deliver and the top of the vertical scale, all in seconds. */
    struct Times
    {
        float lowSeconds;  // below 200 Hz
        float midSeconds;  // the "decay" time
        float highSeconds; // above 2500 Hz
        float scaleSeconds;
    };

    /** Low-band multiplier for "rtLow" (0.5 ... 2), piecewise linear through (0.5, 0.52), (1, 1.01), (1.5, 1.689)
        and (2, 2.252). */
    static float lowFactor(float rtLow) noexcept;

    /** High-band multiplier for "rtHigh" (0.25 ... 1), through (0.25, 0.36), (0.5, 0.575) and (1, 0.898). */
    static float highFactor(float rtHigh) noexcept;

    /** The times for a "decay" step (0 ... 100) and the two range settings; the scale leaves 15 % headroom above
        the longest time and never drops below 1 s. */
    static Times timesFor(float decayStep, float rtLow, float rtHigh) noexcept;

    /** The times the current parameter values give. */
    Times currentTimes() const;

    /** The reference shape at a frequency for a mid-band time: 1.63 times longer below 200 Hz, 0.62 times above
        2500 Hz. */
    static float referenceSeconds(float frequencyHz, float midSeconds) noexcept;

    /** The delivered time at a frequency. */
    static float deliveredSeconds(float frequencyHz, const Times& times) noexcept;

    /** The y position of a time on a plot whose top edge is the scale's top. */
    static float yFor(float seconds, const Times& times, juce::Rectangle<float> plot) noexcept;

    /** "low / mid / high s", each with two decimals. */
    static juce::String readout(const Times& times);

    void paint(juce::Graphics& g) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DecayCurveView)
};
} // namespace vorn
