#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

namespace vorn
{

/** The program list: the 46 factory programs, then the user presets on disk. Message thread only. */
class PresetManager : public juce::ChangeBroadcaster
{
public:
    /** One program of the list; a factory program exactly when factoryIndex >= 0. */
    struct Entry
    {
        juce::String name;
        juce::String category;
        juce::File file; // empty for factory programs
        int factoryIndex = -1;
    };

    /** Scans the list at once, so it is complete from construction on. */
    explicit PresetManager(juce::AudioProcessorValueTreeState& state);

    /** Rebuilds the list from the factory table and the user folder; `current` is kept. */
    void rescan();

    /** Applies entry `index` to the parameters, one host gesture per parameter; false when nothing was loaded. */
    bool load(int index);

    /** Loads the next (+1) or previous (-1) program of `category` ("All" for every one), wrapping around. */
    bool step(int delta, const juce::String& category);

    /** Entry indices of `category` ("All" for every one) whose name or category contains `search`. */
    std::vector<int> indicesFor(const juce::String& category, const juce::String& search) const;

    /** Writes the current parameter values as the user preset `name` and selects it. */
    juce::Result saveUser(const juce::String& name, const juce::String& category);

    /** Deletes the file of the user preset at `index`. */
    juce::Result deleteUser(int index);

    /** The user preset folder; only computed, never created here. */
    static juce::File userDir();

    /** The extension of user preset files. */
    static constexpr const char* kFileExtension = ".vornpreset";

    /** Preset files are a few kilobytes; anything beyond this is not one of ours and is not read. */
    static constexpr juce::int64 kMaxFileBytes = 1 << 20;

    /** Our files nest two deep. The framework's XML parser recurses per level, so deeper files are refused
        before parsing rather than risk the host's stack. */
    static constexpr int kMaxNesting = 32;

    std::vector<Entry> entries;
    int current = -1;

private:
    void appendUserEntries();
    bool applyUserFile(const juce::File& file);

    juce::AudioProcessorValueTreeState& apvts;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PresetManager)
};

} // namespace vorn
