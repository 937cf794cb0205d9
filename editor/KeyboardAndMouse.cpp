// The computer keyboard as a second keypad, and what a press anywhere on the panel does to the keyboard focus and
// to an open mouse entry.
#include "editor/PluginEditor.h"

namespace
{
/** True for `component` and everything inside it. */
bool isWithin(const juce::Component* component, const juce::Component& outer)
{
    return component == &outer || outer.isParentOf(component);
}

/** The keypad text of a typed key: a digit or a point, from the main keys or the number pad; empty for others. */
juce::String keypadText(const juce::KeyPress& key)
{
    const auto code = key.getKeyCode();

    if (code >= juce::KeyPress::numberPad0 && code <= juce::KeyPress::numberPad9)
        return juce::String(code - juce::KeyPress::numberPad0);

    if (code == juce::KeyPress::numberPadDecimalPoint)
        return ".";

    const auto c = key.getTextCharacter();

    if ((c >= '0' && c <= '9') || c == '.')
        return juce::String::charToString(c);

    return {};
}
} // namespace

void VornReverbAudioProcessorEditor::mouseDown(const juce::MouseEvent& event)
{
    const auto* target = event.eventComponent;

    // A press outside the open entry box ends the entry, as Escape does; a key pressed does its own action after.
    if (isMouseEntryOpen() && !isWithin(target, entryBox))
        cancelMouseEntry();

    // The text fields keep the keyboard they took; the overlays look after their own lists and fields.
    if (!isWithin(target, programName) && !isWithin(target, entryBox) && !isInOverlay(target))
        takeKeyboardFocusForKeypad();
}

bool VornReverbAudioProcessorEditor::keyPressed(const juce::KeyPress& key)
{
    const auto mods = key.getModifiers();

    // Shortcuts with Ctrl, Alt or Cmd belong to the host.
    if (mods.isCommandDown() || mods.isCtrlDown() || mods.isAltDown())
        return false;

    if (const auto text = keypadText(key); text.isNotEmpty())
    {
        appendKey(text);
        return true;
    }

    const auto code = key.getKeyCode();

    if (code == juce::KeyPress::returnKey)
        commitEntry();
    else if (code == juce::KeyPress::backspaceKey)
        removeLastKey();
    else if (code == juce::KeyPress::escapeKey)
        discardPendingEntry();
    else if (code == juce::KeyPress::upKey)
        nudgeSelected(+1.0f);
    else if (code == juce::KeyPress::downKey)
        nudgeSelected(-1.0f);
    else
        return false;

    return true;
}

void VornReverbAudioProcessorEditor::claimKeyboardOnceShown()
{
    // The window system hands a new window the keyboard a moment after it shows, and the window then gives it to
    // its first control (in the standalone, the Options button). The first time the panel's window has it, the
    // keypad takes it, unless the user has already put it somewhere in the panel.
    if (keyboardClaimed || !isShowing())
        return;

    const auto* peer = getPeer();
    if (peer == nullptr || !peer->isFocused())
        return;

    keyboardClaimed = true;

    if (!hasKeyboardFocus(true))
        grabKeyboardFocus();
}

void VornReverbAudioProcessorEditor::takeKeyboardFocusForKeypad()
{
    if (!hasKeyboardFocus(false))
        grabKeyboardFocus();
}

bool VornReverbAudioProcessorEditor::isInOverlay(const juce::Component* component) const
{
    return (browser != nullptr && isWithin(component, *browser)) || (curves != nullptr && isWithin(component, *curves));
}
