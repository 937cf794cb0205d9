#include "editor/PluginEditor.h"

#include "VornBinaryData.h"
#include "editor/MatrixTable.h"
#include "panel/Palette.h"
#include "panel/Type.h"

#include <utility>

namespace
{
using vorn_panel::KeyClass;

constexpr int kRefreshHz = 20;
constexpr int kFirstWidth = 960; // the panel's size the first time a user opens it
constexpr int kRepeatDelayMs = 350;
constexpr int kRepeatIntervalMs = 70;

// The tone selector legends, as printed above each group of four keys.
constexpr const char* kLowCutLegends[] = {"30", "50", "100", "200"};
constexpr const char* kHighCutLegends[] = {"2.5k", "5k", "10k", "13k"};
constexpr const char* kRtLowLegends[] = {"x0.5", "x1.0", "x1.5", "x2.0"};
constexpr const char* kRtHighLegends[] = {"x0.25", "x0.33", "x0.5", "x1.0"};

struct TwoLineLegend
{
    const char* line1;
    const char* line2;
};

constexpr TwoLineLegend kModeLegends[] = {{"ECHO", "1"}, {"ECHO", "2"}, {"DELAY", "1"}, {"DELAY", "2"}};
constexpr const char* kProgramLetters[] = {"A", "B", "C", "D"};

// The displays' texts before the first refresh: decay, level, delay, dry/wet.
constexpr const char* kDisplayStartTexts[] = {"4.3", "1.18", "018", "50"};

// Headroom lamps 0 to 2 are green, the top one red.
constexpr int kGreenLamp = 1;
constexpr int kRedLamp = 0;
} // namespace

