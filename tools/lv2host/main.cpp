// Runs a WAV file through an LV2 plug-in with lilv, the host library of Ardour and Carla.
//
//   vorn-lv2host --uri URI [--bundle DIR] [--block N] [--bpm BPM] [--seconds S] [--set NAME=VALUE]... IN.wav OUT.wav
//
// --seconds repeats the input until it lasts S seconds (for benchmarks on long files).
// --set sets the control port with that symbol, or else sends a patch:Set of <URI>:NAME in real units.
// Prints the CPU seconds spent running the blocks (the plug-in's run calls and the copying of their samples).

#include "Lv2Host.h"
#include "WavFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

namespace
{
double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

int usage()
{
    std::fprintf(stderr, "usage: vorn-lv2host --uri URI [--bundle DIR] [--block N] [--bpm BPM] "
                         "[--seconds S] [--set NAME=VALUE]... IN.wav OUT.wav\n");
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    std::string uri, bundle, inPath, outPath;
    int block = 512;
    double bpm = 0.0, seconds = 0.0;
    std::vector<std::pair<std::string, float>> settings;

    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--uri" && hasValue)
            uri = argv[++i];
        else if (arg == "--bundle" && hasValue)
            bundle = argv[++i];
        else if (arg == "--block" && hasValue)
            block = std::atoi(argv[++i]);
        else if (arg == "--bpm" && hasValue)
            bpm = std::atof(argv[++i]);
        else if (arg == "--seconds" && hasValue)
            seconds = std::atof(argv[++i]);
        else if (arg == "--set" && hasValue)
        {
            const std::string setting = argv[++i];
            const auto eq = setting.find('=');
            if (eq == std::string::npos)
                return usage();
            settings.emplace_back(setting.substr(0, eq), std::strtof(setting.c_str() + eq + 1, nullptr));
        }
        else if (inPath.empty())
            inPath = arg;
        else if (outPath.empty())
            outPath = arg;
        else
            return usage();
    }
    if (uri.empty() || inPath.empty() || outPath.empty() || block < 1)
        return usage();

    vorn::wav::Audio input;
    std::string error;
    if (!vorn::wav::read(inPath, input, error))
    {
        std::fprintf(stderr, "vorn-lv2host: %s\n", error.c_str());
        return 1;
    }

    if (seconds > 0.0 && input.numFrames() > 0)
    {
        const auto wanted = size_t(seconds * input.sampleRate);
        for (auto& channel : input.channels)
        {
            const auto original = channel;
            channel.resize(wanted);
            for (size_t i = original.size(); i < wanted; ++i)
                channel[i] = original[i % original.size()];
        }
    }

    vorn::Lv2Host host(uri, bundle, input.sampleRate, block);
    if (!host.isLoaded())
    {
        std::fprintf(stderr, "vorn-lv2host: %s\n", host.error().c_str());
        return 1;
    }
    for (const auto& [name, value] : settings)
        if (!host.setControlPort(name, value))
            host.queueParameter(name, value);
    if (bpm > 0.0)
        host.queueTempo(bpm);

    vorn::wav::Audio output;
    output.sampleRate = input.sampleRate;
    const auto frames = input.numFrames();
    const auto numOut = size_t(std::max(1, host.numAudioOutputs()));
    output.channels.assign(std::min(numOut, std::max<size_t>(1, input.channels.size())), std::vector<float>(frames));
    std::vector<std::vector<float>> scratch(numOut, std::vector<float>(size_t(block)));

    // The processor time of the whole loop, read once: a read per block would itself cost a system call per block
    // and weigh on small blocks. Besides the plug-in's run calls the loop only sets pointers and copies samples.
    std::vector<const float*> ins(input.channels.size());
    std::vector<float*> outs;
    for (auto& channel : scratch)
        outs.push_back(channel.data());
    const auto before = cpuSeconds();
    for (size_t start = 0; start < frames; start += size_t(block))
    {
        const int n = int(std::min<size_t>(size_t(block), frames - start));
        for (size_t c = 0; c < ins.size(); ++c)
            ins[c] = input.channels[c].data() + start;
        host.run(ins, outs, n);
        for (size_t c = 0; c < output.channels.size(); ++c)
            std::copy(scratch[c].begin(), scratch[c].begin() + n, output.channels[c].begin() + long(start));
    }
    const double cpu = cpuSeconds() - before;

    if (!vorn::wav::write(outPath, output, error))
    {
        std::fprintf(stderr, "vorn-lv2host: %s\n", error.c_str());
        return 1;
    }
    std::printf("frames=%zu cpu_seconds=%.6f\n", frames, cpu);
    return 0;
}
