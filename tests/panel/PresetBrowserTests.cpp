#include "OverlayTestSupport.h"
#include "PanelTestSupport.h"

#include "editor/PluginEditor.h"
#include "panel/Palette.h"
#include "panel/PresetBrowser.h"
#include "plugin/PresetTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>

namespace
{
using vorn::PresetBrowser;
using vorn::PresetManager;
using vorn::test::ScratchHome;
using vorn_test::pumpMessages;

/** Stands in for the user at the browser's dialogs: records each question and keeps its answer for the test. */
struct DialogRecorder
{
    int nameQuestions = 0;
    juce::String askedName;
    juce::StringArray askedCategories;
    juce::String askedCategory;
    vorn::PresetDialogs::NameAnswer answerName;

    int confirmations = 0;
    juce::String confirmTitle, confirmMessage;
    std::function<void()> confirmOk;

    juce::StringArray told;
    juce::Array<juce::File> revealed;

    vorn::PresetDialogs dialogs()
    {
        vorn::PresetDialogs d;
        d.askName = [this](const juce::String& name, const juce::StringArray& categories, const juce::String& category,
                           vorn::PresetDialogs::NameAnswer answer) -> juce::Component*
        {
            ++nameQuestions;
            askedName = name;
            askedCategories = categories;
            askedCategory = category;
            answerName = std::move(answer);
            return nullptr;
        };
        d.confirm = [this](const juce::String& title, const juce::String& message, std::function<void()> onOk)
        {
            ++confirmations;
            confirmTitle = title;
            confirmMessage = message;
            confirmOk = std::move(onOk);
        };
        d.tell = [this](const juce::String& title, const juce::String& message) { told.add(title + ": " + message); };
        d.reveal = [this](const juce::File& folder) { revealed.add(folder); };
        return d;
    }
};

const juce::StringArray kFactoryCategories{"Drums",   "Guitars",    "Bass",      "Keys",   "Vocals",
                                           "Strings", "Percussion", "Rev+Delay", "Utility"};

struct BrowserFixture : ScratchHome
{
    void SetUp() override
    {
        ScratchHome::SetUp();
        pumpMessages(); // the manager's first scan is announced before any browser exists
        browser = std::make_unique<PresetBrowser>(manager());
        browser->dialogs = user.dialogs();
        browser->setSize(680, 440);
    }

    void TearDown() override
    {
        browser.reset();
        pumpMessages();
        ScratchHome::TearDown();
    }

    /** The listed row of the program with this name, or -1. */
    int rowOf(const juce::String& name)
    {
        for (size_t row = 0; row < browser->shown.size(); ++row)
            if (manager().entries[static_cast<size_t>(browser->shown[row])].name == name)
                return static_cast<int>(row);
        return -1;
    }

    void selectCategory(const juce::String& category)
    {
        const auto row = browser->categories.indexOf(category);
        ASSERT_GE(row, 0) << category.toStdString();
        browser->categoryList.selectRow(row);
    }

    /** Saves a user preset through the manager and lets the browser hear of it. */
    void saveUser(const juce::String& name, const juce::String& category)
    {
        ASSERT_TRUE(manager().saveUser(name, category).wasOk());
        pumpMessages();
    }

    juce::Image paintRow(int row, bool selected)
    {
        juce::Image image(juce::Image::ARGB, 400, 24, true);
        juce::Graphics g(image);
        browser->presetModel.paintListBoxItem(row, g, 400, 24, selected);
        return image;
    }

