#include "tests/plugin/PresetTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstring>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using vorn::PresetManager;
using vorn::test::ChangeCounter;

namespace
{

class UserPresetTest : public vorn::test::ScratchHome
{
protected:
    /** Puts a file into the preset folder by hand, as a user or a download would, and rescans. */
    juce::File placeFile(const juce::String& fileName, const juce::String& content)
    {
        const auto file = presetFolder().getChildFile(fileName);
        EXPECT_TRUE(file.replaceWithText(content, false, false, "\n"));
        manager().rescan();
        return file;
    }

    int indexOf(const juce::String& name)
    {
        for (size_t i = 0; i < manager().entries.size(); ++i)
            if (manager().entries[i].name == name)
                return static_cast<int>(i);
        return -1;
    }

    /** The files directly in the preset folder, by name. */
    juce::StringArray folderListing()
    {
        juce::StringArray names;
        for (const auto& f : PresetManager::userDir().findChildFiles(juce::File::findFilesAndDirectories, false, "*"))
            names.add(f.getFileName());
        names.sort(false);
        return names;
    }

    /** Every file anywhere under the scratch home. */
    juce::Array<juce::File> everythingUnderHome()
    {
        return home.findChildFiles(juce::File::findFiles, true, "*", juce::File::FollowSymlinks::no);
    }
};

std::unique_ptr<juce::XmlElement> parse(const juce::File& file)
{
    return juce::XmlDocument::parse(file.loadFileAsString());
}

std::string presetWith(const std::string& elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<VornPreset category=\"Test\">\n" + elements +
           "\n</VornPreset>\n";
}

TEST_F(UserPresetTest, TheFolderLiesInTheUsersConfigurationFolder)
{
    EXPECT_EQ(PresetManager::userDir(), home.getChildFile(".config/OSKVAR/Vorn77/Presets"));
    EXPECT_FALSE(PresetManager::userDir().exists()); // not made until the first save
    EXPECT_EQ(manager().entries.size(), 46u);
}

TEST_F(UserPresetTest, SavingWritesTheCurrentValuesAndSelectsThePreset)
{
    vorn::test::setParameter(state(), "decay", 13.0f);
    vorn::test::setParameter(state(), "predelay", 26.0f);
    vorn::test::setParameter(state(), "k1", 0.55f);
    vorn::test::setParameter(state(), "effectMode", 2.0f);
    vorn::test::setParameter(state(), "pingPong", 1.0f);
    ChangeCounter changes(manager());

    const auto result = manager().saveUser("Dark Hall", "");

    ASSERT_TRUE(result.wasOk()) << result.getErrorMessage();
    EXPECT_EQ(changes.take(), 1);

    const auto file = PresetManager::userDir().getChildFile("Dark Hall.vornpreset");
    ASSERT_TRUE(file.existsAsFile());
    EXPECT_TRUE(file.loadFileAsString().startsWith("<?xml"));

    const auto xml = parse(file);
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xml->getTagName(), "VornPreset");
    EXPECT_EQ(xml->getStringAttribute("category"), "User");

    // one "P" per parameter, in the processor's order, with the value in real units
    const auto& parameters = processor->getParameters();
    ASSERT_EQ(xml->getNumChildElements(), parameters.size());
    for (int i = 0; i < parameters.size(); ++i)
    {
        const auto* p = xml->getChildElement(i);
        const auto id = dynamic_cast<juce::RangedAudioParameter*>(parameters[i])->getParameterID();
        EXPECT_EQ(p->getTagName(), "P");
        EXPECT_EQ(p->getStringAttribute("id"), id);
        EXPECT_EQ(static_cast<float>(p->getDoubleAttribute("v")), value(id)) << id;
    }
    EXPECT_EQ(xml->getChildByAttribute("id", "decay")->getDoubleAttribute("v"), 13.0);
    EXPECT_EQ(xml->getChildByAttribute("id", "effectMode")->getDoubleAttribute("v"), 2.0);
    EXPECT_EQ(xml->getChildByAttribute("id", "pingPong")->getDoubleAttribute("v"), 1.0);

