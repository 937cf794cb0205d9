#include "panel/SegDisplay.h"

#include "panel/AccessibleValue.h"
#include "panel/Palette.h"

namespace vorn_panel
{
namespace
{
/** Digits 0 to 9; bit 0 = a (top), 1 = b (upper right), 2 = c (lower right), 3 = d (bottom), 4 = e (lower left),
    5 = f (upper left), 6 = g (middle). */
constexpr unsigned char kSegMasks[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};
constexpr int kMinusMask = 0x40;

// Cell geometry, from the display's height H: a digit is 0.62 H wide and advances 1.16 times that; a point
// advances 0.4 of a digit's advance.
float digitWidth(float H) noexcept
{
    return 0.62f * H;
}

float digitAdvance(float H) noexcept
{
    return 1.16f * digitWidth(H);
}

float pointAdvance(float H) noexcept
{
    return 0.4f * digitAdvance(H);
}

juce::Path horizontalBar(float xa, float xb, float y0, float t)
{
    const auto ht = t / 2.0f;
    juce::Path p;
    p.startNewSubPath(xa + ht, y0);
    p.lineTo(xb - ht, y0);
    p.lineTo(xb, y0 + ht);
    p.lineTo(xb - ht, y0 + t);
    p.lineTo(xa + ht, y0 + t);
    p.lineTo(xa, y0 + ht);
    p.closeSubPath();
    return p;
}

juce::Path verticalBar(float u, float ya, float yb, float t)
{
    const auto ht = t / 2.0f;
    juce::Path p;
    p.startNewSubPath(u, ya + ht);
    p.lineTo(u + ht, ya);
    p.lineTo(u + t, ya + ht);
    p.lineTo(u + t, yb - ht);
    p.lineTo(u + ht, yb);
    p.lineTo(u, yb - ht);
    p.closeSubPath();
    return p;
}
} // namespace

SegDisplay::SegDisplay() = default;
SegDisplay::~SegDisplay() = default;

void SegDisplay::setText(const juce::String& newText)
{
    if (newText != text)
    {
        text = newText;
        repaint();
    }
}

void SegDisplay::setPending(bool isPending)
{
    if (pending != isPending)
    {
        pending = isPending;
        repaint();
    }
}

float SegDisplay::textWidth(const juce::String& candidate, float height) noexcept
{
    auto width = 0.0f;

    for (const auto c : candidate)
        width += c == '.' ? pointAdvance(height) : digitAdvance(height);

    return width;
}

bool SegDisplay::canShow(const juce::String& candidate) const noexcept
{
    return textWidth(candidate, static_cast<float>(getHeight())) <= static_cast<float>(getWidth());
}

std::unique_ptr<juce::AccessibilityHandler> SegDisplay::createAccessibilityHandler()
{
    auto value = std::make_unique<ReadOnlyAccessibleValue>(
        [this] { return pending ? text + " (keyed in, not entered)" : text; });
    return std::make_unique<juce::AccessibilityHandler>(*this, juce::AccessibilityRole::staticText,
                                                        juce::AccessibilityActions(),
                                                        juce::AccessibilityHandler::Interfaces{std::move(value)});
}

int SegDisplay::segmentMask(juce::juce_wchar character) noexcept
{
    if (character >= '0' && character <= '9')
        return kSegMasks[character - '0'];

    return character == '-' ? kMinusMask : -1;
}

void SegDisplay::paint(juce::Graphics& g)
{
    const auto W = static_cast<float>(getWidth());
    const auto H = static_cast<float>(getHeight());

    if (W < 1.0f || H < 1.0f || text.isEmpty())
        return;

    // Lean the tops to the right, the bottoms stay put: x' = x + 0.09 (H - y).
    g.addTransform(juce::AffineTransform(1.0f, -0.09f, 0.09f * H, 0.0f, 1.0f, 0.0f));

    const auto cw = digitWidth(H);
    const auto adv = digitAdvance(H);
    const auto padv = pointAdvance(H);
    const auto t = 0.13f * H;
    const auto ht = t / 2.0f;
    const auto gap = 0.3f * t;
    const auto pd = 0.14f * H;

    const auto lit = pending ? vorn::pal::kAmber : vorn::pal::kGreen;
    const auto ghost = vorn::pal::kGreen.withAlpha(0.1f);

    auto x = W;

    for (int i = text.length(); --i >= 0;)
    {
        const auto c = text[i];

        if (c == '.')
        {
            x -= padv;
            g.setColour(lit);
            g.fillEllipse(x + padv / 2.0f - pd / 2.0f, H - 1.15f * pd, pd, pd);
            continue;
        }

        x -= adv;
        const auto mask = segmentMask(c);

        if (mask < 0)
            continue;

        const auto xl = x + (adv - cw) / 2.0f;
        const auto xr = xl + cw;
        const auto xa = xl + ht + gap;
        const auto xb = xl + cw - ht - gap;
        const auto upperTop = ht + gap, upperBottom = H / 2.0f - gap;
        const auto lowerTop = H / 2.0f + gap, lowerBottom = H - ht - gap;

        const juce::Path segments[7] = {
            horizontalBar(xa, xb, 0.0f, t),                // a
            verticalBar(xr - t, upperTop, upperBottom, t), // b
            verticalBar(xr - t, lowerTop, lowerBottom, t), // c
            horizontalBar(xa, xb, H - t, t),               // d
            verticalBar(xl, lowerTop, lowerBottom, t),     // e
            verticalBar(xl, upperTop, upperBottom, t),     // f
            horizontalBar(xa, xb, (H - t) / 2.0f, t),      // g
        };

        for (int s = 0; s < 7; ++s)
        {
            g.setColour((mask >> s) & 1 ? lit : ghost);
            g.fillPath(segments[s]);
        }
    }
}
} // namespace vorn_panel