    DialogRecorder user;
    std::unique_ptr<PresetBrowser> browser;
};

std::vector<int> range(int first, int last)
{
    std::vector<int> v(static_cast<size_t>(last - first + 1));
    std::iota(v.begin(), v.end(), first);
    return v;
}

TEST_F(BrowserFixture, OpensOnAllWithEveryProgram)
{
    auto expected = kFactoryCategories;
    expected.insert(0, "All");
    EXPECT_EQ(browser->categories, expected);
    EXPECT_EQ(browser->categoryList.getSelectedRow(), 0);
    EXPECT_EQ(browser->shown, range(0, 45));
    EXPECT_EQ(browser->countLine(), "46 OF 46 SHOWN");
    EXPECT_EQ(browser->presetList.getModel()->getNumRows(), 46);
}

TEST_F(BrowserFixture, CategoryThenSearchNarrowTheList)
{
    selectCategory("Keys");
    EXPECT_EQ(browser->shown, range(18, 23));
    EXPECT_EQ(browser->countLine(), "6 OF 46 SHOWN");

    browser->search.setText("PIANO"); // as typed: the change arrives as a message
    pumpMessages();
    ASSERT_EQ(browser->shown.size(), 1u);
    EXPECT_EQ(manager().entries[static_cast<size_t>(browser->shown[0])].name, "Electric Piano");
    EXPECT_EQ(browser->countLine(), "1 OF 46 SHOWN");

    // Back to "All" the search still applies; cleared, everything returns.
    selectCategory("All");
    EXPECT_EQ(browser->shown.size(), 1u);
    browser->search.clear();
    browser->search.setText("  ");
    pumpMessages();
    EXPECT_EQ(browser->countLine(), "46 OF 46 SHOWN");
}

TEST_F(BrowserFixture, CurrentProgramRowHasTheMarkerAndAGreenName)
{
    ASSERT_TRUE(manager().load(5));
    pumpMessages();

    const auto closeTo = [](juce::Colour a, juce::Colour b)
    {
        return std::abs(a.getRed() - b.getRed()) + std::abs(a.getGreen() - b.getGreen()) +
                   std::abs(a.getBlue() - b.getBlue()) <
               12;
    };

    /** Whether any fully covered pixel of the name's box has the colour. */
    const auto nameHas = [&closeTo](const juce::Image& image, juce::Colour colour)
    {
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 14; x < 400 - 96; ++x)
                if (image.getPixelAt(x, y).getAlpha() == 255 && closeTo(image.getPixelAt(x, y), colour))
                    return true;
        return false;
    };

    const auto current = paintRow(rowOf(manager().entries[5].name), false);
    const auto other = paintRow(rowOf(manager().entries[6].name), false);

    // The 4 x 4 marker at (2, 10) for a 24-high row.
    EXPECT_EQ(current.getPixelAt(3, 11), vorn::pal::kGreen);
    EXPECT_EQ(current.getPixelAt(5, 13), vorn::pal::kGreen);
    EXPECT_EQ(current.getPixelAt(7, 11).getAlpha(), 0);
    EXPECT_EQ(other.getPixelAt(3, 11).getAlpha(), 0);

    EXPECT_TRUE(nameHas(current, vorn::pal::kGreen));
    EXPECT_FALSE(nameHas(current, vorn::pal::kText));
    EXPECT_TRUE(nameHas(other, vorn::pal::kText));
    EXPECT_FALSE(nameHas(other, vorn::pal::kGreen));

    // A selected row is filled, inset by one pixel; rows past the end paint nothing.
    const auto selected = paintRow(rowOf(manager().entries[6].name), true);
    EXPECT_EQ(selected.getPixelAt(200, 2), vorn::pal::kField);
    EXPECT_EQ(selected.getPixelAt(200, 0).getAlpha(), 0);
    const auto beyond = paintRow(46, true);
    EXPECT_EQ(beyond.getPixelAt(200, 12).getAlpha(), 0);
}