VornReverbAudioProcessorEditor::VornReverbAudioProcessorEditor(VornReverbAudioProcessor& owner)
    : AudioProcessorEditor(owner)
    , canvas(*this)
    , processorRef(owner)
    , inMeter(&owner.inputLevelDb, "IN")
    , outMeter(&owner.outputLevelDb, "OUT")
    , headroomLamps{vorn_panel::Lamp(kGreenLamp), vorn_panel::Lamp(kGreenLamp), vorn_panel::Lamp(kGreenLamp),
                    vorn_panel::Lamp(kRedLamp)}
{
    installLookAndFeel();
    // Clicks on the bare canvas (and on the displays, which let them through) reach the editor itself.
    canvas.setInterceptsMouseClicks(false, true);
    addAndMakeVisible(canvas);

    wordmark = juce::Drawable::createFromImageData(VornBinaryData::oskvar_wordmark_svg,
                                                   static_cast<size_t>(VornBinaryData::oskvar_wordmark_svgSize));

    setResizable(true, true);
    applyAspectConstraint();
    setSize(kFirstWidth, kFirstWidth / 2);

    // A user who enlarged the panel once keeps it: every editor opens at the width last chosen in a window.
    if (const auto width = vorn::PanelSizeMemory::recallWidth(kFirstWidth, kDesignWidth / 2, kDesignWidth * 3 / 2);
        width != kFirstWidth)
        setSize(width, width / 2);

    // The editor itself takes the keyboard, so that the computer keyboard plays the keypad; the text fields take
    // it only when clicked.
    setWantsKeyboardFocus(true);

    // The displays and lamps take mouse events for their tooltips; the editor hears every press and double-click
    // on the canvas (mouseDown, mouseDoubleClick), but none of them takes the keyboard from the keypad.
    for (size_t i = 0; i < displays.size(); ++i)
    {
        displays[i].setText(kDisplayStartTexts[i]);
        displays[i].setMouseClickGrabsKeyboardFocus(false);
        canvas.addAndMakeVisible(displays[i]);
    }

    for (auto& lamp : headroomLamps)
    {
        lamp.setMouseClickGrabsKeyboardFocus(false);
        canvas.addAndMakeVisible(lamp);
    }

    entryBox.setVisible(false);
    entryBox.setJustification(juce::Justification::centred);
    entryBox.setInputRestrictions(6, "0123456789.-");
    entryBox.setColour(juce::TextEditor::backgroundColourId, juce::Colour(0xff2f2020));
    entryBox.setColour(juce::TextEditor::textColourId, juce::Colour(0xffff4b32));
    entryBox.setColour(juce::TextEditor::outlineColourId, juce::Colour(0xffefa72c));
    entryBox.setFont(vorn::type::mono(24.0f, 500));
    wireEntryBox();
    // Hidden until a mouse entry opens it: a box that could be seen by the focus system without being seen by
    // the user would take the keyboard and enter what was typed into nothing.
    canvas.addChildComponent(entryBox);

    styleKey(buzzerKey, KeyClass::buzzer, "BUZZER", {}, {});
    buzzerKey.setClickingTogglesState(true);

    programName.setMultiLine(false, false);
    programName.setFont(vorn::type::sans(16.0f, 400));
    programName.setJustification(juce::Justification::centredLeft);
    programName.setColour(juce::TextEditor::backgroundColourId, juce::Colour(0xff17181a));
    programName.setColour(juce::TextEditor::textColourId, juce::Colour(0xffe8e4d8));
    programName.setColour(juce::TextEditor::outlineColourId, juce::Colour(0xff2a2b2e));
    programName.setColour(juce::TextEditor::highlightColourId, juce::Colour(0xff3d5a3f));
    programName.setText(programNameFor(processorRef.presetManager), juce::dontSendNotification);
    // Return or Escape ends typing a name and gives the keyboard back to the keypad.
    programName.onReturnKey = [this] { takeKeyboardFocusForKeypad(); };
    programName.onEscapeKey = [this] { takeKeyboardFocusForKeypad(); };
    canvas.addAndMakeVisible(programName);

    styleKey(prevKey, KeyClass::functionKey, "PREV", {}, {});
    styleKey(nextKey, KeyClass::functionKey, "NEXT", {}, {});
    styleKey(saveKey, KeyClass::functionKey, "SAVE", {}, {});
    prevKey.onClick = [this] { stepPreset(-1); };
    nextKey.onClick = [this] { stepPreset(+1); };
    saveKey.onClick = [this] { saveProgram(); };

    styleKey(curvesKey, KeyClass::functionKey, "CURVES", {}, {});
    curvesKey.onClick = [this] { toggleCurves(); };
    for (auto* meter : {&inMeter, &outMeter})
    {
        meter->setMouseClickGrabsKeyboardFocus(false);
        canvas.addAndMakeVisible(*meter);
    }
    styleKey(browseKey, KeyClass::functionKey, "BROWSE", {}, {});
    browseKey.onClick = [this] { toggleBrowser(); };

    buildKeys();

    dnaLabel.setColour(juce::Label::textColourId, vorn::pal::kLegend);
    dnaLabel.setFont(vorn::type::mono(8.5f, 400));
    dnaLabel.setJustificationType(juce::Justification::centredLeft);
    dnaLabel.setMouseClickGrabsKeyboardFocus(false);
    canvas.addAndMakeVisible(dnaLabel);

    auto& state = processorRef.parameters();
    styleKey(vintageKey, KeyClass::functionKey, "VINTAGE OUT - OFF", {}, {});
    vintageKey.setClickingTogglesState(true);
    vintageAttachment =
        std::make_unique<juce::AudioProcessorValueTreeState::ButtonAttachment>(state, "vintageConv", vintageKey);
    styleKey(delaySyncKey, KeyClass::functionKey, "DELAY SYNC - OFF", {}, {});
    delaySyncKey.setClickingTogglesState(true);
    delaySyncAttachment =
        std::make_unique<juce::AudioProcessorValueTreeState::ButtonAttachment>(state, "delaySync", delaySyncKey);
    styleKey(pingPongKey, KeyClass::functionKey, "PING-PONG - OFF", {}, {});
    pingPongKey.setClickingTogglesState(true);
    pingPongAttachment =
        std::make_unique<juce::AudioProcessorValueTreeState::ButtonAttachment>(state, "pingPong", pingPongKey);

    askMemoryName = askMemoryNameInAlertWindow;
    describeControls();

    // Presses on every control reach mouseDown too, after the control's own handling.
    canvas.addMouseListener(this, true);

    // Everything the panel shows is read back from the parameters, now and on every tick.
    updateDreDisplays();
    startTimerHz(kRefreshHz);
}

