// What makes the panel easy to play: the computer keyboard as a keypad, entries that look pending, armed memory
// keys, tooltips, screen-reader titles and values, and a window size that is remembered.
#include "EditorTestSupport.h"

#include "editor/PanelSizeMemory.h"
#include "engine/ParameterTable.h"

namespace
{
using vorn_test::LivePanel;
using vorn_test::pumpMessages;

struct PlayingThePanel : LivePanel
{
    bool type(int code, juce::juce_wchar character = 0, juce::ModifierKeys mods = {})
    {
        return editor->keyPressed(juce::KeyPress(code, mods, character));
    }

    void type(const juce::String& text)
    {
        for (const auto c : text)
            EXPECT_TRUE(type(static_cast<int>(c), c)) << juce::String::charToString(c);
    }

    /** Every key, display and lamp the panel shows. */
    std::vector<juce::Component*> controls()
    {
        std::vector<juce::Component*> found;

        for (auto* child : editor->canvas.getChildren())
            if (child->isVisible() && (dynamic_cast<vorn_panel::PanelKey*>(child) != nullptr ||
                                       dynamic_cast<vorn_panel::SegDisplay*>(child) != nullptr ||
                                       dynamic_cast<vorn_panel::Lamp*>(child) != nullptr))
                found.push_back(child);

        return found;
    }
};

TEST_F(PlayingThePanel, TheComputerKeyboardPlaysTheKeypad)
{
    // Digits, point and Return enter a value; decay is typed in seconds as on the keypad.
    type("3.5");
    EXPECT_EQ(editor->entryBuffer, "3.5");
    EXPECT_TRUE(type(juce::KeyPress::returnKey));
    EXPECT_FLOAT_EQ(value("decay"), 33.0f);

    // Backspace takes the last character back; Escape throws the entry away.
    click(matrixKey("predelay"));
    type("47");
    EXPECT_TRUE(type(juce::KeyPress::backspaceKey));
    EXPECT_EQ(editor->entryBuffer, "4");
    type("2");
    EXPECT_TRUE(type(juce::KeyPress::escapeKey));
    EXPECT_TRUE(editor->entryBuffer.isEmpty());
    type(juce::KeyPress::returnKey);
    EXPECT_FLOAT_EQ(value("predelay"), 18.0f);

    // The number pad's digits and point count as well.
    type(juce::KeyPress::numberPad4);
    type(juce::KeyPress::numberPad2);
    type(juce::KeyPress::returnKey);
    EXPECT_FLOAT_EQ(value("predelay"), 42.0f);

    // The arrows are UP and DOWN.
    EXPECT_TRUE(type(juce::KeyPress::upKey));
    EXPECT_TRUE(type(juce::KeyPress::upKey));
    EXPECT_TRUE(type(juce::KeyPress::downKey));
    EXPECT_FLOAT_EQ(value("predelay"), 43.0f);

    // Escape also disarms WRITE; the digit and Return that follow are a plain entry again.
    click(editor->writeKey);
    type(juce::KeyPress::escapeKey);
    EXPECT_TRUE(editor->memoryMode.isEmpty());
    type("7");
    type(juce::KeyPress::returnKey);
    EXPECT_TRUE(askedNames.empty()) << "no naming question";
    EXPECT_FLOAT_EQ(value("predelay"), 7.0f);

    // Everything else, and anything with Ctrl or Alt, is left to the host.
    const auto before = snapshot();
    EXPECT_FALSE(type('a', 'a'));
    EXPECT_FALSE(type(' ', ' '));
    EXPECT_FALSE(type(juce::KeyPress::leftKey));
    EXPECT_FALSE(type('5', '5', juce::ModifierKeys::ctrlModifier));
    EXPECT_FALSE(type('s', 's', juce::ModifierKeys::commandModifier));
    EXPECT_TRUE(editor->entryBuffer.isEmpty());
    EXPECT_EQ(snapshot(), before);
}

TEST_F(PlayingThePanel, APendingEntryAndAnArmedMemoryLookPending)
{
    const auto pendingDisplays = [this]
    {
        juce::String which;
        for (size_t i = 0; i < editor->displays.size(); ++i)
            if (editor->displays[i].isPending())
                which << static_cast<int>(i);
        return which;
    };

    // Keyed digits show in the selected parameter's display, marked pending until ENTER.
    click(matrixKey("t1"));
    EXPECT_EQ(pendingDisplays(), "");
    keyIn("7");
    EXPECT_EQ(editor->displays[2].getText(), "007");
    EXPECT_EQ(pendingDisplays(), "2");
    enter();
    EXPECT_EQ(pendingDisplays(), "");
    EXPECT_EQ(editor->displays[2].getText(), "007");

    // An armed WRITE lights its key and waits for a slot: a lone bar, then the bare digit, never "007".
    EXPECT_TRUE(editor->writeKey.hasLed());
    EXPECT_FALSE(editor->writeKey.isLedOn());
    click(editor->writeKey);
    EXPECT_TRUE(editor->writeKey.isLedOn());
    EXPECT_FALSE(editor->readKey.isLedOn());
    EXPECT_EQ(editor->displays[2].getText(), "-");
    EXPECT_EQ(pendingDisplays(), "2");
    keyIn("7");
    EXPECT_EQ(editor->displays[2].getText(), "7");

    // READ replaces it; ENTER completes it and both go dark.
    click(editor->readKey);
    EXPECT_TRUE(editor->readKey.isLedOn());
    EXPECT_FALSE(editor->writeKey.isLedOn());
    enter();
    EXPECT_FALSE(editor->readKey.isLedOn());
    EXPECT_EQ(pendingDisplays(), "");
    EXPECT_EQ(editor->displays[2].getText(), "007");

    // A pending display is drawn in another colour than a stored value.
    auto& display = editor->displays[1];
    display.setText("1.20");
    const auto stored = vorn_test::render(display, juce::Colours::black);
    display.setPending(true);
    const auto pending = vorn_test::render(display, juce::Colours::black);
    EXPECT_GT(vorn_test::meanPixelDifference(stored, pending), 1.0);
}

TEST_F(PlayingThePanel, EveryKeyDisplayAndLampHasATooltipATitleAndAValue)
{
    const auto all = controls();
    // 23 matrix keys, 16 tone keys, 4 program and 4 mode keys, WRITE READ UP DOWN, 12 keypad keys, 3 options,
    // BUZZER PREV NEXT SAVE BROWSE CURVES; 4 displays and 4 lamps.
    EXPECT_EQ(all.size(), size_t{23 + 16 + 4 + 4 + 4 + 12 + 3 + 6 + 4 + 4});

    for (auto* control : all)
    {
        auto* tooltip = dynamic_cast<juce::TooltipClient*>(control);
        ASSERT_NE(tooltip, nullptr);
        EXPECT_TRUE(tooltip->getTooltip().isNotEmpty()) << control->getTitle();

        std::unique_ptr<juce::AccessibilityHandler> handler;
        if (auto* key = dynamic_cast<vorn_panel::PanelKey*>(control))
            handler = key->createAccessibilityHandler();
        else if (auto* display = dynamic_cast<vorn_panel::SegDisplay*>(control))
            handler = display->createAccessibilityHandler();
        else if (auto* lamp = dynamic_cast<vorn_panel::Lamp*>(control))
            handler = lamp->createAccessibilityHandler();

        ASSERT_NE(handler, nullptr);
        EXPECT_TRUE(handler->getTitle().isNotEmpty()) << tooltip->getTooltip();
        ASSERT_NE(handler->getValueInterface(), nullptr) << handler->getTitle();
        EXPECT_TRUE(handler->getValueInterface()->getCurrentValueAsString().isNotEmpty()) << handler->getTitle();
    }

    // Matrix keys name their parameter with its range and unit; the reverb time in the seconds the panel shows.
    const std::pair<const char*, const char*> ranges[] = {
        {"decay", "0.4 to 9.9 s"},       {"predelay", "0 to 255 ms"},   {"t1", "0 to 999 ms"},
        {"detune", "-1.5 to 1.5 cents"}, {"lfoRate", "0.05 to 0.6 Hz"}, {"k1", "0 to 0.9"}};
    for (const auto& [id, range] : ranges)
    {
        EXPECT_TRUE(matrixKey(id).getTooltip().contains(range)) << matrixKey(id).getTooltip();
        EXPECT_TRUE(matrixKey(id).getTooltip().contains(vorn::findParameter(id)->name)) << id;
    }

    EXPECT_TRUE(editor->writeKey.getTooltip().startsWith("WRITE: store the panel in memory 0 to 9"));

    // Values read what the panel shows, and follow it.
    const auto valueOf = [](vorn_panel::PanelKey& key)
    { return key.createAccessibilityHandler()->getValueInterface()->getCurrentValueAsString(); };

    EXPECT_EQ(valueOf(matrixKey("decay")), "5.9 s, selected");
    EXPECT_EQ(valueOf(matrixKey("predelay")), "18 ms");
    EXPECT_EQ(valueOf(matrixKey("k1")), "0.00, not used in this mode");
    EXPECT_EQ(valueOf(editor->lowCutKeys[2]), "selected");
    EXPECT_EQ(valueOf(editor->vintageKey), "off");
    EXPECT_EQ(valueOf(editor->upKey), "Decay 5.9 s");
    keyIn("25");
    EXPECT_EQ(valueOf(editor->enterKey), "keyed 25");
    EXPECT_EQ(editor->displays[0].createAccessibilityHandler()->getValueInterface()->getCurrentValueAsString(),
              "25 (keyed in, not entered)");
    EXPECT_EQ(editor->headroomLamps[3].createAccessibilityHandler()->getValueInterface()->getCurrentValueAsString(),
              "off");

    // A screen reader operates a key by pressing it.
    auto handler = matrixKey("size").createAccessibilityHandler();
    ASSERT_NE(handler->getActions().invoke(juce::AccessibilityActionType::press), false);
    pumpMessages();
    EXPECT_EQ(editor->selectedParam, "size");
}

TEST_F(PlayingThePanel, TheWindowSizeTheUserChoseIsKept)
{
    // The first editor ever opens at 960 x 480.
    EXPECT_EQ(editor->getWidth(), 960);

    // Drawn off screen (as the snapshot tool does), a size is not the user's and is not kept.
    editor->setSize(672, 336);
    editor->timerCallback();
    editor.reset();
    openEditor();
    EXPECT_EQ(editor->getWidth(), 960);

    // In a window, the size the user drags it to is kept for every later editor, across sessions.
    {
        juce::Component window;
        window.addAndMakeVisible(*editor);
        editor->setSize(1344, 672);
        editor->timerCallback();
        window.removeChildComponent(editor.get());
    }
    editor.reset();
    openEditor();
    EXPECT_EQ(editor->getWidth(), 1344);
    EXPECT_EQ(editor->getHeight(), 672);

    // A settings file that cannot be read, or a width beyond the limits, opens the first size again.
    const auto file = vorn::PanelSizeMemory::settingsFile();
    for (const char* content :
         {"<PROPERTIES><VALUE name=\"panelWidth\" val=\"5000\"/></PROPERTIES>", "not a settings file \x01\x02", ""})
    {
        ASSERT_TRUE(file.replaceWithText(content));
        editor.reset();
        openEditor();
        EXPECT_EQ(editor->getWidth(), 960) << content;
    }
}

TEST_F(PlayingThePanel, GatedKeysStayLegibleOnHoverAndShowTheirSelection)
{
    // K1 is gated in the reverb mode.
    auto& k1 = matrixKey("k1");
    ASSERT_TRUE(k1.isGated());

    // On hover, the grey legend keeps a clear step of brightness above the key's face.
    k1.setState(juce::Button::buttonOver);
    const auto image = vorn_test::render(k1, juce::Colours::black);
    const auto face = image.getPixelAt(k1.getWidth() - 12, k1.getHeight() / 2).getBrightness();
    auto brightest = 0.0f;
    for (int y = 4; y < k1.getHeight() - 4; ++y)
        for (int x = 10; x < k1.getWidth() - 10; ++x)
            brightest = juce::jmax(brightest, image.getPixelAt(x, y).getBrightness());
    EXPECT_GT(brightest - face, 0.15f) << "legend " << brightest << " on face " << face;
    k1.setState(juce::Button::buttonNormal);

    // Selected while gated, its LED shows it: neither dark nor fully lit.
    const auto led = vorn_panel::PanelKey::ledBounds(k1.getLocalBounds().toFloat()).getCentre().toInt();
    const auto ledBrightness = [&]
    { return vorn_test::render(k1, juce::Colours::black).getPixelAt(led.x, led.y).getBrightness(); };
    const auto unselected = ledBrightness();
    click(k1);
    ASSERT_TRUE(k1.isLedOn());
    const auto selected = ledBrightness();
    EXPECT_GT(selected, unselected + 0.15f);

    click(editor->modeKeys[1]); // ECHO 2: nothing gated; K1 unselected, T1 selected
    click(k1);
    EXPECT_GT(ledBrightness(), selected + 0.1f) << "an active selected key is lit brighter still";
}
} // namespace
