#include "plugin/FactoryPresets.h"
#include "tests/plugin/PresetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <numeric>
#include <vector>

using vorn::test::ChangeCounter;

namespace
{

/** One program as the library's table gives it: the twelve values that vary, then the exceptions. */
struct ProgramRow
{
    const char* name;
    const char* category;
    float varying[12];
    const char* differing;
};

const char* const kVaryingIds[12] = {"decay",  "predelay", "size",   "character", "earlyLevel", "earlyDelay",
                                     "dryWet", "width",    "lowCut", "rtLow",     "rtHigh",     "modDepth"};

// clang-format off
const ProgramRow kProgramRows[] = {
    {"Kit Room", "Drums", {5, 8, 55, 60, 0.55, 22, 48, 52, 90, 0.8, 0.8, 35}, ""},
    {"Kit Big Room", "Drums", {14, 14, 72, 66, 0.6, 30, 48, 58, 80, 0.9, 0.75, 40}, ""},
    {"Kit Tight", "Drums", {2, 4, 42, 55, 0.5, 14, 41, 46, 100, 0.7, 0.85, 28}, ""},
    {"Kick Weight", "Drums", {1, 0, 38, 45, 0.35, 10, 40, 34, 60, 1.2, 0.4, 20}, "subLevel 0.2"},
    {"Snare Plate", "Drums", {11, 16, 60, 78, 0.45, 18, 45, 56, 140, 0.6, 1, 30}, ""},
    {"Snare Room", "Drums", {4, 10, 50, 62, 0.55, 16, 48, 50, 130, 0.7, 0.85, 32}, ""},
    {"Snare Long", "Drums", {21, 22, 74, 80, 0.4, 24, 45, 60, 150, 0.55, 1, 34}, ""},
    {"Toms", "Drums", {8, 12, 58, 58, 0.55, 20, 46, 54, 90, 1, 0.7, 36}, ""},
    {"Cymbals Air", "Drums", {13, 6, 66, 72, 0.35, 16, 39, 62, 200, 0.5, 0.6, 30}, ""},
    {"Drum Ambience", "Drums", {27, 0, 84, 70, 0.7, 36, 53, 64, 70, 1, 0.7, 45}, ""},
    {"Electric Clean", "Guitars", {12, 18, 62, 68, 0.55, 24, 42, 56, 110, 0.9, 0.9, 40}, ""},
    {"Electric Crunch", "Guitars", {6, 12, 52, 58, 0.5, 18, 42, 50, 120, 0.8, 0.65, 34}, ""},
    {"Electric Lead", "Guitars", {19, 26, 72, 74, 0.45, 30, 45, 60, 120, 0.8, 0.9, 48}, ""},
    {"Acoustic", "Guitars", {14, 20, 64, 76, 0.5, 26, 41, 58, 130, 0.85, 1, 38}, ""},
    {"Guitar Slap", "Guitars", {4, 8, 48, 62, 0.45, 14, 46, 52, 120, 0.8, 0.85, 30}, "effectMode 1, t1 120, k1 0.25, delayMix 0.45"},
    {"Bass Subtle", "Bass", {2, 6, 44, 50, 0.35, 12, 30, 32, 180, 0.5, 0.7, 18}, ""},
    {"Bass Room", "Bass", {4, 4, 48, 55, 0.45, 14, 33, 36, 160, 0.6, 0.75, 22}, ""},
    {"Bass Synth", "Bass", {6, 10, 55, 60, 0.4, 18, 34, 40, 200, 0.6, 0.8, 26}, ""},
    {"Grand Concert", "Keys", {23, 24, 80, 72, 0.55, 32, 44, 62, 60, 1.2, 0.85, 42}, ""},
    {"Grand Pop", "Keys", {12, 18, 64, 68, 0.55, 24, 42, 56, 90, 1, 0.9, 38}, ""},
    {"Upright", "Keys", {9, 14, 58, 64, 0.55, 20, 45, 52, 100, 1, 0.8, 34}, ""},
    {"Electric Piano", "Keys", {17, 20, 70, 70, 0.5, 28, 44, 58, 100, 1.1, 0.85, 46}, ""},
    {"Organ Hall", "Keys", {26, 16, 86, 66, 0.6, 30, 47, 64, 70, 1.3, 0.8, 40}, ""},
    {"Synth Pad", "Keys", {40, 30, 92, 74, 0.45, 40, 46, 68, 80, 1.2, 0.9, 60}, ""},
    {"Male Lead", "Vocals", {13, 26, 64, 70, 0.5, 26, 42, 54, 120, 1, 0.85, 36}, ""},
    {"Male Plate", "Vocals", {18, 24, 70, 80, 0.4, 24, 45, 58, 140, 0.7, 1, 32}, ""},
    {"Male Intimate", "Vocals", {6, 18, 52, 62, 0.5, 18, 38, 46, 130, 0.9, 0.8, 30}, ""},
    {"Female Lead", "Vocals", {15, 28, 66, 74, 0.5, 28, 41, 56, 130, 0.95, 0.95, 38}, ""},
    {"Female Plate", "Vocals", {20, 26, 72, 82, 0.4, 26, 44, 60, 150, 0.7, 1, 34}, ""},
    {"Female Airy", "Vocals", {17, 30, 70, 84, 0.35, 30, 43, 62, 160, 0.6, 1, 40}, ""},
    {"Backing Wide", "Vocals", {11, 20, 62, 72, 0.55, 22, 46, 68, 140, 0.8, 0.9, 44}, ""},
    {"Strings Section", "Strings", {25, 22, 84, 70, 0.6, 32, 47, 64, 70, 1.3, 0.85, 44}, ""},
    {"Strings Solo", "Strings", {19, 26, 74, 72, 0.5, 28, 42, 58, 90, 1.15, 0.9, 40}, ""},
    {"Strings Cinema", "Strings", {36, 18, 92, 68, 0.65, 36, 50, 70, 60, 1.4, 0.8, 50}, ""},
    {"Brass Section", "Strings", {17, 20, 72, 66, 0.55, 26, 44, 58, 90, 1.1, 0.7, 36}, ""},
    {"Horns Tight", "Strings", {8, 14, 56, 60, 0.55, 20, 43, 50, 110, 1, 0.75, 30}, ""},
    {"Perc Tight", "Percussion", {3, 6, 46, 60, 0.5, 12, 46, 48, 120, 0.7, 0.9, 26}, ""},
    {"Perc Wide", "Percussion", {11, 12, 64, 70, 0.55, 22, 45, 66, 110, 0.85, 0.95, 42}, ""},
    {"Shaker Air", "Percussion", {7, 4, 54, 78, 0.35, 14, 42, 60, 200, 0.5, 0.7, 28}, ""},
    {"Vocal Slap", "Rev+Delay", {12, 22, 62, 72, 0.45, 22, 46, 56, 130, 0.95, 0.92, 36}, "effectMode 1, t1 110, t2 0, k1 0.18, delayMix 0.55"},
    {"Guitar Dub", "Rev+Delay", {19, 18, 70, 70, 0.45, 26, 51, 60, 120, 0.9, 0.85, 44}, "effectMode 2, t1 375, t2 480, k1 0.55, k2 0.42, delayMix 0.7, routing 1"},
    {"Drum Echo", "Rev+Delay", {6, 6, 52, 62, 0.5, 16, 51, 52, 110, 0.8, 0.85, 30}, "effectMode 1, t1 250, t2 0, k1 0.3, delayMix 0.5"},
    {"Ambient Wash", "Rev+Delay", {40, 24, 90, 72, 0.45, 34, 55, 68, 80, 1.2, 0.88, 58}, "effectMode 2, t1 333, t2 499, k1 0.62, k2 0.5, delayMix 0.65, routing 2"},
    {"Init Flat", "Utility", {50, 18, 68, 66, 0.65, 28, 31, 42, 100, 1, 1, 42}, ""},
    {"Mix Glue", "Utility", {5, 8, 50, 60, 0.45, 16, 31, 44, 120, 0.8, 0.8, 24}, ""},
    {"Long Tail", "Utility", {59, 20, 95, 70, 0.5, 34, 49, 66, 80, 1.1, 0.85, 52}, ""},
};
// clang-format on

/** The values every program shares unless its row says otherwise. */
std::map<juce::String, float> commonValues()
{
    return {{"subDelay", 0.0f},  {"mix", 100.0f},    {"outputGain", 1.2f}, {"detune", 0.0f},     {"lfoRate", 0.1f},
            {"inputLink", 0.6f}, {"lowTilt", -1.0f}, {"highCut", -1.0f},   {"reverbTail", 1.0f}, {"vintageConv", 0.0f},
            {"delaySync", 0.0f}, {"pingPong", 0.0f}, {"preset", 3.0f},     {"subLevel", 0.0f},   {"effectMode", 0.0f},
            {"t1", 180.0f},      {"t2", 240.0f},     {"k1", 0.0f},         {"k2", 0.0f},         {"delayMix", 1.0f},
            {"routing", 0.0f}};
}

/** All 33 parameter values a program row stands for. */
std::map<juce::String, float> expectedValues(const ProgramRow& row)
{
    auto values = commonValues();

    for (int i = 0; i < 12; ++i)
        values[kVaryingIds[i]] = row.varying[i];

    // "effectMode 1, t1 120, k1 0.25" and so on
    for (const auto& item : juce::StringArray::fromTokens(row.differing, ",", ""))
    {
        const auto words = juce::StringArray::fromTokens(item.trim(), " ", "");
        EXPECT_EQ(words.size(), 2) << row.name;
        EXPECT_EQ(values.count(words[0]), 1u) << row.name << ": " << words[0];
        values[words[0]] = words[1].getFloatValue();
    }

    return values;
}

class PresetManagerTest : public vorn::test::ScratchHome
{
protected:
    /** Moves every parameter to the end of its range farthest from the given values, so a load must set each. */
    void moveAwayFrom(const std::map<juce::String, float>& values)
    {
        for (const auto& [id, v] : values)
        {
            auto* parameter = state().getParameter(id);
            ASSERT_NE(parameter, nullptr) << id;
            parameter->setValueNotifyingHost(parameter->convertTo0to1(v) < 0.5f ? 1.0f : 0.0f);
        }
    }

