// The ten memory slots: WRITE, READ, the naming question and the slot properties in the plug-in state.
#include "EditorTestSupport.h"

#include <limits>

namespace
{
using vorn_test::LivePanel;
using vorn_test::pumpMessages;

struct MemorySlots : LivePanel
{
    void write(const juce::String& digits)
    {
        click(editor->writeKey);
        keyIn(digits);
        enter();
    }

    void read(const juce::String& digits)
    {
        click(editor->readKey);
        keyIn(digits);
        enter();
    }

    /** The root element of the state the host would save. */
    std::unique_ptr<juce::XmlElement> savedState()
    {
        juce::MemoryBlock blob;
        processor->getStateInformation(blob);
        return juce::AudioProcessor::getXmlFromBinary(blob.getData(), static_cast<int>(blob.getSize()));
    }
};

TEST_F(MemorySlots, WriteSevenThenReadItBack)
{
    scramble();
    const auto written = snapshot();

    write("7");
    EXPECT_TRUE(editor->memoryMode.isEmpty()) << "the panel is idle while the question is open";
    EXPECT_TRUE(editor->entryBuffer.isEmpty());
    ASSERT_EQ(askedNames.size(), 1u);
    EXPECT_EQ(askedNames[0], "Memory 7");
    EXPECT_TRUE(stateProperty("memory7_used").isVoid()) << "nothing is stored before SAVE";
    answerNaming(1, askedNames[0]);

    // The properties in the state the host saves.
    const auto xml = savedState();
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xml->getTagName(), "PARAMETERS");
    EXPECT_EQ(xml->getStringAttribute("memory7_used"), "1");
    EXPECT_EQ(xml->getStringAttribute("memory7_name"), "Memory 7");
    EXPECT_EQ(editor->allParamIds().size(), 33);

    for (const auto& id : editor->allParamIds())
    {
        ASSERT_TRUE(xml->hasAttribute("memory7_" + id)) << id;
        EXPECT_NEAR(xml->getDoubleAttribute("memory7_" + id), written.at(id), 1.0e-6) << id;
    }

    // Writing changed no parameter.
    expectValues(written);

    // Everything moves away, then READ 7 restores all 33.
    for (auto* parameter : processor->getParameters())
        parameter->setValueNotifyingHost(parameter->getDefaultValue());
    ASSERT_NE(snapshot(), written);

    read("7");
    expectValues(written);
    EXPECT_TRUE(editor->memoryMode.isEmpty());
    EXPECT_EQ(editor->memorySlotName(7), "Memory 7");

    // Slots belong to the processor: a new editor recalls them too.
    for (auto* parameter : processor->getParameters())
        parameter->setValueNotifyingHost(parameter->getDefaultValue());
    editor.reset();
    openEditor();
    read("7");
    expectValues(written);
}

TEST_F(MemorySlots, TheSlotDigitIsOneDigitWithoutAPoint)
{
    // WRITE then ENTER without a digit writes slot 0.
    write("");
    ASSERT_EQ(askedNames.size(), 1u);
    EXPECT_EQ(askedNames.back(), "Memory 0");
    answerNaming(1, "Zero");
    EXPECT_EQ(editor->memorySlotName(0), "Zero");

    // WRITE 1 2: the point is refused, the 2 dropped; ENTER writes slot 1.
    click(editor->writeKey);
    keyIn(".");
    EXPECT_TRUE(editor->entryBuffer.isEmpty());
    keyIn("1.2");
    EXPECT_EQ(editor->entryBuffer, "1");
    EXPECT_EQ(editor->displays[0].getText(), "1") << "the digit shows on the selected parameter's display";
    enter();
    EXPECT_EQ(askedNames.back(), "Memory 1");
    answerNaming(1, "One");
    EXPECT_EQ(editor->memorySlotName(1), "One");
    EXPECT_EQ(editor->memorySlotName(2), "EMPTY 2");

    // Selecting a parameter in between keeps the operation armed but drops the digit.
    click(editor->writeKey);
    keyIn("5");
    click(matrixKey("size"));
    EXPECT_EQ(editor->memoryMode, "write");
    EXPECT_TRUE(editor->entryBuffer.isEmpty());
    keyIn("3");
    EXPECT_EQ(editor->displays[1].getText(), "3");
    enter();
    EXPECT_EQ(askedNames.back(), "Memory 3");
    answerNaming(0, "");

    // READ replaces an armed WRITE.
    click(editor->writeKey);
    click(editor->readKey);
    EXPECT_EQ(editor->memoryMode, "read");
}