TEST_F(BrowserFixture, UserPresetsJoinTheListOnTheManagersMessageTaggedUser)
{
    saveUser("My Keys", "Keys");
    EXPECT_EQ(browser->countLine(), "47 OF 47 SHOWN");
    ASSERT_GE(rowOf("My Keys"), 0);

    const auto& mine = manager().entries[static_cast<size_t>(browser->shown[static_cast<size_t>(rowOf("My Keys"))])];
    EXPECT_EQ(vorn::PresetModel::tagFor(mine), "USER");
    EXPECT_EQ(vorn::PresetModel::tagFor(manager().entries[18]), "KEYS");
    EXPECT_EQ(vorn::PresetModel::tagFor(manager().entries[40]), manager().entries[40].category.toUpperCase());
    EXPECT_EQ(browser->categories.size(), 10); // "Keys" is there already

    // New categories join at the end, in order of first appearance; one named "All" does not appear twice.
    saveUser("Mine", "User");
    saveUser("Everything", "All");
    EXPECT_EQ(browser->categories.size(), 11);
    EXPECT_EQ(browser->categories[10], "User");
    EXPECT_EQ(browser->categories.indexOf("All"), 0);

    selectCategory("Keys");
    EXPECT_EQ(browser->countLine(), "7 OF 49 SHOWN");

    // A file put in the folder by hand appears with the next rescan.
    ASSERT_TRUE(PresetManager::userDir()
                    .getChildFile("By Hand.vornpreset")
                    .replaceWithText("<VornPreset category=\"Keys\"><P id=\"decay\" v=\"20\"/></VornPreset>"));
    manager().rescan();
    pumpMessages();
    EXPECT_EQ(browser->countLine(), "8 OF 50 SHOWN");
}

TEST_F(BrowserFixture, DeleteLeavesFactoryProgramsAlone)
{
    browser->deleteButton.triggerClick(); // nothing selected
    pumpMessages();

    browser->presetList.selectRow(0);
    browser->deleteButton.triggerClick();
    pumpMessages();

    EXPECT_EQ(user.confirmations, 0);
    EXPECT_EQ(manager().entries.size(), 46u);
}

TEST_F(BrowserFixture, DeleteOfAUserPresetAsksFirstAndRemovesTheRow)
{
    saveUser("Doomed", "Vocals");
    const auto file = PresetManager::userDir().getChildFile("Doomed.vornpreset");
    ASSERT_TRUE(file.existsAsFile());

    browser->presetList.selectRow(rowOf("Doomed"));
    browser->deleteButton.triggerClick();
    pumpMessages();

    ASSERT_EQ(user.confirmations, 1);
    EXPECT_EQ(user.confirmTitle, "Delete preset");
    EXPECT_EQ(user.confirmMessage, "Delete \"Doomed\"?");
    EXPECT_TRUE(file.existsAsFile()); // nothing happens before the answer

    user.confirmOk();
    pumpMessages();
    EXPECT_FALSE(file.existsAsFile());
    EXPECT_EQ(rowOf("Doomed"), -1);
    EXPECT_EQ(browser->countLine(), "46 OF 46 SHOWN");
}

TEST_F(BrowserFixture, AfterADeleteTheHighlightedCategoryAndTheSelectionAgreeWithTheList)
{
    saveUser("First", "User");
    saveUser("Second", "User");
    selectCategory("User");
    ASSERT_EQ(browser->countLine(), "2 OF 48 SHOWN");

    // Deleting one of two leaves the category, and nothing selected for a second DELETE to fall on.
    browser->presetList.selectRow(rowOf("First"));
    browser->doDelete();
    user.confirmOk();
    pumpMessages();
    EXPECT_EQ(browser->categories[browser->categoryList.getSelectedRow()], "User");
    EXPECT_EQ(browser->countLine(), "1 OF 47 SHOWN");
    EXPECT_EQ(browser->presetList.getSelectedRow(), -1);
    browser->doDelete();
    EXPECT_EQ(user.confirmations, 1) << "nothing selected, nothing asked";

    // Deleting the last one of the category takes the category away: "All" is listed and highlighted.
    browser->presetList.selectRow(rowOf("Second"));
    browser->doDelete();
    user.confirmOk();
    pumpMessages();
    EXPECT_EQ(browser->categories.indexOf("User"), -1);
    EXPECT_EQ(browser->categoryList.getSelectedRow(), 0);
    EXPECT_EQ(browser->countLine(), "46 OF 46 SHOWN");
    EXPECT_EQ(browser->presetList.getSelectedRow(), -1);
}

