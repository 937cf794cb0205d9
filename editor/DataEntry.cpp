// The parameter matrix, the keypad entry, UP and DOWN, matrix drags and the mouse-entry box.
#include "editor/PluginEditor.h"
#include "engine/DecayScale.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int kEntryLimit = 6;
constexpr int kMemoryEntryLimit = 1; // one slot digit
constexpr int kDisplayCount = 4;

// The entry box sits this far inside the display it covers.
constexpr int kEntryInset = 4;

/** The display that shows a parameter while it is selected; parameters outside the matrix use the level display. */
int displayFor(const juce::String& id)
{
    const auto* slot = VornReverbAudioProcessorEditor::slotFor(id);
    return slot != nullptr ? slot->display : 1;
}
} // namespace

void VornReverbAudioProcessorEditor::setFloatParam(const juce::String& id, float value)
{
    // A corrupt memory slot or entry must not leave a parameter holding a value the engine cannot use.
    if (auto* parameter = processorRef.parameters().getParameter(id); parameter != nullptr && std::isfinite(value))
    {
        parameter->beginChangeGesture();
        parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
        parameter->endChangeGesture();
    }

    updateDreDisplays();
}

float VornReverbAudioProcessorEditor::currentParamValue(const juce::String& id) const
{
    if (const auto* raw = processorRef.parameters().getRawParameterValue(id))
        return raw->load();

    return 0.0f;
}

int VornReverbAudioProcessorEditor::currentWholeValue(const juce::String& id) const
{
    // Choices and whole-numbered values are read to the nearest integer, halves to even.
    const auto value = std::nearbyint(currentParamValue(id));
    return std::isfinite(value) ? static_cast<int>(value) : 0;
}

const vorn::MatrixSlot* VornReverbAudioProcessorEditor::slotFor(const juce::String& id)
{
    for (const auto& slot : vorn::matrixTable())
        if (id == slot.paramId)
            return &slot;

    return nullptr;
}

void VornReverbAudioProcessorEditor::selectEditableParam(const juce::String& id, float step)
{
    selectedParam = id;
    selectedStep = step;
    entryBuffer.clear();
    updateDreDisplays();
}

void VornReverbAudioProcessorEditor::appendKey(const juce::String& key)
{
    if (key == "." && (entryBuffer.containsChar('.') || memoryMode.isNotEmpty()))
        return;

    const auto limit = memoryMode.isNotEmpty() ? kMemoryEntryLimit : kEntryLimit;
    const auto keyed = entryBuffer + key;

    // A key the display cannot show is refused: the display never shows a number other than the one keyed.
    const auto& display = displays[static_cast<size_t>(juce::jlimit(0, kDisplayCount - 1, displayFor(selectedParam)))];

    if (entryBuffer.length() < limit && display.canShow(keyed))
        entryBuffer = keyed;

    updateDreDisplays();
}

void VornReverbAudioProcessorEditor::removeLastKey()
{
    if (entryBuffer.isEmpty())
        return;

    entryBuffer = entryBuffer.dropLastCharacters(1);
    updateDreDisplays();
}

void VornReverbAudioProcessorEditor::discardPendingEntry()
{
    entryBuffer.clear();
    memoryMode.clear();
    updateDreDisplays();
}

void VornReverbAudioProcessorEditor::commitEntry()
{
    if (memoryMode.isNotEmpty())
    {
        const auto slot = juce::jlimit(0, 9, entryBuffer.getIntValue());

        if (memoryMode == "write")
            openNamingDialog(slot);
        else if (memoryMode == "read")
            recallMemorySlot(slot);

        // The naming dialog answers later; the panel is idle again at once.
        memoryMode.clear();
        entryBuffer.clear();
        updateDreDisplays();
        return;
    }

    if (entryBuffer.isNotEmpty())
    {
        auto value = entryBuffer.getFloatValue();

        if (selectedParam == "decay")
            value = vorn::decayStepForSeconds(value);

        setFloatParam(selectedParam, value);
        entryBuffer.clear();
    }

    updateDreDisplays();
}

void VornReverbAudioProcessorEditor::nudgeSelected(float direction)
{
    if (selectedParam.isEmpty())
        selectedParam = "outputGain";

    setFloatParam(selectedParam, currentParamValue(selectedParam) + direction * selectedStep);
}

