// Renders audio files through the plug-in's own processor, block by block, as a host would.
#include "DemoSignal.h"
#include "Renderer.h"
#include "WavInput.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace
{
const char* const kUsage = R"(usage: vorn-render [options] IN.wav OUT.wav
       vorn-render [options] [--out-dir DIR]      (no input: renders the built-in demo)
       vorn-render --list

options:
  --program NAME    load a factory program or user preset first (any case)
  --set ID=VALUE    set a parameter in its own units, after the program (repeatable)
  --tail SECONDS    render this much after the input ends (default: until the output
                    stays below -90 dBFS, at most 30 s)
  --bits 32|24      output sample format: 32-bit float (default) or 24-bit integer
  --block N         block size in samples (default 512)
  --out-dir DIR     where the demo's dry and wet files go (default: current folder)
  --list            print the programs and the parameters with their ranges
)";

struct Options
{
    vorn::RenderSettings settings;
    juce::File input, output, outDir{juce::File::getCurrentWorkingDirectory()};
    int bits = 32;
    bool list = false;
};

int fail(const juce::String& message, int code = 1)
{
    std::cerr << "vorn-render: " << message << std::endl;
    return code;
}

juce::File resolve(const juce::String& path)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile(path);
}

juce::Result parse(const juce::StringArray& args, Options& options)
{
    juce::StringArray positional;
    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        const auto next = [&]() -> juce::String { return i + 1 < args.size() ? args[++i] : juce::String(); };
        if (arg == "--list")
            options.list = true;
        else if (arg == "--program")
            options.settings.program = next();
        else if (arg == "--set")
        {
            const auto setting = next();
            if (!setting.containsChar('='))
                return juce::Result::fail("--set takes ID=VALUE, not \"" + setting + "\"");
            options.settings.values.emplace_back(setting.upToFirstOccurrenceOf("=", false, false).trim(),
                                                 setting.fromFirstOccurrenceOf("=", false, false));
        }
        else if (arg == "--tail")
        {
            const auto value = next();
            options.settings.tailSeconds = value == "auto" ? -1.0 : value.getDoubleValue();
            if (value != "auto" && (!value.containsOnly("0123456789.") || value.isEmpty() ||
                                    options.settings.tailSeconds > vorn::kMaxTailSeconds * 10))
                return juce::Result::fail("--tail takes seconds (0 to 300) or auto, not \"" + value + "\"");
        }
        else if (arg == "--bits")
        {
            options.bits = next().getIntValue();
            if (options.bits != 32 && options.bits != 24)
                return juce::Result::fail("--bits takes 32 or 24");
        }
        else if (arg == "--block")
        {
            options.settings.blockSize = next().getIntValue();
            if (options.settings.blockSize < 1 || options.settings.blockSize > 65536)
                return juce::Result::fail("--block takes 1 to 65536 samples");
        }
        else if (arg == "--out-dir")
            options.outDir = resolve(next());
        else if (arg.startsWith("--"))
            return juce::Result::fail("unknown option " + arg);
        else
            positional.add(arg);
    }
    if (positional.size() == 1 || positional.size() > 2)
        return juce::Result::fail("give an input and an output file, or none for the demo");
    if (positional.size() == 2)
    {
        options.input = resolve(positional[0]);
        options.output = resolve(positional[1]);
    }
    return juce::Result::ok();
}

/** Writes beside the target first and renames it into place, so an existing file is only replaced by a
    complete one. */
juce::Result writeWav(const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate, int bits)
{
    if (!file.getParentDirectory().isDirectory())
        return juce::Result::fail("cannot write " + file.getFullPathName() + ": no such folder");
    if (file.isDirectory())
        return juce::Result::fail("cannot write " + file.getFullPathName() + ": it is a folder");
    const auto partial = file.getSiblingFile("." + file.getFileName() + ".partial");
    partial.deleteFile();
    {
        auto stream = partial.createOutputStream();
        if (stream == nullptr)
            return juce::Result::fail("cannot write " + file.getFullPathName());
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer(
            wav.createWriterFor(stream.get(), sampleRate, unsigned(audio.getNumChannels()), bits, {}, 0));
        if (writer == nullptr)
            return juce::Result::fail("cannot write " + file.getFullPathName());
        stream.release(); // now owned by the writer
        if (!writer->writeFromAudioSampleBuffer(audio, 0, audio.getNumSamples()) || !writer->flush())
        {
            writer.reset();
            partial.deleteFile();
            return juce::Result::fail("cannot write " + file.getFullPathName());
        }
    }
    if (std::rename(partial.getFullPathName().toRawUTF8(), file.getFullPathName().toRawUTF8()) != 0)
    {
        partial.deleteFile();
        return juce::Result::fail("cannot write " + file.getFullPathName());
    }
    return juce::Result::ok();
}