TEST_F(BrowserFixture, TheSelectionStaysOnItsProgramWhenTheListChanges)
{
    browser->presetList.selectRow(rowOf("Toms"));
    saveUser("Aaa", "Drums"); // listed among the drums, after the factory programs
    EXPECT_EQ(browser->presetList.getSelectedRow(), rowOf("Toms"));

    // A search that no longer lists it drops the selection rather than move it to another program.
    browser->search.setText("piano", true);
    pumpMessages();
    EXPECT_EQ(browser->presetList.getSelectedRow(), -1);
}

TEST_F(BrowserFixture, DeleteAnsweredAfterTheListChangedTakesOnlyThePresetAskedAbout)
{
    saveUser("First", "User");
    saveUser("Second", "User");

    // Ask about whichever of the two the folder listed first, then let it go another way before the answer.
    const auto asked = manager().entries[46];
    const auto other = manager().entries[47];
    browser->presetList.selectRow(rowOf(asked.name));
    browser->doDelete();
    ASSERT_EQ(user.confirmations, 1);

    ASSERT_TRUE(manager().deleteUser(46).wasOk());
    pumpMessages();
    ASSERT_EQ(manager().entries[46].name, other.name); // the other one now sits where the asked one was

    user.confirmOk();
    pumpMessages();
    EXPECT_TRUE(other.file.existsAsFile());
    EXPECT_GE(rowOf(other.name), 0);
}

TEST_F(BrowserFixture, DeleteThatFailsIsReported)
{
    saveUser("Stuck", "User");
    const auto file = PresetManager::userDir().getChildFile("Stuck.vornpreset");
    browser->presetList.selectRow(rowOf("Stuck"));
    browser->doDelete();
    ASSERT_EQ(user.confirmations, 1);

    // Before the answer a folder takes the file's place; the manager refuses to delete folders.
    ASSERT_TRUE(file.deleteFile());
    ASSERT_TRUE(file.createDirectory().wasOk());

    user.confirmOk();
    pumpMessages();
    EXPECT_EQ(user.told, juce::StringArray("Delete failed: Cannot delete Stuck.vornpreset"));
    EXPECT_TRUE(file.isDirectory());
}

TEST_F(BrowserFixture, SaveAsOffersTheCurrentNameAndTheCategories)
{
    browser->saveAsButton.triggerClick();
    pumpMessages();
    ASSERT_EQ(user.nameQuestions, 1);
    EXPECT_EQ(user.askedName, "Init"); // no program loaded yet
    // A new user preset is offered under "User", which joins the factory categories for it.
    auto offered = kFactoryCategories;
    offered.add("User");
    EXPECT_EQ(user.askedCategories, offered);
    EXPECT_EQ(user.askedCategory, "User");

    user.answerName(false, "Cancelled", "Keys");
    pumpMessages();
    EXPECT_FALSE(PresetManager::userDir().getChildFile("Cancelled.vornpreset").exists());

    ASSERT_TRUE(manager().load(21));
    browser->doSave();
    EXPECT_EQ(user.askedName, "Electric Piano");

    user.answerName(true, "Night Hall", "Vocals");
    pumpMessages();
    EXPECT_TRUE(PresetManager::userDir().getChildFile("Night Hall.vornpreset").existsAsFile());
    EXPECT_EQ(browser->countLine(), "47 OF 47 SHOWN");
    ASSERT_GE(rowOf("Night Hall"), 0);
    EXPECT_EQ(browser->shown[static_cast<size_t>(rowOf("Night Hall"))], manager().current);
    EXPECT_TRUE(user.told.isEmpty());
}

TEST_F(BrowserFixture, SaveAsWithABlankNameReportsTheFailure)
{
    browser->doSave();
    user.answerName(true, "   ", "Keys");
    pumpMessages();

    EXPECT_EQ(user.told, juce::StringArray("Save failed: A preset needs a name."));
    EXPECT_EQ(browser->countLine(), "46 OF 46 SHOWN");
}

