#include "PanelTestSupport.h"

#include "panel/Lamp.h"
#include "panel/Palette.h"
#include "panel/PeakMeter.h"
#include "panel/SegDisplay.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{
using vorn_panel::Lamp;
using vorn_panel::SegDisplay;

bool isLitGreen(juce::Colour c)
{
    return c.getGreen() > 180 && c.getRed() < 90;
}

bool isGhostGreen(juce::Colour c)
{
    return c.getGreen() > 8 && c.getGreen() < 60 && c.getRed() < 20;
}

bool isBlack(juce::Colour c)
{
    return c.getRed() == 0 && c.getGreen() == 0 && c.getBlue() == 0;
}

TEST(SegDisplayMasks, DigitsAndMinus)
{
    const int expected[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};

    for (int d = 0; d < 10; ++d)
        EXPECT_EQ(SegDisplay::segmentMask(static_cast<juce::juce_wchar>('0' + d)), expected[d]) << d;

    EXPECT_EQ(SegDisplay::segmentMask('-'), 0x40);
    EXPECT_EQ(SegDisplay::segmentMask('7') & 0x20, 0) << "a 7 has no upper-left bar";
    EXPECT_NE(SegDisplay::segmentMask('6') & 0x01, 0) << "a 6 has its top bar";
    EXPECT_NE(SegDisplay::segmentMask('9') & 0x08, 0) << "a 9 has its bottom bar";

    for (const auto c : {' ', 'A', 'E', '.', '+'})
        EXPECT_LT(SegDisplay::segmentMask(static_cast<juce::juce_wchar>(c)), 0) << static_cast<char>(c);
}

// Probe points on a 136 x 40 display (the panel's size), from the cell geometry in display heights:
// digit advance 0.7192 H, the last cell from x = 107.2, bar centres slanted by 0.09 (H - y).
struct Probe
{
    int x, y;
    enum Kind
    {
        lit,
        ghost,
        empty
    } kind;
};

struct DisplayCase
{
    const char* text;
    std::vector<Probe> probes;
};

TEST(SegDisplayPaint, SegmentsCellsAndSlant)
{
    const DisplayCase cases[] = {
        // "-": only the middle bar of the last cell; its top and upper-right bars are ghosts.
        {"-", {{123, 20, Probe::lit}, {125, 2, Probe::ghost}, {134, 11, Probe::ghost}, {96, 2, Probe::empty}}},
        // "A1": the letter leaves its cell blank, the 1 lights b but not a.
        {"A1", {{134, 11, Probe::lit}, {125, 2, Probe::ghost}, {96, 2, Probe::empty}, {96, 20, Probe::empty}}},
        // "12.5": the point takes a narrower cell, so the 2 sits 1.4 advances from the right edge.
        {"12.5", {{102, 36, Probe::lit}, {85, 2, Probe::lit}, {56, 2, Probe::ghost}, {20, 20, Probe::empty}}},
        {"", {{123, 20, Probe::empty}, {125, 2, Probe::empty}}},
    };

    for (const auto& c : cases)
    {
        SegDisplay display;
        display.setBounds(0, 0, 136, 40);
        display.setText(c.text);
        const auto image = vorn_test::render(display, juce::Colours::black);

        for (const auto& probe : c.probes)
        {
            const auto pixel = image.getPixelAt(probe.x, probe.y);
            const auto where = juce::String(c.text) + " at " + juce::String(probe.x) + "," + juce::String(probe.y) +
                               ": " + pixel.toDisplayString(false);

            switch (probe.kind)
            {
            case Probe::lit:
                EXPECT_TRUE(isLitGreen(pixel)) << where;
                break;
            case Probe::ghost:
                EXPECT_TRUE(isGhostGreen(pixel)) << where;
                break;
            case Probe::empty:
                EXPECT_TRUE(isBlack(pixel)) << where;
                break;
            }
        }
    }
}

TEST(LampPaint, ColoursByKindAndState)
{
    struct Row
    {
        int kind;
        bool on;
        juce::Colour body;
    };

    const Row rows[] = {
        {0, true, vorn::pal::kRed},       {0, false, vorn::pal::kRedDim}, {1, true, vorn::pal::kGreen},
        {1, false, vorn::pal::kGreenDim}, {7, true, vorn::pal::kGreen},
    };

    for (const auto& row : rows)
    {
        Lamp lamp(row.kind);
        lamp.setBounds(0, 0, 16, 16);
        lamp.setOn(row.on);
        const auto pixel = vorn_test::render(lamp, juce::Colours::black).getPixelAt(8, 10); // clear of the highlight
        EXPECT_EQ(pixel.getARGB(), row.body.getARGB())
            << "kind " << row.kind << (row.on ? " on: " : " off: ") << pixel.toDisplayString(true);
    }
}

