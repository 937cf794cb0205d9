#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace vorn
{
/** Gives the named text field of an alert window that has just opened the keyboard, with its text selected, so
    that typing replaces it. A window on the desktop is given the keyboard by the window system a moment after it
    opens, so the field asks again during the window's first second. */
void focusTextField(juce::AlertWindow& window, const juce::String& fieldName);
} // namespace vorn
