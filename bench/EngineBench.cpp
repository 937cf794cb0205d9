// Cost of the reverb engine: one tank bank per sample, and the whole engine per second of stereo audio at its
// defaults and at its heaviest settings, with and without AVX2, at 48 and 96 kHz and in blocks of several sizes.
// Run: build/bench/VornBench   (the "cpu_percent" counter is the share of one core at real time)
#include "engine/VornDsp.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace
{

/** Programme-like input: a decaying noise burst every half second, so the tank always carries a tail. */
void fillInput(juce::AudioBuffer<float>& buffer, int startSample, double sampleRate, juce::uint32& seed)
{
    const int period = static_cast<int>(sampleRate / 2);
    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        const int phase = (startSample + i) % period;
        const float envelope = phase < period / 4 ? 0.4f * (1.0f - static_cast<float>(phase) / (period / 4)) : 0.0f;
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
        {
            seed = seed * 1664525u + 1013904223u;
            buffer.setSample(ch, i, envelope * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f));
        }
    }
}

void runEngine(benchmark::State& state, double sampleRate, const vorn::Advanced& advanced, bool wide = true,
               int blockSize = 512)
{
    auto dsp = std::make_unique<vorn::VornDsp>();
    dsp->prepare(sampleRate, blockSize);
    dsp->useWideLanes(wide);
    const vorn::Parameters parameters;
    const auto dna = vorn::deriveDna("7F2C91A0");

    // One second of input, prepared beforehand; each iteration processes it in blocks.
    const int length = static_cast<int>(sampleRate);
    juce::AudioBuffer<float> input(2, length), block(2, blockSize), last(2, length % blockSize);
    juce::uint32 seed = 1u;
    fillInput(input, 0, sampleRate, seed);

    // As in the processor's block routine: denormals flush to zero.
    const juce::ScopedNoDenormals noDenormals;
    double seconds = 0.0;
    for (auto _ : state)
    {
        const auto begin = std::chrono::steady_clock::now();
        for (int start = 0; start < length; start += blockSize)
        {
            auto& target = start + blockSize <= length ? block : last;
            for (int ch = 0; ch < 2; ++ch)
                target.copyFrom(ch, 0, input, ch, start, target.getNumSamples());
            dsp->process(target, parameters, advanced, dna);
            benchmark::DoNotOptimize(target.getReadPointer(0));
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    // Time per second of audio as a share of one core.
    state.counters["cpu_percent"] = 100.0 * seconds / static_cast<double>(state.iterations());
}

void engineDefaults(benchmark::State& state)
{
    runEngine(state, 48000.0, {});
}

void engineEcho2PingPong(benchmark::State& state)
{
    vorn::Advanced advanced;
    advanced.effectMode = 2;
    advanced.pingPong = true;
    advanced.k1 = advanced.k2 = 0.5f;
    runEngine(state, 48000.0, advanced);
}

void engineConverterAndDetune(benchmark::State& state)
{
    vorn::Advanced advanced;
    advanced.vintageConv = true;
    advanced.detune = 1.0f;
    runEngine(state, 48000.0, advanced);
}

/** The code for processors without AVX2, on this one. */
void engineDefaultsPortable(benchmark::State& state)
{
    runEngine(state, 48000.0, {}, false);
}

void engineDefaultsAt96k(benchmark::State& state)
{
    runEngine(state, 96000.0, {});
}

/** The heaviest settings: vintage converter, detune 1.5, Echo-2 with ping-pong, feedback 0.7 and 0.6, routing
    Delay -> Reverb. */
vorn::Advanced heaviest()
{
    vorn::Advanced advanced;
    advanced.vintageConv = true;
    advanced.detune = 1.5f;
    advanced.effectMode = 2;
    advanced.pingPong = true;
    advanced.k1 = 0.7f;
    advanced.k2 = 0.6f;
    advanced.routing = 1;
    return advanced;
}

void engineHeaviest(benchmark::State& state)
{
    runEngine(state, 48000.0, heaviest());
}

void engineHeaviestPortable(benchmark::State& state)
{
    runEngine(state, 48000.0, heaviest(), false);
}

void engineHeaviestAt96k(benchmark::State& state)
{
    runEngine(state, 96000.0, heaviest());
}

/** Blocks of 256 and of 32 samples, as a host at a small buffer size hands them over (arg: the block size). */
void engineDefaultsInBlocks(benchmark::State& state)
{
    runEngine(state, 48000.0, {}, true, static_cast<int>(state.range(0)));
}

void engineHeaviestInBlocks(benchmark::State& state)
{
    runEngine(state, 48000.0, heaviest(), true, static_cast<int>(state.range(0)));
}

void tankBank(benchmark::State& state)
{
    auto dsp = std::make_unique<vorn::VornDsp>();
    dsp->prepare(48000.0, 512);
    auto& bank = dsp->leftBank();
    // The controls the per-sample routine derives from the default records.
    const float decaySeconds = 0.4f + 9.5f * 58.0f / 100.0f;
    const float sizeFactor = 0.75f + 0.75f * 68.0f / 100.0f;
    const float density = 0.5f;
    juce::uint32 seed = 7u;
    for (auto _ : state)
    {
        seed = seed * 1664525u + 1013904223u;
        const float x = 0.1f * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
        benchmark::DoNotOptimize(
            dsp->processDelayBank(bank, x, decaySeconds, 1.0f, 1.0f, sizeFactor, 42.0f, 0.15f, 1, density));
    }
}

} // namespace

BENCHMARK(tankBank)->Name("TankBank/one_sample_defaults");
BENCHMARK(engineDefaults)->Name("Engine/one_second_48k/defaults")->Unit(benchmark::kMillisecond);
BENCHMARK(engineEcho2PingPong)->Name("Engine/one_second_48k/echo2_ping_pong")->Unit(benchmark::kMillisecond);
BENCHMARK(engineConverterAndDetune)->Name("Engine/one_second_48k/converter_and_detune")->Unit(benchmark::kMillisecond);
BENCHMARK(engineDefaultsPortable)->Name("Engine/one_second_48k/defaults_without_avx2")->Unit(benchmark::kMillisecond);
BENCHMARK(engineDefaultsAt96k)->Name("Engine/one_second_96k/defaults")->Unit(benchmark::kMillisecond);
BENCHMARK(engineHeaviest)->Name("Engine/one_second_48k/heaviest")->Unit(benchmark::kMillisecond);
BENCHMARK(engineHeaviestPortable)->Name("Engine/one_second_48k/heaviest_without_avx2")->Unit(benchmark::kMillisecond);
BENCHMARK(engineHeaviestAt96k)->Name("Engine/one_second_96k/heaviest")->Unit(benchmark::kMillisecond);
BENCHMARK(engineDefaultsInBlocks)
    ->Name("Engine/one_second_48k/defaults/block")
    ->Arg(256)
    ->Arg(32)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(engineHeaviestInBlocks)
    ->Name("Engine/one_second_48k/heaviest/block")
    ->Arg(256)
    ->Arg(32)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
