// State blobs and preset files shaped to hurt: nesting that would exhaust the stack, document types, and every
// input the fuzzers (tests/fuzz) ever found harmful, kept under tests/fuzz/regressions/<target>.
#include "support/ProcessorHelpers.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

using vorn::test::setParameter;
using vorn::test::valueOf;

namespace
{
constexpr juce::uint32 kXmlBlobMagic = 0x21324356;

/** The bytes as the text of a state blob, exactly as given (invalid UTF-8 included). */
juce::MemoryBlock wrapAsState(const std::string& text)
{
    juce::MemoryOutputStream out;
    out.writeInt(static_cast<int>(kXmlBlobMagic));
    out.writeInt(static_cast<int>(text.size()));
    out.write(text.data(), text.size());
    return out.getMemoryBlock();
}

std::string nested(int depth)
{
    std::string text = "<PARAMETERS>";
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    for (int i = 0; i < depth; ++i)
        text += "</a>";
    return text + "</PARAMETERS>";
}

juce::File regressions(const char* target)
{
    return juce::File(VORN_TEST_DATA).getSiblingFile("fuzz").getChildFile("regressions").getChildFile(target);
}

void expectEveryParameterFiniteAndInRange(VornReverbAudioProcessor& processor, const juce::String& context)
{
    for (auto* base : processor.getParameters())
    {
        auto* parameter = dynamic_cast<juce::RangedAudioParameter*>(base);
        ASSERT_NE(parameter, nullptr);
        const auto value = valueOf(processor.parameters(), parameter->getParameterID());
        const auto& range = parameter->getNormalisableRange();
        EXPECT_TRUE(std::isfinite(value) && value >= range.start && value <= range.end)
            << context << ": " << parameter->getParameterID() << " = " << value;
    }
}
} // namespace

// The framework's XML parser recurses once per level and loops forever on a processing instruction followed by text
// inside an element; stepping through text whose last UTF-8 sequence is cut short reads past its end. A project
// holding such a blob used to overflow the host's stack, hang it, or read past the text inside setStateInformation.
TEST(HostileState, BlobsThatWouldCrashOrHangTheParserAreIgnored)
{
    const std::pair<const char*, std::string> cases[] = {
        {"nested a million deep", nested(1000000)},
        {"nested just past the limit", nested(40)},
        {"processing instruction followed by text inside the root (the parser never returned)",
         "<PARAMETERS><?x?>F<PARAM id=\"decay\" value=\"3\"/></PARAMETERS>"},
        {"UTF-8 sequence cut short by the end of the text (read past the text)",
         "<PARAMETERS><PARAM id=\"decay\" value=\"3\"/></PARAMETERS>\xf0"},
        {"entity that expands itself",
         "<!DOCTYPE PARAMETERS [<!ENTITY a \"&a;&a;\">]><PARAMETERS v=\"&a;\"><PARAM id=\"decay\" value=\"3\"/>"
         "</PARAMETERS>"},
    };

    for (const auto& [name, text] : cases)
    {
        VornReverbAudioProcessor processor;
        setParameter(processor.parameters(), "decay", 77.0f);
        const auto blob = wrapAsState(text);
        processor.setStateInformation(blob.getData(), int(blob.getSize()));
        EXPECT_EQ(valueOf(processor.parameters(), "decay"), 77.0f) << name;
    }

    // A state nested as deep as a state can be still loads.
    VornReverbAudioProcessor processor;
    const auto plain = wrapAsState("<PARAMETERS><PARAM id=\"decay\" value=\"12\"/></PARAMETERS>");
    processor.setStateInformation(plain.getData(), int(plain.getSize()));
    EXPECT_EQ(valueOf(processor.parameters(), "decay"), 12.0f);
}

TEST(HostileState, InputsTheFuzzerFoundStayHarmless)
{
    for (const auto& input : regressions("state").findChildFiles(juce::File::findFiles, false))
    {
        juce::MemoryBlock bytes;
        ASSERT_TRUE(input.loadFileAsData(bytes));
        VornReverbAudioProcessor processor;
        processor.setStateInformation(bytes.getData(), int(bytes.getSize()));
        const auto wrapped = wrapAsState(std::string(static_cast<const char*>(bytes.getData()), bytes.getSize()));
        processor.setStateInformation(wrapped.getData(), int(wrapped.getSize()));
        expectEveryParameterFiniteAndInRange(processor, input.getFileName());
    }
}

// Each test gets its own HOME, so its user preset folder is a scratch one that no parallel test touches.
class HostilePresetFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const auto* home = std::getenv("HOME"))
            oldHome = home;
        scratch = vorn::test::makeScratchFolder("vorn-home");
        ASSERT_TRUE(scratch.isDirectory());
        setenv("HOME", scratch.getFullPathName().toRawUTF8(), 1);
    }

    void TearDown() override
    {
        setenv("HOME", oldHome.toRawUTF8(), 1);
        scratch.deleteRecursively();
    }

    juce::String oldHome;
    juce::File scratch;
};

// The same shapes in a preset file used to hang or crash the host at plug-in construction, when the user folder
// is scanned; now the file is listed as a "User" preset that does not load.
TEST_F(HostilePresetFile, FilesThatWouldHangOrCrashTheParserAreListedButNotLoaded)
{
    const auto folder = vorn::PresetManager::userDir();
    folder.deleteRecursively();
    ASSERT_TRUE(folder.createDirectory().wasOk());
    const std::pair<const char*, std::string> cases[] = {
        {"processing instruction in an element", "<VornPreset category=\"Bad\"><?x?>F<P id=\"decay\" v=\"3\"/>"
                                                 "</VornPreset>"},
        {"nested a million deep", nested(1000000)},
    };
    for (const auto& [name, bytes] : cases)
    {
        const auto file = folder.getChildFile("Bad.vornpreset");
        ASSERT_TRUE(file.replaceWithData(bytes.data(), bytes.size()));
        VornReverbAudioProcessor processor;
        auto& manager = processor.presetManager;
        ASSERT_EQ(manager.entries.size(), 47u) << name;
        EXPECT_EQ(manager.entries.back().category, "User") << name;
        setParameter(processor.parameters(), "decay", 77.0f);
        EXPECT_FALSE(manager.load(46)) << name;
        EXPECT_EQ(valueOf(processor.parameters(), "decay"), 77.0f) << name;
    }
    folder.deleteRecursively();
}

TEST_F(HostilePresetFile, InputsTheFuzzerFoundStayHarmless)
{
    const auto folder = vorn::PresetManager::userDir();
    folder.deleteRecursively();
    ASSERT_TRUE(folder.createDirectory().wasOk());
    for (const auto& input : regressions("preset").findChildFiles(juce::File::findFiles, false))
    {
        ASSERT_TRUE(input.copyFileTo(folder.getChildFile("Found.vornpreset")));
        VornReverbAudioProcessor processor;
        auto& manager = processor.presetManager;
        ASSERT_EQ(manager.entries.size(), 47u) << input.getFileName();
        EXPECT_TRUE(manager.entries.back().category.trim().isNotEmpty()) << input.getFileName();
        manager.load(46);
        expectEveryParameterFiniteAndInRange(processor, input.getFileName());
    }
    folder.deleteRecursively();
}
