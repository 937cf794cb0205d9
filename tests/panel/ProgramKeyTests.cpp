// Program keys A to D, PREV, NEXT and SAVE with the name field and the category caption.
#include "EditorTestSupport.h"

namespace
{
using vorn_test::LivePanel;

struct ProgramKeys : LivePanel
{
    juce::String programLeds()
    {
        juce::String lit;
        for (auto& key : editor->programKeys)
            lit << (key.isLedOn() ? "1" : "0");
        return lit;
    }
};

TEST_F(ProgramKeys, EachKeySetsItsCharacterProgramAndReverbValues)
{
    struct Case
    {
        int key;
        float decay;
        const char* decaySeconds;
        float predelay, earlyLevel, subLevel, earlyDelay, subDelay, lowCut, highCut, rtLow, rtHigh, width, lfoRate,
            inputLink, outputGain;
    };

    // The decay steps are snapped to whole steps by the parameter.
    const Case cases[] = {
        {0, 31, "3.3", 24, 0.55f, 0.75f, 28, 70, 50, 10000, 1.5f, 0.5f, 52, 0.07f, 0.42f, 1.1f},
        {1, 14, "1.7", 10, 0.7f, 0.62f, 22, 44, 50, 8600, 1.5f, 0.33f, 48, 0.08f, 0.45f, 1.25f},
        {2, 20, "2.3", 0, 0.3f, 0.65f, 8, 40, 50, 13000, 1.0f, 1.0f, 56, 0.06f, 0.4f, 1.1f},
        {3, 43, "4.5", 40, 0.5f, 0.6f, 40, 95, 30, 5000, 2.0f, 0.33f, 50, 0.06f, 0.42f, 1.05f},
    };

    for (const auto& c : cases)
    {
        scramble();
        vorn::test::setParameter(state(), "effectMode", 2.0f);
        const auto before = snapshot();

        click(editor->programKeys[static_cast<size_t>(c.key)]);
        const auto what = "key " + juce::String::charToString(static_cast<juce::juce_wchar>('A' + c.key));

        const std::pair<const char*, float> expected[] = {
            {"preset", static_cast<float>(c.key)},
            {"effectMode", 0},
            {"reverbTail", 1},
            {"mix", 38},
            {"k1", 0},
            {"k2", 0},
            {"t1", 0},
            {"t2", 0},
            {"lowTilt", -1},
            {"detune", 0},
            {"decay", c.decay},
            {"predelay", c.predelay},
            {"earlyLevel", c.earlyLevel},
            {"subLevel", c.subLevel},
            {"earlyDelay", c.earlyDelay},
            {"subDelay", c.subDelay},
            {"lowCut", c.lowCut},
            {"highCut", c.highCut},
            {"rtLow", c.rtLow},
            {"rtHigh", c.rtHigh},
            {"width", c.width},
            {"lfoRate", c.lfoRate},
            {"inputLink", c.inputLink},
            {"outputGain", c.outputGain},
        };

        for (const auto& [id, v] : expected)
            EXPECT_NEAR(value(id), v, 1.0e-5f) << what << " " << id;

        // The rest of the setting is left alone.
        for (const auto* id :
             {"size", "character", "dryWet", "modDepth", "delayMix", "vintageConv", "delaySync", "pingPong", "routing"})
            EXPECT_FLOAT_EQ(value(id), before.at(id)) << what << " " << id;

        juce::String lit("0000");
        EXPECT_EQ(programLeds(), lit.replaceSection(c.key, 1, "1")) << what;
        for (auto& key : editor->modeKeys)
            EXPECT_FALSE(key.isLedOn()) << what;
        EXPECT_EQ(editor->displays[0].getText(), c.decaySeconds) << what;
    }
}

TEST_F(ProgramKeys, KeyBAfterAFactoryProgram)
{
    click(editor->nextKey);
    ASSERT_EQ(editor->programName.getText(), "Kit Room");
    click(matrixKey("size"));

    click(editor->programKeys[1]);
    EXPECT_FLOAT_EQ(value("preset"), 1.0f);
    EXPECT_FLOAT_EQ(value("effectMode"), 0.0f);
    EXPECT_FLOAT_EQ(value("mix"), 38.0f);
    EXPECT_FLOAT_EQ(value("t1"), 0.0f);
    EXPECT_FLOAT_EQ(value("t2"), 0.0f);
    EXPECT_FLOAT_EQ(value("highCut"), 8600.0f);
    EXPECT_NEAR(value("outputGain"), 1.25f, 1.0e-5f);
    EXPECT_FLOAT_EQ(value("decay"), 14.0f);
    EXPECT_EQ(programLeds(), "0100");

    // Neither the name field, the caption nor the selection move.
    EXPECT_EQ(editor->programName.getText(), "Kit Room");
    EXPECT_EQ(editor->categoryCaption, "DRUMS");
    EXPECT_EQ(editor->selectedParam, "size");
}

TEST_F(ProgramKeys, AProgramKeyLeavesAnEchoMode)
{
    click(editor->modeKeys[1]); // ECHO 2
    ASSERT_FLOAT_EQ(value("effectMode"), 2.0f);
    ASSERT_FLOAT_EQ(value("reverbTail"), 0.0f);

    click(editor->programKeys[0]);
    EXPECT_FLOAT_EQ(value("effectMode"), 0.0f);
    EXPECT_FLOAT_EQ(value("reverbTail"), 1.0f);
    for (const auto* id : {"t1", "t2", "k1", "k2"})
        EXPECT_FLOAT_EQ(value(id), 0.0f) << id;
    EXPECT_EQ(programLeds(), "1000");
    for (auto& key : editor->modeKeys)
        EXPECT_FALSE(key.isLedOn());
    EXPECT_TRUE(matrixKey("k1").isGated());
}

TEST_F(ProgramKeys, NextAndPrevStepThroughTheWholeList)
{
    ASSERT_EQ(manager().current, -1);
    ASSERT_EQ(editor->programName.getText(), "Init");
    ASSERT_EQ(manager().entries.size(), 46u) << "a fresh user folder holds no presets";

    click(editor->nextKey);
    EXPECT_EQ(editor->programName.getText(), "Kit Room");
    EXPECT_EQ(editor->categoryCaption, "DRUMS");

    click(editor->prevKey);
    EXPECT_EQ(editor->programName.getText(), "Long Tail");
    EXPECT_EQ(editor->categoryCaption, "UTILITY");

    click(editor->nextKey);
    EXPECT_EQ(editor->programName.getText(), "Kit Room");

    // The program was loaded into the parameters and the displays show it at once.
    EXPECT_EQ(editor->displays[0].getText(), juce::String(0.4f + 0.095f * value("decay"), 1));

    // A new editor starts from the manager's program, with an empty caption.
    editor.reset();
    openEditor();
    EXPECT_EQ(editor->programName.getText(), "Kit Room");
    EXPECT_TRUE(editor->categoryCaption.isEmpty());
}

TEST_F(ProgramKeys, SaveWritesAUserPresetUnderTheTypedName)
{
    click(editor->prevKey); // the last factory program, Long Tail
    const auto programsBefore = manager().entries.size();

    // A blank name is refused, in capitals on the caption; nothing is written.
    for (const auto* blank : {"", "   "})
    {
        editor->programName.setText(blank, juce::sendNotification);
        click(editor->saveKey);
        EXPECT_EQ(editor->categoryCaption, "A PRESET NEEDS A NAME.") << "'" << blank << "'";
        EXPECT_EQ(manager().entries.size(), programsBefore);
        EXPECT_FALSE(vorn::PresetManager::userDir().getChildFile(juce::String(blank) + ".vornpreset").exists());
    }

    vorn::test::setParameter(state(), "size", 33.0f);
    editor->programName.setText("Plate One", juce::sendNotification);
    click(editor->saveKey);
    EXPECT_EQ(editor->categoryCaption, "SAVED");
    EXPECT_EQ(editor->programName.getText(), "Plate One");
    ASSERT_EQ(manager().entries.size(), programsBefore + 1);
    EXPECT_TRUE(vorn::PresetManager::userDir().getChildFile("Plate One.vornpreset").existsAsFile());

    // NEXT continues after the new preset, the last of the list: back to the first.
    click(editor->nextKey);
    EXPECT_EQ(editor->programName.getText(), "Kit Room");
    click(editor->prevKey);
    EXPECT_EQ(editor->programName.getText(), "Plate One");
    EXPECT_EQ(editor->categoryCaption, "USER");
    EXPECT_FLOAT_EQ(value("size"), 33.0f);
}
} // namespace