    void expectValues(const std::map<juce::String, float>& expected, const juce::String& context)
    {
        for (const auto& [id, v] : expected)
            EXPECT_NEAR(value(id), v, 1e-4f) << context << ": " << id;
    }
};

TEST_F(PresetManagerTest, ListsTheFactoryProgramsInTableOrder)
{
    ASSERT_EQ(std::size(kProgramRows), 46u);
    ASSERT_EQ(manager().entries.size(), 46u); // the scratch folder holds no user presets
    EXPECT_EQ(manager().current, -1);

    for (int i = 0; i < 46; ++i)
    {
        const auto& entry = manager().entries[static_cast<size_t>(i)];
        EXPECT_EQ(entry.name, kProgramRows[i].name) << i;
        EXPECT_EQ(entry.category, kProgramRows[i].category) << i;
        EXPECT_EQ(entry.factoryIndex, i);
        EXPECT_EQ(entry.file, juce::File());
    }
}

TEST_F(PresetManagerTest, EveryFactoryProgramSetsAll33ParametersAsTheTableSays)
{
    ASSERT_EQ(processor->getParameters().size(), 33);

    for (int i = 0; i < 46; ++i)
    {
        const auto expected = expectedValues(kProgramRows[i]);
        ASSERT_EQ(expected.size(), 33u);

        moveAwayFrom(expected);
        ASSERT_TRUE(manager().load(i)) << kProgramRows[i].name;
        EXPECT_EQ(manager().current, i);
        expectValues(expected, kProgramRows[i].name);
    }
}

TEST_F(PresetManagerTest, FactoryProgramsHoldZeroForTheKeysWithoutParameters)
{
    for (int k = 0; k < vorn::kNumFactoryKeys; ++k)
    {
        const juce::String key{vorn::kFactoryKeys[k]};
        if (key != "distance" && key != "height")
            continue;

        EXPECT_EQ(state().getParameter(key), nullptr);
        for (const auto& program : vorn::kFactoryPresets)
            EXPECT_EQ(program.values[k], 0.0f) << program.name << ": " << key;
    }
}

TEST_F(PresetManagerTest, GuitarDubSetsItsDelaySection)
{
    scramble();
    ASSERT_TRUE(manager().load(40));

    auto* effectMode = dynamic_cast<juce::AudioParameterChoice*>(state().getParameter("effectMode"));
    auto* routing = dynamic_cast<juce::AudioParameterChoice*>(state().getParameter("routing"));
    ASSERT_NE(effectMode, nullptr);
    ASSERT_NE(routing, nullptr);
    EXPECT_EQ(effectMode->getCurrentChoiceName(), "Echo-2");
    EXPECT_EQ(routing->getCurrentChoiceName(), "Delay -> Reverb");
    EXPECT_EQ(value("t1"), 375.0f);
    EXPECT_EQ(value("t2"), 480.0f);
    EXPECT_NEAR(value("k1"), 0.55f, 1e-5f);
    EXPECT_NEAR(value("k2"), 0.42f, 1e-5f);
    EXPECT_NEAR(value("delayMix"), 0.7f, 1e-5f);
    EXPECT_EQ(value("decay"), 19.0f);
    EXPECT_EQ(value("dryWet"), 51.0f);
    EXPECT_EQ(value("modDepth"), 44.0f);
}

TEST_F(PresetManagerTest, AnyFactoryProgramSetsLuxeAndFullMix)
{
    for (int i = 0; i < 46; ++i)
    {
        vorn::test::setParameter(state(), "preset", 0.0f);
        vorn::test::setParameter(state(), "mix", 10.0f);
        ASSERT_TRUE(manager().load(i));
        EXPECT_EQ(value("preset"), 3.0f) << i;
        EXPECT_EQ(value("mix"), 100.0f) << i;
    }
}

/** Records the host-facing events of the parameters, in order. */
struct GestureLog : juce::AudioProcessorListener
{
    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float) override
    {
        events.push_back({'c', index});
    }
    void audioProcessorParameterChangeGestureBegin(juce::AudioProcessor*, int index) override
    {
        events.push_back({'b', index});
    }
    void audioProcessorParameterChangeGestureEnd(juce::AudioProcessor*, int index) override
    {
        events.push_back({'e', index});
    }
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}

    std::vector<std::pair<char, int>> events;
};

