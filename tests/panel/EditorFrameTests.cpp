#include "PanelTestSupport.h"

#include "editor/PluginEditor.h"
#include "panel/Palette.h"
#include "panel/Type.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
using Editor = VornReverbAudioProcessorEditor;

struct EditorFixture : ::testing::Test
{
    VornReverbAudioProcessor processor;
    std::unique_ptr<Editor> editor{std::make_unique<Editor>(processor)};

    /** Where a control lands in editor pixels. */
    juce::Rectangle<float> onEditor(juce::Component& control)
    {
        return editor->getLocalArea(&control, control.getLocalBounds().toFloat());
    }
};

TEST_F(EditorFixture, OpensAtItsDefaultSizeWithItsLimits)
{
    EXPECT_EQ(editor->getWidth(), 960);
    EXPECT_EQ(editor->getHeight(), 480);
    EXPECT_TRUE(editor->isResizable());

    auto* constrainer = editor->getConstrainer();
    ASSERT_NE(constrainer, nullptr);
    EXPECT_EQ(constrainer->getMinimumWidth(), 672);
    EXPECT_EQ(constrainer->getMinimumHeight(), 336);
    EXPECT_EQ(constrainer->getMaximumWidth(), 2016);
    EXPECT_EQ(constrainer->getMaximumHeight(), 1008);
    EXPECT_DOUBLE_EQ(constrainer->getFixedAspectRatio(), 2.0);

    // What a host asking for sizes beyond the limits, or off the ratio, ends up with.
    const juce::Rectangle<int> requests[] = {{0, 0, 3000, 1500}, {0, 0, 400, 200}, {0, 0, 1200, 500}, {0, 0, 800, 700}};

    for (const auto& request : requests)
    {
        editor->setBoundsConstrained(request);
        const auto size = editor->getBounds();
        EXPECT_GE(size.getWidth(), 672) << request.toString();
        EXPECT_LE(size.getWidth(), 2016) << request.toString();
        EXPECT_EQ(size.getWidth(), 2 * size.getHeight()) << request.toString() << " gave " << size.toString();
    }
}

struct Placement
{
    const char* name;
    std::function<juce::Component&(Editor&)> control;
    juce::Rectangle<float> design;
};