TEST_F(BrowserFixture, AnswersArrivingAfterTheBrowserClosedAreDropped)
{
    saveUser("Kept", "User");
    browser->doSave();
    browser->presetList.selectRow(rowOf("Kept"));
    browser->doDelete();
    ASSERT_EQ(user.nameQuestions, 1);
    ASSERT_EQ(user.confirmations, 1);

    browser.reset();
    user.answerName(true, "Late", "User");
    user.confirmOk();
    pumpMessages();

    EXPECT_FALSE(PresetManager::userDir().getChildFile("Late.vornpreset").exists());
    EXPECT_TRUE(PresetManager::userDir().getChildFile("Kept.vornpreset").existsAsFile());
}

TEST_F(BrowserFixture, ClickLoadsAndDoubleClickLoadsAndCloses)
{
    int closes = 0;
    browser->onClose = [this, &closes]
    {
        ++closes;
        browser.reset(); // as the editor does
    };

    const auto clickRow = [this](int row, bool twice)
    {
        // The row component under the pointer, as the mouse would find it.
        auto* rowComponent = browser->presetList.getComponentAt(40, row * 24 + 12);
        ASSERT_NE(rowComponent, nullptr);
        ASSERT_EQ(browser->presetList.getRowNumberOfComponent(rowComponent), row);
        const auto at = vorn_test::mouseAt(*rowComponent, {40, 12});
        rowComponent->mouseDown(at);
        rowComponent->mouseUp(at);
        if (twice)
            rowComponent->mouseDoubleClick(at);
    };

    clickRow(3, false);
    EXPECT_EQ(manager().current, 3);
    EXPECT_EQ(closes, 0);

    clickRow(7, true);
    EXPECT_EQ(manager().current, 7);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(browser, nullptr);
    pumpMessages(); // the load's change message finds no browser
}

TEST_F(BrowserFixture, CloseAndRevealButtons)
{
    int closes = 0;
    browser->onClose = [&closes] { ++closes; };

    browser->closeButton.triggerClick();
    browser->revealButton.triggerClick();
    pumpMessages();

    EXPECT_EQ(closes, 1);
    ASSERT_EQ(user.revealed.size(), 1);
    EXPECT_EQ(user.revealed[0], PresetManager::userDir());
}

TEST_F(BrowserFixture, Layout)
{
    EXPECT_EQ(browser->search.getBounds(), juce::Rectangle<int>(16, 40, 648, 24));
    EXPECT_EQ(browser->categoryList.getBounds(), juce::Rectangle<int>(16, 74, 128, 310));
    EXPECT_EQ(browser->categoryBounds, browser->categoryList.getBounds());
    EXPECT_EQ(browser->presetList.getBounds(), juce::Rectangle<int>(161, 74, 503, 310));
    EXPECT_EQ(browser->saveAsButton.getBounds(), juce::Rectangle<int>(16, 394, 88, 30));
    EXPECT_EQ(browser->deleteButton.getBounds(), juce::Rectangle<int>(110, 394, 88, 30));
    EXPECT_EQ(browser->revealButton.getBounds(), juce::Rectangle<int>(204, 394, 88, 30));
    EXPECT_EQ(browser->closeButton.getBounds(), juce::Rectangle<int>(576, 394, 88, 30));

    browser->setSize(10, 10);
    for (auto* child : browser->getChildren())
        EXPECT_GE(juce::jmin(child->getWidth(), child->getHeight()), 0);
}

TEST_F(BrowserFixture, SnapshotOnOpening)
{
    vorn_test::ScopedPanelTypefaces typefaces;
    vorn_test::expectMatchesSnapshot(vorn_test::render(*browser, juce::Colours::black), "overlay_browser_default");
}

/** The window the framework shows modally at the moment, if it is an alert window. */
juce::AlertWindow* openAlert()
{
    auto* modal = juce::ModalComponentManager::getInstance()->getModalComponent(0);
    return dynamic_cast<juce::AlertWindow*>(modal);
}

/** Presses the alert's button with this caption, as a click would. */
void press(juce::AlertWindow& alert, const juce::String& caption)
{
    for (auto* child : alert.getChildren())
    {
        if (auto* button = dynamic_cast<juce::TextButton*>(child);
            button != nullptr && button->getButtonText() == caption)
        {
            button->triggerClick();
            pumpMessages();
            return;
        }
    }

    ADD_FAILURE() << "no button " << caption;
}

