#pragma once

#include "panel/CurveBase.h"

namespace vorn
{
/** "SEND RESPONSE": the level response of the input filters over frequency, a first-order high-pass at "lowCut",
    a first-order low-pass at "highCut" and a low shelf of "lowTilt" dB. */
class ToneCurveView : public CurveBase
{
public:
    explicit ToneCurveView(juce::AudioProcessorValueTreeState& state);
    ~ToneCurveView() override;

    /** The low-pass never sits below this, whatever "highCut" says (its default, -1, included). */
    static constexpr float kLowestHighCutHz = 200.0f;

    /** The response in dB at a frequency for the raw "lowCut", "highCut" and "lowTilt" values. */
    static float responseDb(float frequencyHz, float lowCutHz, float highCutHz, float lowTiltDb) noexcept;

    /** The y position of a level: 0 dB mid-plot, 24 dB per plot height, levels limited to -24 ... +12 dB. */
    static float yFor(float levelDb, juce::Rectangle<float> plot) noexcept;

    /** "<lowCut> Hz - <highCut / 1000> kHz": the corner the curve is drawn with, so "highCut" below the lowest
        corner (its default, -1, included) reads as that corner rather than as a negative frequency. */
    static juce::String readout(float lowCutHz, float highCutHz);

    void paint(juce::Graphics& g) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ToneCurveView)
};
} // namespace vorn
