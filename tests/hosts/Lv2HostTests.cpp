// Runs the built LV2 bundle through the project's lilv host (the host library of Ardour and Carla).
#include "hosts/HostTestSignals.h"
#include "support/ScratchFolder.h"
#include "support/ToolRun.h"

#include "Lv2Host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>

namespace
{
/** Runs the WAV file through the built LV2 with the project's lilv host, setting parameters as patch messages. */
vorn::test::ToolRun runLv2(const juce::File& in, const juce::File& out, int blockSize,
                           const vorn::test::Settings& settings)
{
    juce::StringArray command{VORN_LV2HOST,    "--uri",   VORN_LV2_URI,           "--bundle",
                              VORN_LV2_BUNDLE, "--block", juce::String(blockSize)};
    for (const auto& [id, value] : settings)
        command.addArray({"--set", id + "=" + juce::String(value)});
    command.addArray({in.getFullPathName(), out.getFullPathName()});
    return vorn::test::runTool(command);
}

juce::File lv2Folder()
{
    return juce::File(VORN_LV2_BUNDLE).getParentDirectory();
}

/** The value of a parameter in the state the plug-in saves for a host's session (the framework's XML blob,
    base64 in a string property), or NaN when the state has no such parameter. */
float savedValue(vorn::Lv2Host& host, const juce::String& id)
{
    for (const auto& [key, text] : host.saveState())
    {
        juce::MemoryBlock blob;
        if (!blob.fromBase64Encoding(juce::String(text)))
            continue;
        const auto xml = juce::AudioProcessor::getXmlFromBinary(blob.getData(), int(blob.getSize()));
        if (xml == nullptr || !xml->hasTagName("PARAMETERS"))
            continue;
        for (const auto* parameter : xml->getChildWithTagNameIterator("PARAM"))
            if (parameter->getStringAttribute("id") == id)
                return float(parameter->getDoubleAttribute("value"));
    }
    return std::numeric_limits<float>::quiet_NaN();
}
} // namespace

TEST(HostedLv2, Lv2InfoListsThePluginWithItsNameClassAndPorts)
{
    // Only the plug-in's bundle and the LV2 core description (which names the classes) are on the path.
    const auto folder = vorn::test::makeScratchFolder("vorn-lv2-path");
    ASSERT_TRUE(folder.isDirectory());
    ASSERT_TRUE(juce::File("/usr/lib/lv2/core.lv2").createSymbolicLink(folder.getChildFile("core.lv2"), false));
    const auto run = vorn::test::runTool(
        {"env", "LV2_PATH=" + lv2Folder().getFullPathName() + ":" + folder.getFullPathName(), "lv2info", VORN_LV2_URI});
    folder.deleteRecursively();
    const auto& info = run.output;
    ASSERT_EQ(run.exitCode, 0) << info;
    EXPECT_TRUE(info.contains("Name:              Vorn 77 NL")) << info;
    EXPECT_TRUE(info.contains("Class:             Reverb Plugin")) << info;
    EXPECT_TRUE(info.contains("Oskvar Audio Engineering")) << info;
    EXPECT_TRUE(info.contains("Author Email:      mailto:support@oskvar.audio\n")) << info;
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
    const auto run = runLv2(inFile.getFile(), outFile.getFile(), blockSize, settings);
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const auto output = vorn::test::readWav(outFile.getFile());
    ASSERT_EQ(output.getNumChannels(), 2);
    ASSERT_EQ(output.getNumSamples(), input.getNumSamples());
    const auto expected = vorn::test::processDirectly(input, sampleRate, blockSize, settings);
    EXPECT_EQ(vorn::test::maxDifference(output, expected), 0.0f);
}

