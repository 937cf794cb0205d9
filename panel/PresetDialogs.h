#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace vorn
{
/** What the preset browser asks of the desktop: its questions, its one message and the system file browser.

    The questions answer later, on the message thread, as the framework's asynchronous windows do. The browser
    holds a set of these; a test, which has no display to open windows on, sets its own and answers itself. */
struct PresetDialogs
{
    /** The answer to the naming question: `save` is false when the user cancelled. */
    using NameAnswer = std::function<void(bool save, const juce::String& name, const juce::String& category)>;

    /** Asks for a preset name (prefilled, selected for overtyping) and one of the categories (`category`
        preselected). Gives the open window, if there is one, so that the browser can close it should the browser
        go first. */
    std::function<juce::Component*(const juce::String& name, const juce::StringArray& categories,
                                   const juce::String& category, NameAnswer)>
        askName;

    /** Asks an OK/Cancel question; `onOk` runs only on OK. */
    std::function<void(const juce::String& title, const juce::String& message, std::function<void()> onOk)> confirm;

    /** Shows a message with an OK button. */
    std::function<void(const juce::String& title, const juce::String& message)> tell;

    /** Shows a folder in the system's file browser. */
    std::function<void(const juce::File& folder)> reveal;

    /** The framework's asynchronous windows and the system's file browser. */
    static PresetDialogs desktop();
};
} // namespace vorn
