#include "panel/ToneCurveView.h"

#include "panel/Palette.h"
#include "panel/Type.h"

#include <cmath>

namespace vorn
{
namespace
{
constexpr int kPoints = 160;
constexpr float kShelfHz = 250.0f; // the shelf is halved here
constexpr float kTopDb = 12.0f;
constexpr float kBottomDb = -24.0f;
constexpr float kDbPerPlotHeight = 24.0f;
} // namespace

ToneCurveView::ToneCurveView(juce::AudioProcessorValueTreeState& state) : CurveBase(state) {}

ToneCurveView::~ToneCurveView() = default;

float ToneCurveView::responseDb(float frequencyHz, float lowCutHz, float highCutHz, float lowTiltDb) noexcept
{
    const auto f = frequencyHz;
    const auto hc = juce::jmax(highCutHz, kLowestHighCutHz);
    const auto shelf = lowTiltDb / ((f / kShelfHz) * (f / kShelfHz) + 1.0f);
    const auto lowPass = -10.0f * std::log10((f / hc) * (f / hc) + 1.0f);

    // A missing "lowCut" reads as 0 Hz, which would make the high-pass term 0/0; no corner means no high-pass.
    if (!(lowCutHz > 0.0f))
        return shelf + lowPass;

    const auto u = f / lowCutHz;
    const auto highPass = 20.0f * std::log10(u / std::sqrt(u * u + 1.0f));
    return shelf + highPass + lowPass;
}

float ToneCurveView::yFor(float levelDb, juce::Rectangle<float> plot) noexcept
{
    const auto middle = plot.getY() + plot.getHeight() / 2.0f;
    const auto limited = levelDb > kTopDb ? kTopDb : (levelDb > kBottomDb ? levelDb : kBottomDb);
    return middle - plot.getHeight() * limited / kDbPerPlotHeight;
}

juce::String ToneCurveView::readout(float lowCutHz, float highCutHz)
{
    const auto drawnHighCutHz = juce::jmax(highCutHz, kLowestHighCutHz);
    return juce::String(lowCutHz, 0) + " Hz - " + juce::String(drawnHighCutHz / 1000.0f, 1) + " kHz";
}

void ToneCurveView::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    frame(g, bounds, "SEND RESPONSE");

    const auto lowCut = valueOf("lowCut");
    const auto highCut = valueOf("highCut");
    const auto lowTilt = valueOf("lowTilt");
    const auto plot = plotArea(bounds);

    g.setColour(pal::kLine.withAlpha(0.6f));
    g.drawHorizontalLine(static_cast<int>(plot.getY() + plot.getHeight() / 2.0f), plot.getX(), plot.getRight());

    // Levels below the scale sit half a plot height under it, outside the view, where the view's edge clips them.
    juce::Path response;

    for (int i = 0; i <= kPoints; ++i)
    {
        const auto hz = sampleHz(i, kPoints);
        const auto x = xFor(hz, plot);
        const auto y = yFor(responseDb(hz, lowCut, highCut, lowTilt), plot);

        if (i == 0)
            response.startNewSubPath(x, y);
        else
            response.lineTo(x, y);
    }

    g.setColour(pal::kGreen);
    g.strokePath(response, juce::PathStrokeType(1.6f));

    g.setFont(type::mono(8.5f, 400));
    g.setColour(pal::kLegend);
    g.drawText(readout(lowCut, highCut), titleBox(bounds), juce::Justification::topRight);
}
} // namespace vorn