TEST_F(MemorySlots, NamesAreTrimmedAndBlankOnesFallBack)
{
    struct Case
    {
        int slot;
        const char* typed;
        const char* stored;
        const char* offeredNext;
    };

    const Case cases[] = {
        {2, "  Hall \t", "Hall", "Hall"},
        {3, "   ", "Memory 3", "Memory 3"},
        {4, "", "Memory 4", "Memory 4"},
        {5, "EMPTY ROOM", "EMPTY ROOM", "Memory 5"}, // would read as an unwritten slot
        {6, "Plate, 2 s", "Plate, 2 s", "Plate, 2 s"},
    };

    for (const auto& c : cases)
    {
        write(juce::String(c.slot));
        answerNaming(1, c.typed);
        EXPECT_EQ(stateProperty("memory" + juce::String(c.slot) + "_name").toString(), c.stored) << c.typed;
        EXPECT_EQ(editor->memorySlotName(c.slot), c.stored);

        write(juce::String(c.slot));
        EXPECT_EQ(askedNames.back(), c.offeredNext) << c.typed;
        answerNaming(0, "ignored");
        EXPECT_EQ(editor->memorySlotName(c.slot), c.stored);
    }
}

TEST_F(MemorySlots, ReadingAnUnwrittenSlotChangesNothing)
{
    scramble();
    const auto before = snapshot();
    read("5");
    EXPECT_EQ(snapshot(), before);
    EXPECT_TRUE(editor->memoryMode.isEmpty());
    EXPECT_TRUE(editor->entryBuffer.isEmpty());
    EXPECT_EQ(editor->memorySlotName(5), "EMPTY 5");

    // Values without the mark of a written slot are not a slot.
    auto tree = state().copyState();
    tree.setProperty("memory5_decay", 3.0, nullptr);
    tree.setProperty("memory5_used", false, nullptr);
    state().replaceState(tree);
    read("5");
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(editor->memorySlotName(5), "EMPTY 5");
}

TEST_F(MemorySlots, CancelAndAClosedEditorStoreNothing)
{
    write("8");
    EXPECT_TRUE(editor->memoryMode.isEmpty());
    answerNaming(0, "Kept?");
    EXPECT_TRUE(stateProperty("memory8_used").isVoid());
    EXPECT_EQ(editor->memorySlotName(8), "EMPTY 8");

    // The editor closes while the question is open; SAVE afterwards stores nothing.
    write("9");
    ASSERT_TRUE(pendingAnswer != nullptr);
    editor.reset();
    answerNaming(1, "Orphan");
    EXPECT_TRUE(stateProperty("memory9_used").isVoid());
    EXPECT_TRUE(stateProperty("memory9_name").isVoid());
}

TEST_F(MemorySlots, ReadThroughTheEntryBoxTakesTheIntegerPart)
{
    struct Case
    {
        const char* typed;
        int slot;
    };

    // 3.7 reads slot 3; beyond the slots the number is limited to 0 or 9.
    const Case cases[] = {{"3.7", 3}, {"-4", 0}, {"42", 9}};

    for (const auto& c : cases)
    {
        for (auto* parameter : processor->getParameters())
            parameter->setValueNotifyingHost(parameter->getDefaultValue());

        vorn::test::setParameter(state(), "predelay", static_cast<float>(100 + c.slot));
        editor->storeMemorySlot(c.slot, {});
        vorn::test::setParameter(state(), "predelay", 1.0f);

        click(editor->readKey);
        editor->mouseDoubleClick(vorn_test::mouseAt(*editor, juce::Point<int>(596, 132) * (960.0f / 1344.0f)));
        EXPECT_EQ(editor->memoryMode, "read") << "a mouse entry keeps the operation armed";
        editor->entryBox.insertTextAtCaret(c.typed);
        editor->entryBox.keyPressed(juce::KeyPress(juce::KeyPress::returnKey));
        pumpMessages();

        EXPECT_FLOAT_EQ(value("predelay"), static_cast<float>(100 + c.slot)) << c.typed;
        EXPECT_TRUE(editor->memoryMode.isEmpty());
        EXPECT_FLOAT_EQ(value("dryWet"), 50.0f) << "the box's text named a slot, not a dry/wet value";
    }
}