void printSummary(const juce::File& file, const juce::AudioBuffer<float>& audio, double sampleRate, double seconds)
{
    double sumSquares = 0.0;
    for (int ch = 0; ch < audio.getNumChannels(); ++ch)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            sumSquares += double(audio.getSample(ch, i)) * audio.getSample(ch, i);
    const auto count = juce::jmax(1, audio.getNumChannels() * audio.getNumSamples());
    const auto peakDb = juce::Decibels::gainToDecibels(audio.getMagnitude(0, audio.getNumSamples()), -200.0f);
    const auto rmsDb = juce::Decibels::gainToDecibels(float(std::sqrt(sumSquares / count)), -200.0f);
    const auto length = audio.getNumSamples() / sampleRate;
    std::printf("%s: %.2f s, %d ch, %.0f Hz, peak %.1f dBFS, RMS %.1f dBFS, rendered in %.2f s (%.1fx real time)\n",
                file.getFileName().toRawUTF8(), length, audio.getNumChannels(), sampleRate, peakDb, rmsDb, seconds,
                seconds > 0.0 ? length / seconds : 0.0);
}

/** A progress bar on standard error, for inputs long enough to wait for. */
struct ProgressBar
{
    bool enabled = false;
    int shown = -1;

    void operator()(double fraction)
    {
        const auto percent = juce::jlimit(0, 100, int(fraction * 100.0));
        if (!enabled || percent == shown)
            return;
        shown = percent;
        std::fprintf(stderr, "\rrendering [%-40s] %3d%%", std::string(size_t(percent * 40 / 100), '#').c_str(),
                     percent);
        if (percent == 100)
            std::fprintf(stderr, "\n");
        std::fflush(stderr);
    }
};

int renderOne(const Options& options, const juce::AudioBuffer<float>& input, double sampleRate,
              const juce::File& output)
{
    ProgressBar bar;
    bar.enabled = input.getNumSamples() > 5.0 * sampleRate && isatty(fileno(stderr)) != 0; // not into logs
    juce::AudioBuffer<float> rendered;
    const auto start = juce::Time::getMillisecondCounterHiRes();
    if (const auto result = vorn::render(input, sampleRate, options.settings, rendered, std::ref(bar)); result.failed())
        return fail(result.getErrorMessage());
    bar(1.0);
    const auto seconds = (juce::Time::getMillisecondCounterHiRes() - start) / 1000.0;
    if (const auto written = writeWav(output, rendered, sampleRate, options.bits); written.failed())
        return fail(written.getErrorMessage());
    printSummary(output, rendered, sampleRate, seconds);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI framework; // the processor's parameters post to the message thread

    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add(juce::String::fromUTF8(argv[i]));
    if (args.contains("--help") || args.contains("-h"))
    {
        std::cout << kUsage;
        return 0;
    }

    Options options;
    if (const auto parsed = parse(args, options); parsed.failed())
        return fail(parsed.getErrorMessage() + "\n" + kUsage, 2);

    if (options.list)
    {
        std::cout << vorn::describeProgramsAndParameters();
        return 0;
    }

    if (options.input != juce::File())
    {
        juce::AudioBuffer<float> input;
        double sampleRate = 0.0;
        if (const auto read = vorn::readWav(options.input, input, sampleRate); read.failed())
            return fail(read.getErrorMessage());
        return renderOne(options, input, sampleRate, options.output);
    }

    // The built-in demo: the dry signal and the plug-in's rendering of it, side by side.
    constexpr double demoRate = 48000.0;
    if (!options.outDir.isDirectory() && !options.outDir.createDirectory())
        return fail("cannot create " + options.outDir.getFullPathName());
    const auto dry = vorn::makeDemoSignal(demoRate);
    const auto dryFile = options.outDir.getChildFile("vorn77-demo-dry.wav");
    if (const auto written = writeWav(dryFile, dry, demoRate, options.bits); written.failed())
        return fail(written.getErrorMessage());
    std::printf("%s: the dry demo signal\n", dryFile.getFullPathName().toRawUTF8());
    const auto wetFile = options.outDir.getChildFile("vorn77-demo-wet.wav");
    const auto code = renderOne(options, dry, demoRate, wetFile);
    if (code == 0)
        std::printf("%s: the demo through Vorn 77 NL\n", wetFile.getFullPathName().toRawUTF8());
    return code;
}