TEST_F(BrowserFixture, DesktopDialogsSaveDeleteAndCloseWithTheBrowser)
{
    if (juce::SystemStats::getEnvironmentVariable("DISPLAY", {}).isEmpty())
        GTEST_SKIP() << "the framework's windows need a display";

    browser->dialogs = vorn::PresetDialogs::desktop();
    browser->dialogs.reveal = nullptr;

    // SAVE AS: the naming window, prefilled, with the categories and "User" chosen for a new user preset. The
    // name field has the keyboard, its text selected, so that typing replaces it.
    browser->doSave();
    auto* naming = openAlert();
    ASSERT_NE(naming, nullptr);
    EXPECT_EQ(naming->getName(), "Save preset");
    EXPECT_EQ(naming->getTextEditorContents("name"), "Init");
    auto* category = naming->getComboBoxComponent("cat");
    ASSERT_NE(category, nullptr);
    EXPECT_EQ(category->getNumItems(), kFactoryCategories.size() + 1);
    EXPECT_EQ(category->getText(), "User");

    auto* nameField = naming->getTextEditor("name");
    EXPECT_TRUE(vorn_test::pumpUntil([nameField] { return nameField->hasKeyboardFocus(false); }));
    EXPECT_EQ(nameField->getHighlightedText(), "Init");

    naming->getTextEditor("name")->setText("Desk Hall");
    category->setSelectedItemIndex(kFactoryCategories.indexOf("Vocals"));
    press(*naming, "Save");
    pumpMessages();
    EXPECT_EQ(openAlert(), nullptr);
    ASSERT_GE(rowOf("Desk Hall"), 0);
    EXPECT_EQ(manager().entries[static_cast<size_t>(browser->shown[static_cast<size_t>(rowOf("Desk Hall"))])].category,
              "Vocals");

    // DELETE: the question names the preset; OK deletes it.
    browser->presetList.selectRow(rowOf("Desk Hall"));
    browser->doDelete();
    auto* question = openAlert();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->getName(), "Delete preset");
    press(*question, "OK");
    pumpMessages();
    EXPECT_EQ(rowOf("Desk Hall"), -1);

    // A blank name: the naming window closes and a "Save failed" message takes its place.
    browser->doSave();
    ASSERT_NE(openAlert(), nullptr);
    openAlert()->getTextEditor("name")->setText("  ");
    press(*openAlert(), "Save");
    pumpMessages();
    auto* failure = openAlert();
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->getName(), "Save failed");
    press(*failure, "OK");
    pumpMessages();
    EXPECT_EQ(openAlert(), nullptr);

    // A naming window still open when the browser closes goes with it, and its late answer saves nothing.
    browser->doSave();
    ASSERT_NE(openAlert(), nullptr);
    browser.reset();
    pumpMessages();
    EXPECT_EQ(openAlert(), nullptr);
    EXPECT_EQ(manager().entries.size(), 46u);
}

struct BrowseKeyFixture : ScratchHome
{
};

TEST_F(BrowseKeyFixture, OpensAndClosesTheBrowserWithItsLed)
{
    VornReverbAudioProcessorEditor editor(*processor);

    editor.browseKey.triggerClick();
    pumpMessages();
    ASSERT_NE(editor.browser, nullptr);
    EXPECT_TRUE(editor.browseKey.isLedOn());
    EXPECT_EQ(editor.browser->getBounds(), juce::Rectangle<int>(332, 116, 680, 440));

    editor.browseKey.triggerClick();
    pumpMessages();
    EXPECT_EQ(editor.browser, nullptr);
    EXPECT_FALSE(editor.browseKey.isLedOn());

    // The browser's own CLOSE closes it the same way, LED included.
    editor.browseKey.triggerClick();
    pumpMessages();
    ASSERT_NE(editor.browser, nullptr);
    editor.browser->closeButton.triggerClick();
    pumpMessages();
    EXPECT_EQ(editor.browser, nullptr);
    EXPECT_FALSE(editor.browseKey.isLedOn());
}
} // namespace
