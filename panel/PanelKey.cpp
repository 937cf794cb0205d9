#include "panel/PanelKey.h"

#include "panel/AccessibleValue.h"
#include "panel/Palette.h"
#include "panel/Type.h"

#include <cmath>

namespace vorn_panel
{
namespace
{
// Keys lower than this carry their LED at the left and the smallest corner legend.
constexpr float kTallKeyHeight = 48.0f;
// Pointer travel (px) that still counts as a wobble of a click rather than a drag.
constexpr int kDragThreshold = 2;
constexpr float kPixelsPerStep = 8.0f;
constexpr float kPixelsPerFineStep = 32.0f;

// A gated key's grey legends stay readable on a face that hovers only this much brighter.
constexpr float kHoverBrightening = 0.35f;
constexpr float kGatedHoverBrightening = 0.08f;
// A gated key that is selected shows a half-lit LED without glow: selected, but out of use in this mode.
constexpr float kGatedLedAlpha = 0.45f;

/** The corner legend's strip height; its font is one unit smaller. */
int cornerLegendSize(int keyHeight) noexcept
{
    return static_cast<float>(keyHeight) < kTallKeyHeight ? 8 : juce::jmin(keyHeight / 6, 12);
}
} // namespace

PanelKey::PanelKey() : juce::Button({})
{
    setWantsKeyboardFocus(false);
    setMouseClickGrabsKeyboardFocus(false);
}

PanelKey::~PanelKey() = default;

void PanelKey::setKeyClass(KeyClass newClass)
{
    if (keyClass != newClass)
    {
        keyClass = newClass;
        repaint();
    }
}

void PanelKey::setLed(bool shouldBeLit)
{
    if (led != shouldBeLit)
    {
        led = shouldBeLit;
        repaint();
    }
}

void PanelKey::setGated(bool shouldBeGated)
{
    if (gated != shouldBeGated)
    {
        gated = shouldBeGated;
        repaint();
    }
}

void PanelKey::setLines(const juce::String& first, const juce::String& second)
{
    if (first != line1 || second != line2)
    {
        line1 = first;
        line2 = second;
        repaint();
    }
}

void PanelKey::setCornerText(const juce::String& newText)
{
    if (newText != cornerText)
    {
        cornerText = newText;
        repaint();
    }
}

void PanelKey::setLedFitted(bool shouldHaveLed)
{
    if (ledFitted != shouldHaveLed)
    {
        ledFitted = shouldHaveLed;
        repaint();
    }
}

bool PanelKey::hasLed() const noexcept
{
    return ledFitted || keyClassHasLed(keyClass);
}

juce::String PanelKey::accessibleValue() const
{
    if (describeValue != nullptr)
        return describeValue();

    return hasLed() ? juce::String(led ? "lit" : "unlit") : juce::String();
}

namespace
{
class PanelKeyAccessibility : public juce::AccessibilityHandler
{
public:
    explicit PanelKeyAccessibility(PanelKey& keyToWrap)
        : juce::AccessibilityHandler(keyToWrap,
                                     keyToWrap.getClickingTogglesState() ? juce::AccessibilityRole::toggleButton
                                                                         : juce::AccessibilityRole::button,
                                     juce::AccessibilityActions().addAction(juce::AccessibilityActionType::press,
                                                                            [&keyToWrap] { keyToWrap.triggerClick(); }),
                                     Interfaces{std::make_unique<ReadOnlyAccessibleValue>(
                                         [&keyToWrap] { return keyToWrap.accessibleValue(); })})
        , key(keyToWrap)
    {
    }

    juce::String getTitle() const override
    {
        if (key.getTitle().isNotEmpty())
            return key.getTitle();

        return (key.getLine1() + " " + key.getLine2()).trim();
    }

    juce::String getHelp() const override { return key.getTooltip(); }

