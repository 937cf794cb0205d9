#include "PanelTestSupport.h"

#include "panel/Palette.h"
#include "panel/PanelKey.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using vorn_panel::KeyClass;
using vorn_panel::PanelKey;
using vorn_test::mouseAt;

TEST(PanelKeyGeometry, WorkedSizes)
{
    // 40 px: LED 6.4 at the left edge, vertically centred.
    const auto low = PanelKey::ledBounds({0.0f, 0.0f, 72.0f, 40.0f});
    EXPECT_FLOAT_EQ(low.getWidth(), 6.4f);
    EXPECT_FLOAT_EQ(low.getHeight(), 6.4f);
    EXPECT_FLOAT_EQ(low.getX(), 6.0f);
    EXPECT_FLOAT_EQ(low.getY(), 20.0f - 3.2f);
    EXPECT_FLOAT_EQ(PanelKey::cornerFontSize(40), 7.0f);
    EXPECT_FLOAT_EQ(PanelKey::legendFontSize(40.0f, false), 10.4f);
    EXPECT_FLOAT_EQ(PanelKey::legendFontSize(40.0f, true), 8.0f);

    // 60 px: LED 9.6 at the top right, 6 in from the right and 5 down.
    const auto tall = PanelKey::ledBounds({0.0f, 0.0f, 80.0f, 60.0f});
    EXPECT_FLOAT_EQ(tall.getWidth(), 9.6f);
    EXPECT_FLOAT_EQ(tall.getX(), 80.0f - 9.6f - 6.0f);
    EXPECT_FLOAT_EQ(tall.getY(), 5.0f);
    EXPECT_FLOAT_EQ(PanelKey::cornerFontSize(60), 9.0f);
    EXPECT_FLOAT_EQ(PanelKey::legendFontSize(60.0f, false), 13.0f);
    EXPECT_FLOAT_EQ(PanelKey::legendFontSize(60.0f, true), 12.0f);
}

TEST(PanelKeyGeometry, LimitsAndTheTallKeyBoundary)
{
    // The LED stays between 6 and 10; keys from 48 px up carry it at the top right.
    EXPECT_FLOAT_EQ(PanelKey::ledBounds({0.0f, 0.0f, 60.0f, 20.0f}).getWidth(), 6.0f);
    EXPECT_FLOAT_EQ(PanelKey::ledBounds({0.0f, 0.0f, 60.0f, 100.0f}).getWidth(), 10.0f);
    EXPECT_FLOAT_EQ(PanelKey::ledBounds({0.0f, 0.0f, 72.0f, 47.0f}).getX(), 6.0f);
    EXPECT_FLOAT_EQ(PanelKey::ledBounds({0.0f, 0.0f, 72.0f, 48.0f}).getY(), 5.0f);

    EXPECT_FLOAT_EQ(PanelKey::cornerFontSize(47), 7.0f);
    EXPECT_FLOAT_EQ(PanelKey::cornerFontSize(48), 7.0f);   // 48 / 6 = 8
    EXPECT_FLOAT_EQ(PanelKey::cornerFontSize(71), 10.0f);  // 71 / 6 = 11 (integer division)
    EXPECT_FLOAT_EQ(PanelKey::cornerFontSize(200), 11.0f); // at most 12
    EXPECT_FLOAT_EQ(PanelKey::legendFontSize(20.0f, false), 8.0f);
    EXPECT_FLOAT_EQ(PanelKey::legendFontSize(80.0f, true), 12.0f);
}

