// The panel in a real window, clicked and typed at through the window's own event path, where keyboard focus and
// presses on the bare panel behave as they do for a user. Needs a display: scripts/test.sh runs these tests on a
// virtual desktop (scripts/with-display.sh); without one they skip.
#include "EditorTestSupport.h"

namespace
{
using vorn_test::LivePanel;
using vorn_test::pumpMessages;
using vorn_test::pumpUntil;

struct PanelOnDesktop : LivePanel
{
    void SetUp() override
    {
        if (juce::SystemStats::getEnvironmentVariable("DISPLAY", {}).isEmpty())
            GTEST_SKIP() << "a window needs a display";

        LivePanel::SetUp();
        editor->addToDesktop(juce::ComponentPeer::windowHasTitleBar);
        editor->setVisible(true);
        editor->toFront(true);
        peer = editor->getPeer();
        ASSERT_NE(peer, nullptr);
        ASSERT_TRUE(pumpUntil([this] { return peer->isFocused(); })) << "the window never had the keyboard";

        // The pointer arrives in the window before it clicks, as a user's does.
        moveTo({1.0f, 1.0f});
    }

    void TearDown() override
    {
        if (editor != nullptr && editor->isOnDesktop())
            editor->removeFromDesktop();

        LivePanel::TearDown();
    }

    /** Where a design-space point of the canvas lies in the window. */
    juce::Point<float> at(juce::Point<int> design)
    {
        return design.toFloat() * (static_cast<float>(editor->getWidth()) / 1344.0f);
    }

    juce::Point<float> centreOf(juce::Component& control)
    {
        return editor->getLocalPoint(&control, control.getLocalBounds().getCentre().toFloat());
    }

    /** A mouse event as the window system reports it. */
    void send(juce::Point<float> position, juce::ModifierKeys mods)
    {
        peer->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, position, mods,
                               juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                               juce::Time::currentTimeMillis());
    }

    void moveTo(juce::Point<float> position)
    {
        send(position, {});
        pumpMessages();
    }

    /** A press and release of the left button. */
    void clickAt(juce::Point<float> position)
    {
        moveTo(position);
        send(position, juce::ModifierKeys().withFlags(juce::ModifierKeys::leftButtonModifier));
        send(position, {});
        pumpMessages();
    }

    void doubleClickAt(juce::Point<float> position)
    {
        clickAt(position);
        clickAt(position);
    }

    /** Typed keys, delivered to whatever has the keyboard. */
    void type(const juce::String& text)
    {
        for (const auto c : text)
            peer->handleKeyPress(juce::KeyPress(static_cast<int>(c), {}, c));

        pumpMessages();
    }

    void typeKey(int code)
    {
        peer->handleKeyPress(juce::KeyPress(code));
        pumpMessages();
    }

    juce::ComponentPeer* peer = nullptr;
};

TEST_F(PanelOnDesktop, DesktopTypingAfterAClickOnTheBarePanelPlaysTheKeypad)
{
    // The panel takes the keyboard once its window has it.
    editor->timerCallback();
    EXPECT_TRUE(editor->hasKeyboardFocus(false));

    clickAt(centreOf(matrixKey("dryWet")));
    clickAt(at({712, 300})); // between the sub-panels
    type("25");
    typeKey(juce::KeyPress::returnKey);
    EXPECT_FLOAT_EQ(value("dryWet"), 25.0f);
    EXPECT_EQ(editor->selectedParam, "dryWet");

    clickAt(centreOf(editor->digitKeys[4]));
    clickAt(centreOf(editor->digitKeys[0]));
    clickAt(centreOf(editor->enterKey));
    clickAt(centreOf(editor->upKey));
    EXPECT_FLOAT_EQ(value("dryWet"), 41.0f);
    EXPECT_FLOAT_EQ(value("outputGain"), 1.2f);
}

TEST_F(PanelOnDesktop, DesktopAClickElsewhereClosesTheEntryBox)
{
    doubleClickAt(centreOf(editor->displays[3]));
    ASSERT_TRUE(editor->isMouseEntryOpen());
    EXPECT_TRUE(editor->entryBox.hasKeyboardFocus(false));
    type("7");
    EXPECT_EQ(editor->entryBox.getText(), "7");

    clickAt(centreOf(matrixKey("size")));
    EXPECT_FALSE(editor->entryBox.isVisible());
    EXPECT_EQ(editor->selectedParam, "size");
    EXPECT_TRUE(editor->hasKeyboardFocus(false)) << "the keyboard is back with the keypad";

    clickAt(at({712, 300}));
    typeKey(juce::KeyPress::returnKey);
    EXPECT_FLOAT_EQ(value("dryWet"), 50.0f);
    EXPECT_FLOAT_EQ(value("size"), 68.0f);

    // Typing goes into the name field only once it is clicked, and back to the keypad after Return.
    type("3");
    EXPECT_EQ(editor->programName.getText(), "Init");
    clickAt(centreOf(editor->programName));
    type("x");
    EXPECT_TRUE(editor->programName.getText().contains("x"));
    typeKey(juce::KeyPress::returnKey);
    EXPECT_TRUE(editor->hasKeyboardFocus(false));
}
} // namespace
