// The ten memory slots: properties on the root of the plug-in state, written with WRITE and read with READ.
#include "editor/PluginEditor.h"

#include "panel/DialogFocus.h"
#include "plugin/NumberText.h"

namespace
{
constexpr int kSlotCount = 10;

juce::String slotProperty(int slot, const juce::String& what)
{
    return "memory" + juce::String(slot) + "_" + what;
}

juce::String defaultSlotName(int slot)
{
    return "Memory " + juce::String(slot);
}
} // namespace

const juce::StringArray& VornReverbAudioProcessorEditor::allParamIds()
{
    static const juce::StringArray ids{
        "character", "decay",      "modDepth",   "mix",         "delayMix",   "delaySync", "detune",
        "dryWet",    "earlyDelay", "earlyLevel", "effectMode",  "highCut",    "inputLink", "k1",
        "k2",        "lfoRate",    "lowCut",     "lowTilt",     "outputGain", "pingPong",  "predelay",
        "preset",    "reverbTail", "routing",    "rtHigh",      "rtLow",      "size",      "subDelay",
        "subLevel",  "t1",         "t2",         "vintageConv", "width"};
    return ids;
}

void VornReverbAudioProcessorEditor::storeMemorySlot(int slot, const juce::String& name)
{
    auto& store = processorRef.parameters();
    auto state = store.copyState();

    for (const auto& id : allParamIds())
        if (const auto* raw = store.getRawParameterValue(id))
            state.setProperty(slotProperty(slot, id), static_cast<double>(raw->load()), nullptr);

    const auto trimmed = name.trim();
    state.setProperty(slotProperty(slot, "used"), true, nullptr);
    state.setProperty(slotProperty(slot, "name"), trimmed.isNotEmpty() ? trimmed : defaultSlotName(slot), nullptr);

    // The copy carries the current values, so only the root's slot properties change.
    store.replaceState(state);
}

void VornReverbAudioProcessorEditor::recallMemorySlot(int slot)
{
    const auto state = processorRef.parameters().copyState();

    if (!static_cast<bool>(state.getProperty(slotProperty(slot, "used"), false)))
        return;

    for (const auto& id : allParamIds())
    {
        const auto property = slotProperty(slot, id);

        if (state.hasProperty(property))
            setFloatParam(id, static_cast<float>(vorn::numberFrom(state.getProperty(property))));
    }
}

juce::String VornReverbAudioProcessorEditor::memorySlotName(int slot) const
{
    const auto& state = processorRef.parameters().state;

    if (static_cast<bool>(state.getProperty(slotProperty(slot, "used"), false)))
        return state.getProperty(slotProperty(slot, "name"), defaultSlotName(slot)).toString();

    return "EMPTY " + juce::String(slot);
}

void VornReverbAudioProcessorEditor::openNamingDialog(int slot)
{
    jassert(slot >= 0 && slot < kSlotCount);

    // A slot whose name begins with EMPTY would otherwise be offered under a name that reads as unwritten.
    auto prefill = memorySlotName(slot);
    if (prefill.startsWith("EMPTY"))
        prefill = defaultSlotName(slot);

    if (askMemoryName == nullptr)
        return;

    // The editor may close while the question is open; then the answer stores nothing.
    const juce::Component::SafePointer<VornReverbAudioProcessorEditor> editor(this);
    askMemoryName(prefill,
                  [editor, slot](int result, const juce::String& name)
                  {
                      if (result == 1 && editor != nullptr)
                          editor->storeMemorySlot(slot, name);
                  });
}

void VornReverbAudioProcessorEditor::askMemoryNameInAlertWindow(const juce::String& prefilledName, NameAnswer answer)
{
    // Owned by the modal manager, which deletes it once it is dismissed and its callback has run.
    auto* window = new juce::AlertWindow("Name memory slot", "Give this Vorn 77 memory a name.",
                                         juce::MessageBoxIconType::QuestionIcon, nullptr);
    window->addTextEditor("name", prefilledName, "Name", false);
    window->addButton("SAVE", 1, juce::KeyPress(juce::KeyPress::returnKey));
    window->addButton("CANCEL", 0, juce::KeyPress(juce::KeyPress::escapeKey));

    const juce::Component::SafePointer<juce::AlertWindow> open(window);
    auto dismissed = [open, answer = std::move(answer)](int result)
    {
        if (answer != nullptr)
            answer(result, open != nullptr ? open->getTextEditorContents("name") : juce::String());
    };

    window->enterModalState(true, juce::ModalCallbackFunction::create(std::move(dismissed)), true);

    // Typing goes straight into the name, replacing the one offered.
    vorn::focusTextField(*window, "name");
}