TEST(PanelKeyClasses, LedAndStripeFollowTheClass)
{
    using vorn::pal::kLegend, vorn::pal::kSlate, vorn::pal::kTeal, vorn::pal::kViolet;

    struct Row
    {
        int value;
        bool led;
        juce::Colour stripe;
    };

    const Row rows[] = {
        {0, true, kLegend},  {1, true, kSlate},    {2, true, kSlate},    {3, true, kViolet},  {4, true, kTeal},
        {5, false, kViolet}, {6, false, kViolet},  {7, false, kLegend},  {8, false, kLegend}, {9, true, kLegend},
        {10, true, kLegend}, {11, false, kLegend}, {-1, false, kLegend}, // any other value is drawn like a digit key
    };

    for (const auto& row : rows)
    {
        const auto keyClass = static_cast<KeyClass>(row.value);
        EXPECT_EQ(vorn_panel::keyClassHasLed(keyClass), row.led) << "class " << row.value;
        EXPECT_EQ(vorn_panel::keyClassStripe(keyClass), row.stripe) << "class " << row.value;
    }

    EXPECT_EQ(PanelKey().getKeyClass(), KeyClass::digit);
}

/** A key on its own, counting clicks and collecting drag steps. */
struct KeyUnderTest
{
    PanelKey key;
    int clicks = 0;
    std::vector<float> steps;

    explicit KeyUnderTest(bool draggable = true)
    {
        key.setBounds(0, 0, 72, 64);
        key.setVisible(true);
        key.onClick = [this] { ++clicks; };

        if (draggable)
            key.onDrag = [this](float n) { steps.push_back(n); };
    }

    void gesture(const std::vector<juce::Point<int>>& moves, juce::ModifierKeys mods = {})
    {
        const juce::Point<int> start(20, 40);
        key.mouseDown(mouseAt(key, start, mods));

        auto last = start;
        for (const auto& move : moves)
        {
            last = start + move;
            key.mouseDrag(mouseAt(key, last, mods));
        }

        key.mouseUp(mouseAt(key, last, mods));
    }
};

struct DragCase
{
    const char* name;
    std::vector<juce::Point<int>> moves; // pointer positions relative to the press
    bool shift;
    std::vector<float> steps;
    int clicks;
};

TEST(PanelKeyDrag, GesturesDeliverWholeSteps)
{
    const DragCase cases[] = {
        {"2 px wobble stays a click", {{2, 0}, {-2, 0}, {0, 2}, {0, -2}, {2, -2}, {0, 0}}, false, {}, 1},
        {"press and release is a click", {}, false, {}, 1},
        {"3 px right starts a drag", {{3, 0}}, false, {}, 0},
        {"3 px down starts a drag", {{0, 3}}, false, {}, 0},
        {"16 px up at once", {{0, -16}}, false, {2.0f}, 0},
        {"16 px up in two moves", {{0, -8}, {0, -16}}, false, {1.0f, 1.0f}, 0},
        {"16 px down at once", {{0, 16}}, false, {-2.0f}, 0},
        {"16 px down in two moves", {{0, 8}, {0, 16}}, false, {-1.0f, -1.0f}, 0},
        {"16 px right", {{16, 0}}, false, {2.0f}, 0},
        {"16 px left", {{-16, 0}}, false, {-2.0f}, 0},
        {"shift: 16 px up is half a step", {{0, -16}}, true, {}, 0},
        {"shift: 32 px up is one step", {{0, -32}}, true, {1.0f}, 0},
        {"shift: 32 px down in four moves", {{0, 8}, {0, 16}, {0, 24}, {0, 32}}, true, {-1.0f}, 0},
        // A tie goes to the horizontal movement: 5 right and 5 down count as +5, so 3 more right make a step.
        {"diagonal tie counts horizontally", {{5, 5}, {8, 5}}, false, {1.0f}, 0},
        // Mostly vertical: 3 right and 6 up count as 6 up.
        {"steeper diagonal counts vertically", {{3, -6}, {3, -8}}, false, {1.0f}, 0},
        // The 3 px that crossed the threshold count; fractions carry: 3 + 3 + 3 = 9 px give one step.
        {"fractions carry over", {{0, -3}, {0, -6}, {0, -9}}, false, {1.0f}, 0},
        {"back and forth cancels", {{0, -6}, {0, 0}, {0, -6}}, false, {}, 0},
        {"leftover after a step", {{0, -12}, {0, -16}}, false, {1.0f, 1.0f}, 0},
    };

    for (const auto& c : cases)
    {
        KeyUnderTest k;
        k.gesture(c.moves, c.shift ? juce::ModifierKeys(juce::ModifierKeys::shiftModifier) : juce::ModifierKeys());
        EXPECT_EQ(k.steps, c.steps) << c.name;
        EXPECT_EQ(k.clicks, c.clicks) << c.name;
        EXPECT_FALSE(k.key.isDown()) << c.name << ": the key shows released after the gesture";
    }
}