TEST_F(PresetManagerTest, LoadingIsOneHostGesturePerParameter)
{
    GestureLog log;
    processor->addListener(&log);
    const auto loaded = manager().load(12);
    processor->removeListener(&log);
    ASSERT_TRUE(loaded);

    // begin, change, end for each parameter in turn, every one of the 33 exactly once
    ASSERT_EQ(log.events.size(), 3u * 33u);
    std::vector<int> seen;
    for (size_t i = 0; i < log.events.size(); i += 3)
    {
        const auto index = log.events[i].second;
        EXPECT_EQ(log.events[i].first, 'b');
        EXPECT_EQ(log.events[i + 1], std::make_pair('c', index));
        EXPECT_EQ(log.events[i + 2], std::make_pair('e', index));
        seen.push_back(index);
    }
    std::sort(seen.begin(), seen.end());
    std::vector<int> all(33);
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(seen, all);
}

TEST_F(PresetManagerTest, StepsWithinACategoryWithWrapAround)
{
    struct Case
    {
        int start; // -1: nothing loaded yet
        int delta;
        const char* category;
        int expected; // -1: nothing may load
    };

    const Case cases[] = {
        {-1, +1, "All", 0},      // first of all, "Kit Room"
        {-1, -1, "All", 45},     // last of all, "Long Tail"
        {45, +1, "All", 0},      // wraps forwards
        {0, -1, "All", 45},      // wraps backwards
        {9, +1, "Drums", 0},     // "Drum Ambience" to "Kit Room"
        {0, -1, "Drums", 9},     // and back
        {4, +1, "Drums", 5},     // plainly onwards
        {3, +1, "Keys", 18},     // from "Drums" into "Keys" at its first
        {3, -1, "Keys", 23},     // or at its last
        {-1, +1, "Utility", 43}, //
        {43, -1, "Utility", 45}, //
        {7, +1, "Nowhere", -1},  // a category nothing has
        {7, +1, "drums", -1},    // categories compare case-sensitively
    };

    for (const auto& c : cases)
    {
        const auto context =
            juce::String(c.category) + " from " + juce::String(c.start) + " by " + juce::String(c.delta);
        if (c.start >= 0)
            ASSERT_TRUE(manager().load(c.start));
        else
            manager().current = -1;

        scramble();
        const auto before = snapshot();
        ChangeCounter changes(manager());

        const auto loaded = manager().step(c.delta, c.category);

        if (c.expected < 0)
        {
            EXPECT_FALSE(loaded) << context;
            EXPECT_EQ(manager().current, c.start) << context;
            EXPECT_EQ(snapshot(), before) << context;
            EXPECT_EQ(changes.take(), 0) << context;
        }
        else
        {
            EXPECT_TRUE(loaded) << context;
            EXPECT_EQ(manager().current, c.expected) << context;
            EXPECT_EQ(value("decay"), kProgramRows[c.expected].varying[0]) << context;
            EXPECT_EQ(changes.take(), 1) << context;
        }
    }
}