    ASSERT_EQ(manager().entries.size(), 47u);
    const auto& entry = manager().entries[46];
    EXPECT_EQ(entry.name, "Dark Hall");
    EXPECT_EQ(entry.category, "User");
    EXPECT_EQ(entry.file, file);
    EXPECT_EQ(entry.factoryIndex, -1);
    EXPECT_EQ(manager().current, 46);
}

TEST_F(UserPresetTest, ASavedPresetLoadsBackEveryParameter)
{
    ASSERT_TRUE(manager().load(42)); // "Ambient Wash", far from the defaults
    vorn::test::setParameter(state(), "reverbTail", 0.37f);
    vorn::test::setParameter(state(), "detune", -1.3f);
    const auto saved = snapshot();
    ASSERT_TRUE(manager().saveUser("Wash", "Pads").wasOk());
    EXPECT_EQ(manager().entries[46].category, "Pads");

    scramble();
    ASSERT_NE(snapshot(), saved);
    ASSERT_TRUE(manager().load(46));

    const auto loaded = snapshot();
    for (const auto& [id, v] : saved)
        EXPECT_EQ(loaded.at(id), v) << id;
}

// A category of spaces would list the preset under a blank heading the browser cannot offer.
TEST_F(UserPresetTest, ABlankCategoryFilesThePresetUnderUser)
{
    for (const juce::String category : {"", " ", "\t \n"})
    {
        ASSERT_TRUE(manager().saveUser("Blank", category).wasOk());
        EXPECT_EQ(parse(PresetManager::userDir().getChildFile("Blank.vornpreset"))->getStringAttribute("category"),
                  "User");
        EXPECT_EQ(manager().entries[46].category, "User");
    }
}

TEST_F(UserPresetTest, SavingTwiceUnderOneNameKeepsOneFileWithTheSecondValues)
{
    vorn::test::setParameter(state(), "decay", 20.0f);
    ASSERT_TRUE(manager().saveUser("Twice", "A").wasOk());
    vorn::test::setParameter(state(), "decay", 70.0f);
    ASSERT_TRUE(manager().saveUser("Twice", "B").wasOk());

    EXPECT_EQ(folderListing(), juce::StringArray("Twice.vornpreset"));
    ASSERT_EQ(manager().entries.size(), 47u);
    EXPECT_EQ(manager().entries[46].category, "B");
    EXPECT_EQ(manager().current, 46);

    vorn::test::setParameter(state(), "decay", 1.0f);
    ASSERT_TRUE(manager().load(46));
    EXPECT_EQ(value("decay"), 70.0f);
}

TEST_F(UserPresetTest, TwoInstancesSavingAtOnceEachKeepTheirOwnValues)
{
    // Two instances of the plug-in share the user folder; each saves its own presets over and over, at the same
    // time as the other. Every save must succeed, and every file hold the values of the instance that saved it.
    VornReverbAudioProcessor other;
    vorn::test::setParameter(state(), "decay", 20.0f);
    vorn::test::setParameter(other.parameters(), "decay", 70.0f);

    constexpr int kSaves = 60;
    std::atomic<int> failures{0};
    const auto saveRepeatedly = [&failures](PresetManager& presets, const juce::String& prefix)
    {
        for (int i = 0; i < kSaves; ++i)
            if (const auto result = presets.saveUser(prefix + juce::String(i % 3), "Race"); result.failed())
            {
                ADD_FAILURE() << result.getErrorMessage();
                ++failures;
            }
    };
    std::thread first([&] { saveRepeatedly(manager(), "First "); });
    std::thread second([&] { saveRepeatedly(other.presetManager, "Second "); });
    first.join();
    second.join();

    EXPECT_EQ(failures.load(), 0);
    for (int i = 0; i < 3; ++i)
        for (const auto& [prefix, decay] : {std::pair{"First ", 20.0}, std::pair{"Second ", 70.0}})
        {
            const auto xml = parse(presetFolder().getChildFile(prefix + juce::String(i) + ".vornpreset"));
            ASSERT_NE(xml, nullptr) << prefix << i;
            const auto* element = xml->getChildByAttribute("id", "decay");
            ASSERT_NE(element, nullptr) << prefix << i;
            EXPECT_EQ(element->getDoubleAttribute("v"), decay) << prefix << i;
        }
    EXPECT_EQ(folderListing().size(), 6) << "no scratch file is left behind";
}

