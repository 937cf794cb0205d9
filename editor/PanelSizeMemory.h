#pragma once

#include <juce_core/juce_core.h>

namespace vorn
{
/** The panel width the user last chose, kept per user across editor openings and sessions in a small settings
    file beside the user preset folder. Message thread only. */
struct PanelSizeMemory
{
    /** Where the width is kept. */
    static juce::File settingsFile();

    /** The remembered width, or `fallback` when none is remembered, the file is unreadable or the width lies
        outside [minimum, maximum]. */
    static int recallWidth(int fallback, int minimum, int maximum);

    /** Keeps `width` for the next editor. */
    static void rememberWidth(int width);
};
} // namespace vorn