TEST_F(EditorFixture, LayoutScalesWithTheWidth)
{
    // Design-space bounds from the panel's layout table.
    const Placement placements[] = {
        {"headroom lamp 3", [](Editor& e) -> juce::Component& { return e.headroomLamps[3]; }, {600, 32, 16, 16}},
        {"DNA label", [](Editor& e) -> juce::Component& { return e.dnaLabel; }, {632, 32, 552, 16}},
        {"BUZZER", [](Editor& e) -> juce::Component& { return e.buzzerKey; }, {1200, 32, 112, 32}},
        {"IN meter", [](Editor& e) -> juce::Component& { return e.inMeter; }, {168, 32, 110, 16}},
        {"OUT meter", [](Editor& e) -> juce::Component& { return e.outMeter; }, {288, 32, 110, 16}},
        {"delay display", [](Editor& e) -> juce::Component& { return e.displays[2]; }, {368, 112, 136, 40}},
        {"program name", [](Editor& e) -> juce::Component& { return e.programName; }, {744, 120, 216, 48}},
        {"BROWSE", [](Editor& e) -> juce::Component& { return e.browseKey; }, {968, 120, 80, 48}},
        {"SAVE", [](Editor& e) -> juce::Component& { return e.saveKey; }, {1216, 120, 80, 48}},
        {"13k", [](Editor& e) -> juce::Component& { return e.highCutKeys[3]; }, {608, 224, 72, 48}},
        {"x0.5 low", [](Editor& e) -> juce::Component& { return e.rtLowKeys[0]; }, {32, 328, 72, 48}},
        {"matrix 9", [](Editor& e) -> juce::Component& { return e.matrixKeys[9]; }, {120, 504, 72, 64}},
        {"matrix 23", [](Editor& e) -> juce::Component& { return e.matrixKeys[23]; }, {600, 576, 72, 64}},
        {"program D", [](Editor& e) -> juce::Component& { return e.programKeys[3]; }, {752, 464, 80, 72}},
        {"ECHO 2", [](Editor& e) -> juce::Component& { return e.modeKeys[1]; }, {848, 304, 80, 72}},
        {"DOWN", [](Editor& e) -> juce::Component& { return e.downKey; }, {944, 464, 80, 72}},
        {"digit 7", [](Editor& e) -> juce::Component& { return e.digitKeys[7]; }, {1048, 224, 80, 56}},
        {"digit 6", [](Editor& e) -> juce::Component& { return e.digitKeys[6]; }, {1208, 288, 80, 56}},
        {"digit 1", [](Editor& e) -> juce::Component& { return e.digitKeys[1]; }, {1048, 352, 80, 56}},
        {"digit 0", [](Editor& e) -> juce::Component& { return e.digitKeys[0]; }, {1048, 416, 160, 56}},
        {"point", [](Editor& e) -> juce::Component& { return e.pointKey; }, {1208, 416, 80, 56}},
        {"ENTER", [](Editor& e) -> juce::Component& { return e.enterKey; }, {1048, 480, 240, 56}},
        {"PING-PONG", [](Editor& e) -> juce::Component& { return e.pingPongKey; }, {1120, 568, 168, 32}},
        {"CURVES", [](Editor& e) -> juce::Component& { return e.curvesKey; }, {752, 608, 168, 32}},
    };

    for (const int width : {672, 960, 2016})
    {
        editor->setSize(width, width / 2);
        const auto s = static_cast<float>(width) / 1344.0f;

        EXPECT_EQ(editor->canvas.getBounds(), juce::Rectangle<int>(0, 0, 1344, 672)) << width;
        EXPECT_TRUE(editor->canvas.getTransform() == juce::AffineTransform::scale(s)) << width;

        for (const auto& p : placements)
        {
            auto& control = p.control(*editor);
            EXPECT_EQ(control.getBounds(), p.design.toNearestInt()) << p.name << " on the canvas";

            const auto shown = onEditor(control);
            const auto expected = p.design * s;
            EXPECT_NEAR(shown.getX(), expected.getX(), 1.0e-3f) << p.name << " at width " << width;
            EXPECT_NEAR(shown.getY(), expected.getY(), 1.0e-3f) << p.name << " at width " << width;
            EXPECT_NEAR(shown.getWidth(), expected.getWidth(), 1.0e-3f) << p.name << " at width " << width;
            EXPECT_NEAR(shown.getHeight(), expected.getHeight(), 1.0e-3f) << p.name << " at width " << width;
        }

        // An editor point (p, q) lies at canvas point (p, q) * 1344 / width.
        const auto onCanvas = editor->canvas.getLocalPoint(editor.get(), juce::Point<float>(300.0f, 150.0f));
        EXPECT_NEAR(onCanvas.x, 300.0f * 1344.0f / static_cast<float>(width), 1.0e-3f);
        EXPECT_NEAR(onCanvas.y, 150.0f * 1344.0f / static_cast<float>(width), 1.0e-3f);
    }
}