TEST_F(UserPresetTest, NamesAreCheckedAndMadeLegal)
{
    constexpr int kNewEntry = -2;
    const struct
    {
        const char* name;
        const char* fileName; // nullptr: refused
        int current;          // after the save; kNewEntry for the preset just saved
    } cases[] = {
        {"   ", nullptr, 0},                    // blanks only
        {"", nullptr, 0},                       //
        {"///", nullptr, 0},                    // nothing left for a file name
        {"? : *", nullptr, 0},                  // only blanks left
        {"AC/DC", "ACDC.vornpreset", -1},       // listed under the shortened name, which is not the one asked for
        {"Kit Room", "Kit Room.vornpreset", 0}, // the factory program of that name comes first
        {"Vocal Air", "Vocal Air.vornpreset", kNewEntry},
    };

    for (const auto& c : cases)
    {
        ASSERT_TRUE(manager().load(0));
        const auto before = manager().entries.size();
        const auto result = manager().saveUser(c.name, "");

        if (c.fileName == nullptr)
        {
            EXPECT_TRUE(result.failed()) << c.name;
            EXPECT_EQ(result.getErrorMessage(), "A preset needs a name.") << c.name;
            EXPECT_EQ(manager().entries.size(), before) << c.name;
            EXPECT_EQ(manager().current, 0) << c.name;
        }
        else
        {
            ASSERT_TRUE(result.wasOk()) << c.name << ": " << result.getErrorMessage();
            EXPECT_TRUE(PresetManager::userDir().getChildFile(c.fileName).existsAsFile()) << c.name;
            EXPECT_EQ(manager().entries.size(), before + 1) << c.name;
            EXPECT_EQ(manager().current, c.current == kNewEntry ? indexOf(c.name) : c.current) << c.name;
        }
    }

    EXPECT_EQ(folderListing(), juce::StringArray({"ACDC.vornpreset", "Kit Room.vornpreset", "Vocal Air.vornpreset"}));
    EXPECT_EQ(manager().entries[0].factoryIndex, 0);
    EXPECT_GE(indexOf("ACDC"), 46);
}

TEST_F(UserPresetTest, ABlankNameWritesNothing)
{
    EXPECT_EQ(manager().saveUser("  \t ", "Vocals").getErrorMessage(), "A preset needs a name.");
    EXPECT_FALSE(PresetManager::userDir().exists());
    EXPECT_TRUE(everythingUnderHome().isEmpty());
}

TEST_F(UserPresetTest, NamesNeverReachOutsideTheFolder)
{
    const char* names[] = {"../x",        "/etc/passwd", "..", ".", "../../escape", "a/../../b",  "~/tilde",
                           "..\\..\\win", "./here",      "\\", "-", "Presets/..",   ".vornpreset"};

    for (const auto* name : names)
    {
        const auto result = manager().saveUser(name, "");
        if (result.failed())
            EXPECT_EQ(result.getErrorMessage(), "A preset needs a name.") << name;
    }

    const auto dir = PresetManager::userDir();
    const auto files = everythingUnderHome();
    EXPECT_FALSE(files.isEmpty());
    for (const auto& f : files)
        EXPECT_EQ(f.getParentDirectory(), dir) << f.getFullPathName();

    EXPECT_FALSE(juce::File("/etc/passwd.vornpreset").exists());
    EXPECT_EQ(dir.getParentDirectory().findChildFiles(juce::File::findFilesAndDirectories, false, "*").size(), 1);

    // every one is listed and loads
    EXPECT_EQ(manager().entries.size(), 46u + static_cast<size_t>(files.size()));
    for (size_t i = 46; i < manager().entries.size(); ++i)
        EXPECT_TRUE(manager().load(static_cast<int>(i))) << manager().entries[i].name;
}

TEST_F(UserPresetTest, DeletingRefusesFactoryProgramsAndIndicesOutsideTheList)
{
    ASSERT_TRUE(manager().saveUser("Mine", "").wasOk());
    ASSERT_TRUE(manager().load(5));

    for (const int index : {0, 45, -1, 47, 1000})
    {
        const auto result = manager().deleteUser(index);
        EXPECT_TRUE(result.failed()) << index;
        EXPECT_EQ(result.getErrorMessage(), "Factory presets cannot be deleted.") << index;
    }

    EXPECT_EQ(manager().entries.size(), 47u);
    EXPECT_EQ(manager().current, 5);
    EXPECT_TRUE(PresetManager::userDir().getChildFile("Mine.vornpreset").existsAsFile());
}

