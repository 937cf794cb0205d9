#pragma once

#include <juce_events/juce_events.h>

#include <cstdlib>
#include <unistd.h>

namespace vorn::fuzz
{

/** Sets up what the plug-in needs once per fuzzing process: a home folder of its own (user presets land there, never
    in the real one) and the framework, alive until the process ends. */
inline juce::File startFramework()
{
    const auto home = juce::File::getSpecialLocation(juce::File::tempDirectory)
                          .getChildFile("vorn-fuzz-home-" + juce::String(static_cast<int>(::getpid())));
    home.createDirectory();
    ::setenv("HOME", home.getFullPathName().toRawUTF8(), 1);
    // Kept for the whole process (the fuzzer exits without unwinding), reachable so it is not taken for a leak.
    static const auto* framework = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused(framework);
    return home;
}

/** Replaces the file's content with the bytes; unlike File::replaceWithData, no bytes leave an empty file. */
inline void writeFile(const juce::File& file, const void* data, size_t size)
{
    juce::FileOutputStream out(file);
    if (!out.openedOk() || !out.setPosition(0) || out.truncate().failed() || !out.write(data, size))
        __builtin_trap();
}

/** A broken invariant is a crash for the fuzzer, which keeps the input that caused it. */
inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace vorn::fuzz
