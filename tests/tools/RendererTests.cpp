// The command-line renderer, run as a user runs it, on real WAV files in a scratch folder.
#include "hosts/HostTestSignals.h"
#include "support/ScratchFolder.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

namespace
{
vorn::test::ToolRun render(const juce::StringArray& args)
{
    juce::StringArray command{VORN_RENDER};
    command.addArray(args);
    return vorn::test::runTool(command);
}

class Renderer : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isDirectory()); }
    void TearDown() override { folder.deleteRecursively(); }

    juce::String path(const char* name) const { return folder.getChildFile(name).getFullPathName(); }

    juce::File folder = vorn::test::makeScratchFolder("vorn-render-test");
};

juce::AudioBuffer<float> withSilenceAfter(const juce::AudioBuffer<float>& input, int extra)
{
    juce::AudioBuffer<float> padded(input.getNumChannels(), input.getNumSamples() + extra);
    padded.clear();
    for (int ch = 0; ch < input.getNumChannels(); ++ch)
        padded.copyFrom(ch, 0, input, ch, 0, input.getNumSamples());
    return padded;
}
} // namespace

TEST_F(Renderer, OutputEqualsTheProcessorsOutputBitForBit)
{
    struct Case
    {
        double sampleRate;
        int channels;
    };
    for (const auto& c : {Case{48000.0, 2}, Case{44100.0, 1}, Case{96000.0, 2}})
    {
        auto input = vorn::test::makeTestSignal(int(c.sampleRate * 0.5), c.sampleRate);
        input.setSize(c.channels, input.getNumSamples(), true);
        vorn::test::writeWav(folder.getChildFile("in.wav"), input, c.sampleRate);

        const auto run = render({"--set", "decay=30", "--set", "dryWet=70", "--set", "preset=Wide", "--tail", "0.25",
                                 path("in.wav"), path("out.wav")});
        ASSERT_EQ(run.exitCode, 0) << run.output;

        const auto output = vorn::test::readWav(folder.getChildFile("out.wav"));
        const auto tail = int(std::ceil(0.25 * c.sampleRate));
        const auto expected = vorn::test::processDirectly(withSilenceAfter(input, tail), c.sampleRate, 512,
                                                          {{"decay", 30.0f}, {"dryWet", 70.0f}, {"preset", 2.0f}});
        ASSERT_EQ(output.getNumChannels(), c.channels);
        ASSERT_EQ(output.getNumSamples(), expected.getNumSamples());
        EXPECT_EQ(vorn::test::maxDifference(output, expected), 0.0f) << c.sampleRate;
        EXPECT_TRUE(run.output.contains("real time")) << run.output;
    }
}

