// Paths on which the panel once lost or corrupted what the user typed, replayed as the user took them.
#include "EditorTestSupport.h"

namespace
{
using vorn_test::LivePanel;
using vorn_test::mouseAt;
using vorn_test::pumpMessages;

struct EntryFaults : LivePanel
{
    /** A press on a control or on the bare panel, as the framework delivers it: the control handles it, then the
        editor, which listens to the whole canvas. A key then clicks. */
    void press(juce::Component& target)
    {
        editor->mouseDown(mouseAt(target, target.getLocalBounds().getCentre()));

        if (auto* key = dynamic_cast<vorn_panel::PanelKey*>(&target))
            click(*key);
    }

    /** A press on the bare panel between the sub-panels. */
    void pressBarePanel() { editor->mouseDown(mouseAt(*editor, juce::Point<int>(712, 300) * (960.0f / 1344.0f))); }

    /** Double-clicks a display, as the framework delivers it to the listening editor. */
    void doubleClickDisplay(int display)
    {
        auto& d = editor->displays[static_cast<size_t>(display)];
        editor->mouseDoubleClick(mouseAt(d, d.getLocalBounds().getCentre()));
    }

    /** A key typed on the computer keyboard while the panel has the keyboard. */
    void type(const juce::String& text)
    {
        for (const auto c : text)
            editor->keyPressed(juce::KeyPress(static_cast<int>(c), {}, c));
    }