TEST_F(UserPresetTest, DeletingAUserPresetRemovesItsFile)
{
    ASSERT_TRUE(manager().saveUser("First", "").wasOk());
    ASSERT_TRUE(manager().saveUser("Second", "").wasOk());
    const auto index = indexOf("First");
    ASSERT_GE(index, 46);
    ChangeCounter changes(manager());

    const auto result = manager().deleteUser(index);

    ASSERT_TRUE(result.wasOk()) << result.getErrorMessage();
    EXPECT_EQ(manager().current, -1);
    EXPECT_EQ(changes.take(), 1);
    EXPECT_EQ(folderListing(), juce::StringArray("Second.vornpreset"));
    EXPECT_EQ(manager().entries.size(), 47u);
    EXPECT_EQ(indexOf("First"), -1);
}

TEST_F(UserPresetTest, DeletingTouchesNothingOutsideTheFolder)
{
    ASSERT_TRUE(manager().saveUser("Mine", "").wasOk());
    const auto outside = home.getChildFile("outside.vornpreset");
    ASSERT_TRUE(outside.replaceWithText("keep me"));

    // the list is readable by the editor; a stray file there must still not be deleted
    manager().entries[46].file = outside;
    const auto result = manager().deleteUser(46);

    EXPECT_EQ(result.getErrorMessage(), "Cannot delete outside.vornpreset");
    EXPECT_EQ(outside.loadFileAsString(), "keep me");
    EXPECT_TRUE(PresetManager::userDir().getChildFile("Mine.vornpreset").existsAsFile());
}

TEST_F(UserPresetTest, AFolderThatCannotBeMadeIsReported)
{
    // a file where the maker's folder should be
    const auto blocker = home.getChildFile(".config/OSKVAR/Vorn77");
    ASSERT_TRUE(blocker.getParentDirectory().createDirectory().wasOk());
    ASSERT_TRUE(blocker.replaceWithText("not a folder"));

    const auto result = manager().saveUser("Anything", "");

    EXPECT_EQ(result.getErrorMessage(), "Cannot create " + PresetManager::userDir().getFullPathName());
    EXPECT_EQ(blocker.loadFileAsString(), "not a folder");
    EXPECT_EQ(manager().entries.size(), 46u);
    EXPECT_EQ(manager().current, -1);
}

TEST_F(UserPresetTest, AFolderInThePresetsPlaceIsNotReplaced)
{
    const auto folder = presetFolder().getChildFile("Blocked.vornpreset");
    ASSERT_TRUE(folder.createDirectory().wasOk());
    ASSERT_TRUE(folder.getChildFile("inside.txt").replaceWithText("inside"));
    manager().rescan();
    EXPECT_EQ(manager().entries.size(), 46u); // folders are not listed

    const auto result = manager().saveUser("Blocked", "");

    EXPECT_EQ(result.getErrorMessage(), "Cannot write Blocked.vornpreset");
    EXPECT_EQ(folder.getChildFile("inside.txt").loadFileAsString(), "inside");
    EXPECT_EQ(folderListing(), juce::StringArray("Blocked.vornpreset")); // and no leftovers beside it
}

/** Lowers the largest file size this process may write, as a full disk would stop a save half way. */
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        auto lowered = old;
        lowered.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }

    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }

    bool active = false;

private:
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
};

TEST_F(UserPresetTest, AFailedSaveKeepsTheOldFile)
{
    vorn::test::setParameter(state(), "decay", 10.0f);
    ASSERT_TRUE(manager().saveUser("Keep", "Mine").wasOk());
    const auto file = PresetManager::userDir().getChildFile("Keep.vornpreset");
    juce::MemoryBlock before;
    ASSERT_TRUE(file.loadFileAsData(before));
    ASSERT_TRUE(manager().load(3));

    vorn::test::setParameter(state(), "decay", 90.0f);
    juce::Result result = juce::Result::ok();
    {
        FileSizeLimit limit(100); // the file is well over a kilobyte
        ASSERT_TRUE(limit.active);
        result = manager().saveUser("Keep", "Mine");
    }

    EXPECT_EQ(result.getErrorMessage(), "Cannot write Keep.vornpreset");
    juce::MemoryBlock after;
    ASSERT_TRUE(file.loadFileAsData(after));
    EXPECT_EQ(after, before);
    EXPECT_EQ(folderListing(), juce::StringArray("Keep.vornpreset"));
    EXPECT_EQ(manager().current, 3);
    EXPECT_EQ(manager().entries.size(), 47u);

    vorn::test::setParameter(state(), "decay", 50.0f);
    ASSERT_TRUE(manager().load(46));
    EXPECT_EQ(value("decay"), 10.0f);
}