TEST_F(EditorFixture, KeysCarryTheirClassesAndLegends)
{
    using vorn_panel::KeyClass;

    struct Row
    {
        const char* name;
        vorn_panel::PanelKey& key;
        KeyClass keyClass;
        const char* line1;
        const char* line2;
        const char* corner;
    };

    const Row rows[] = {
        {"low cut 30", editor->lowCutKeys[0], KeyClass::selector, "30", "", ""},
        {"high cut 2.5k", editor->highCutKeys[0], KeyClass::selector, "2.5k", "", ""},
        {"rt low x2.0", editor->rtLowKeys[3], KeyClass::selector, "x2.0", "", ""},
        {"rt high x0.33", editor->rtHighKeys[1], KeyClass::selector, "x0.33", "", ""},
        {"REVERB TIME", editor->matrixKeys[0], KeyClass::reverbParam, "REVERB", "TIME", "0-9.9"},
        {"SUB REV DELAY", editor->matrixKeys[7], KeyClass::reverbParam, "SUB REV", "DELAY", "0-255"},
        {"T2", editor->matrixKeys[17], KeyClass::echoParam, "T2", "", "0-499"},
        {"DLY LEVEL", editor->matrixKeys[20], KeyClass::echoParam, "DLY", "LEVEL", ""},
        {"MOD DEPTH", editor->matrixKeys[23], KeyClass::reverbParam, "MOD", "DEPTH", "0-100"},
        {"program C", editor->programKeys[2], KeyClass::reverbProgram, "C", "REVERB", ""},
        {"DELAY 2", editor->modeKeys[3], KeyClass::echoProgram, "DELAY", "2", ""},
        {"WRITE", editor->writeKey, KeyClass::memoryWrite, "WRITE", "", ""},
        {"READ", editor->readKey, KeyClass::memoryNav, "READ", "", ""},
        {"UP", editor->upKey, KeyClass::memoryNav, "UP", "", ""},
        {"digit 5", editor->digitKeys[5], KeyClass::digit, "5", "", ""},
        {"point", editor->pointKey, KeyClass::digit, ".", "", ""},
        {"ENTER", editor->enterKey, KeyClass::enter, "ENTER", "", ""},
        {"VINTAGE", editor->vintageKey, KeyClass::functionKey, "VINTAGE OUT - OFF", "", ""},
        {"BUZZER", editor->buzzerKey, KeyClass::buzzer, "BUZZER", "", ""},
        {"CURVES", editor->curvesKey, KeyClass::functionKey, "CURVES", "", ""},
        {"BROWSE", editor->browseKey, KeyClass::functionKey, "BROWSE", "", ""},
    };

    for (const auto& row : rows)
    {
        EXPECT_EQ(row.key.getKeyClass(), row.keyClass) << row.name;
        EXPECT_EQ(row.key.getLine1(), row.line1) << row.name;
        EXPECT_EQ(row.key.getLine2(), row.line2) << row.name;
        EXPECT_EQ(row.key.getCornerText(), row.corner) << row.name;
        EXPECT_EQ(row.key.getParentComponent(), &editor->canvas) << row.name;
        EXPECT_TRUE(row.key.isVisible()) << row.name;
    }

    // The one unused matrix position is neither styled nor on the canvas.
    EXPECT_FALSE(editor->matrixKeys[22].isVisible());
    EXPECT_EQ(editor->matrixKeys[22].getParentComponent(), nullptr);
    EXPECT_TRUE(editor->matrixKeys[22].getLine1().isEmpty());

    // The option keys and BUZZER toggle; the option keys follow their parameters.
    for (auto* key : {&editor->vintageKey, &editor->delaySyncKey, &editor->pingPongKey, &editor->buzzerKey})
        EXPECT_TRUE(key->getClickingTogglesState());

    processor.parameters().getParameter("pingPong")->setValueNotifyingHost(1.0f);
    EXPECT_TRUE(editor->pingPongKey.getToggleState());
}

