// Program keys A to D, and the program row: PREV, NEXT, SAVE, the name field and the category caption.
#include "editor/PluginEditor.h"

namespace
{
// Every program key returns to the Reverb mode and clears the echo section first.
struct ParamValue
{
    const char* id;
    float value;
};

const ParamValue kProgramKeyCommon[] = {{"effectMode", 0.0f}, {"reverbTail", 1.0f}, {"mix", 38.0f},
                                        {"k1", 0.0f},         {"k2", 0.0f},         {"t1", 0.0f},
                                        {"t2", 0.0f},         {"lowTilt", -1.0f},   {"detune", 0.0f}};

constexpr const char* kProgramKeyIds[] = {"decay",    "predelay", "earlyLevel", "subLevel",  "earlyDelay",
                                          "subDelay", "lowCut",   "highCut",    "rtLow",     "rtHigh",
                                          "width",    "lfoRate",  "inputLink",  "outputGain"};
constexpr size_t kLfoRateColumn = 11;

struct ProgramKeyRow
{
    float values[std::size(kProgramKeyIds)];
    bool detuneAgain; // D sends "detune" once more, after "lfoRate"
};

// The decay steps are as printed on the unit; the parameter snaps them to 31, 14, 20 and 43.
const ProgramKeyRow kProgramKeyRows[] = {
    {{31.428568f, 24, 0.55f, 0.75f, 28, 70, 50, 10000, 1.5f, 0.5f, 52, 0.07f, 0.42f, 1.1f}, false}, // A, Chamber
    {{14.285714f, 10, 0.7f, 0.62f, 22, 44, 50, 8600, 1.5f, 0.33f, 48, 0.08f, 0.45f, 1.25f}, false}, // B, Broadcast
    {{20.0f, 0, 0.3f, 0.65f, 8, 40, 50, 13000, 1.0f, 1.0f, 56, 0.06f, 0.4f, 1.1f}, false},          // C, Wide
    {{42.857143f, 40, 0.5f, 0.6f, 40, 95, 30, 5000, 2.0f, 0.33f, 50, 0.06f, 0.42f, 1.05f}, true},   // D, Luxe
};

constexpr const char* kAllPrograms = "All";
constexpr const char* kUserCategory = "User";
} // namespace

void VornReverbAudioProcessorEditor::bindPresetButton(vorn_panel::PanelKey& key, int index)
{
    key.onClick = [this, index] { pressProgramKey(index); };
}

void VornReverbAudioProcessorEditor::pressProgramKey(int index)
{
    if (index < 0 || index >= static_cast<int>(std::size(kProgramKeyRows)))
        return;

    // The character program first, on its own: the panel refreshes with the values that follow.
    if (auto* preset = processorRef.parameters().getParameter("preset"))
    {
        preset->beginChangeGesture();
        preset->setValueNotifyingHost(preset->convertTo0to1(static_cast<float>(index)));
        preset->endChangeGesture();
    }

    for (const auto& v : kProgramKeyCommon)
        setFloatParam(v.id, v.value);

    const auto& row = kProgramKeyRows[static_cast<size_t>(index)];

    for (size_t i = 0; i < std::size(kProgramKeyIds); ++i)
    {
        setFloatParam(kProgramKeyIds[i], row.values[i]);

        if (i == kLfoRateColumn && row.detuneAgain)
            setFloatParam("detune", 0.0f);
    }

    updateLamps();
}

void VornReverbAudioProcessorEditor::stepPreset(int delta)
{
    auto& manager = processorRef.presetManager;

    if (manager.step(delta, kAllPrograms))
        showCurrentProgram();
}

void VornReverbAudioProcessorEditor::showCurrentProgram()
{
    const auto& manager = processorRef.presetManager;
    programName.setText(programNameFor(manager), juce::dontSendNotification);

    const auto last = static_cast<int>(manager.entries.size()) - 1;
    categoryCaption =
        manager.current >= 0 && last >= 0
            ? manager.entries[static_cast<size_t>(juce::jmin(manager.current, last))].category.toUpperCase()
            : juce::String();

    updateDreDisplays();
    repaint(); // the caption is engraved on the canvas
}

void VornReverbAudioProcessorEditor::saveProgram()
{
    const auto result = processorRef.presetManager.saveUser(programName.getText(), kUserCategory);
    categoryCaption = result.wasOk() ? juce::String("SAVED") : result.getErrorMessage().toUpperCase();
    repaint();
}
