#include "panel/PeakMeter.h"

#include "panel/Palette.h"
#include "panel/Type.h"

namespace vorn
{
namespace
{
constexpr float kFloorDb = -54.0f;
constexpr float kCeilingDb = 6.0f;
constexpr int kRefreshHz = 24;
// Ticks at -18, -6 and 0 dB, as shares of the 60 dB scale.
constexpr float kTickShares[] = {0.6f, 0.8f, 0.9f};

/** The level limited to the scale; a NaN (which fails every comparison) reads as the floor. */
float limitToScale(float levelDb) noexcept
{
    return levelDb > kCeilingDb ? kCeilingDb : (levelDb > kFloorDb ? levelDb : kFloorDb);
}
} // namespace

PeakMeter::PeakMeter(const std::atomic<float>* levelDb, juce::String caption)
    : level(levelDb), label(std::move(caption))
{
    startTimerHz(kRefreshHz);
}

PeakMeter::~PeakMeter() = default;

juce::Colour PeakMeter::barColour(float levelDb) noexcept
{
    const auto l = limitToScale(levelDb);

    if (l > -1.5f)
        return pal::kRed;

    return l > -6.0f ? pal::kAmber : pal::kGreen;
}

juce::Rectangle<float> PeakMeter::barBounds(juce::Rectangle<float> trough, float levelDb) noexcept
{
    const auto l = limitToScale(levelDb);
    const auto share = (l - kFloorDb) / (kCeilingDb - kFloorDb);
    return {trough.getX() + 1.5f, trough.getY() + 1.5f, juce::jmax((trough.getWidth() - 3.0f) * share, 0.0f),
            juce::jmax(trough.getHeight() - 3.0f, 0.0f)};
}

void PeakMeter::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds();
    const auto x = bounds.getX(), y = bounds.getY(), w = bounds.getWidth(), h = bounds.getHeight();
    const auto cw = juce::jmin(w, 24);

    g.setFont(type::mono(8.5f, 400));
    g.setColour(pal::kLegend);
    g.drawText(label, x, y, cw, h, juce::Justification::centredLeft);

    const juce::Rectangle<float> trough(static_cast<float>(x + cw), static_cast<float>(y + 1),
                                        static_cast<float>(juce::jmax(w - cw, 0)),
                                        static_cast<float>(juce::jmax(h - 2, 0)));
    g.setColour(pal::kWindow);
    g.fillRoundedRectangle(trough, 2.0f);
    g.setColour(pal::kLine);
    g.drawRoundedRectangle(trough, 2.0f, 1.0f);

    g.setColour(pal::kLine.withAlpha(0.75f));
    for (const auto share : kTickShares)
    {
        const auto tx = trough.getX() + 1.5f + (trough.getWidth() - 3.0f) * share;
        g.drawLine(tx, trough.getY() + 1.0f, tx, trough.getBottom() - 1.0f, 0.6f);
    }

    const auto db = level != nullptr ? level->load(std::memory_order_relaxed) : kFloorDb;
    g.setColour(barColour(db));
    g.fillRoundedRectangle(barBounds(trough, db), 1.5f);
}

void PeakMeter::timerCallback()
{
    repaint();
}
} // namespace vorn
