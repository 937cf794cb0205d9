// The parameter matrix and data entry: keypad, UP and DOWN, matrix drags and the mouse-entry box.
#include "EditorTestSupport.h"

#include "engine/DecayScale.h"

#include <limits>

namespace
{
using vorn_test::LivePanel;
using vorn_test::mouseAt;
using vorn_test::pumpMessages;

struct DataEntry : LivePanel
{
};

TEST(DecayScale, SecondsAndStepsBothWays)
{
    EXPECT_FLOAT_EQ(vorn::decaySecondsFor(0.0f), 0.4f);
    EXPECT_FLOAT_EQ(vorn::decaySecondsFor(100.0f), 9.9f);
    EXPECT_NEAR(vorn::decaySecondsFor(33.0f), 3.535f, 1.0e-5f);

    EXPECT_NEAR(vorn::decayStepForSeconds(3.5f), 32.6316f, 1.0e-3f);
    EXPECT_NEAR(vorn::decayStepForSeconds(2.0f), 16.8421f, 1.0e-3f);
    EXPECT_FLOAT_EQ(vorn::decayStepForSeconds(12.0f), 100.0f);
    EXPECT_FLOAT_EQ(vorn::decayStepForSeconds(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(vorn::decayStepForSeconds(-5.0f), 0.0f);

    for (const float step : {0.0f, 17.0f, 58.0f, 100.0f})
        EXPECT_NEAR(vorn::decayStepForSeconds(vorn::decaySecondsFor(step)), step, 1.0e-3f) << step;
}

TEST_F(DataEntry, KeyedValuesGoToTheSelectedParameter)
{
    struct Case
    {
        const char* id;
        const char* keys;
        float expected;
        int display;
        const char* shown;
    };

    // Decay is keyed in seconds; every other value in its own units, clamped and snapped by the parameter.
    const Case cases[] = {
        {"decay", "3.5", 33.0f, 0, "3.5"}, // (3.5 - 0.4) / 0.095 = 32.63
        {"decay", "9.9", 100.0f, 0, "9.9"},
        {"decay", "12", 100.0f, 0, "9.9"},
        {"decay", "0", 0.0f, 0, "0.4"},
        {"predelay", "300", 255.0f, 2, "255"},
        {"predelay", "7", 7.0f, 2, "007"},
        {"dryWet", "25", 25.0f, 3, "25"},
        {"outputGain", "2.357", 2.36f, 1, "2.36"},
        {"earlyLevel", ".5", 0.5f, 1, "0.50"},
        {"size", ".", 0.0f, 1, "0"}, // a lone point reads as 0
    };

    for (const auto& c : cases)
    {
        click(matrixKey(c.id));
        EXPECT_EQ(editor->selectedParam, c.id);
        keyIn(c.keys);
        EXPECT_EQ(editor->entryBuffer, c.keys) << c.id << " " << c.keys;
        enter();

        EXPECT_NEAR(value(c.id), c.expected, 1.0e-5f) << c.id << " keyed " << c.keys;
        EXPECT_TRUE(editor->entryBuffer.isEmpty());
        EXPECT_EQ(editor->displays[static_cast<size_t>(c.display)].getText(), c.shown) << c.id << " keyed " << c.keys;
    }
}

TEST_F(DataEntry, SecondPointAndKeysPastTheDisplayAreDropped)
{
    click(matrixKey("outputGain"));
    keyIn("1.2.3");
    EXPECT_EQ(editor->entryBuffer, "1.23");
    // The level display holds four digits and a point; the keys after them are refused.
    keyIn("4567");
    EXPECT_EQ(editor->entryBuffer, "1.234");
    EXPECT_EQ(editor->displays[1].getText(), "1.234") << "the buffer shows on the selected parameter's display";

    enter();
    EXPECT_NEAR(value("outputGain"), 1.23f, 1.0e-5f);

    // ENTER with nothing keyed changes nothing.
    const auto before = snapshot();
    enter();
    EXPECT_EQ(snapshot(), before);
}

TEST_F(DataEntry, SelectingAnotherKeyDiscardsAHalfTypedEntry)
{
    click(matrixKey("predelay"));
    keyIn("42");
    click(matrixKey("subDelay"));
    EXPECT_TRUE(editor->entryBuffer.isEmpty());
    enter();
    EXPECT_FLOAT_EQ(value("predelay"), 18.0f);
    EXPECT_FLOAT_EQ(value("subDelay"), 0.0f);
}

TEST_F(DataEntry, UpAndDownStepTheSelectedParameter)
{
    struct Case
    {
        const char* id;
        float start;
        bool up;
        float expected;
    };

    const Case cases[] = {
        {"reverbTail", 1.0f, false, 0.0f}, // REV TAIL steps by 1 across its range of 0 to 1
        {"reverbTail", 0.0f, false, 0.0f}, {"reverbTail", 0.0f, true, 1.0f},
        {"reverbTail", 1.0f, true, 1.0f},  {"t1", 998.0f, true, 999.0f},
        {"t1", 999.0f, true, 999.0f}, // held UP ends at the top of the range
        {"outputGain", 1.2f, true, 1.21f}, {"k1", 0.0f, false, 0.0f},
        {"detune", 0.0f, true, 0.1f}, // the parameter's own step: a finer one would snap back to 0
        {"detune", -1.5f, false, -1.5f},
    };

    for (const auto& c : cases)
    {
        vorn::test::setParameter(state(), c.id, c.start);
        click(matrixKey(c.id));
        click(c.up ? editor->upKey : editor->downKey);
        EXPECT_NEAR(value(c.id), c.expected, 1.0e-5f) << c.id << " from " << c.start << (c.up ? " up" : " down");
    }

    // A pending entry survives a nudge.
    click(matrixKey("t1"));
    keyIn("12");
    click(editor->downKey);
    EXPECT_EQ(editor->entryBuffer, "12");
    EXPECT_FLOAT_EQ(value("t1"), 998.0f);
    enter();
    EXPECT_FLOAT_EQ(value("t1"), 12.0f);
}

TEST_F(DataEntry, DraggingAMatrixKeySelectsItFirstThenMovesItByWholeSteps)
{
    auto& sizeKey = matrixKey("size");
    ASSERT_EQ(editor->selectedParam, "decay");

    sizeKey.mouseDown(mouseAt(sizeKey, {36, 40}));
    sizeKey.mouseDrag(mouseAt(sizeKey, {36, 24})); // 16 px up: two steps of 1
    EXPECT_EQ(editor->selectedParam, "size");
    EXPECT_TRUE(sizeKey.isLedOn());
    EXPECT_FALSE(matrixKey("decay").isLedOn());
    EXPECT_FLOAT_EQ(value("size"), 70.0f);
    EXPECT_EQ(editor->displays[1].getText(), "70");
    sizeKey.mouseUp(mouseAt(sizeKey, {36, 24}));

    // On a selected key with a fine step: 8 px to the right is one step of 0.01.
    auto& outKey = matrixKey("outputGain");
    click(outKey);
    outKey.mouseDown(mouseAt(outKey, {10, 30}));
    outKey.mouseDrag(mouseAt(outKey, {18, 30}));
    outKey.mouseUp(mouseAt(outKey, {18, 30}));
    EXPECT_NEAR(value("outputGain"), 1.21f, 1.0e-5f);

    // K1 is gated in the Reverb mode: it gives no drag steps, but a click still selects it.
    auto& k1Key = matrixKey("k1");
    ASSERT_TRUE(k1Key.isGated());
    k1Key.mouseDown(mouseAt(k1Key, {36, 40}));
    k1Key.mouseDrag(mouseAt(k1Key, {36, 0}));
    k1Key.mouseUp(mouseAt(k1Key, {36, 0}));
    EXPECT_FLOAT_EQ(value("k1"), 0.0f);
    EXPECT_EQ(editor->selectedParam, "outputGain");
    click(k1Key);
    EXPECT_EQ(editor->selectedParam, "k1");
    EXPECT_TRUE(k1Key.isLedOn());
}

TEST_F(DataEntry, DoubleClicksOnTheDisplaysOpenTheEntryBox)
{
    struct Case
    {
        const char* selected;
        int display;
        const char* edited;
        const char* text;
    };

    // Defaults: decay 58 (5.9 s), size 68, predelay 18, outputGain 1.2, dryWet 50.
    const Case cases[] = {
        {"size", 0, "decay", "5.9"},
        {"size", 1, "size", "68"},
        {"size", 2, "predelay", "18"},
        {"size", 3, "dryWet", "50"},
        {"predelay", 1, "outputGain", "1.20"},
        {"predelay", 2, "predelay", "18"},
        {"earlyLevel", 1, "earlyLevel", "0.65"},
        {"t1", 2, "t1", "180"},
    };

    for (const int width : {960, 672})
    {
        editor->setSize(width, width / 2);
        const auto scale = static_cast<float>(width) / 1344.0f;

        for (const auto& c : cases)
        {
            click(matrixKey(c.selected));
            editor->entryBox.setVisible(false);

            const auto centre = editor->displays[static_cast<size_t>(c.display)].getBounds().getCentre().toFloat();
            editor->mouseDoubleClick(mouseAt(*editor, (centre * scale).toInt()));

            const auto what = juce::String(c.selected) + " selected, display " + juce::String(c.display);
            EXPECT_TRUE(editor->entryBox.isVisible()) << what;
            EXPECT_EQ(editor->mouseEntryParam, c.edited) << what;
            EXPECT_EQ(editor->selectedParam, c.edited) << what;
            EXPECT_EQ(editor->entryBox.getText(), c.text) << what;
            EXPECT_EQ(editor->entryBox.getBounds(), juce::Rectangle<int>(52 + 160 * c.display, 116, 128, 32)) << what;
            EXPECT_EQ(editor->entryBox.getHighlightedText(), c.text) << what << ": typing replaces it";
        }
    }

    // Anywhere else a double-click does nothing.
    editor->entryBox.setVisible(false);
    editor->mouseEntryParam.clear();
    editor->mouseDoubleClick(mouseAt(*editor, {20, 20}));
    editor->mouseDoubleClick(mouseAt(*editor, {300, 300}));
    EXPECT_FALSE(editor->entryBox.isVisible());
    EXPECT_TRUE(editor->mouseEntryParam.isEmpty());
}

TEST_F(DataEntry, EntryBoxReturnEntersEscapeAndFocusLossCancel)
{
    const auto decayDisplayCentre = juce::Point<int>(116, 132) * (960.0f / 1344.0f);

    // Return: the text is taken as seconds for the decay, as on the keypad.
    editor->mouseDoubleClick(mouseAt(*editor, decayDisplayCentre));
    editor->entryBox.insertTextAtCaret("2");
    EXPECT_EQ(editor->entryBox.getText(), "2");
    editor->entryBox.keyPressed(juce::KeyPress(juce::KeyPress::returnKey));
    pumpMessages();
    EXPECT_FLOAT_EQ(value("decay"), 17.0f); // (2 - 0.4) / 0.095 = 16.84
    EXPECT_FALSE(editor->entryBox.isVisible());
    EXPECT_EQ(editor->displays[0].getText(), "2.0");

    // The box takes only digits, points and minus signs, six at most.
    editor->mouseDoubleClick(mouseAt(*editor, decayDisplayCentre));
    editor->entryBox.insertTextAtCaret("9x.9e12345");
    EXPECT_EQ(editor->entryBox.getText(), "9.9123");

    // Escape leaves the parameter as it was.
    editor->entryBox.keyPressed(juce::KeyPress(juce::KeyPress::escapeKey));
    pumpMessages();
    EXPECT_FALSE(editor->entryBox.isVisible());
    EXPECT_FLOAT_EQ(value("decay"), 17.0f);
    EXPECT_TRUE(editor->entryBuffer.isEmpty());

    // Losing the focus hides the box and enters nothing.
    editor->mouseDoubleClick(mouseAt(*editor, decayDisplayCentre));
    editor->entryBox.insertTextAtCaret("5");
    ASSERT_TRUE(editor->entryBox.onFocusLost != nullptr);
    editor->entryBox.onFocusLost();
    EXPECT_FALSE(editor->entryBox.isVisible());
    EXPECT_FLOAT_EQ(value("decay"), 17.0f);
}

TEST_F(DataEntry, EveryChangeIsOneHostGesture)
{
    struct Recorder : juce::AudioProcessorListener
    {
        juce::StringArray events;
        juce::AudioProcessor* owner = nullptr;

        juce::String idOf(int index) const
        {
            auto* p = dynamic_cast<juce::RangedAudioParameter*>(owner->getParameters()[index]);
            return p != nullptr ? p->getParameterID() : juce::String(index);
        }

        void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float) override
        {
            events.add("set " + idOf(index));
        }
        void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}
        void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override
        {
            events.add("begin " + idOf(index));
        }
        void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override
        {
            events.add("end " + idOf(index));
        }
    } recorder;

    recorder.owner = processor.get();
    processor->addListener(&recorder);

    click(matrixKey("predelay"));
    keyIn("40");
    enter();
    click(editor->upKey);
    editor->setFloatParam("noSuchParameter", 3.0f);
    editor->setFloatParam("predelay", std::numeric_limits<float>::quiet_NaN());

    processor->removeListener(&recorder);
    EXPECT_EQ(recorder.events.joinIntoString(", "),
              "begin predelay, set predelay, end predelay, begin predelay, set predelay, end predelay");
    EXPECT_FLOAT_EQ(value("predelay"), 41.0f);
}
} // namespace
