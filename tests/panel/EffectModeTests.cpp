// Effect modes, gating, tone selectors, option keys, BUZZER, displays, LEDs and headroom lamps.
#include "EditorTestSupport.h"

#include <cmath>

namespace
{
using vorn_test::LivePanel;

struct EffectModes : LivePanel
{
    /** Which of the four keys have their LED lit, as a string of 0 and 1. */
    static juce::String leds(const std::array<vorn_panel::PanelKey, 4>& keys)
    {
        juce::String lit;
        for (const auto& key : keys)
            lit << (key.isLedOn() ? "1" : "0");
        return lit;
    }

    /** The echo controls of the matrix that are gated, in matrix order. */
    juce::StringArray gatedEchoControls()
    {
        juce::StringArray gated;
        for (const auto* id : {"t1", "t2", "k1", "k2", "delayMix"})
            if (matrixKey(id).isGated())
                gated.add(id);
        return gated;
    }
};

/** Records the values each parameter was sent to the host, in order. */
struct ValueRecorder : juce::AudioProcessorListener
{
    explicit ValueRecorder(VornReverbAudioProcessor& p) : processor(p) { processor.addListener(this); }
    ~ValueRecorder() override { processor.removeListener(this); }

    void audioProcessorParameterChanged(juce::AudioProcessor*, int index, float normalised) override
    {
        auto* p = dynamic_cast<juce::RangedAudioParameter*>(processor.getParameters()[index]);
        sent[p->getParameterID()].push_back(p->convertFrom0to1(normalised));
    }
    void audioProcessorChanged(juce::AudioProcessor*, const ChangeDetails&) override {}