TEST(PanelKeyDrag, EveryNewPressStartsAfresh)
{
    KeyUnderTest k;
    k.gesture({{0, -6}}); // 6/8 of a step, dropped with the release
    k.gesture({{0, -6}});
    EXPECT_TRUE(k.steps.empty());

    k.gesture({{0, -8}});
    EXPECT_EQ(k.steps, std::vector<float>({1.0f}));
}

TEST(PanelKeyDrag, GatedOrUndraggableKeysDragLikeAFrameworkButton)
{
    // The same gesture on a plain framework button is the reference for what the button does with it.
    const std::vector<std::vector<juce::Point<int>>> gestures = {
        {}, {{2, 0}}, {{0, -16}}, {{0, -32}, {0, 0}}, {{40, 0}}};

    for (size_t i = 0; i < gestures.size(); ++i)
    {
        juce::TextButton reference;
        reference.setBounds(0, 0, 72, 64);
        reference.setVisible(true);
        int referenceClicks = 0;
        reference.onClick = [&] { ++referenceClicks; };
        juce::Component& asComponent = reference; // the button keeps its mouse handlers protected

        const juce::Point<int> start(20, 40);
        asComponent.mouseDown(mouseAt(reference, start));
        auto last = start;
        for (const auto& move : gestures[i])
            asComponent.mouseDrag(mouseAt(reference, last = start + move));
        const bool referenceDownBeforeRelease = reference.isDown();
        asComponent.mouseUp(mouseAt(reference, last));

        KeyUnderTest gated;
        gated.key.setGated(true);
        gated.gesture(gestures[i]);
        EXPECT_TRUE(gated.steps.empty()) << "gesture " << i;
        EXPECT_EQ(gated.clicks, referenceClicks) << "gated, gesture " << i;

        KeyUnderTest undraggable(false);
        undraggable.key.mouseDown(mouseAt(undraggable.key, start));
        last = start;
        for (const auto& move : gestures[i])
            undraggable.key.mouseDrag(mouseAt(undraggable.key, last = start + move));
        EXPECT_EQ(undraggable.key.isDown(), referenceDownBeforeRelease) << "gesture " << i;
        undraggable.key.mouseUp(mouseAt(undraggable.key, last));
        EXPECT_EQ(undraggable.clicks, referenceClicks) << "without onDrag, gesture " << i;
    }
}

TEST(PanelKeyState, SettersKeepWhatTheyAreGiven)
{
    PanelKey key;
    EXPECT_FALSE(key.getWantsKeyboardFocus());
    EXPECT_TRUE(key.getButtonText().isEmpty());

    key.setKeyClass(KeyClass::functionKey);
    key.setLed(true);
    key.setGated(true);
    key.setLines("SUB REV", "LEVEL");
    key.setCornerText("0-0.9");

    EXPECT_EQ(key.getKeyClass(), KeyClass::functionKey);
    EXPECT_TRUE(key.isLedOn());
    EXPECT_TRUE(key.isGated());
    EXPECT_EQ(key.getLine1(), "SUB REV");
    EXPECT_EQ(key.getLine2(), "LEVEL");
    EXPECT_EQ(key.getCornerText(), "0-0.9");

    // A gated key still clicks; the owner decides what that means.
    KeyUnderTest k;
    k.key.setGated(true);
    k.gesture({});
    EXPECT_EQ(k.clicks, 1);
}
} // namespace
