#include "editor/PanelSizeMemory.h"

#include "plugin/PresetManager.h"

#include <juce_data_structures/juce_data_structures.h>

namespace vorn
{
namespace
{
constexpr const char* kWidthKey = "panelWidth";

juce::PropertiesFile::Options settingsOptions()
{
    juce::PropertiesFile::Options options;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.millisecondsBeforeSaving = -1; // written when asked, not on a timer of its own
    return options;
}
} // namespace

juce::File PanelSizeMemory::settingsFile()
{
    return PresetManager::userDir().getSiblingFile("Panel.settings");
}

int PanelSizeMemory::recallWidth(int fallback, int minimum, int maximum)
{
    const auto file = settingsFile();

    if (!file.existsAsFile())
        return fallback;

    const juce::PropertiesFile settings(file, settingsOptions());
    const auto width = settings.getIntValue(kWidthKey, fallback);
    return width >= minimum && width <= maximum ? width : fallback;
}

void PanelSizeMemory::rememberWidth(int width)
{
    const auto file = settingsFile();

    // The folder is the user's; without it there is nowhere to keep the size, and the panel opens at its
    // first size next time.
    if (!file.getParentDirectory().createDirectory().wasOk())
        return;

    juce::PropertiesFile settings(file, settingsOptions());
    settings.setValue(kWidthKey, width);
    settings.saveIfNeeded();
}
} // namespace vorn
