// Effect modes and their keys, gating of the echo controls, the tone selectors, option keys, BUZZER, the four
// displays, every key LED and the headroom lamps.
#include "editor/PluginEditor.h"
#include "engine/DecayScale.h"

#include <cmath>

namespace
{
struct ParamValue
{
    const char* id;
    float value;
};

// What each mode starts from. Reverb (mode 0) restores the tail and clears the feedbacks only.
const ParamValue kEcho1Start[] = {{"reverbTail", 0.0f}, {"mix", 48.0f}, {"t1", 180.0f},
                                  {"t2", 0.0f},         {"k1", 0.32f},  {"k2", 0.0f}};
const ParamValue kEcho2Start[] = {{"reverbTail", 0.0f}, {"mix", 48.0f}, {"t1", 160.0f},
                                  {"t2", 240.0f},       {"k1", 0.28f},  {"k2", 0.22f}};
const ParamValue kDelay1Start[] = {{"reverbTail", 0.0f}, {"mix", 48.0f}, {"t1", 120.0f},
                                   {"t2", 0.0f},         {"k1", 0.0f},   {"k2", 0.0f}};
const ParamValue kDelay2Start[] = {{"reverbTail", 0.0f}, {"mix", 48.0f}, {"t1", 90.0f},
                                   {"t2", 180.0f},       {"k1", 0.0f},   {"k2", 0.0f}};
const ParamValue kReverbStart[] = {{"reverbTail", 1.0f}, {"k1", 0.0f}, {"k2", 0.0f}};

// The settings each mode key adds on top of its mode's start, in the order they are sent to the host.
constexpr const char* kModeKeyIds[] = {"mix", "t1", "t2", "k1", "k2", "lowCut", "highCut", "earlyLevel", "subLevel"};
constexpr float kModeKeyValues[4][9] = {
    {32.0f, 120.0f, 0.0f, 0.3f, 0.0f, 100.0f, 5000.0f, 0.0f, 0.0f},   // ECHO 1
    {30.0f, 60.0f, 90.0f, 0.45f, 0.3f, 100.0f, 10000.0f, 0.0f, 0.0f}, // ECHO 2
    {30.0f, 480.0f, 0.0f, 0.4f, 0.0f, 100.0f, 10000.0f, 0.0f, 0.0f},  // DELAY 1
    {30.0f, 666.0f, 333.0f, 0.48f, 0.3f, 50.0f, 10000.0f, 0.0f, 0.0f} // DELAY 2
};

// Tone selector values, key by key.
constexpr int kLowCutHz[] = {30, 50, 100, 200};
constexpr int kHighCutHz[] = {2500, 5000, 10000, 13000};
constexpr float kRtLowFactors[] = {0.5f, 1.0f, 1.5f, 2.0f};
constexpr float kRtHighFactors[] = {0.25f, 0.33f, 0.5f, 1.0f};
constexpr float kRtLowTolerance = 0.05f;
constexpr float kRtHighTolerance = 0.04f;

// Headroom: the held level falls by this factor per tick and is dropped below the floor.
constexpr float kHeadroomFall = 0.45f;
constexpr float kHeadroomFloor = 0.002f;
// Lamp thresholds on the 0..1 scale from -30 dBFS to 0 dBFS (about -28.2, -19.8, -9.9 and -2.1 dBFS).
constexpr float kHeadroomThresholds[] = {0.06f, 0.34f, 0.67f, 0.93f};

template <size_t N>
void setAll(VornReverbAudioProcessorEditor& editor, const ParamValue (&values)[N])
{
    for (const auto& v : values)
        editor.setFloatParam(v.id, v.value);
}

/** An option key's legend and LED follow its toggle state. */
void showOption(vorn_panel::PanelKey& key, const char* legend)
{
    const auto on = key.getToggleState();
    key.setLines(juce::String(legend) + (on ? " - ON" : " - OFF"), {});
    key.setLed(on);
}
} // namespace

void VornReverbAudioProcessorEditor::setEffectMode(int mode)
{
    setFloatParam("effectMode", static_cast<float>(mode));

    switch (mode)
    {
    case 1:
        setAll(*this, kEcho1Start);
        break;
    case 2:
        setAll(*this, kEcho2Start);
        break;
    case 3:
        setAll(*this, kDelay1Start);
        break;
    case 4:
        setAll(*this, kDelay2Start);
        break;
    default:
        setAll(*this, kReverbStart);
        break;
    }
}

void VornReverbAudioProcessorEditor::pressModeKey(int mode)
{
    if (mode < 1 || mode > 4)
        return;

    setEffectMode(mode);

    const auto& values = kModeKeyValues[mode - 1];

    for (size_t i = 0; i < std::size(kModeKeyIds); ++i)
        setFloatParam(kModeKeyIds[i], values[i]);

    selectEditableParam("t1", 1.0f);
}

bool VornReverbAudioProcessorEditor::isEchoControlGated(const juce::String& id) const
{
    switch (currentWholeValue("effectMode"))
    {
    case 0:
        return id == "k1" || id == "k2";
    case 1:
        return id == "k2" || id == "t2";
    case 3:
        return id == "k1" || id == "k2" || id == "t2";
    case 4:
        return id == "k1" || id == "k2";
    default:
        return false;
    }
}

