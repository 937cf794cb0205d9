// vorn-scan: finds VST3 plug-ins the way a host built on the framework does, loads each one and runs a block
// through it; for checking an installation (the system folder /usr/lib/vst3 after installing the package).
//
//   vorn-scan [FOLDER]...
//
// Without folders it searches the framework's standard VST3 folders (~/.vst3, /usr/lib/vst3,
// /usr/local/lib/vst3). Prints what the host sees of each plug-in; fails when none is found or one does not load.

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_events/juce_events.h>

#include <cstdio>

namespace
{
/** Loads the plug-in and runs one block of an impulse through it; says what failed, or nothing. */
juce::String loadAndRun(juce::AudioPluginFormat& format, const juce::PluginDescription& description)
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 512;
    juce::String error;
    auto instance = format.createInstanceFromDescription(description, sampleRate, blockSize, error);
    if (instance == nullptr)
        return error.isNotEmpty() ? error : "cannot be loaded";

    instance->prepareToPlay(sampleRate, blockSize);
    const auto channels = juce::jmax(instance->getTotalNumInputChannels(), instance->getTotalNumOutputChannels());
    juce::AudioBuffer<float> buffer(channels, blockSize);
    buffer.clear();
    for (int ch = 0; ch < instance->getTotalNumInputChannels(); ++ch)
        buffer.setSample(ch, 0, 0.5f);
    juce::MidiBuffer midi;
    instance->processBlock(buffer, midi);
    instance->releaseResources();

    std::printf("  parameters: %d\n  one block:  %d samples, output peak %.3f\n", instance->getParameters().size(),
                blockSize, double(buffer.getMagnitude(0, blockSize)));
    return {};
}
} // namespace

int main(int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI framework;
    juce::VST3PluginFormat format;

    juce::FileSearchPath folders;
    for (int i = 1; i < argc; ++i)
        folders.add(juce::File::getCurrentWorkingDirectory().getChildFile(argv[i]));
    if (argc == 1)
        folders = format.getDefaultLocationsToSearch();
    std::printf("searching %s\n", folders.toString().toRawUTF8());

    int found = 0, failed = 0;
    for (const auto& file : format.searchPathsForPlugins(folders, true, false))
    {
        juce::OwnedArray<juce::PluginDescription> types;
        format.findAllTypesForFile(types, file);
        if (types.isEmpty())
        {
            std::printf("%s\n  not a plug-in the host can use\n", file.toRawUTF8());
            ++failed;
        }
        for (const auto* type : types)
        {
            ++found;
            std::printf("%s\n  name:       %s\n  maker:      %s\n  version:    %s\n  category:   %s\n"
                        "  inputs:     %d\n  outputs:    %d\n",
                        file.toRawUTF8(), type->name.toRawUTF8(), type->manufacturerName.toRawUTF8(),
                        type->version.toRawUTF8(), type->category.toRawUTF8(), type->numInputChannels,
                        type->numOutputChannels);
            if (const auto error = loadAndRun(format, *type); error.isNotEmpty())
            {
                std::printf("  does not load: %s\n", error.toRawUTF8());
                ++failed;
            }
        }
    }

    std::printf("%d found, %d failed\n", found, failed);
    return found > 0 && failed == 0 ? 0 : 1;
}
