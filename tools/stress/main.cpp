// Runs the processor at the highest feedback the panel allows, driven by loud noise in bursts with silent gaps (where
// decaying tails would turn denormal), for N minutes of audio as fast as the CPU allows. Every sample must be
// finite and within +-1, and the mean time per block must not grow: a block in the last minute may not cost more
// than kAllowedGrowth times one in the first.
#include "engine/ParameterTable.h"
#include "plugin/PluginProcessor.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace
{
constexpr double kAllowedGrowth = 1.5;
constexpr int kLoudSeconds = 20;
constexpr int kSilentSeconds = 10;

const char* const kUsage = R"(usage: vorn-stress [--minutes N] [--rate HZ] [--block SAMPLES]

Runs N minutes of audio (default 60) at 48000 Hz in blocks of 512 samples through the processor at the highest
feedback, with loud noise in 20-second bursts and 10 seconds of silence between them. Prints the mean and worst
time per block for every minute and fails (exit code 1) on a sample that is not finite or beyond +-1, or when
the last minute's mean block time exceeds 1.5 times the first minute's.
)";

void setAsThePanelDoes(VornReverbAudioProcessor& processor, const char* id, float value)
{
    auto* parameter = processor.parameters().getParameter(id);
    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
    parameter->endChangeGesture();
}
} // namespace

int main(int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI framework;

    int minutes = 60, blockSize = 512;
    double sampleRate = 48000.0;
    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg(argv[i]);
        const auto next = [&] { return i + 1 < argc ? juce::String(argv[++i]) : juce::String(); };
        if (arg == "--minutes")
            minutes = next().getIntValue();
        else if (arg == "--rate")
            sampleRate = next().getDoubleValue();
        else if (arg == "--block")
            blockSize = next().getIntValue();
        else
        {
            std::cout << kUsage;
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
    }
    if (minutes < 1 || blockSize < 1 || blockSize > 65536 || !(sampleRate >= 8000.0 && sampleRate <= 768000.0))
    {
        std::cerr << kUsage;
        return 2;
    }

    VornReverbAudioProcessor processor;
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);
    // The most feedback the plug-in allows: these at the top of their ranges, ping-pong on, Echo-2, and the echoes
    // fed into the reverb ("Delay -> Reverb").
    for (const auto* id : {"k1", "k2", "decay", "size", "rtLow", "outputGain", "dryWet", "pingPong"})
        setAsThePanelDoes(processor, id, vorn::findParameter(id)->maximum);
    setAsThePanelDoes(processor, "effectMode", 2.0f);
    setAsThePanelDoes(processor, "routing", 1.0f);

    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::MidiBuffer midi;
    juce::Random random(77);
    const auto blocksPerMinute = juce::jmax(1, juce::roundToInt(60.0 * sampleRate / blockSize));
    const auto loudBlocks = juce::roundToInt(kLoudSeconds * sampleRate / blockSize);
    const auto cycleBlocks = juce::roundToInt((kLoudSeconds + kSilentSeconds) * sampleRate / blockSize);
    double firstMinuteMean = 0.0, lastMinuteMean = 0.0;

    for (int minute = 0; minute < minutes; ++minute)
    {
        double total = 0.0, worst = 0.0;
        for (int block = 0; block < blocksPerMinute; ++block)
        {
            const bool loud = (minute * blocksPerMinute + block) % cycleBlocks < loudBlocks;
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < blockSize; ++i)
                    buffer.setSample(ch, i, loud ? random.nextFloat() * 2.0f - 1.0f : 0.0f);

            const auto start = std::chrono::steady_clock::now();
            processor.processBlock(buffer, midi);
            const auto micros = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start);
            total += micros.count();
            worst = juce::jmax(worst, micros.count());

            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < blockSize; ++i)
                    if (const auto y = buffer.getSample(ch, i); !std::isfinite(y) || std::abs(y) > 1.0f)
                    {
                        std::fprintf(stderr, "vorn-stress: minute %d, block %d: sample %g\n", minute + 1, block,
                                     double(y));
                        return 1;
                    }
        }
        const auto mean = total / blocksPerMinute;
        if (minute == 0)
            firstMinuteMean = mean;
        lastMinuteMean = mean;
        std::printf("minute %3d: %8.1f us per block (worst %8.1f us), %5.2fx the first minute\n", minute + 1, mean,
                    worst, mean / firstMinuteMean);
        std::fflush(stdout);
    }

    if (lastMinuteMean > kAllowedGrowth * firstMinuteMean)
    {
        std::fprintf(stderr, "vorn-stress: blocks grew from %.1f us to %.1f us\n", firstMinuteMean, lastMinuteMean);
        return 1;
    }
    std::printf("vorn-stress: %d minutes of audio, all samples finite and within +-1, no growth\n", minutes);
    return 0;
}
