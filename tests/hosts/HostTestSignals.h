#pragma once

#include "support/ProcessorHelpers.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <utility>
#include <vector>

namespace vorn::test
{

/** Real parameter values applied the same way to every host under test. */
using Settings = std::vector<std::pair<juce::String, float>>;

/** A short stereo test signal: an impulse, then a decaying tone burst, then silence for the tail. */
inline juce::AudioBuffer<float> makeTestSignal(int numSamples, double sampleRate)
{
    juce::AudioBuffer<float> buffer(2, numSamples);
    buffer.clear();
    buffer.setSample(0, 10, 0.8f);
    buffer.setSample(1, 10, 0.6f);
    const auto toneStart = numSamples / 8;
    for (int i = 0; i < juce::jmin(numSamples / 4, int(sampleRate * 0.1)); ++i)
    {
        const auto t = double(i) / sampleRate;
        const auto tone =
            float(0.4 * std::exp(-t * 30.0) * std::sin(2.0 * juce::MathConstants<double>::pi * 440.0 * t));
        buffer.addSample(0, toneStart + i, tone);
        buffer.addSample(1, toneStart + i, -0.7f * tone);
    }
    return buffer;
}

/** Runs a signal through a freshly prepared processor, block by block, as a host would; `program` (if any) is
    loaded by name before the settings are applied. */
inline juce::AudioBuffer<float> processDirectly(const juce::AudioBuffer<float>& input, double sampleRate, int blockSize,
                                                const Settings& settings, const juce::String& program = {})
{
    auto processor = makePreparedProcessor(sampleRate, blockSize, input.getNumChannels());
    auto& programs = processor->presetManager;
    for (size_t i = 0; i < programs.entries.size(); ++i)
        if (program.isNotEmpty() && programs.entries[i].name == program)
            programs.load(int(i));
    for (const auto& [id, value] : settings)
        setParameter(processor->parameters(), id, value);

    juce::AudioBuffer<float> output(input);
    for (int start = 0; start < output.getNumSamples(); start += blockSize)
    {
        const auto n = juce::jmin(blockSize, output.getNumSamples() - start);
        juce::AudioBuffer<float> block(output.getArrayOfWritePointers(), output.getNumChannels(), start, n);
        processBlock(*processor, block);
    }
    return output;
}

/** Largest absolute difference between two buffers of the same shape. */
inline float maxDifference(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    float worst = 0.0f;
    for (int ch = 0; ch < a.getNumChannels(); ++ch)
        for (int i = 0; i < a.getNumSamples(); ++i)
            worst = juce::jmax(worst, std::abs(a.getSample(ch, i) - b.getSample(ch, i)));
    return worst;
}

inline void writeWav(const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate)
{
    file.deleteFile();
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer(wav.createWriterFor(file.createOutputStream().release(), sampleRate,
                                                                        unsigned(buffer.getNumChannels()), 32, {}, 0));
    jassert(writer != nullptr);
    writer->writeFromAudioSampleBuffer(buffer, 0, buffer.getNumSamples());
}

inline juce::AudioBuffer<float> readWav(const juce::File& file)
{
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(file.createInputStream().release(), true));
    if (reader == nullptr)
        return {};
    juce::AudioBuffer<float> buffer(int(reader->numChannels), int(reader->lengthInSamples));
    reader->read(&buffer, 0, buffer.getNumSamples(), 0, true, true);
    return buffer;
}

} // namespace vorn::test
