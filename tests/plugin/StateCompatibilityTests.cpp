// Projects saved with version 2.3.0 must open in every later version with the same sound and the same memory
// slots. tests/data/state-2.3.0.bin was saved by 2.3.0: every parameter away from its default, and memory slots 0
// ("Verse", the defaults), 7 ("Chorus Hall", the values below) and 9 ("Memory 9", the values below but decay 10).
// It is never regenerated: a version that cannot read it breaks users' projects.
#include "editor/PluginEditor.h"
#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

using vorn::test::valueOf;

namespace
{
struct Saved
{
    const char* id;
    float value;        // as saved, real units
    float defaultValue; // what slot 0 holds
};

// Written down when the fixture was made, not read back from the code.
constexpr Saved kSaved[] = {
    {"decay", 73.0f, 58.0f},   {"predelay", 120.0f, 18.0f},   {"size", 81.0f, 68.0f},      {"character", 29.0f, 66.0f},
    {"mix", 64.0f, 34.0f},     {"dryWet", 37.0f, 50.0f},      {"vintageConv", 1.0f, 0.0f}, {"delaySync", 1.0f, 0.0f},
    {"preset", 1.0f, 3.0f},    {"reverbTail", 0.625f, 1.0f},  {"modDepth", 17.0f, 42.0f},  {"earlyLevel", 0.25f, 0.65f},
    {"subLevel", 0.5f, 0.0f},  {"earlyDelay", 201.0f, 28.0f}, {"subDelay", 35.0f, 0.0f},   {"k1", 0.75f, 0.0f},
    {"k2", 0.5f, 0.0f},        {"t1", 777.0f, 180.0f},        {"t2", 333.0f, 240.0f},      {"effectMode", 3.0f, 0.0f},
    {"lowCut", 55.0f, 100.0f}, {"rtLow", 1.5f, 1.0f},         {"rtHigh", 0.5f, 1.0f},      {"outputGain", 2.25f, 1.2f},
    {"width", 12.0f, 42.0f},   {"lfoRate", 0.25f, 0.1f},      {"detune", -0.5f, 0.0f},     {"inputLink", 0.25f, 0.6f},
    {"lowTilt", 1.5f, -1.0f},  {"highCut", 9000.0f, -1.0f},   {"delayMix", 0.75f, 1.0f},   {"pingPong", 1.0f, 0.0f},
    {"routing", 2.0f, 0.0f},
};

constexpr float kTolerance = 1.0e-4f; // far below the finest step (0.01), far above float rounding

juce::MemoryBlock fixture()
{
    juce::MemoryBlock block;
    juce::File(VORN_TEST_DATA).getChildFile("state-2.3.0.bin").loadFileAsData(block);
    return block;
}

juce::String slotProperty(int slot, const juce::String& suffix)
{
    return "memory" + juce::String(slot) + "_" + suffix;
}

/** Checks the 33 values and the three written slots of a processor that has loaded the fixture. */
void expectTheSavedProject(VornReverbAudioProcessor& processor)
{
    auto& state = processor.parameters();
    ASSERT_EQ(std::size(kSaved), size_t(33));
    for (const auto& saved : kSaved)
        EXPECT_NEAR(valueOf(state, saved.id), saved.value, kTolerance) << saved.id;

    const auto& root = state.state;
    const std::pair<int, const char*> names[] = {{0, "Verse"}, {7, "Chorus Hall"}, {9, "Memory 9"}};
    for (const auto& [slot, name] : names)
    {
        EXPECT_TRUE(bool(root.getProperty(slotProperty(slot, "used"), false))) << slot;
        EXPECT_EQ(root.getProperty(slotProperty(slot, "name")).toString(), name) << slot;
        for (const auto& saved : kSaved)
        {
            const auto property = slotProperty(slot, saved.id);
            ASSERT_TRUE(root.hasProperty(property)) << property;
            const auto expected = slot == 0                                        ? saved.defaultValue
                                  : slot == 9 && juce::String(saved.id) == "decay" ? 10.0f
                                                                                   : saved.value;
            EXPECT_NEAR(double(root.getProperty(property)), expected, kTolerance) << property;
        }
    }

    for (const auto slot : {1, 2, 3, 4, 5, 6, 8})
        EXPECT_FALSE(bool(root.getProperty(slotProperty(slot, "used"), false))) << slot;
}
} // namespace

TEST(StateCompatibility, AProjectSavedBy230RestoresEveryValueAndMemorySlot)
{
    const auto blob = fixture();
    ASSERT_GT(blob.getSize(), 8u) << "missing " << VORN_TEST_DATA << "/state-2.3.0.bin";

    VornReverbAudioProcessor processor;
    processor.setStateInformation(blob.getData(), int(blob.getSize()));
    expectTheSavedProject(processor);
}

TEST(StateCompatibility, ResavingAnOldProjectKeepsItReadable)
{
    const auto blob = fixture();
    VornReverbAudioProcessor first;
    first.setStateInformation(blob.getData(), int(blob.getSize()));
    juce::MemoryBlock resaved;
    first.getStateInformation(resaved);

    VornReverbAudioProcessor second;
    second.setStateInformation(resaved.getData(), int(resaved.getSize()));
    expectTheSavedProject(second);
}

// The panel reads the slots of an old project by name and recalls them.
TEST(StateCompatibility, ThePanelRecallsTheMemorySlotsOfAnOldProject)
{
    const auto blob = fixture();
    VornReverbAudioProcessor processor;
    processor.setStateInformation(blob.getData(), int(blob.getSize()));
    VornReverbAudioProcessorEditor editor(processor);

    EXPECT_EQ(editor.memorySlotName(0), "Verse");
    EXPECT_EQ(editor.memorySlotName(7), "Chorus Hall");
    EXPECT_EQ(editor.memorySlotName(9), "Memory 9");
    EXPECT_EQ(editor.memorySlotName(4), "EMPTY 4");

    editor.recallMemorySlot(0);
    for (const auto& saved : kSaved)
        EXPECT_NEAR(valueOf(processor.parameters(), saved.id), saved.defaultValue, kTolerance) << saved.id;

    editor.recallMemorySlot(9);
    EXPECT_NEAR(valueOf(processor.parameters(), "decay"), 10.0f, kTolerance);
    EXPECT_NEAR(valueOf(processor.parameters(), "t1"), 777.0f, kTolerance);
}