std::vector<int> range(int first, int last)
{
    std::vector<int> v(static_cast<size_t>(last - first + 1));
    std::iota(v.begin(), v.end(), first);
    return v;
}

TEST_F(PresetManagerTest, FiltersByCategoryAndSearchText)
{
    auto drum = range(0, 9);
    drum.push_back(41);

    const struct
    {
        const char* category;
        const char* search;
        std::vector<int> expected;
    } cases[] = {
        {"All", "", range(0, 45)},
        {"All", " PLATE ", {4, 25, 28}}, // trimmed, any case
        {"All", "drum", drum},           // "Drums" by category, "Drum Echo" by name
        {"drums", "", {}},               // the category itself is case-sensitive
        {"Drums", "", range(0, 9)},      //
        {"Drums", "plate", {4}},         //
        {"Keys", "GRAND", {18, 19}},     //
        {"Drums", "keys", {}},           // the search does not widen the category
        {"All", "rev+", range(39, 42)},  // category text matches
        {"All", "\t\n", range(0, 45)},   // blank search takes everything
        {"Utility", "zzz", {}},          //
    };

    for (const auto& c : cases)
        EXPECT_EQ(manager().indicesFor(c.category, c.search), c.expected)
            << "category \"" << c.category << "\", search \"" << c.search << "\"";
}

TEST_F(PresetManagerTest, IndicesOutsideTheListLoadNothing)
{
    ASSERT_TRUE(manager().load(2));
    scramble();
    const auto before = snapshot();
    ChangeCounter changes(manager());

    for (const int index : {46, -1, 1000, std::numeric_limits<int>::min()})
    {
        EXPECT_FALSE(manager().load(index)) << index;
        EXPECT_EQ(manager().current, 2);
    }

    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(changes.take(), 0);
}

TEST_F(PresetManagerTest, RescanAndLoadAnnounceThemselves)
{
    ChangeCounter changes(manager());

    manager().rescan();
    EXPECT_EQ(changes.take(), 1);
    EXPECT_EQ(manager().entries.size(), 46u);

    ASSERT_TRUE(manager().load(30));
    EXPECT_EQ(changes.take(), 1);

    manager().rescan();
    EXPECT_EQ(manager().current, 30); // a rescan keeps the selection
}

} // namespace
