// Runs the built LV2 bundle through the project's lilv host (the host library of Ardour and Carla).
#include "hosts/HostTestSignals.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

namespace
{
juce::File lv2Folder()
{
    return juce::File(VORN_LV2_BUNDLE).getParentDirectory();
}
} // namespace

TEST(HostedLv2, Lv2InfoListsThePluginWithItsNameAndPorts)
{
    const auto run = vorn::test::runTool({"env", "LV2_PATH=" + lv2Folder().getFullPathName(), "lv2info", VORN_LV2_URI});
    const auto& info = run.output;
    ASSERT_EQ(run.exitCode, 0) << info;
    EXPECT_TRUE(info.contains("Name:              Vorn 77 NL")) << info;
    EXPECT_TRUE(info.contains("Oskvar Audio Engineering")) << info;
    for (const auto* port : {"http://lv2plug.in/ns/lv2core#AudioPort", "http://lv2plug.in/ns/ext/atom#AtomPort"})
        EXPECT_TRUE(info.contains(port)) << port;
    EXPECT_FALSE(info.containsIgnoreCase("error")) << info;
}

TEST(HostedLv2, ProcessesAWavFileAsTheProcessorDoesWhenCalledDirectly)
{
    constexpr double sampleRate = 44100.0;
    constexpr int blockSize = 512;
    const juce::TemporaryFile inFile(".wav"), outFile(".wav");
    const auto input = vorn::test::makeTestSignal(blockSize * 40, sampleRate);
    vorn::test::writeWav(inFile.getFile(), input, sampleRate);

    const vorn::test::Settings settings = {{"decay", 30.0f}, {"dryWet", 70.0f}, {"preset", 1.0f}, {"predelay", 40.0f}};
    juce::StringArray command{VORN_LV2HOST,    "--uri",   VORN_LV2_URI,           "--bundle",
                              VORN_LV2_BUNDLE, "--block", juce::String(blockSize)};
    for (const auto& [id, value] : settings)
        command.addArray({"--set", id + "=" + juce::String(value)});
    command.addArray({inFile.getFile().getFullPathName(), outFile.getFile().getFullPathName()});

    const auto run = vorn::test::runTool(command);
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const auto output = vorn::test::readWav(outFile.getFile());
    ASSERT_EQ(output.getNumChannels(), 2);
    ASSERT_EQ(output.getNumSamples(), input.getNumSamples());
    const auto expected = vorn::test::processDirectly(input, sampleRate, blockSize, settings);
    EXPECT_EQ(vorn::test::maxDifference(output, expected), 0.0f);
}

TEST(HostedLv2, UnknownUriIsReportedNotCrashed)
{
    const juce::TemporaryFile inFile(".wav"), outFile(".wav");
    vorn::test::writeWav(inFile.getFile(), vorn::test::makeTestSignal(1024, 48000.0), 48000.0);
    const auto run =
        vorn::test::runTool({VORN_LV2HOST, "--uri", "https://oskvar.audio/plugins/none", "--bundle", VORN_LV2_BUNDLE,
                             inFile.getFile().getFullPathName(), outFile.getFile().getFullPathName()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains("no LV2 plug-in")) << run.output;
}
