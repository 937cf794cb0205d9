#pragma once

#include "panel/DecayCurveView.h"
#include "panel/ToneCurveView.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>

namespace vorn
{
/** The pop-up with the live curves of the delivered reverberation time and of the send response. It has no timer
    of its own; each view repaints itself. */
class CurvePanel : public juce::Component
{
public:
    explicit CurvePanel(juce::AudioProcessorValueTreeState& state);
    ~CurvePanel() override;

    /** Called when the user asks to close the panel; the owner destroys it. */
    std::function<void()> onClose;

    DecayCurveView decayView;
    ToneCurveView toneView;
    juce::TextButton closeButton{"CLOSE"};

    void paint(juce::Graphics& g) override;
    void resized() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(CurvePanel)
};
} // namespace vorn