TEST_F(UserPresetTest, RescanListsTheFolderWithCategories)
{
    placeFile("Vox.vornpreset", "<VornPreset category=\"Vocals\"/>");
    placeFile("Plain.vornpreset", "<VornPreset/>");
    placeFile("Other.xml", "<VornPreset category=\"Vocals\"/>");                         // wrong extension
    placeFile(".Hidden.vornpreset", "<VornPreset category=\"Secret\"/>");                // hidden files count
    presetFolder().getChildFile("Sub").createDirectory();                                // sub-folders are not searched
    presetFolder().getChildFile("Sub/Deep.vornpreset").replaceWithText("<VornPreset/>"); //
    manager().rescan();

    std::map<juce::String, juce::String> categories;
    for (size_t i = 46; i < manager().entries.size(); ++i)
    {
        const auto& e = manager().entries[i];
        categories[e.name] = e.category;
        EXPECT_EQ(e.factoryIndex, -1);
        EXPECT_EQ(e.file.getParentDirectory(), PresetManager::userDir());
    }

    const std::map<juce::String, juce::String> expected{{"Vox", "Vocals"}, {"Plain", "User"}, {".Hidden", "Secret"}};
    EXPECT_EQ(categories, expected);
    EXPECT_EQ(manager().indicesFor("Vocals", "vox").size(), 1u);
}

TEST_F(UserPresetTest, SteppingBackFromNothingReachesTheLastUserPreset)
{
    ASSERT_TRUE(manager().saveUser("Zed", "").wasOk());
    manager().current = -1;
    ASSERT_TRUE(manager().step(-1, "All"));
    EXPECT_EQ(manager().current, 46);
    ASSERT_TRUE(manager().step(+1, "All"));
    EXPECT_EQ(manager().current, 0);
    ASSERT_TRUE(manager().step(+1, "User"));
    EXPECT_EQ(manager().current, 46);
}

TEST_F(UserPresetTest, AFileNamingTwoParametersChangesOnlyThose)
{
    placeFile("Two.vornpreset", presetWith("<P id=\"decay\" v=\"33.0\"/>\n<P id=\"size\" v=\"12.0\"/>"));
    scramble();
    auto expected = snapshot();
    expected["decay"] = 33.0f;
    expected["size"] = 12.0f;
    ChangeCounter changes(manager());

    ASSERT_TRUE(manager().load(46));

    EXPECT_EQ(snapshot(), expected);
    EXPECT_EQ(manager().current, 46);
    EXPECT_EQ(changes.take(), 1);
}

TEST_F(UserPresetTest, AFileThatIsNotXmlIsListedButDoesNotLoad)
{
    placeFile("Broken.vornpreset", "this is not a preset");
    ASSERT_EQ(manager().entries.size(), 47u);
    EXPECT_EQ(manager().entries[46].name, "Broken");
    EXPECT_EQ(manager().entries[46].category, "User");

    ASSERT_TRUE(manager().load(7));
    scramble();
    const auto before = snapshot();
    ChangeCounter changes(manager());

    EXPECT_FALSE(manager().load(46));
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(manager().current, 7);
    EXPECT_EQ(changes.take(), 0);
}

TEST_F(UserPresetTest, AVanishedFileDoesNotLoad)
{
    ASSERT_TRUE(manager().saveUser("Gone", "").wasOk());
    ASSERT_TRUE(PresetManager::userDir().getChildFile("Gone.vornpreset").deleteFile());
    EXPECT_FALSE(manager().load(46));
    EXPECT_EQ(manager().current, 46); // from the save
}

