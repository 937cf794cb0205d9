#include "panel/CurvePanel.h"

#include "panel/Palette.h"

namespace vorn
{
CurvePanel::CurvePanel(juce::AudioProcessorValueTreeState& state) : decayView(state), toneView(state)
{
    closeButton.setColour(juce::TextButton::buttonColourId, pal::kButtonFace);
    closeButton.setColour(juce::TextButton::textColourOffId, pal::kInk);
    closeButton.setColour(juce::TextButton::textColourOnId, pal::kInk);

    // The owner destroys the panel from inside onClose, so the callback is copied first and nothing of the panel
    // is touched after it.
    closeButton.onClick = [this]
    {
        if (auto close = onClose)
            close();
    };

    addAndMakeVisible(decayView);
    addAndMakeVisible(toneView);
    addAndMakeVisible(closeButton);
}

CurvePanel::~CurvePanel() = default;

void CurvePanel::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();

    g.setColour(pal::kPanel.withAlpha(0.98f));
    g.fillRoundedRectangle(bounds, 6.0f);
    g.setColour(pal::kLine);
    g.drawRoundedRectangle(bounds.reduced(0.5f), 6.0f, 1.0f);
}

void CurvePanel::resized()
{
    auto area = getLocalBounds().reduced(16); // never negative

    auto strip = area.removeFromBottom(juce::jmin(area.getHeight(), 28));
    closeButton.setBounds(strip.removeFromRight(juce::jmin(strip.getWidth(), 88)));

    decayView.setBounds(area.removeFromTop(juce::jmax(area.getHeight() / 2 - 4, 0)));
    area.removeFromTop(juce::jmin(8, area.getHeight()));
    toneView.setBounds(area);
}
} // namespace vorn