VornReverbAudioProcessorEditor::~VornReverbAudioProcessorEditor()
{
    stopTimer();
    canvas.removeMouseListener(this);
    rememberChosenWidth();
    releaseLookAndFeel();
}

void VornReverbAudioProcessorEditor::rememberChosenWidth()
{
    if (widthToRemember > 0)
        vorn::PanelSizeMemory::rememberWidth(std::exchange(widthToRemember, 0));
}

void VornReverbAudioProcessorEditor::buildKeys()
{
    const auto styleSelectors = [this](std::array<vorn_panel::PanelKey, 4>& keys, const char* const(&legends)[4])
    {
        for (size_t i = 0; i < keys.size(); ++i)
            styleKey(keys[i], KeyClass::selector, legends[i], {}, {});
    };

    styleSelectors(lowCutKeys, kLowCutLegends);
    styleSelectors(highCutKeys, kHighCutLegends);
    styleSelectors(rtLowKeys, kRtLowLegends);
    styleSelectors(rtHighKeys, kRtHighLegends);
    wireToneAndOptionKeys();

    const auto& table = vorn::matrixTable();

    for (size_t i = 0; i < matrixKeys.size(); ++i)
    {
        const auto& slot = table[i];

        if (juce::String(slot.paramId).isEmpty())
        {
            matrixKeys[i].setVisible(false); // the one unused position stays bare
            continue;
        }

        styleKey(matrixKeys[i], slot.keyClass, slot.line1, slot.line2, slot.rangeText);
        wireMatrixKey(matrixKeys[i], slot);
    }

    for (size_t i = 0; i < programKeys.size(); ++i)
    {
        styleKey(programKeys[i], KeyClass::reverbProgram, kProgramLetters[i], "REVERB", {});
        bindPresetButton(programKeys[i], static_cast<int>(i));
    }

    for (size_t i = 0; i < modeKeys.size(); ++i)
    {
        styleKey(modeKeys[i], KeyClass::echoProgram, kModeLegends[i].line1, kModeLegends[i].line2, {});
        modeKeys[i].onClick = [this, mode = static_cast<int>(i) + 1] { pressModeKey(mode); };
    }

    // WRITE and READ arm a memory operation; the digit and ENTER that follow name the slot.
    const auto armMemory = [this](const char* operation)
    {
        memoryMode = operation;
        entryBuffer.clear();
        updateDreDisplays();
    };

    // Their LEDs show an armed operation, so that the digit that follows is not taken for a value.
    styleKey(writeKey, KeyClass::memoryWrite, "WRITE", {}, {});
    writeKey.setLedFitted(true);
    writeKey.onClick = [armMemory] { armMemory("write"); };
    styleKey(readKey, KeyClass::memoryNav, "READ", {}, {});
    readKey.setLedFitted(true);
    readKey.onClick = [armMemory] { armMemory("read"); };

    styleKey(upKey, KeyClass::memoryNav, "UP", {}, {});
    upKey.onClick = [this] { nudgeSelected(+1.0f); };
    styleKey(downKey, KeyClass::memoryNav, "DOWN", {}, {});
    downKey.onClick = [this] { nudgeSelected(-1.0f); };

    // Held, UP and DOWN repeat: first after 350 ms, then every 70 ms.
    for (auto* key : {&upKey, &downKey})
        key->setRepeatSpeed(kRepeatDelayMs, kRepeatIntervalMs, kRepeatIntervalMs);

    for (size_t d = 0; d < digitKeys.size(); ++d)
    {
        const juce::String digit(static_cast<int>(d));
        styleKey(digitKeys[d], KeyClass::digit, digit, {}, {});
        digitKeys[d].onClick = [this, digit] { appendKey(digit); };
    }

    styleKey(pointKey, KeyClass::digit, ".", {}, {});
    pointKey.onClick = [this] { appendKey("."); };
    styleKey(enterKey, KeyClass::enter, "ENTER", {}, {});
    enterKey.onClick = [this] { commitEntry(); };
}

