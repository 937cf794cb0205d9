#pragma once

#include "plugin/PluginProcessor.h"

#include <functional>
#include <utility>
#include <vector>

namespace vorn
{

/** How a file is rendered: settings applied as the panel would, block size and tail. */
struct RenderSettings
{
    juce::String program; // a factory program or user preset, by name, any case; empty for none
    std::vector<std::pair<juce::String, juce::String>> values; // "--set id=value", applied after the program
    int blockSize = 512;
    double tailSeconds = -1.0; // < 0: until the output stays below kQuietDb
};

/** Rendering stops once the output has stayed below this level for kQuietWindowSeconds. */
constexpr float kQuietDb = -90.0f;
constexpr double kQuietWindowSeconds =
    1.5; // longer than the longest echo, so gaps between repeats are not taken as the end
constexpr double kMaxTailSeconds = 30.0;

/** Applies the program, then every value; on failure the message says what was wrong. */
juce::Result applySettings(VornReverbAudioProcessor& processor, const RenderSettings& settings);

/** Runs the input through a fresh processor block by block, exactly as a host would, and renders the tail.
    `progress` (if set) is told the fraction done. */
juce::Result render(const juce::AudioBuffer<float>& input, double sampleRate, const RenderSettings& settings,
                    juce::AudioBuffer<float>& output, const std::function<void(double)>& progress = {});

/** The programs by category and the parameters with their ranges, as `--list` prints them. */
juce::String describeProgramsAndParameters();

} // namespace vorn