    juce::AccessibleState getCurrentState() const override
    {
        auto state = AccessibilityHandler::getCurrentState();

        if (key.getClickingTogglesState())
        {
            state = state.withCheckable();

            if (key.getToggleState())
                state = state.withChecked();
        }

        return state;
    }

private:
    PanelKey& key;
};
} // namespace

std::unique_ptr<juce::AccessibilityHandler> PanelKey::createAccessibilityHandler()
{
    return std::make_unique<PanelKeyAccessibility>(*this);
}

juce::Rectangle<float> PanelKey::ledBounds(juce::Rectangle<float> keyBounds) noexcept
{
    const auto h = keyBounds.getHeight();
    const auto c = juce::jlimit(6.0f, 10.0f, 0.16f * h);

    if (h < kTallKeyHeight)
        return {keyBounds.getX() + 6.0f, keyBounds.getY() + h / 2.0f - c / 2.0f, c, c};

    return {keyBounds.getRight() - c - 6.0f, keyBounds.getY() + 5.0f, c, c};
}

float PanelKey::cornerFontSize(int keyHeight) noexcept
{
    return static_cast<float>(cornerLegendSize(keyHeight) - 1);
}

float PanelKey::legendFontSize(float keyHeight, bool twoLines) noexcept
{
    return twoLines ? juce::jlimit(8.0f, 12.0f, 0.20f * keyHeight) : juce::jlimit(8.0f, 13.0f, 0.26f * keyHeight);
}

void PanelKey::mouseDown(const juce::MouseEvent& e)
{
    dragStart = e.getPosition();
    dragLast = dragStart;
    dragging = false;
    dragAccum = 0.0f;
    juce::Button::mouseDown(e);
}

void PanelKey::mouseDrag(const juce::MouseEvent& e)
{
    if (!onDrag || gated)
    {
        juce::Button::mouseDrag(e);
        return;
    }

    const auto p = e.getPosition();

    if (!dragging)
    {
        if (std::abs(p.x - dragStart.x) <= kDragThreshold && std::abs(p.y - dragStart.y) <= kDragThreshold)
            return;

        dragging = true;
    }

    const int dx = p.x - dragLast.x;
    const int dy = dragLast.y - p.y; // upwards counts positive
    dragLast = p;

    const int d = std::abs(dx) < std::abs(dy) ? dy : dx;
    dragAccum += static_cast<float>(d) / (e.mods.isShiftDown() ? kPixelsPerFineStep : kPixelsPerStep);

    if (const auto steps = std::trunc(dragAccum); steps != 0.0f)
    {
        dragAccum -= steps;
        onDrag(steps);
    }
}

void PanelKey::mouseUp(const juce::MouseEvent& e)
{
    if (dragging)
    {
        // A drag never clicks; the key is shown released at once instead of waiting for the next press.
        dragging = false;
        setState(isMouseOver() ? buttonOver : buttonNormal);
        return;
    }

    juce::Button::mouseUp(e);
}

void PanelKey::paintButton(juce::Graphics& g, bool highlighted, bool down)
{
    const auto bounds = getLocalBounds().toFloat();
    const auto x = bounds.getX(), y = bounds.getY(), w = bounds.getWidth(), h = bounds.getHeight();

    if (w < 1.0f || h < 1.0f)
        return;

    const auto r = juce::jmin(0.16f * h, 6.0f);

    auto face = vorn::pal::kKeyFace;
    if (down)
        face = face.darker(0.2f);
    else if (highlighted)
        face = face.brighter(gated ? kGatedHoverBrightening : kHoverBrightening);

    g.setColour(face);
    g.fillRoundedRectangle(x, y, w, h, r);

    if (!down)
    {
        g.setGradientFill(juce::ColourGradient(juce::Colours::white.withAlpha(0.055f), x + w / 2.0f, y,
                                               juce::Colours::transparentWhite, x + w / 2.0f, y + 0.42f * h, false));
        g.fillRoundedRectangle(x, y, w, 0.42f * h, r);
    }

    g.setColour(vorn::pal::kLine);
    g.drawRoundedRectangle(x + 0.5f, y + 0.5f, juce::jmax(w - 1.0f, 0.0f), juce::jmax(h - 1.0f, 0.0f), r, 1.0f);

    if (!gated)
    {
        g.setColour(keyClassStripe(keyClass).withAlpha(0.85f));
        g.fillRect(x + 1.0f, y + 0.22f * h, 3.0f, 0.56f * h);
    }

    if (hasLed())
    {
        const auto box = ledBounds(bounds);

        if (led && !gated)
        {
            g.setColour(vorn::pal::kGreen.withAlpha(0.35f));
            g.fillEllipse(box.expanded(2.5f));
            g.setColour(vorn::pal::kGreen);
        }
        else if (led)
        {
            g.setColour(vorn::pal::kGreenDim);
            g.fillEllipse(box);
            g.setColour(vorn::pal::kGreen.withAlpha(kGatedLedAlpha));
        }
        else
        {
            g.setColour(vorn::pal::kGreenDim);
        }

        g.fillEllipse(box);
        g.setColour(juce::Colours::black.withAlpha(0.45f));
        g.drawEllipse(box, 1.0f);
    }

    paintLegends(g, bounds);
}

void PanelKey::paintLegends(juce::Graphics& g, juce::Rectangle<float> bounds)
{
    const auto colour = gated ? vorn::pal::kLine : vorn::pal::kInk;
    const auto h = bounds.getHeight();
    auto area = juce::Rectangle<int>(static_cast<int>(bounds.getX()) + 4, static_cast<int>(bounds.getY()) + 3,
                                     juce::jmax(static_cast<int>(bounds.getWidth()) - 8, 0),
                                     juce::jmax(static_cast<int>(h) - 6, 0));

    if (cornerText.isNotEmpty())
    {
        const auto stripHeight = juce::jmin(area.getHeight(), cornerLegendSize(getHeight()));
        g.setFont(vorn::type::mono(cornerFontSize(getHeight()), 400));
        g.setColour(colour.withAlpha(0.7f));
        g.drawText(cornerText, area.removeFromBottom(stripHeight), juce::Justification::centred);
    }

    if (line1.isEmpty() && line2.isEmpty())
        return;

    const bool twoLines = line2.isNotEmpty();
    g.setFont(vorn::type::sans(legendFontSize(h, twoLines), 600));
    const auto shadow = juce::Colours::black.withAlpha(0.35f);

    if (twoLines)
    {
        const auto half = area.getHeight() / 2;
        const auto upper = area.withHeight(half);
        const auto lower = area.withTrimmedTop(half);

        g.setColour(shadow);
        g.drawText(line1, upper.translated(0, 1), juce::Justification::centred);
        g.drawText(line2, lower.translated(0, 1), juce::Justification::centred);
        g.setColour(colour);
        g.drawText(line1, upper, juce::Justification::centred);
        g.drawText(line2, lower, juce::Justification::centred);
        return;
    }

    g.setColour(shadow);
    g.drawText(line1, area.translated(0, 1), juce::Justification::centred);
    g.setColour(colour);
    g.drawText(line1, area, juce::Justification::centred);
}
} // namespace vorn_panel
