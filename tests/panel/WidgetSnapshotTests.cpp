#include "PanelTestSupport.h"

#include "panel/Lamp.h"
#include "panel/Palette.h"
#include "panel/PanelKey.h"
#include "panel/PeakMeter.h"
#include "panel/SegDisplay.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{
using vorn_panel::KeyClass;
using vorn_panel::PanelKey;

void place(juce::Component& parent, juce::Component& child, juce::Rectangle<int> bounds)
{
    child.setBounds(bounds);
    parent.addAndMakeVisible(child);
}

TEST(WidgetSnapshot, Keys)
{
    vorn_test::ScopedPanelTypefaces typefaces;
    juce::Component board;
    board.setSize(360, 80);

    // 60 px tall, two lines, corner legend, LED lit at the top right.
    PanelKey subLevel;
    subLevel.setKeyClass(KeyClass::reverbParam);
    subLevel.setLines("SUB REV", "LEVEL");
    subLevel.setCornerText("0-0.9");
    subLevel.setLed(true);
    place(board, subLevel, {8, 10, 72, 60});

    // The same, gated: a half-lit LED (selected, but out of use in this mode), no stripe, grey legends.
    PanelKey gated;
    gated.setKeyClass(KeyClass::echoParam);
    gated.setLines("K2", {});
    gated.setCornerText("0-0.9");
    gated.setLed(true);
    gated.setGated(true);
    place(board, gated, {88, 10, 72, 60});

    // 40 px tall, one line, LED lit at the left.
    PanelKey selector;
    selector.setKeyClass(KeyClass::selector);
    selector.setLines("x0.33", {});
    selector.setLed(true);
    place(board, selector, {168, 10, 72, 40});

    // Program key stripe, and a digit key without LED.
    PanelKey program;
    program.setKeyClass(KeyClass::echoProgram);
    program.setLines("ECHO", "1");
    place(board, program, {248, 10, 52, 60});

    PanelKey digit;
    digit.setLines("7", {});
    place(board, digit, {308, 10, 44, 40});

    vorn_test::expectMatchesSnapshot(vorn_test::render(board, vorn::pal::kPanelRaised), "widgets_keys");
}

TEST(WidgetSnapshot, DisplaysLampsAndMeter)
{
    vorn_test::ScopedPanelTypefaces typefaces;
    juce::Component board;
    board.setSize(440, 70);

    vorn_panel::SegDisplay decimal, minus;
    decimal.setText("12.5");
    minus.setText("-");
    place(board, decimal, {8, 8, 136, 40});
    place(board, minus, {152, 8, 60, 40});

    vorn_panel::Lamp green(1), red(0), dark(1);
    green.setOn(true);
    red.setOn(true);
    place(board, green, {228, 16, 16, 16});
    place(board, red, {252, 16, 16, 16});
    place(board, dark, {276, 16, 16, 16});

    std::atomic<float> level{-3.0f};
    vorn::PeakMeter meter(&level, "OUT");
    place(board, meter, {300, 16, 110, 16});

    vorn_test::expectMatchesSnapshot(vorn_test::render(board, vorn::pal::kWindow), "widgets_displays");
}
} // namespace