/** The text repeated, for files of a given size or depth. */
std::string repeated(const std::string& text, int times)
{
    std::string s;
    s.reserve(text.size() * static_cast<size_t>(times));
    for (int i = 0; i < times; ++i)
        s += text;
    return s;
}

TEST_F(UserPresetTest, BadFilesNeverCrashHangOrSetMoreThanTheirValidValues)
{
    const std::string twoValid = "<P id=\"decay\" v=\"33\"/><P id=\"size\" v=\"12\"/>";
    const std::map<juce::String, float> validChanges{{"decay", 33.0f}, {"size", 12.0f}};
    const std::map<juce::String, float> nothing;

    const struct
    {
        const char* label;
        std::string content;
        bool loads;
        std::map<juce::String, float> changes;
    } cases[] = {
        {"empty", "", false, nothing},
        {"plain text", "decay=100", false, nothing},
        {"unclosed root", "<VornPreset><P id=\"decay\" v=\"9\"/>", false, nothing},
        {"binary", std::string("\x01\x00<\xff\xfe>\x7f", 7), false, nothing},
        {"deeply nested", presetWith(repeated("<a>", 100000) + twoValid + repeated("</a>", 100000)), false, nothing},
        {"nested without end tags", presetWith(repeated("<a>", 300000)), false, nothing},
        {"nested end tags in attributes", presetWith(repeated("<a x=\"</\">", 50000)), false, nothing},
        {"huge", presetWith(twoValid + "<!--" + repeated("x", 1100000) + "-->"), false, nothing},
        {"entity bomb",
         "<?xml version=\"1.0\"?><!DOCTYPE p [<!ENTITY a \"&a;&a;\">]><VornPreset><P id=\"decay\" v=\"&a;\"/>"
         "</VornPreset>",
         false, nothing},
        {"external document type", "<!DOCTYPE p SYSTEM \"/dev/zero\"><VornPreset>" + twoValid + "</VornPreset>", false,
         nothing},
        {"not a number", presetWith(twoValid + "<P id=\"predelay\" v=\"abc\"/><P id=\"width\" v=\"12abc\"/>"), true,
         validChanges},
        {"not finite",
         presetWith("<P id=\"predelay\" v=\"nan\"/><P id=\"width\" v=\"inf\"/><P id=\"mix\" v=\"-inf\"/>"
                    "<P id=\"dryWet\" v=\"1e999\"/><P id=\"t1\" v=\"-1e400\"/><P id=\"t2\" v=\"NaN\"/>" +
                    twoValid),
         true, validChanges},
        {"exponents too long for the framework's reader (it would read 20 and 30)",
         presetWith("<P id=\"predelay\" v=\"2e4294967297\"/><P id=\"width\" v=\"3e-4294967297\"/>" + twoValid),
         true,
         {{"decay", 33.0f}, {"size", 12.0f}, {"width", 0.0f}}},
        {"empty value", presetWith(twoValid + "<P id=\"predelay\" v=\"\"/><P id=\"width\" v=\" \"/>"), true,
         validChanges},
        {"unknown ids",
         presetWith(twoValid + "<P id=\"distance\" v=\"3\"/><P id=\"\" v=\"3\"/><P v=\"3\"/><P id=\"Decay\" v=\"3\"/>"),
         true, validChanges},
        {"elements other than P", presetWith("<Q id=\"width\" v=\"3\"/><p id=\"mix\" v=\"3\"/>" + twoValid), true,
         validChanges},
        {"nested as deep as allowed",
         presetWith(repeated("<g>", PresetManager::kMaxNesting - 1) + repeated("</g>", PresetManager::kMaxNesting - 1) +
                    twoValid),
         true, validChanges},
        {"nested one deeper",
         presetWith(repeated("<g>", PresetManager::kMaxNesting) + repeated("</g>", PresetManager::kMaxNesting) +
                    twoValid),
         false, nothing},
        {"nested P", presetWith("<Group><P id=\"width\" v=\"3\"/></Group>" + twoValid), true, validChanges},
        {"no P at all", presetWith(""), true, nothing},
        {"any root tag", "<Whatever>" + twoValid + "</Whatever>", true, validChanges},
        {"missing value counts as 0", presetWith("<P id=\"width\"/>"), true, {{"width", 0.0f}}},
        {"beyond the range",
         presetWith("<P id=\"predelay\" v=\"500\"/><P id=\"t1\" v=\"-20\"/>"),
         true,
         {{"predelay", 255.0f}, {"t1", 0.0f}}},
        {"beyond float",
         presetWith("<P id=\"predelay\" v=\"1e300\"/><P id=\"detune\" v=\"-1e300\"/>"),
         true,
         {{"predelay", 255.0f}, {"detune", -1.5f}}},
        {"between steps",
         presetWith("<P id=\"decay\" v=\"41.7\"/><P id=\"effectMode\" v=\"2.6\"/>"),
         true,
         {{"decay", 42.0f}, {"effectMode", 3.0f}}},
        {"number forms",
         presetWith("<P id=\"decay\" v=\" 4e1 \"/><P id=\"size\" v=\"+.5E2\"/><P id=\"lowTilt\" v=\"-0.5\"/>"),
         true,
         {{"decay", 40.0f}, {"size", 50.0f}, {"lowTilt", -0.5f}}},
        {"comments and byte order mark",
         std::string("\xef\xbb\xbf<?xml version=\"1.0\"?><!-- made by hand --><VornPreset>") + twoValid +
             "<![CDATA[ <P id=\"width\" v=\"3\"/> ]]></VornPreset>",
         true, validChanges},
        {"single quotes", "<VornPreset category='X'><P id='decay' v='33'/><P id='size' v='12'/></VornPreset>", true,
         validChanges},
    };

    for (const auto& c : cases)
    {
        const auto file = presetFolder().getChildFile("Case.vornpreset");
        file.deleteFile();
        ASSERT_TRUE(file.create().wasOk()) << c.label;
        ASSERT_TRUE(file.appendData(c.content.data(), c.content.size())) << c.label;
        manager().rescan();
        ASSERT_EQ(manager().entries.size(), 47u) << c.label; // always listed

        ASSERT_TRUE(manager().load(11));
        scramble();
        auto expected = snapshot();
        for (const auto& [id, v] : c.changes)
            expected[id] = v;

        EXPECT_EQ(manager().load(46), c.loads) << c.label;
        EXPECT_EQ(manager().current, c.loads ? 46 : 11) << c.label;

        const auto after = snapshot();
        for (const auto& [id, v] : expected)
        {
            EXPECT_TRUE(std::isfinite(after.at(id))) << c.label << ": " << id;
            EXPECT_NEAR(after.at(id), v, 1e-4f) << c.label << ": " << id;
        }
    }
}