TEST_F(EditorFixture, StartStateOfDisplaysLampsAndFields)
{
    // The displays read the parameters from the moment the editor opens: decay 58 (5.9 s), output 1.2,
    // predelay 18, dry/wet 50.
    const char* texts[] = {"5.9", "1.20", "018", "50"};

    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(editor->displays[i].getText(), texts[i]) << i;
        // A display takes the mouse for its tooltip (the editor hears its double-clicks), never the keyboard.
        EXPECT_FALSE(editor->displays[i].getMouseClickGrabsKeyboardFocus()) << "display " << i;
    }

    const int kinds[] = {1, 1, 1, 0};
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(editor->headroomLamps[i].getKind(), kinds[i]) << i;
        EXPECT_FALSE(editor->headroomLamps[i].isOn()) << i;
    }

    EXPECT_EQ(editor->selectedParam, "decay");
    EXPECT_FLOAT_EQ(editor->selectedStep, 1.0f);
    EXPECT_TRUE(editor->entryBuffer.isEmpty() && editor->memoryMode.isEmpty() && editor->categoryCaption.isEmpty());

    // The entry box is on the canvas but hidden until a mouse entry opens it, so that it cannot take the keyboard.
    EXPECT_TRUE(editor->entryBox.getBounds().isEmpty());
    EXPECT_FALSE(editor->entryBox.isVisible());
    EXPECT_EQ(editor->entryBox.getParentComponent(), &editor->canvas);

    EXPECT_NE(editor->wordmark, nullptr);
    EXPECT_TRUE(editor->dnaLabel.getText().isEmpty());
    editor->timerCallback();
    EXPECT_EQ(editor->dnaLabel.getText(), "CIRCUIT DNA 7F2C91A0");
    EXPECT_TRUE(editor->isTimerRunning());
}

TEST_F(EditorFixture, ClicksOnTheBareCanvasReachTheEditorAndControlsTakeTheirOwn)
{
    editor->setVisible(true); // as in a host window; hit tests skip hidden components
    // At 960 wide one design unit is 960 / 1344 of a pixel.
    const auto s = 960.0f / 1344.0f;
    const auto at = [s](float x, float y) { return juce::Point<float>(x * s, y * s).toInt(); };

    // The displays take the mouse for their tooltips; the editor, listening to the whole canvas, hears their
    // double-clicks (DataEntry tests).
    EXPECT_EQ(editor->getComponentAt(at(116.0f, 132.0f)), &editor->displays[0]) << "on the decay display";
    EXPECT_EQ(editor->getComponentAt(at(596.0f, 132.0f)), &editor->displays[3]) << "on the dry/wet display";
    EXPECT_EQ(editor->getComponentAt(at(700.0f, 300.0f)), editor.get()) << "between the sub-panels";
    EXPECT_EQ(editor->getComponentAt(at(1256.0f, 48.0f)), &editor->buzzerKey) << "keys take their own clicks";
    EXPECT_EQ(editor->getComponentAt(at(636.0f, 608.0f)), &editor->matrixKeys[23]);
}

TEST(EditorProgramName, ShowsTheCurrentProgramOrInit)
{
    VornReverbAudioProcessor processor;
    auto& manager = processor.presetManager;
    ASSERT_FALSE(manager.entries.empty());

    struct Row
    {
        int current;
        bool emptyList;
        juce::String expected;
    };

    const auto last = manager.entries.back().name;
    const Row rows[] = {
        {-1, false, "Init"},
        {0, false, manager.entries[0].name},
        {100000, false, last}, // beyond the list: the last entry
        {3, true, "Init"},     // a list without entries has nothing to name
    };

    const auto allEntries = manager.entries;

    for (const auto& row : rows)
    {
        manager.entries = row.emptyList ? decltype(allEntries){} : allEntries;
        manager.current = row.current;
        Editor editor(processor);
        EXPECT_EQ(editor.programName.getText(), row.expected) << "current " << row.current;
    }
}

TEST(EditorLookAndFeel, IsTheDefaultWhileTheEditorExists)
{
    auto* before = &juce::LookAndFeel::getDefaultLookAndFeel();
    VornReverbAudioProcessor processor;

    // A face resolved before any editor exists comes through the platform (the families are not installed).
    juce::Typeface::clearTypefaceCache();
    const auto earlyFace = juce::Font(vorn::type::sans(12.0f, 600)).getTypefacePtr();
    ASSERT_NE(earlyFace, nullptr);

    {
        auto first = std::make_unique<Editor>(processor);
        EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(), &first->lookAndFeel);
        EXPECT_EQ(&first->getLookAndFeel(), &first->lookAndFeel);
        EXPECT_EQ(&first->buzzerKey.getLookAndFeel(), &first->lookAndFeel);

        const auto face = juce::Font(vorn::type::sans(12.0f, 600)).getTypefacePtr();
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->getName(), "IBM Plex Sans");
        EXPECT_EQ(face->getStyle(), "Medium");

        // A second editor takes over; closing the first must not take the typefaces from the second.
        auto second = std::make_unique<Editor>(processor);
        EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(), &second->lookAndFeel);
        first.reset();
        EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(), &second->lookAndFeel);
        second.reset();
    }

    EXPECT_EQ(&juce::LookAndFeel::getDefaultLookAndFeel(), before);
}

