#include "DemoSignal.h"

#include <cmath>
#include <vector>

namespace vorn
{

namespace
{
constexpr double kTwoPi = juce::MathConstants<double>::twoPi;

/** A kick: a sine falling from 120 Hz to 45 Hz under a fast decay. */
void addKick(juce::AudioBuffer<float>& out, int start, double sampleRate, float gain)
{
    double phase = 0.0;
    for (int i = 0; i < int(0.35 * sampleRate) && start + i < out.getNumSamples(); ++i)
    {
        const auto t = i / sampleRate;
        phase += kTwoPi * (45.0 + 75.0 * std::exp(-t * 25.0)) / sampleRate;
        const auto v = float(std::sin(phase) * std::exp(-t * 9.0)) * gain;
        out.addSample(0, start + i, v);
        out.addSample(1, start + i, v);
    }
}

/** A snare: a 185 Hz body and a burst of noise, slightly right of centre. */
void addSnare(juce::AudioBuffer<float>& out, int start, double sampleRate, juce::Random& random, float gain)
{
    float low = 0.0f;
    for (int i = 0; i < int(0.25 * sampleRate) && start + i < out.getNumSamples(); ++i)
    {
        const auto t = i / sampleRate;
        const auto noise = random.nextFloat() * 2.0f - 1.0f;
        low += 0.3f * (noise - low);
        const auto body = float(std::sin(kTwoPi * 185.0 * t) * std::exp(-t * 30.0));
        const auto v = (0.55f * (noise - low) * float(std::exp(-t * 18.0)) + 0.5f * body) * gain;
        out.addSample(0, start + i, 0.85f * v);
        out.addSample(1, start + i, v);
    }
}

/** A closed hi-hat: a few milliseconds of bright noise, left of centre. */
void addHat(juce::AudioBuffer<float>& out, int start, double sampleRate, juce::Random& random, float gain)
{
    float previous = 0.0f;
    for (int i = 0; i < int(0.06 * sampleRate) && start + i < out.getNumSamples(); ++i)
    {
        const auto noise = random.nextFloat() * 2.0f - 1.0f;
        const auto v = (noise - previous) * 0.5f * float(std::exp(-i / sampleRate * 70.0)) * gain;
        previous = noise;
        out.addSample(0, start + i, v);
        out.addSample(1, start + i, 0.6f * v);
    }
}

/** A plucked string (Karplus-Strong) at the given pitch. */
void addPluck(juce::AudioBuffer<float>& out, int start, double sampleRate, double hz, juce::Random& random, float gain)
{
    const auto period = juce::jmax(2, int(sampleRate / hz));
    std::vector<float> line(static_cast<size_t>(period));
    for (auto& s : line)
        s = random.nextFloat() * 2.0f - 1.0f;
    size_t index = 0;
    for (int i = 0; i < int(1.6 * sampleRate) && start + i < out.getNumSamples(); ++i)
    {
        const auto next = (index + 1) % line.size();
        const auto v = line[index];
        line[index] = 0.996f * 0.5f * (line[index] + line[next]);
        index = next;
        out.addSample(0, start + i, v * gain);
        out.addSample(1, start + i, v * gain * 0.9f);
    }
}

/** A swelling and fading burst of noise, wide in stereo. */
void addNoiseBurst(juce::AudioBuffer<float>& out, int start, double sampleRate, juce::Random& random, float gain)
{
    const auto length = int(0.4 * sampleRate);
    for (int i = 0; i < length && start + i < out.getNumSamples(); ++i)
    {
        const auto envelope = float(std::sin(juce::MathConstants<double>::pi * i / length));
        out.addSample(0, start + i, (random.nextFloat() * 2.0f - 1.0f) * envelope * gain);
        out.addSample(1, start + i, (random.nextFloat() * 2.0f - 1.0f) * envelope * gain);
    }
}
} // namespace

juce::AudioBuffer<float> makeDemoSignal(double sampleRate)
{
    juce::AudioBuffer<float> out(2, int(6.0 * sampleRate));
    out.clear();
    juce::Random random(77); // the same demo every time

    const auto beat = 0.5 * sampleRate; // 120 BPM
    const auto at = [&](double beats) { return int(beats * beat); };
    for (int bar = 0; bar < 2; ++bar)
    {
        const double b = bar * 4.0;
        addKick(out, at(b), sampleRate, 0.8f);
        addKick(out, at(b + 2.5), sampleRate, 0.6f);
        addSnare(out, at(b + 1), sampleRate, random, 0.6f);
        addSnare(out, at(b + 3), sampleRate, random, 0.6f);
        for (int eighth = 0; eighth < 8; ++eighth)
            addHat(out, at(b + eighth * 0.5), sampleRate, random, eighth % 2 == 0 ? 0.35f : 0.2f);
    }
    addPluck(out, at(8.0), sampleRate, 196.0, random, 0.5f);
    addPluck(out, at(8.5), sampleRate, 293.7, random, 0.4f);
    addNoiseBurst(out, at(10.5), sampleRate, random, 0.3f);

    // The parts overlap and their sum peaked above full scale; scaled to peak at -3 dBFS, the demo keeps its
    // headroom when written as integer PCM or played back.
    constexpr float kPeakDb = -3.0f;
    if (const auto peak = out.getMagnitude(0, out.getNumSamples()); peak > 0.0f)
        out.applyGain(juce::Decibels::decibelsToGain(kPeakDb) / peak);
    return out;
}

} // namespace vorn
