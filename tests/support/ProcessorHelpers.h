#pragma once

#include "plugin/PluginProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

namespace vorn::test
{

/** Sets a parameter in real units as a host gesture, as the panel and program loads do. */
inline void setParameter(juce::AudioProcessorValueTreeState& state, const juce::String& id, float value)
{
    auto* parameter = state.getParameter(id);
    jassert(parameter != nullptr);
    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
    parameter->endChangeGesture();
}

/** The parameter's current value in real units. */
inline float valueOf(juce::AudioProcessorValueTreeState& state, const juce::String& id)
{
    return state.getRawParameterValue(id)->load();
}

/** A processor prepared as a host would before playback. */
inline std::unique_ptr<VornReverbAudioProcessor> makePreparedProcessor(double sampleRate = 48000.0, int blockSize = 512,
                                                                       int channels = 2)
{
    auto processor = std::make_unique<VornReverbAudioProcessor>();
    const auto set = channels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add(set);
    layout.outputBuses.add(set);
    processor->setBusesLayout(layout);
    processor->setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor->prepareToPlay(sampleRate, blockSize);
    return processor;
}

/** Runs one block through the processor. */
inline void processBlock(VornReverbAudioProcessor& processor, juce::AudioBuffer<float>& buffer)
{
    juce::MidiBuffer midi;
    processor.processBlock(buffer, midi);
}

} // namespace vorn::test