TEST_F(MemorySlots, ASlotMissingOrCorruptValuesLeavesThoseParameters)
{
    vorn::test::setParameter(state(), "decay", 80.0f);
    vorn::test::setParameter(state(), "size", 20.0f);
    vorn::test::setParameter(state(), "width", 10.0f);
    editor->storeMemorySlot(4, "Partial");

    // A project written by hand or damaged on the way: one value missing, others not numbers at all.
    auto tree = state().copyState();
    tree.removeProperty("memory4_decay", nullptr);
    tree.setProperty("memory4_size", std::numeric_limits<double>::quiet_NaN(), nullptr);
    tree.setProperty("memory4_width", std::numeric_limits<double>::infinity(), nullptr);
    // As a project file holds it, text: an exponent that overflows the framework's reader (it would read 20).
    tree.setProperty("memory4_mix", "2e4294967297", nullptr);
    state().replaceState(tree);

    vorn::test::setParameter(state(), "decay", 5.0f);
    vorn::test::setParameter(state(), "size", 6.0f);
    vorn::test::setParameter(state(), "width", 7.0f);
    vorn::test::setParameter(state(), "predelay", 99.0f);
    vorn::test::setParameter(state(), "mix", 33.0f);

    read("4");
    EXPECT_FLOAT_EQ(value("decay"), 5.0f);
    EXPECT_FLOAT_EQ(value("mix"), 33.0f);
    EXPECT_FLOAT_EQ(value("size"), 6.0f);
    EXPECT_FLOAT_EQ(value("width"), 7.0f);
    EXPECT_FLOAT_EQ(value("predelay"), 18.0f) << "the values that are there are recalled";
}

TEST_F(MemorySlots, TheDesktopQuestionIsTheFrameworksAlertWindow)
{
    if (juce::SystemStats::getEnvironmentVariable("DISPLAY", {}).isEmpty())
        GTEST_SKIP() << "the framework's windows need a display";

    editor->askMemoryName = VornReverbAudioProcessorEditor::askMemoryNameInAlertWindow;
    editor->storeMemorySlot(2, "Hall");

    for (const auto* button : {"CANCEL", "SAVE"})
    {
        write("2");
        auto* alert =
            dynamic_cast<juce::AlertWindow*>(juce::ModalComponentManager::getInstance()->getModalComponent(0));
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->getName(), "Name memory slot");
        EXPECT_EQ(alert->getTextEditorContents("name"), "Hall");
        EXPECT_EQ(alert->getNumButtons(), 2);

        // The name field has the keyboard with its text selected: what the user types replaces the name.
        auto* field = alert->getTextEditor("name");
        ASSERT_TRUE(vorn_test::pumpUntil([field] { return field->hasKeyboardFocus(false); }));
        EXPECT_EQ(field->getHighlightedText(), "Hall");
        for (const auto c : juce::String("Chapel"))
            ASSERT_TRUE(juce::Component::getCurrentlyFocusedComponent()->keyPressed(juce::KeyPress(c, {}, c)));
        EXPECT_EQ(alert->getTextEditorContents("name"), "Chapel");

        for (auto* child : alert->getChildren())
            if (auto* b = dynamic_cast<juce::TextButton*>(child); b != nullptr && b->getButtonText() == button)
                b->triggerClick();
        pumpMessages();
        pumpMessages();

        EXPECT_EQ(juce::ModalComponentManager::getInstance()->getNumModalComponents(), 0) << button;
        EXPECT_EQ(editor->memorySlotName(2), juce::String(button) == "SAVE" ? "Chapel" : "Hall") << button;
    }
}
} // namespace