TEST(LampPaint, GlowReachesBeyondTheLampAndLeavesWithIt)
{
    // A 16 px lamp: body 14 wide, glow 0.35 x 14 = 4.9 beyond it on every side, so past the lamp's own bounds.
    juce::Component parent;
    parent.setSize(40, 40);
    Lamp lamp(0);
    lamp.setBounds(12, 12, 16, 16);
    parent.addAndMakeVisible(lamp);

    lamp.setOn(true);
    const auto lit = vorn_test::render(parent, juce::Colours::black).getPixelAt(10, 20);
    EXPECT_GT(lit.getRed(), 40) << "glow left of the lamp: " << lit.toDisplayString(false);
    EXPECT_TRUE(isBlack(vorn_test::render(parent, juce::Colours::black).getPixelAt(4, 20))) << "beyond the glow";

    lamp.setOn(false);
    EXPECT_TRUE(isBlack(vorn_test::render(parent, juce::Colours::black).getPixelAt(10, 20)));
}

TEST(LampPaint, TooNarrowDrawsNothing)
{
    for (const auto on : {false, true})
    {
        Lamp lamp(0);
        lamp.setBounds(0, 0, 2, 16);
        lamp.setOn(on);
        const auto image = vorn_test::render(lamp, juce::Colours::black);

        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 2; ++x)
                ASSERT_TRUE(isBlack(image.getPixelAt(x, y))) << x << "," << y;
    }
}

struct MeterCase
{
    float levelDb;
    juce::Colour colour;
    float barWidth; // in the panel's 110 x 16 meter: 83 x (L + 54) / 60
};

TEST(PeakMeterScale, ColourThresholdsAndBarWidth)
{
    using namespace vorn::pal;
    const MeterCase cases[] = {
        {-100.0f, kGreen, 0.0f},   {-54.0f, kGreen, 0.0f},   {-18.0f, kGreen, 49.8f}, {-6.0f, kGreen, 66.4f},
        {-5.9f, kAmber, 66.5383f}, {-1.5f, kAmber, 72.625f}, {-1.4f, kRed, 72.7633f}, {0.0f, kRed, 74.7f},
        {6.0f, kRed, 83.0f},       {10.0f, kRed, 83.0f},
    };

    // The panel's meter: 110 x 16, caption 24 wide, trough (24, 1, 86, 14).
    const juce::Rectangle<float> trough(24.0f, 1.0f, 86.0f, 14.0f);

    for (const auto& c : cases)
    {
        EXPECT_EQ(vorn::PeakMeter::barColour(c.levelDb), c.colour) << c.levelDb << " dB";
        const auto bar = vorn::PeakMeter::barBounds(trough, c.levelDb);
        EXPECT_NEAR(bar.getWidth(), c.barWidth, 1.0e-3f) << c.levelDb << " dB";
        EXPECT_FLOAT_EQ(bar.getX(), 25.5f);
        EXPECT_FLOAT_EQ(bar.getY(), 2.5f);
        EXPECT_FLOAT_EQ(bar.getHeight(), 11.0f);
    }

    // -6 dB reaches the second tick and 0 dB the third (ticks at trough-relative 67.9 and 76.2).
    EXPECT_NEAR(vorn::PeakMeter::barBounds(trough, -6.0f).getRight(), 24.0f + 67.9f, 1.0e-3f);
    EXPECT_NEAR(vorn::PeakMeter::barBounds(trough, 0.0f).getRight(), 24.0f + 76.2f, 1.0e-3f);

    // A broken level reads as silence rather than a bar of undefined width.
    EXPECT_FLOAT_EQ(vorn::PeakMeter::barBounds(trough, std::numeric_limits<float>::quiet_NaN()).getWidth(), 0.0f);
}

TEST(PeakMeterPaint, BarFollowsTheLevel)
{
    vorn_test::ScopedPanelTypefaces typefaces;
    std::atomic<float> level{-100.0f};
    vorn::PeakMeter meter(&level, "IN");
    meter.setBounds(0, 0, 110, 16);

    struct Row
    {
        float db;
        int x;
        juce::Colour expected;
    };

    const Row rows[] = {
        {-100.0f, 40, vorn::pal::kWindow}, // silence: only the trough
        {-6.0f, 88, vorn::pal::kGreen},    {-6.0f, 96, vorn::pal::kWindow},
        {-3.0f, 90, vorn::pal::kAmber},    {10.0f, 106, vorn::pal::kRed},
    };

    for (const auto& row : rows)
    {
        level = row.db;
        const auto pixel = vorn_test::render(meter, juce::Colours::black).getPixelAt(row.x, 8);
        EXPECT_EQ(pixel.getARGB(), row.expected.getARGB())
            << row.db << " dB at x " << row.x << ": " << pixel.toDisplayString(true);
    }
}
} // namespace