void VornReverbAudioProcessorEditor::wireMatrixKey(vorn_panel::PanelKey& key, const vorn::MatrixSlot& slot)
{
    const juce::String id(slot.paramId);
    const auto step = slot.stepSize;

    key.onClick = [this, id, step] { selectEditableParam(id, step); };
    key.onDrag = [this, id, step](float steps)
    {
        if (selectedParam != id)
            selectEditableParam(id, step);

        setFloatParam(id, currentParamValue(id) + steps * step);
    };
}

void VornReverbAudioProcessorEditor::mouseDoubleClick(const juce::MouseEvent& event)
{
    // Double-clicks on the bare panel and on the displays open an entry; those on keys and overlays are theirs.
    const auto* target = event.eventComponent;
    if (target != this && target != &canvas &&
        std::none_of(displays.begin(), displays.end(), [target](const auto& d) { return target == &d; }))
        return;

    const auto scale = static_cast<float>(getWidth()) / static_cast<float>(kDesignWidth);

    if (scale <= 0.0f)
        return;

    const auto position = event.getEventRelativeTo(this).position;
    const juce::Point<int> point(static_cast<int>(position.x / scale), static_cast<int>(position.y / scale));
    const auto k = displayFor(selectedParam);

    for (int i = 0; i < kDisplayCount; ++i)
    {
        if (!displays[static_cast<size_t>(i)].getBounds().contains(point))
            continue;

        switch (i)
        {
        case 0:
            showMouseEntry("decay", 1.0f);
            break;
        case 1:
            if (k == 1)
                showMouseEntry(selectedParam, selectedStep);
            else
                showMouseEntry("outputGain", 0.01f);
            break;
        case 2:
            showMouseEntry(k == 2 ? selectedParam : juce::String("predelay"), 1.0f);
            break;
        default:
            showMouseEntry("dryWet", 1.0f);
            break;
        }

        return;
    }
}

void VornReverbAudioProcessorEditor::showMouseEntry(const juce::String& id, float step)
{
    selectEditableParam(id, step);

    const auto k = juce::jlimit(0, kDisplayCount - 1, displayFor(id));
    entryBox.setBounds(displays[static_cast<size_t>(k)].getBounds().reduced(kEntryInset));

    const auto value = currentParamValue(id);
    juce::String text;

    if (k == 0)
        text = juce::String(vorn::decaySecondsFor(value), 1);
    else if (k == 1)
        text = step < 0.1f ? juce::String(value, 2) : juce::String(value, 0);
    else
        text = juce::String(currentWholeValue(id));

    entryBox.setText(text, juce::dontSendNotification);
    mouseEntryParam = id;
    entryBox.setVisible(true);
    entryBox.toFront(false);

    if (entryBox.isShowing()) // only a panel on screen can hand out the keyboard focus
        entryBox.grabKeyboardFocus();

    entryBox.selectAll();
}

bool VornReverbAudioProcessorEditor::isMouseEntryOpen() const
{
    return entryBox.isVisible() && mouseEntryParam.isNotEmpty();
}

void VornReverbAudioProcessorEditor::closeEntryBox()
{
    // The keyboard goes back to the keypad first: a hidden box would hand it to the next field on the canvas.
    if (entryBox.hasKeyboardFocus(true))
        takeKeyboardFocusForKeypad();

    entryBox.setVisible(false);
    mouseEntryParam.clear();
}

void VornReverbAudioProcessorEditor::cancelMouseEntry()
{
    closeEntryBox();
    entryBuffer.clear();
    updateDreDisplays();
}

void VornReverbAudioProcessorEditor::wireEntryBox()
{
    entryBox.onReturnKey = [this]
    {
        // Only an open entry has a parameter to enter into; Return anywhere else changes nothing.
        if (!isMouseEntryOpen())
            return;

        const auto id = mouseEntryParam;
        const auto typed = entryBox.getText();
        closeEntryBox();
        selectedParam = id;
        entryBuffer = typed;
        commitEntry();
    };

    entryBox.onEscapeKey = [this] { cancelMouseEntry(); };

    // The focus-lost message arrives later: a box opened again in the meantime holds the focus and stays.
    entryBox.onFocusLost = [this]
    {
        if (entryBox.isVisible() && !entryBox.hasKeyboardFocus(false))
            cancelMouseEntry();
    };
}
