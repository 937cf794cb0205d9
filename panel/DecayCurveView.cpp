#include "panel/DecayCurveView.h"

#include "engine/EngineRecords.h"

#include "panel/Palette.h"
#include "panel/Type.h"

namespace vorn
{
namespace
{
// The crossover frequencies of the tank's low and high decay bands.
constexpr float kLowBandHz = 200.0f;
constexpr float kHighBandHz = 2500.0f;

constexpr int kReferencePoints = 60;
constexpr int kDeliveredPoints = 120;

/** a + 2 b (v - c): each segment is written around its left knot, b being half its rise per unit. */
float segment(float a, float b, float c, float v) noexcept
{
    return a + 2.0f * b * (v - c);
}

template <typename SecondsAt>
juce::Path curvePath(int points, juce::Rectangle<float> plot, const DecayCurveView::Times& times, SecondsAt secondsAt)
{
    juce::Path path;

    for (int i = 0; i <= points; ++i)
    {
        const auto hz = CurveBase::sampleHz(i, points);
        const auto x = CurveBase::xFor(hz, plot);
        const auto y = DecayCurveView::yFor(secondsAt(hz), times, plot);

        if (i == 0)
            path.startNewSubPath(x, y);
        else
            path.lineTo(x, y);
    }

    return path;
}
} // namespace

DecayCurveView::DecayCurveView(juce::AudioProcessorValueTreeState& state) : CurveBase(state) {}

DecayCurveView::~DecayCurveView() = default;

float DecayCurveView::lowFactor(float rtLow) noexcept
{
    if (rtLow <= 1.0f)
        return segment(0.52f, 0.49f, 0.5f, rtLow);

    if (rtLow <= 1.5f)
        return segment(1.01f, 0.679f, 1.0f, rtLow);

    return segment(1.689f, 0.563f, 1.5f, rtLow);
}

float DecayCurveView::highFactor(float rtHigh) noexcept
{
    if (rtHigh >= 1.0f)
        return 0.898f;

    if (rtHigh >= 0.5f)
        return 0.575f + 2.0f * 0.323f * (rtHigh - 0.5f);

    return 0.36f + 4.0f * 0.215f * (rtHigh - 0.25f);
}

DecayCurveView::Times DecayCurveView::timesFor(float decayStep, float rtLow, float rtHigh) noexcept
{
    const auto mid = tankDecaySeconds(decayStep); // what the tank delivers
    const auto low = mid * lowFactor(rtLow);
    const auto high = mid * highFactor(rtHigh);
    const auto longest = juce::jmax(low, mid, high);
    return {low, mid, high, juce::jmax(1.0f, 1.15f * longest)};
}

DecayCurveView::Times DecayCurveView::currentTimes() const
{
    return timesFor(valueOf("decay"), valueOf("rtLow"), valueOf("rtHigh"));
}

float DecayCurveView::referenceSeconds(float frequencyHz, float midSeconds) noexcept
{
    if (frequencyHz < kLowBandHz)
        return 1.63f * midSeconds;

    if (frequencyHz > kHighBandHz)
        return 0.62f * midSeconds;

    return midSeconds;
}

float DecayCurveView::deliveredSeconds(float frequencyHz, const Times& times) noexcept
{
    if (frequencyHz < kLowBandHz)
        return times.lowSeconds;

    if (frequencyHz > kHighBandHz)
        return times.highSeconds;

    return times.midSeconds;
}

float DecayCurveView::yFor(float seconds, const Times& times, juce::Rectangle<float> plot) noexcept
{
    return plot.getBottom() - plot.getHeight() * seconds / times.scaleSeconds;
}

juce::String DecayCurveView::readout(const Times& times)
{
    return juce::String(times.lowSeconds, 2) + " / " + juce::String(times.midSeconds, 2) + " / " +
           juce::String(times.highSeconds, 2) + " s";
}

void DecayCurveView::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    frame(g, bounds, "RT60 DELIVERED");

    const auto times = currentTimes();
    const auto plot = plotArea(bounds);

    // The scale follows the delivered times only, so a long reference bass runs off the top and is clipped there.
    g.setColour(pal::kLegend.withAlpha(0.3f));
    g.strokePath(
        curvePath(kReferencePoints, plot, times, [&times](float hz) { return referenceSeconds(hz, times.midSeconds); }),
        juce::PathStrokeType(3.5f));

    g.setColour(pal::kGreen);
    g.strokePath(curvePath(kDeliveredPoints, plot, times, [&times](float hz) { return deliveredSeconds(hz, times); }),
                 juce::PathStrokeType(1.6f));

    g.setFont(type::mono(8.5f, 400));
    g.setColour(pal::kLegend);
    g.drawText(readout(times), titleBox(bounds), juce::Justification::topRight);

    const auto d = juce::jmax(bounds.getHeight() - 40.0f, 0.0f);
    const auto e = juce::jmin(d, 12.0f);
    g.drawText("reference shape",
               juce::Rectangle<float>(bounds.getX() + 36.0f, bounds.getY() + 20.0f + d - e,
                                      juce::jmax(bounds.getWidth() - 72.0f, 0.0f), e),
               juce::Justification::bottomRight);
}
} // namespace vorn