TEST_F(UserPresetTest, FilesThatAreNotOrdinaryFilesDoNotLoad)
{
    const auto dir = presetFolder();

    // a pipe and a device would block or never end if opened and read
    const auto fifo = dir.getChildFile("Pipe.vornpreset");
    ASSERT_EQ(mkfifo(fifo.getFullPathName().toRawUTF8(), 0644), 0);
    ASSERT_TRUE(juce::File("/dev/zero").createSymbolicLink(dir.getChildFile("Zero.vornpreset"), false));
    ASSERT_TRUE(dir.getChildFile("Folder.vornpreset").createDirectory().wasOk());

    manager().rescan();

    std::map<juce::String, juce::String> listed;
    for (size_t i = 46; i < manager().entries.size(); ++i)
        listed[manager().entries[i].name] = manager().entries[i].category;
    const std::map<juce::String, juce::String> expected{{"Pipe", "User"}, {"Zero", "User"}};
    EXPECT_EQ(listed, expected);

    scramble();
    const auto before = snapshot();
    for (size_t i = 46; i < manager().entries.size(); ++i)
        EXPECT_FALSE(manager().load(static_cast<int>(i))) << manager().entries[i].name;
    EXPECT_EQ(snapshot(), before);
}

TEST_F(UserPresetTest, AnUnreadableFileDoesNotLoad)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not stop root from reading";

    const auto file = placeFile("Locked.vornpreset", presetWith("<P id=\"decay\" v=\"33\"/>"));
    ASSERT_EQ(chmod(file.getFullPathName().toRawUTF8(), 0), 0);
    manager().rescan();
    EXPECT_EQ(manager().entries[46].category, "User");

    const auto before = snapshot();
    EXPECT_FALSE(manager().load(46));
    EXPECT_EQ(snapshot(), before);
}

} // namespace