TEST_F(EditorFixture, OverlaysOpenCentredAndClose)
{
    editor->setVisible(true); // keys only press while showing
    struct Overlay
    {
        const char* name;
        std::function<void()> toggle;
        std::function<juce::Component*()> get;
        std::function<void()> close;
        vorn_panel::PanelKey& key;
    };

    const Overlay overlays[] = {
        {"browser", [this] { editor->toggleBrowser(); }, [this] { return editor->browser.get(); },
         [this] { editor->browser->onClose(); }, editor->browseKey},
        {"curves", [this] { editor->toggleCurves(); }, [this] { return editor->curves.get(); },
         [this] { editor->curves->onClose(); }, editor->curvesKey},
    };

    for (const auto& o : overlays)
    {
        o.toggle();
        ASSERT_NE(o.get(), nullptr) << o.name;
        EXPECT_EQ(o.get()->getParentComponent(), &editor->canvas) << o.name;
        EXPECT_EQ(o.get()->getBounds(), juce::Rectangle<int>(332, 116, 680, 440)) << o.name;
        EXPECT_TRUE(o.key.isLedOn()) << o.name;

        editor->setSize(2016, 1008);
        EXPECT_EQ(o.get()->getBounds(), juce::Rectangle<int>(332, 116, 680, 440)) << o.name;

        o.toggle();
        EXPECT_EQ(o.get(), nullptr) << o.name;
        EXPECT_FALSE(o.key.isLedOn()) << o.name;

        o.toggle();
        o.close(); // the overlay's own close goes the same way
        EXPECT_EQ(o.get(), nullptr) << o.name;
        EXPECT_FALSE(o.key.isLedOn()) << o.name;
    }

    // The CURVES and BROWSE keys open and close them the same way.
    for (auto* key : {&editor->curvesKey, &editor->browseKey})
    {
        for (const bool expectOpen : {true, false})
        {
            key->mouseDown(vorn_test::mouseAt(*key, {10, 10}));
            key->mouseUp(vorn_test::mouseAt(*key, {10, 10}));
            const bool open = key == &editor->curvesKey ? editor->curves != nullptr : editor->browser != nullptr;
            EXPECT_EQ(open, expectOpen);
            EXPECT_EQ(key->isLedOn(), expectOpen);
        }
    }

    // Closing the editor with both overlays open takes them along.
    editor->toggleBrowser();
    editor->toggleCurves();
    editor.reset();
}

TEST(EditorSnapshot, WholePanel)
{
    VornReverbAudioProcessor processor;

    for (const int width : {960, 672})
    {
        Editor editor(processor);
        editor.setSize(width, width / 2);
        editor.timerCallback();
        vorn_test::expectMatchesSnapshot(editor.createComponentSnapshot(editor.getLocalBounds(), true, 1.0f),
                                         "editor_" + juce::String(width));
    }
}

TEST(EditorSnapshot, CategoryCaptionIsEngravedAtTheRight)
{
    VornReverbAudioProcessor processor;
    Editor editor(processor);
    editor.setSize(1344, 672);
    const juce::Rectangle<int> captionArea(1040, 96, 168, 16);

    const auto without = editor.createComponentSnapshot(captionArea, true, 1.0f);
    editor.categoryCaption = "REV+DELAY";
    const auto with = editor.createComponentSnapshot(captionArea, true, 1.0f);

    EXPECT_GT(vorn_test::meanPixelDifference(without, with), 1.0);
    vorn_test::expectMatchesSnapshot(with, "editor_caption");
}
} // namespace