TEST_F(Renderer, ProgramsAreFoundByNameInAnyCase)
{
    const auto input = vorn::test::makeTestSignal(24000, 48000.0);
    vorn::test::writeWav(folder.getChildFile("in.wav"), input, 48000.0);
    const auto run =
        render({"--program", "guitar DUB", "--set", "k1=0.2", "--tail", "0.5", path("in.wav"), path("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const auto expected =
        vorn::test::processDirectly(withSilenceAfter(input, 24000), 48000.0, 512, {{"k1", 0.2f}}, "Guitar Dub");
    EXPECT_EQ(vorn::test::maxDifference(vorn::test::readWav(folder.getChildFile("out.wav")), expected), 0.0f);
}

TEST_F(Renderer, TailRunsUntilTheOutputStaysBelowMinus90Dbfs)
{
    const auto input = vorn::test::makeTestSignal(24000, 48000.0);
    vorn::test::writeWav(folder.getChildFile("in.wav"), input, 48000.0);
    const auto run = render({"--set", "decay=10", path("in.wav"), path("out.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const auto output = vorn::test::readWav(folder.getChildFile("out.wav"));
    const auto threshold = juce::Decibels::decibelsToGain(-90.0f);
    ASSERT_GT(output.getNumSamples(), input.getNumSamples());
    ASSERT_LT(output.getNumSamples(), input.getNumSamples() + 30 * 48000);
    const auto last = output.getNumSamples() - 1;
    EXPECT_GT(juce::jmax(std::abs(output.getSample(0, last)), std::abs(output.getSample(1, last))), threshold);

    // The processor's own continuation past the end of the file stays below the threshold.
    const auto continued = vorn::test::processDirectly(withSilenceAfter(input, output.getNumSamples() + 72000 - 24000),
                                                       48000.0, 512, {{"decay", 10.0f}});
    EXPECT_LT(continued.getMagnitude(output.getNumSamples(), continued.getNumSamples() - output.getNumSamples()),
              threshold);
}

TEST_F(Renderer, TwentyFourBitOutputOnRequest)
{
    vorn::test::writeWav(folder.getChildFile("in.wav"), vorn::test::makeTestSignal(4800, 48000.0), 48000.0);
    ASSERT_EQ(render({"--bits", "24", "--tail", "0", path("in.wav"), path("out.wav")}).exitCode, 0);
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(
        wav.createReaderFor(folder.getChildFile("out.wav").createInputStream().release(), true));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->bitsPerSample, 24u);
    EXPECT_FALSE(reader->usesFloatingPointData);
    EXPECT_EQ(reader->lengthInSamples, 4800);
}

TEST_F(Renderer, ErrorsSayWhatIsWrongAndLeaveAnExistingOutputAlone)
{
    vorn::test::writeWav(folder.getChildFile("in.wav"), vorn::test::makeTestSignal(4800, 48000.0), 48000.0);
    juce::AudioBuffer<float> threeChannels(3, 100);
    threeChannels.clear();
    vorn::test::writeWav(folder.getChildFile("three.wav"), threeChannels, 48000.0);
    folder.getChildFile("text.wav").replaceWithText("not audio");
    folder.getChildFile("out.wav").replaceWithText("precious");

    struct Case
    {
        juce::StringArray args;
        const char* message;
    };
    const Case cases[] = {
        {{path("missing.wav"), path("out.wav")}, "no such file"},
        {{path("text.wav"), path("out.wav")}, "not a WAV file"},
        {{path("three.wav"), path("out.wav")}, "only mono and stereo"},
        {{"--program", "No Such Room", path("in.wav"), path("out.wav")}, "unknown program"},
        {{"--set", "loudness=3", path("in.wav"), path("out.wav")}, "unknown parameter \"loudness\""},
        {{"--set", "dryWet=150", path("in.wav"), path("out.wav")}, "dryWet takes 0 to 100"},
        {{"--set", "detune=-2", path("in.wav"), path("out.wav")}, "detune takes -1.5 to 1.5"},
        {{"--set", "decay=lots", path("in.wav"), path("out.wav")}, "not a number"},
        {{"--set", "decay=2e4294967297", path("in.wav"), path("out.wav")}, "not a number"}, // not 20
        {{path("in.wav"), path("no-such-folder/out.wav")}, "cannot write"},
        {{path("in.wav"), folder.getFullPathName()}, "cannot write"},
    };
    for (const auto& c : cases)
    {
        const auto run = render(c.args);
        EXPECT_NE(run.exitCode, 0) << c.args.joinIntoString(" ");
        EXPECT_TRUE(run.output.contains(c.message)) << c.message << "\n" << run.output;
        EXPECT_EQ(folder.getChildFile("out.wav").loadFileAsString(), "precious");
    }
    EXPECT_EQ(folder.findChildFiles(juce::File::findFiles, false, "*.partial").size(), 0);
}

TEST_F(Renderer, ListsProgramsByCategoryAndParametersWithRanges)
{
    const auto run = render({"--list"});
    ASSERT_EQ(run.exitCode, 0);
    for (const auto* text : {"Drums:", "Kit Room", "Rev+Delay:", "Guitar Dub", "Utility:", "Long Tail", "decay",
                             "0 to 100", "effectMode", "Echo-1", "t1"})
        EXPECT_TRUE(run.output.contains(text)) << text;
}

TEST_F(Renderer, WithoutAnInputRendersTheBuiltInDemoAsADryWetPair)
{
    const auto run = render({"--out-dir", folder.getFullPathName()});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto dry = vorn::test::readWav(folder.getChildFile("vorn77-demo-dry.wav"));
    const auto wet = vorn::test::readWav(folder.getChildFile("vorn77-demo-wet.wav"));
    ASSERT_EQ(dry.getNumChannels(), 2);
    ASSERT_EQ(wet.getNumChannels(), 2);
    EXPECT_GE(dry.getNumSamples(), 5 * 48000);
    EXPECT_GE(wet.getNumSamples(), dry.getNumSamples());
    // Loud enough to hear, with headroom: no sample reaches -1 dBFS, so integer files and playback do not clip.
    EXPECT_GT(dry.getMagnitude(0, dry.getNumSamples()), 0.3f);
    EXPECT_LT(dry.getMagnitude(0, dry.getNumSamples()), std::pow(10.0f, -1.0f / 20.0f));
    EXPECT_GT(vorn::test::maxDifference(dry, withSilenceAfter(wet, 0)), 0.01f);
}