juce::String VornReverbAudioProcessorEditor::programNameFor(const vorn::PresetManager& manager)
{
    // An empty list has no entry to name, whatever `current` says.
    if (manager.current < 0 || manager.entries.empty())
        return "Init";

    const auto last = static_cast<int>(manager.entries.size()) - 1;
    return manager.entries[static_cast<size_t>(juce::jmin(manager.current, last))].name;
}

void VornReverbAudioProcessorEditor::styleKey(vorn_panel::PanelKey& key, vorn_panel::KeyClass keyClass,
                                              const juce::String& line1, const juce::String& line2,
                                              const juce::String& cornerText)
{
    key.setKeyClass(keyClass);
    key.setLines(line1, line2);

    if (cornerText.isNotEmpty())
        key.setCornerText(cornerText);

    canvas.addAndMakeVisible(key);
}

void VornReverbAudioProcessorEditor::applyAspectConstraint()
{
    setResizeLimits(kDesignWidth / 2, kDesignHeight / 2, kDesignWidth * 3 / 2, kDesignHeight * 3 / 2);

    if (auto* bounds = getConstrainer())
        bounds->setFixedAspectRatio(2.0);
}

void VornReverbAudioProcessorEditor::timerCallback()
{
    rememberChosenWidth();
    claimKeyboardOnceShown();
    updateDreDisplays();
    updateHeadroomLamps();
    dnaLabel.setText(juce::String("CIRCUIT DNA ") + VornReverbAudioProcessor::kUnitId, juce::dontSendNotification);
}

void VornReverbAudioProcessorEditor::toggleCurves()
{
    if (curves != nullptr)
    {
        curves.reset();

        if (curvesKey.isLedOn())
            curvesKey.setLed(false);

        return;
    }

    curves = std::make_unique<vorn::CurvePanel>(processorRef.parameters());
    curves->onClose = [this] { toggleCurves(); };
    curves->setBounds(overlayBounds());
    canvas.addAndMakeVisible(*curves);
    curves->toFront(true);
    curvesKey.setLed(true);
}

void VornReverbAudioProcessorEditor::toggleBrowser()
{
    if (browser != nullptr)
    {
        browser.reset();

        if (browseKey.isLedOn())
            browseKey.setLed(false);

        return;
    }

    browser = std::make_unique<vorn::PresetBrowser>(processorRef.presetManager);
    browser->onClose = [this] { toggleBrowser(); };
    // A program loaded here is a program of the list PREV and NEXT walk: the program row follows it.
    browser->onProgramLoaded = [this] { showCurrentProgram(); };
    browser->setBounds(overlayBounds());
    canvas.addAndMakeVisible(*browser);
    browser->toFront(true);
    browseKey.setLed(true);
}

void VornReverbAudioProcessorEditor::installLookAndFeel()
{
    setLookAndFeel(&lookAndFeel);

    // The framework asks its default look-and-feel for typefaces, not the look-and-feel of the component that
    // draws, so ours has to be the default while this editor exists.
    previousDefaultLookAndFeel = &juce::LookAndFeel::getDefaultLookAndFeel();
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);

    // Faces resolved before (through the platform, as fallbacks for fonts that are not installed) would
    // otherwise be served from the framework's typeface cache instead of the embedded ones.
    juce::Typeface::clearTypefaceCache();
}

void VornReverbAudioProcessorEditor::releaseLookAndFeel()
{
    setLookAndFeel(nullptr);

    // Only hand back what we took: another editor may have become the default after this one.
    if (&juce::LookAndFeel::getDefaultLookAndFeel() == &lookAndFeel)
        juce::LookAndFeel::setDefaultLookAndFeel(previousDefaultLookAndFeel.get());
}

juce::AudioProcessorEditor* VornReverbAudioProcessor::createEditor()
{
    return new VornReverbAudioProcessorEditor(*this);
}