    void typeKey(int code) { editor->keyPressed(juce::KeyPress(code)); }
};

TEST_F(EntryFaults, TypingAfterAClickOnTheBarePanelPlaysTheKeypad)
{
    // Select DRY/WET, click the bare panel, type 25 and Return.
    click(matrixKey("dryWet"));
    pressBarePanel();

    // The panel itself takes the keyboard; the entry box, hidden while no entry is open, cannot.
    EXPECT_TRUE(editor->getWantsKeyboardFocus());
    EXPECT_FALSE(editor->entryBox.isVisible());
    type("25");
    typeKey(juce::KeyPress::returnKey);
    EXPECT_FLOAT_EQ(value("dryWet"), 25.0f);
    EXPECT_EQ(editor->selectedParam, "dryWet");
    EXPECT_TRUE(editor->matrixKeys[9].isLedOn()) << "DRY/WET stays selected";

    // Return reaching the hidden box with no entry open changes nothing at all.
    const auto before = snapshot();
    editor->entryBox.setText("99", juce::dontSendNotification);
    editor->entryBox.keyPressed(juce::KeyPress(juce::KeyPress::returnKey));
    pumpMessages();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(editor->selectedParam, "dryWet");

    // The keypad and UP still act on DRY/WET, never on OUT LEVEL.
    keyIn("40");
    enter();
    EXPECT_FLOAT_EQ(value("dryWet"), 40.0f);
    click(editor->upKey);
    EXPECT_FLOAT_EQ(value("dryWet"), 41.0f);
    EXPECT_FLOAT_EQ(value("outputGain"), 1.2f);
}

TEST_F(EntryFaults, APressOutsideTheEntryBoxCancelsTheEntry)
{
    struct Case
    {
        const char* what;
        std::function<void(EntryFaults&)> pressElsewhere;
        const char* selectedAfter; // a key press still does its own action
    };

    const Case cases[] = {
        {"a matrix key", [](EntryFaults& t) { t.press(t.matrixKey("size")); }, "size"},
        {"a keypad digit", [](EntryFaults& t) { t.press(t.editor->digitKeys[3]); }, "dryWet"},
        {"another display", [](EntryFaults& t) { t.press(t.editor->displays[0]); }, "dryWet"},
        {"a lamp", [](EntryFaults& t) { t.press(t.editor->headroomLamps[0]); }, "dryWet"},
        {"the bare panel", [](EntryFaults& t) { t.pressBarePanel(); }, "dryWet"},
    };

    for (const auto& c : cases)
    {
        doubleClickDisplay(3); // DRY/WET
        ASSERT_TRUE(editor->isMouseEntryOpen()) << c.what;
        editor->entryBox.insertTextAtCaret("7");

        // A press inside the box leaves it open.
        editor->mouseDown(mouseAt(editor->entryBox, {4, 4}));
        EXPECT_TRUE(editor->isMouseEntryOpen()) << c.what;

        c.pressElsewhere(*this);
        EXPECT_FALSE(editor->entryBox.isVisible()) << c.what;
        EXPECT_FALSE(editor->isMouseEntryOpen()) << c.what;
        EXPECT_EQ(editor->selectedParam, c.selectedAfter) << c.what;

        // A Return arriving later writes nothing anywhere.
        editor->entryBox.keyPressed(juce::KeyPress(juce::KeyPress::returnKey));
        pumpMessages();
        EXPECT_FLOAT_EQ(value("dryWet"), 50.0f) << c.what;
        EXPECT_FLOAT_EQ(value("size"), 68.0f) << c.what;
        editor->discardPendingEntry();
    }
}

TEST_F(EntryFaults, EveryDisplayShowsExactlyWhatIsKeyedAndRefusesWhatItCannotShow)
{
    // A display is 136 x 40: a digit cell advances 1.16 x 0.62 x 40 = 28.8 units and a point 11.5, so four digits
    // and a point fit (126.6) and a fifth digit does not (143.8).
    struct Case
    {
        const char* keys;
        const char* kept;
    };

    const Case cases[] = {
        {"1", "1"},           {"12", "12"},       {"123", "123"},       {"1234", "1234"},
        {"12345", "1234"},    {"123456", "1234"}, {"1.23456", "1.234"}, {".123456", ".1234"},
        {"12.3456", "12.34"}, {"9.9", "9.9"},     {"0000000", "0000"},
    };

    // One parameter shown on each display: decay, size (level), t1 (delay), dry/wet.
    const std::pair<const char*, size_t> parameters[] = {{"decay", 0}, {"size", 1}, {"t1", 2}, {"dryWet", 3}};

    for (const auto& [id, display] : parameters)
    {
        for (const auto& c : cases)
        {
            click(matrixKey(id));
            const juce::String keys(c.keys);

            for (int n = 1; n <= keys.length(); ++n)
            {
                keyIn(keys.substring(n - 1, n));
                auto shown = editor->displays[display].getText();

                // The delay display pads short values to three digits; the keyed digits are all there.
                if (display == 2 && editor->entryBuffer.length() < 3)
                    shown = shown.substring(3 - editor->entryBuffer.length());

                EXPECT_EQ(shown, editor->entryBuffer) << id << " keyed " << keys.substring(0, n);
                EXPECT_TRUE(editor->displays[display].canShow(editor->displays[display].getText()))
                    << id << " keyed " << keys.substring(0, n);
                EXPECT_TRUE(editor->displays[display].isPending()) << id;
            }

            EXPECT_EQ(editor->entryBuffer, c.kept) << id << " keyed " << c.keys;
        }
    }

    // With T1 selected, 1 2 3 4 5 6 and ENTER stores what was shown, clamped: 1234 ms is beyond 999.
    click(matrixKey("t1"));
    keyIn("123456");
    EXPECT_EQ(editor->displays[2].getText(), "1234");
    enter();
    EXPECT_FLOAT_EQ(value("t1"), 999.0f);
}

TEST_F(EntryFaults, AProgramLoadedFromTheBrowserShowsInTheProgramRow)
{
    click(editor->nextKey);
    ASSERT_EQ(editor->programName.getText(), "Kit Room");
    editor->toggleBrowser();
    ASSERT_NE(editor->browser, nullptr);

    auto& browser = *editor->browser;
    const auto rowOf = [&browser, this](const juce::String& name)
    {
        for (size_t row = 0; row < browser.shown.size(); ++row)
            if (manager().entries[static_cast<size_t>(browser.shown[row])].name == name)
                return static_cast<int>(row);
        return -1;
    };

    // A click loads Toms: the name field and the caption follow, and NEXT steps on from Toms.
    const auto toms = rowOf("Toms");
    ASSERT_GE(toms, 0);
    browser.presetModel.listBoxItemClicked(toms, mouseAt(browser.presetList, {10, 10}));
    pumpMessages();
    EXPECT_EQ(editor->programName.getText(), "Toms");
    EXPECT_EQ(editor->categoryCaption, "DRUMS");

    const auto tomsIndex = manager().current;
    click(editor->nextKey);
    EXPECT_EQ(manager().current, tomsIndex + 1);
    EXPECT_EQ(editor->programName.getText(), manager().entries[static_cast<size_t>(tomsIndex + 1)].name);

    // A double-click loads and closes, and the row follows too.
    editor->toggleBrowser();
    ASSERT_EQ(editor->browser, nullptr);
    editor->toggleBrowser();
    ASSERT_NE(editor->browser, nullptr);
    auto& reopened = *editor->browser;
    const auto electricPiano = [&reopened, this]
    {
        for (size_t row = 0; row < reopened.shown.size(); ++row)
            if (manager().entries[static_cast<size_t>(reopened.shown[row])].name == "Electric Piano")
                return static_cast<int>(row);
        return -1;
    }();
    ASSERT_GE(electricPiano, 0);
    reopened.presetModel.listBoxItemDoubleClicked(electricPiano, mouseAt(reopened.presetList, {10, 10}));
    pumpMessages();
    EXPECT_EQ(editor->browser, nullptr);
    EXPECT_EQ(editor->programName.getText(), "Electric Piano");
    EXPECT_EQ(editor->categoryCaption, "KEYS");

    // Program keys and memory recalls still leave the row as it is.
    click(editor->programKeys[1]);
    EXPECT_EQ(editor->programName.getText(), "Electric Piano");
    EXPECT_EQ(editor->categoryCaption, "KEYS");
}
} // namespace
