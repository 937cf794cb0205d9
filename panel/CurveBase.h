#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace vorn
{
/** The common ground of the two live plots: the parameter store they read, the 12 Hz repaint that makes them follow
    edits, automation and program changes without notification, and the frame, title and frequency grid.

    Frequency runs logarithmically over the three decades from 20 Hz to 20 kHz. */
class CurveBase : public juce::Component, private juce::Timer
{
public:
    explicit CurveBase(juce::AudioProcessorValueTreeState& state);
    ~CurveBase() override;

    static constexpr int kRefreshHz = 12;
    static constexpr float kLowestHz = 20.0f;
    static constexpr float kHighestHz = 20000.0f;

    /** The plot area of a view with the given bounds: inset 34 left and right, 22 top and bottom. */
    static juce::Rectangle<float> plotArea(juce::Rectangle<float> bounds) noexcept;

    /** The x position of a frequency on the plot; frequencies are limited to 20 Hz ... 20 kHz first. */
    static float xFor(float frequencyHz, juce::Rectangle<float> plot) noexcept;

    /** Sample i of n along the axis: 20 Hz at i = 0 up to 20 kHz at i = n. */
    static float sampleHz(int i, int n) noexcept;

    /** Draws the plot frame, the widely set title and the grid at 100 Hz, 1 kHz and 10 kHz. */
    void frame(juce::Graphics& g, juce::Rectangle<float> r, const char* title) const;

protected:
    /** A parameter's value in real units; an identifier that finds no parameter reads as 0. */
    float valueOf(const char* parameterId) const;

    /** The box the title sits in, which the views share with their readouts. */
    static juce::Rectangle<float> titleBox(juce::Rectangle<float> r) noexcept;

    juce::AudioProcessorValueTreeState& apvts;

private:
    void timerCallback() override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(CurveBase)
};
} // namespace vorn