// A host offers a parameter's named values from the description and sends the one the user picks as it stands.
TEST(HostedLv2, EveryNamedValueLiesInItsRangeAndSelectsTheChoiceOfThatName)
{
    struct Named
    {
        const char* id;
        juce::StringArray names; // by index
    };
    const Named table[] = {
        {"vintageConv", {"Off", "On"}},
        {"delaySync", {"Off", "On"}},
        {"preset", {"Chamber", "Broadcast", "Wide", "Luxe"}},
        {"effectMode", {"Reverb", "Echo-1", "Echo-2", "Delay-1", "Delay-2"}},
        {"pingPong", {"Off", "On"}},
        {"routing", {"Parallel", "Delay -> Reverb", "Reverb -> Delay"}},
    };

    constexpr int blockSize = 64;
    vorn::Lv2Host host(VORN_LV2_URI, VORN_LV2_BUNDLE, 48000.0, blockSize);
    ASSERT_TRUE(host.isLoaded()) << host.error();
    const auto described = host.describeParameters();
    ASSERT_EQ(described.size(), 33u);

    std::set<juce::String> withNames, expected;
    for (const auto& parameter : described)
        if (!parameter.namedValues.empty())
            withNames.insert(parameter.id);
    for (const auto& row : table)
        expected.insert(row.id);
    EXPECT_EQ(withNames, expected);

    std::vector<float> silence(blockSize, 0.0f), left(blockSize), right(blockSize);
    for (const auto& row : table)
    {
        const auto parameter =
            std::find_if(described.begin(), described.end(), [&](const auto& p) { return p.id == row.id; });
        ASSERT_NE(parameter, described.end()) << row.id;
        EXPECT_EQ(parameter->namedValues.size(), size_t(row.names.size())) << row.id;
        for (const auto& named : parameter->namedValues)
        {
            const auto where = juce::String(row.id) + " \"" + named.label + "\" = " + juce::String(named.value);
            EXPECT_GE(named.value, parameter->minimum) << where;
            EXPECT_LE(named.value, parameter->maximum) << where;
            const auto index = row.names.indexOf(juce::String(named.label));
            ASSERT_GE(index, 0) << where;

            host.queueParameter(row.id, named.value);
            host.run({silence.data()}, {left.data(), right.data()}, blockSize);
            EXPECT_EQ(savedValue(host, row.id), float(index)) << where;
        }
    }
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

// Every effect mode with the converter and detune on, at three rates and three block sizes: the LV2 build
// gives exactly the processor's output, which stays finite, within +-1 and free of denormals.
TEST(HostedLv2, EveryModeRateAndBlockSizeMatchesTheProcessor)
{
    for (const double sampleRate : {44100.0, 48000.0, 96000.0})
    {
        const juce::TemporaryFile inFile(".wav"), outFile(".wav");
        juce::AudioBuffer<float> input(2, int(sampleRate * 0.4));
        input.clear();
        input.setSample(0, 100, 0.9f);
        input.setSample(1, 100, -0.7f);
        vorn::test::writeWav(inFile.getFile(), input, sampleRate);

        for (const int blockSize : {1, 250, 512})
            for (int mode = 0; mode <= 4; ++mode)
            {
                const vorn::test::Settings settings = {{"effectMode", float(mode)},
                                                       {"vintageConv", 1.0f},
                                                       {"detune", 1.2f},
                                                       {"k1", 0.6f},
                                                       {"k2", 0.5f},
                                                       {"t1", 60.0f},
                                                       {"t2", 45.0f},
                                                       {"dryWet", 100.0f}};
                const auto run = runLv2(inFile.getFile(), outFile.getFile(), blockSize, settings);
                ASSERT_EQ(run.exitCode, 0) << run.output;
                const auto output = vorn::test::readWav(outFile.getFile());
                const auto expected = vorn::test::processDirectly(input, sampleRate, blockSize, settings);
                const auto where =
                    juce::String(sampleRate) + " Hz, block " + juce::String(blockSize) + ", mode " + juce::String(mode);
                ASSERT_EQ(output.getNumSamples(), input.getNumSamples()) << where;
                EXPECT_EQ(vorn::test::maxDifference(output, expected), 0.0f) << where;

                for (int ch = 0; ch < 2; ++ch)
                    for (int i = 0; i < output.getNumSamples(); ++i)
                    {
                        const auto x = output.getSample(ch, i);
                        ASSERT_TRUE(std::isfinite(x) && std::abs(x) <= 1.0f) << where;
                        ASSERT_TRUE(x == 0.0f || std::abs(x) >= std::numeric_limits<float>::min()) << where;
                    }
            }
    }
}

TEST(HostedLv2, AnImpulseLeavesADecayingTail)
{
    constexpr double sampleRate = 48000.0;
    const juce::TemporaryFile inFile(".wav"), outFile(".wav");
    juce::AudioBuffer<float> input(2, int(sampleRate * 2.0));
    input.clear();
    input.setSample(0, 0, 1.0f);
    input.setSample(1, 0, 1.0f);
    vorn::test::writeWav(inFile.getFile(), input, sampleRate);

    const auto run = vorn::test::runTool({VORN_LV2HOST, "--uri", VORN_LV2_URI, "--bundle", VORN_LV2_BUNDLE, "--set",
                                          "decay=20", "--set", "dryWet=100", inFile.getFile().getFullPathName(),
                                          outFile.getFile().getFullPathName()});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto output = vorn::test::readWav(outFile.getFile());

    // RMS over successive quarter seconds, starting after the predelay and the first reflections.
    std::vector<float> levels;
    const auto window = int(sampleRate / 4);
    for (int start = window / 2; start + window <= output.getNumSamples(); start += window)
        levels.push_back(juce::jmax(output.getRMSLevel(0, start, window), output.getRMSLevel(1, start, window)));
    ASSERT_GE(levels.size(), 6u);
    EXPECT_GT(levels.front(), 1.0e-3f);
    for (size_t i = 1; i < levels.size(); ++i)
        EXPECT_LT(levels[i], levels[i - 1]) << "quarter second " << i;
    EXPECT_LT(levels.back(), levels.front() * 0.1f); // decay 20 is about 2.3 s to -60 dB
}
