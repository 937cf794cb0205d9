#include "panel/Lamp.h"

#include "panel/AccessibleValue.h"
#include "panel/Palette.h"

#include <cmath>

namespace vorn_panel
{
namespace
{
// The glow reaches this share of the body's width beyond the body on every side.
constexpr float kGlowSpread = 0.35f;
} // namespace

Lamp::Lamp(int lampKind) : kind(lampKind)
{
    // The glow is wider than the lamp; clipped to the lamp's bounds it would show as a tinted square.
    setPaintingIsUnclipped(true);
}

Lamp::~Lamp() = default;

void Lamp::setOn(bool shouldBeOn)
{
    if (on != shouldBeOn)
    {
        on = shouldBeOn;
        repaintWithGlow();
    }
}

void Lamp::repaintWithGlow()
{
    auto* parent = getParentComponent();

    if (parent == nullptr)
    {
        repaint();
        return;
    }

    // The parent repaints the glow's whole area (which also repaints the lamp), so that no glow is left behind
    // beyond the lamp's bounds when it goes out.
    const auto spread = static_cast<int>(std::ceil(kGlowSpread * static_cast<float>(getWidth()))) + 1;
    parent->repaint(getBoundsInParent().expanded(spread));
}

std::unique_ptr<juce::AccessibilityHandler> Lamp::createAccessibilityHandler()
{
    auto value = std::make_unique<ReadOnlyAccessibleValue>([this] { return juce::String(on ? "on" : "off"); });
    return std::make_unique<juce::AccessibilityHandler>(*this, juce::AccessibilityRole::staticText,
                                                        juce::AccessibilityActions(),
                                                        juce::AccessibilityHandler::Interfaces{std::move(value)});
}

void Lamp::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const auto dw = juce::jmax(bounds.getWidth() - 2.0f, 0.0f);
    const auto dh = juce::jmax(bounds.getHeight() - 2.0f, 0.0f);

    if (dw <= 0.0f || dh <= 0.0f)
        return;

    const juce::Rectangle<float> body(bounds.getX() + 1.0f, bounds.getY() + 1.0f, dw, dh);
    const auto litColour = kind == 0 ? vorn::pal::kRed : vorn::pal::kGreen;
    const auto dimColour = kind == 0 ? vorn::pal::kRedDim : vorn::pal::kGreenDim;

    if (on)
    {
        g.setColour(litColour.withAlpha(0.3f));
        g.fillEllipse(body.getX() - kGlowSpread * dw, body.getY() - kGlowSpread * dw, dw + 2.0f * kGlowSpread * dw,
                      dh + 2.0f * kGlowSpread * dw);
    }

    g.setColour(on ? litColour : dimColour);
    g.fillEllipse(body);

    g.setColour(juce::Colours::white.withAlpha(on ? 0.55f : 0.12f));
    g.fillEllipse(body.getX() + 0.22f * dw, body.getY() + 0.18f * dh, 0.3f * dw, 0.26f * dh);

    g.setColour(juce::Colours::black.withAlpha(0.55f));
    g.drawEllipse(body, 1.0f);
}
} // namespace vorn_panel