void VornReverbAudioProcessorEditor::updateDreDisplays()
{
    const auto decay = currentParamValue("decay");
    const auto outputGain = currentParamValue("outputGain");
    const auto predelay = currentWholeValue("predelay");
    const auto* slot = slotFor(selectedParam);
    const auto k = slot != nullptr ? slot->display : 1;

    // What is keyed but not entered shows in the selected parameter's display, in the pending colour. An armed
    // WRITE or READ waits for a slot digit: a lone bar, then the digit as it is, never padded like a delay time.
    const auto armed = memoryMode.isNotEmpty();
    const auto keyed = armed && entryBuffer.isEmpty() ? juce::String("-") : entryBuffer;
    const auto pending = keyed.isNotEmpty();

    juce::String shown = keyed;

    if (!pending)
    {
        const auto value = currentParamValue(selectedParam);
        shown = selectedStep < 0.1f ? juce::String(value, 2) : juce::String(value, 0);
    }

    const auto delayText = k == 2 ? shown : juce::String(predelay);
    displays[0].setText(k == 0 && pending ? keyed : juce::String(vorn::decaySecondsFor(decay), 1));
    displays[1].setText(k == 1 ? shown : juce::String(outputGain, 2));
    displays[2].setText(k == 2 && armed ? delayText : delayText.paddedLeft('0', 3));
    displays[3].setText(k == 3 && pending ? keyed : juce::String(currentWholeValue("dryWet")));

    for (size_t i = 0; i < displays.size(); ++i)
        displays[i].setPending(pending && static_cast<int>(i) == k);

    showOption(vintageKey, "VINTAGE OUT");
    showOption(delaySyncKey, "DELAY SYNC");
    showOption(pingPongKey, "PING-PONG");

    updateLamps();
}

void VornReverbAudioProcessorEditor::updateLamps()
{
    const auto lowCut = currentWholeValue("lowCut");
    const auto highCut = currentWholeValue("highCut");
    const auto rtLow = currentParamValue("rtLow");
    const auto rtHigh = currentParamValue("rtHigh");

    for (size_t i = 0; i < 4; ++i)
    {
        lowCutKeys[i].setLed(lowCut == kLowCutHz[i]);
        highCutKeys[i].setLed(highCut == kHighCutHz[i]);
        rtLowKeys[i].setLed(std::abs(rtLow - kRtLowFactors[i]) < kRtLowTolerance);
        rtHighKeys[i].setLed(std::abs(rtHigh - kRtHighFactors[i]) < kRtHighTolerance);
    }

    const auto& table = vorn::matrixTable();

    for (size_t i = 0; i < matrixKeys.size(); ++i)
    {
        const juce::String id(table[i].paramId);
        matrixKeys[i].setGated(isEchoControlGated(id));
        matrixKeys[i].setLed(selectedParam == id);
    }

    const auto mode = currentWholeValue("effectMode");
    const auto preset = currentWholeValue("preset");

    for (size_t i = 0; i < 4; ++i)
    {
        programKeys[i].setLed(mode == 0 && preset == static_cast<int>(i));
        modeKeys[i].setLed(mode == static_cast<int>(i) + 1);
    }

    buzzerKey.setLed(buzzerKey.getToggleState());

    // An armed memory operation lights its key until ENTER, Escape or the other key.
    writeKey.setLed(memoryMode == "write");
    readKey.setLed(memoryMode == "read");
}

void VornReverbAudioProcessorEditor::updateHeadroomLamps()
{
    const auto peak = processorRef.consumeMeterPeak();

    if (peak >= headroomLevel)
    {
        headroomLevel = peak;
    }
    else
    {
        headroomLevel *= kHeadroomFall;

        if (headroomLevel < kHeadroomFloor)
            headroomLevel = 0.0f;
    }

    const auto db = juce::jmax(20.0f * std::log10(juce::jmax(headroomLevel, 0.0001f)), -60.0f);
    const auto v = juce::jlimit(0.0f, 1.0f, (db + 30.0f) / 30.0f);

    for (size_t i = 0; i < headroomLamps.size(); ++i)
        headroomLamps[i].setOn(v >= kHeadroomThresholds[i]);
}

void VornReverbAudioProcessorEditor::wireToneAndOptionKeys()
{
    for (size_t i = 0; i < 4; ++i)
    {
        lowCutKeys[i].onClick = [this, i] { setFloatParam("lowCut", static_cast<float>(kLowCutHz[i])); };
        highCutKeys[i].onClick = [this, i] { setFloatParam("highCut", static_cast<float>(kHighCutHz[i])); };
        rtLowKeys[i].onClick = [this, i] { setFloatParam("rtLow", kRtLowFactors[i]); };
        rtHighKeys[i].onClick = [this, i] { setFloatParam("rtHigh", kRtHighFactors[i]); };
    }

    // Set before the attachments, whose first update then shows the parameter's state at once.
    vintageKey.onStateChange = [this] { showOption(vintageKey, "VINTAGE OUT"); };
    delaySyncKey.onStateChange = [this] { showOption(delaySyncKey, "DELAY SYNC"); };
    pingPongKey.onStateChange = [this] { showOption(pingPongKey, "PING-PONG"); };

    buzzerKey.onClick = [this]
    {
        const auto on = buzzerKey.getToggleState();
        processorRef.buzzerEnabled.store(on);

        // The first pulse starts with the next block rather than up to one pulse period later.
        if (on)
            processorRef.buzzerTrigger.store(true);

        updateLamps();
    };
}
