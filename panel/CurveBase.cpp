#include "panel/CurveBase.h"

#include "panel/Palette.h"
#include "panel/Type.h"

#include <cmath>

namespace vorn
{
namespace
{
struct GridLine
{
    float hz;
    const char* label;
};

constexpr GridLine kGrid[] = {{100.0f, "100"}, {1000.0f, "1k"}, {10000.0f, "10k"}};
constexpr float kDecades = 3.0f;
} // namespace

CurveBase::CurveBase(juce::AudioProcessorValueTreeState& state) : apvts(state)
{
    startTimerHz(kRefreshHz);
}

CurveBase::~CurveBase() = default;

juce::Rectangle<float> CurveBase::plotArea(juce::Rectangle<float> bounds) noexcept
{
    return {bounds.getX() + 34.0f, bounds.getY() + 22.0f, juce::jmax(bounds.getWidth() - 68.0f, 0.0f),
            juce::jmax(bounds.getHeight() - 44.0f, 0.0f)};
}

float CurveBase::xFor(float frequencyHz, juce::Rectangle<float> plot) noexcept
{
    // Written so that a NaN lands on the low end rather than off the plot.
    const auto f = frequencyHz > kHighestHz ? kHighestHz : (frequencyHz > kLowestHz ? frequencyHz : kLowestHz);
    return plot.getX() + plot.getWidth() * std::log10(f / kLowestHz) / kDecades;
}

float CurveBase::sampleHz(int i, int n) noexcept
{
    return kLowestHz * std::pow(kHighestHz / kLowestHz, static_cast<float>(i) / static_cast<float>(n));
}

juce::Rectangle<float> CurveBase::titleBox(juce::Rectangle<float> r) noexcept
{
    return {r.getX() + 10.0f, r.getY() + 7.0f, juce::jmax(r.getWidth() - 20.0f, 0.0f),
            juce::jmin(juce::jmax(r.getHeight() - 14.0f, 0.0f), 12.0f)};
}

void CurveBase::frame(juce::Graphics& g, juce::Rectangle<float> r, const char* title) const
{
    const auto x = r.getX(), y = r.getY(), w = r.getWidth(), h = r.getHeight();

    g.setColour(pal::kWindow);
    g.fillRoundedRectangle(r, 4.0f);
    g.setColour(pal::kLine);
    g.drawRoundedRectangle(x + 0.5f, y + 0.5f, juce::jmax(w - 1.0f, 0.0f), juce::jmax(h - 1.0f, 0.0f), 4.0f, 1.0f);

    g.setFont(type::mono(11.0f, 400));
    g.setColour(pal::kGreen);
    g.drawText(type::tracked(title), titleBox(r), juce::Justification::topLeft);

    const auto plot = plotArea(r);
    const auto labelTop = static_cast<float>(static_cast<int>(y + h) - 15);
    g.setFont(type::mono(8.5f, 400));

    for (const auto& line : kGrid)
    {
        const auto gx = static_cast<int>(xFor(line.hz, plot));

        g.setColour(pal::kLine.withAlpha(0.55f));
        g.drawVerticalLine(gx, y + 20.0f, y + h - 16.0f);

        g.setColour(pal::kLegend);
        g.drawText(line.label, juce::Rectangle<float>(static_cast<float>(gx - 14), labelTop, 28.0f, 12.0f),
                   juce::Justification::centred);
    }
}

float CurveBase::valueOf(const char* parameterId) const
{
    if (auto* parameter = apvts.getParameter(parameterId))
        return parameter->convertFrom0to1(parameter->getValue());

    return 0.0f;
}

void CurveBase::timerCallback()
{
    repaint();
}
} // namespace vorn