    VornReverbAudioProcessor& processor;
    std::map<juce::String, std::vector<float>> sent;
};

TEST_F(EffectModes, Echo1FromTheReverbMode)
{
    ASSERT_FLOAT_EQ(value("effectMode"), 0.0f);
    ASSERT_EQ(leds(editor->programKeys), "0001") << "the default character program is Luxe";

    ValueRecorder recorder(*processor);
    click(editor->modeKeys[0]);

    struct Expected
    {
        const char* id;
        float value;
    };

    const Expected expected[] = {
        {"effectMode", 1.0f}, {"reverbTail", 0.0f}, {"mix", 32.0f},     {"t1", 120.0f},
        {"t2", 0.0f},         {"k1", 0.3f},         {"k2", 0.0f},       {"lowCut", 100.0f},
        {"highCut", 5000.0f}, {"earlyLevel", 0.0f}, {"subLevel", 0.0f},
    };

    for (const auto& e : expected)
        EXPECT_NEAR(value(e.id), e.value, 1.0e-5f) << e.id;

    // The mode's own start values go to the host first, then the key's.
    const auto near = [](const std::vector<float>& sent, std::vector<float> wanted)
    {
        if (sent.size() != wanted.size())
            return false;
        for (size_t i = 0; i < sent.size(); ++i)
            if (std::abs(sent[i] - wanted[i]) > 1.0e-4f)
                return false;
        return true;
    };
    EXPECT_TRUE(near(recorder.sent["mix"], {48.0f, 32.0f}));
    EXPECT_TRUE(near(recorder.sent["t1"], {180.0f, 120.0f}));
    EXPECT_TRUE(near(recorder.sent["k1"], {0.32f, 0.3f}));

    EXPECT_EQ(editor->selectedParam, "t1");
    EXPECT_FLOAT_EQ(editor->selectedStep, 1.0f);
    EXPECT_TRUE(matrixKey("t1").isLedOn());
    EXPECT_FALSE(matrixKey("decay").isLedOn());
    EXPECT_EQ(leds(editor->modeKeys), "1000");
    EXPECT_EQ(leds(editor->programKeys), "0000");
    EXPECT_EQ(gatedEchoControls(), juce::StringArray({"t2", "k2"}));
    EXPECT_EQ(editor->displays[2].getText(), "120");
}

TEST_F(EffectModes, EachModeKeySetsItsValuesAndGates)
{
    struct Case
    {
        int key;
        float t1, t2, k1, k2, mix, lowCut, highCut;
        juce::StringArray gated;
    };

    const Case cases[] = {
        {1, 60, 90, 0.45f, 0.3f, 30, 100, 10000, {}},                // ECHO 2: nothing gated
        {2, 480, 0, 0.4f, 0.0f, 30, 100, 10000, {"t2", "k1", "k2"}}, // DELAY 1 gates K1 though it sets it
        {3, 666, 333, 0.48f, 0.3f, 30, 50, 10000, {"k1", "k2"}},     // DELAY 2
        {0, 120, 0, 0.3f, 0.0f, 32, 100, 5000, {"t2", "k2"}},        // ECHO 1
    };

    for (const auto& c : cases)
    {
        click(editor->modeKeys[static_cast<size_t>(c.key)]);
        const auto what = "mode key " + juce::String(c.key);
        EXPECT_FLOAT_EQ(value("effectMode"), static_cast<float>(c.key + 1)) << what;
        EXPECT_FLOAT_EQ(value("reverbTail"), 0.0f) << what;
        EXPECT_NEAR(value("t1"), c.t1, 1.0e-5f) << what;
        EXPECT_NEAR(value("t2"), c.t2, 1.0e-5f) << what;
        EXPECT_NEAR(value("k1"), c.k1, 1.0e-5f) << what;
        EXPECT_NEAR(value("k2"), c.k2, 1.0e-5f) << what;
        EXPECT_NEAR(value("mix"), c.mix, 1.0e-5f) << what;
        EXPECT_NEAR(value("lowCut"), c.lowCut, 1.0e-5f) << what;
        EXPECT_NEAR(value("highCut"), c.highCut, 1.0e-5f) << what;
        EXPECT_EQ(gatedEchoControls(), c.gated) << what;

        juce::String lit("0000");
        lit = lit.replaceSection(c.key, 1, "1");
        EXPECT_EQ(leds(editor->modeKeys), lit) << what;
    }
}

TEST_F(EffectModes, SetEffectModeStartValues)
{
    struct Case
    {
        int mode;
        float reverbTail, mix, t1, t2, k1, k2;
    };

    // Reverb (and any other mode) leaves "mix", "t1" and "t2" alone: they keep the -1 planted below.
    const Case cases[] = {
        {1, 0, 48, 180, 0, 0.32f, 0}, {2, 0, 48, 160, 240, 0.28f, 0.22f},
        {3, 0, 48, 120, 0, 0, 0},     {4, 0, 48, 90, 180, 0, 0},
        {0, 1, 7, 7, 7, 0, 0},
    };

    for (const auto& c : cases)
    {
        for (const auto* id : {"mix", "t1", "t2", "k1", "k2"})
            vorn::test::setParameter(state(), id, 7.0f);

        editor->setEffectMode(c.mode);
        const auto what = "mode " + juce::String(c.mode);
        EXPECT_FLOAT_EQ(value("effectMode"), static_cast<float>(c.mode)) << what;
        EXPECT_NEAR(value("reverbTail"), c.reverbTail, 1.0e-5f) << what;
        EXPECT_NEAR(value("mix"), c.mix, 1.0e-5f) << what;
        EXPECT_NEAR(value("t1"), c.t1, 1.0e-5f) << what;
        EXPECT_NEAR(value("t2"), c.t2, 1.0e-5f) << what;
        EXPECT_NEAR(value("k1"), c.k1, 1.0e-5f) << what;
        EXPECT_NEAR(value("k2"), c.k2, 1.0e-5f) << what;
    }
}

TEST_F(EffectModes, GatingFollowsTheModeFromTheHost)
{
    const juce::StringArray expected[] = {{"k1", "k2"}, {"t2", "k2"}, {}, {"t2", "k1", "k2"}, {"k1", "k2"}};

    for (int mode = 0; mode < 5; ++mode)
    {
        vorn::test::setParameter(state(), "effectMode", static_cast<float>(mode));
        editor->timerCallback();
        EXPECT_EQ(gatedEchoControls(), expected[mode]) << "mode " << mode;

        // Only echo controls are ever gated, and gating changes no value.
        for (const auto* id : {"decay", "mix", "delayMix", "reverbTail"})
            EXPECT_FALSE(editor->isEchoControlGated(id)) << id << " in mode " << mode;
    }
}

TEST_F(EffectModes, ToneSelectorsSetTheirValuesAndLightByTolerance)
{
    struct Click
    {
        std::array<vorn_panel::PanelKey, 4>& keys;
        size_t index;
        const char* id;
        float expected;
    };

    const Click clicks[] = {
        {editor->lowCutKeys, 3, "lowCut", 200.0f},     {editor->highCutKeys, 0, "highCut", 2500.0f},
        {editor->rtLowKeys, 2, "rtLow", 1.5f},         {editor->rtHighKeys, 1, "rtHigh", 0.33f},
        {editor->highCutKeys, 3, "highCut", 13000.0f},
    };

    for (const auto& c : clicks)
    {
        click(c.keys[c.index]);
        EXPECT_NEAR(value(c.id), c.expected, 1.0e-5f) << c.id;
        EXPECT_TRUE(c.keys[c.index].isLedOn()) << c.id;
    }

    struct Case
    {
        const char* id;
        float value;
        std::array<vorn_panel::PanelKey, 4>& keys;
        const char* lit;
    };

    // The comparisons run in single precision, against the snapped parameter values.
    const Case cases[] = {
        {"rtLow", 1.05f, editor->rtLowKeys, "0100"},        {"rtLow", 1.06f, editor->rtLowKeys, "0000"},
        {"rtLow", 0.5f, editor->rtLowKeys, "1000"},         {"rtHigh", 0.37f, editor->rtHighKeys, "0100"},
        {"rtHigh", 0.38f, editor->rtHighKeys, "0000"},      {"rtHigh", 0.29f, editor->rtHighKeys, "1000"},
        {"rtHigh", 0.30f, editor->rtHighKeys, "0100"},      {"highCut", -1.0f, editor->highCutKeys, "0000"},
        {"highCut", 10000.0f, editor->highCutKeys, "0010"}, {"lowCut", 100.0f, editor->lowCutKeys, "0010"},
        {"lowCut", 101.0f, editor->lowCutKeys, "0000"},
    };

    for (const auto& c : cases)
    {
        vorn::test::setParameter(state(), c.id, c.value);
        editor->timerCallback();
        EXPECT_EQ(leds(c.keys), c.lit) << c.id << " " << c.value;
    }
}

TEST_F(EffectModes, DisplaysShowTheSelectedParameterOrTheirOwn)
{
    struct Case
    {
        const char* selected;
        const char* keys;
        std::array<const char*, 4> shown;
    };

    vorn::test::setParameter(state(), "predelay", 5.0f);

    const Case cases[] = {
        {"t1", "", {"5.9", "1.20", "180", "50"}},         // T1 on the delay display, three digits
        {"size", "", {"5.9", "68", "005", "50"}},         // general format; predelay padded
        {"earlyLevel", "", {"5.9", "0.65", "005", "50"}}, // two decimals for a fine step
        {"predelay", "", {"5.9", "1.20", "005", "50"}},
        {"dryWet", "25", {"5.9", "1.20", "005", "25"}}, // keyed digits before ENTER
        {"decay", "7", {"7", "1.20", "005", "50"}},     // the keyed text, not the stored time
        {"subDelay", "3", {"5.9", "1.20", "003", "50"}},
        {"lfoRate", "", {"5.9", "0.10", "005", "50"}},
        {"detune", "", {"5.9", "0", "005", "50"}},
    };

    for (const auto& c : cases)
    {
        click(matrixKey(c.selected));
        keyIn(c.keys);

        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(editor->displays[i].getText(), c.shown[i])
                << c.selected << " keyed '" << c.keys << "' display " << i;

        editor->timerCallback(); // a tick shows the same
        EXPECT_EQ(editor->displays[1].getText(), c.shown[1]) << c.selected;
    }

    // Host changes show on the next tick.
    click(matrixKey("mix"));
    vorn::test::setParameter(state(), "mix", 48.0f);
    vorn::test::setParameter(state(), "decay", 100.0f);
    editor->timerCallback();
    EXPECT_EQ(editor->displays[1].getText(), "48");
    EXPECT_EQ(editor->displays[0].getText(), "9.9");
}

TEST_F(EffectModes, HeadroomLampsCatchAFullScaleSampleAndFall)
{
    processor->setRateAndBufferSizeDetails(48000.0, 64);
    processor->prepareToPlay(48000.0, 64);

    juce::AudioBuffer<float> buffer(2, 64);
    buffer.clear();
    buffer.setSample(0, 10, 1.0f);
    vorn::test::processBlock(*processor, buffer);

    // The held level falls by 0.45 per tick and is dropped below 0.002; lamps at 0.06, 0.34, 0.67 and 0.93 of the
    // scale from -30 dBFS to 0 dBFS.
    double level = 1.0;
    bool sawEveryLampOut = false;

    for (int tick = 0; tick < 12; ++tick)
    {
        editor->timerCallback();

        if (tick > 0)
        {
            level *= 0.45;
            if (level < 0.002)
                level = 0.0;
        }

        const auto db = std::max(20.0 * std::log10(std::max(level, 1.0e-4)), -60.0);
        const auto v = std::clamp((db + 30.0) / 30.0, 0.0, 1.0);
        const double thresholds[] = {0.06, 0.34, 0.67, 0.93};

        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(editor->headroomLamps[i].isOn(), v >= thresholds[i]) << "tick " << tick << " lamp " << i;
        EXPECT_NEAR(editor->headroomLevel, level, 1.0e-6) << "tick " << tick;

        sawEveryLampOut = sawEveryLampOut || !editor->headroomLamps[0].isOn();
    }

    EXPECT_FLOAT_EQ(editor->headroomLevel, 0.0f);
    EXPECT_TRUE(sawEveryLampOut);

    // On the first tick after the sample all four were lit; on the next only the green ones.
    buffer.clear();
    buffer.setSample(1, 3, -1.0f);
    vorn::test::processBlock(*processor, buffer);
    editor->timerCallback();
    for (auto& lamp : editor->headroomLamps)
        EXPECT_TRUE(lamp.isOn());
    editor->timerCallback();
    EXPECT_FALSE(editor->headroomLamps[3].isOn());
    EXPECT_TRUE(editor->headroomLamps[2].isOn());
}

TEST_F(EffectModes, OptionKeysFollowTheirParameters)
{
    struct Case
    {
        vorn_panel::PanelKey& key;
        const char* id;
        const char* legend;
    };

    const Case cases[] = {
        {editor->vintageKey, "vintageConv", "VINTAGE OUT"},
        {editor->delaySyncKey, "delaySync", "DELAY SYNC"},
        {editor->pingPongKey, "pingPong", "PING-PONG"},
    };

    for (const auto& c : cases)
    {
        EXPECT_EQ(c.key.getLine1(), juce::String(c.legend) + " - OFF");
        EXPECT_FALSE(c.key.isLedOn());

        // From the host, without any click and without a tick.
        vorn::test::setParameter(state(), c.id, 1.0f);
        EXPECT_EQ(c.key.getLine1(), juce::String(c.legend) + " - ON") << c.id;
        EXPECT_TRUE(c.key.getLine2().isEmpty());
        EXPECT_TRUE(c.key.isLedOn()) << c.id;

        // A click turns the parameter off again.
        click(c.key);
        EXPECT_FLOAT_EQ(value(c.id), 0.0f) << c.id;
        EXPECT_EQ(c.key.getLine1(), juce::String(c.legend) + " - OFF") << c.id;
        EXPECT_FALSE(c.key.isLedOn()) << c.id;
    }

    // A new editor opens showing the parameter's state.
    vorn::test::setParameter(state(), "delaySync", 1.0f);
    editor.reset();
    openEditor();
    EXPECT_EQ(editor->delaySyncKey.getLine1(), "DELAY SYNC - ON");
    EXPECT_TRUE(editor->delaySyncKey.isLedOn());
}

TEST_F(EffectModes, BuzzerStartsAndStopsTheTestPulse)
{
    click(editor->buzzerKey);
    EXPECT_TRUE(editor->buzzerKey.getToggleState());
    EXPECT_TRUE(processor->buzzerEnabled.load());
    EXPECT_TRUE(processor->buzzerTrigger.load());
    EXPECT_TRUE(editor->buzzerKey.isLedOn());

    processor->buzzerTrigger.store(false);
    click(editor->buzzerKey);
    EXPECT_FALSE(processor->buzzerEnabled.load());
    EXPECT_FALSE(processor->buzzerTrigger.load()) << "turning it off triggers no pulse";
    EXPECT_FALSE(editor->buzzerKey.isLedOn());

    // The key is the editor's own: a new editor shows it off even while the processor still pulses.
    processor->buzzerEnabled.store(true);
    editor.reset();
    openEditor();
    EXPECT_FALSE(editor->buzzerKey.getToggleState());
    EXPECT_FALSE(editor->buzzerKey.isLedOn());
    click(editor->buzzerKey);
    click(editor->buzzerKey);
    EXPECT_FALSE(processor->buzzerEnabled.load());
}
} // namespace
