#pragma once

#include "editor/MatrixTable.h"
#include "editor/PanelSizeMemory.h"
#include "panel/CurvePanel.h"
#include "panel/Lamp.h"
#include "panel/PanelKey.h"
#include "panel/PeakMeter.h"
#include "panel/PresetBrowser.h"
#include "panel/SegDisplay.h"
#include "panel/VornLookAndFeel.h"
#include "plugin/PluginProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <functional>
#include <memory>

/** The front panel of the unit. Every control lives on one canvas of 1344 x 672 design units, which is scaled as
    a whole to the editor's size, so no layout arithmetic depends on the window.

    The widgets are public so that tests and tools can operate the panel as a user would. */
class VornReverbAudioProcessorEditor : public juce::AudioProcessorEditor, public juce::Timer
{
public:
    static constexpr int kDesignWidth = 1344;
    static constexpr int kDesignHeight = 672;

    explicit VornReverbAudioProcessorEditor(VornReverbAudioProcessor& owner);
    ~VornReverbAudioProcessorEditor() override;

    /** A double-click on one of the four displays opens the mouse-entry box over it. */
    void mouseDoubleClick(const juce::MouseEvent& event) override;

    /** A press anywhere on the panel, on the bare surface or on any control (the editor listens to the whole
        canvas): it ends a mouse entry that is open elsewhere and gives the keyboard back to the keypad. */
    void mouseDown(const juce::MouseEvent& event) override;

    /** The computer keyboard plays the keypad: digits and ".", Return, Backspace, Escape and the Up and Down
        arrows. Other keys are left to the host. */
    bool keyPressed(const juce::KeyPress& key) override;

    void paint(juce::Graphics& g) override;
    void resized() override;

    /** The 20 Hz refresh of everything the panel reads back from the processor. */
    void timerCallback() override;

    //==================================================================================================================
    // Parameter matrix and data entry

    /** The editor's only way to change a parameter: one host gesture, clamped and snapped by the parameter, then a
        panel refresh. Unknown identifiers and values that are not finite change nothing. */
    void setFloatParam(const juce::String& id, float value);

    /** A parameter's value in real units, or 0 for an identifier that names none. */
    float currentParamValue(const juce::String& id) const;

    /** The matrix row of a parameter, or null; the empty identifier names the unused position. */
    static const vorn::MatrixSlot* slotFor(const juce::String& id);

    /** Selects a parameter for keypad entry, UP, DOWN and the displays; a half-typed entry is discarded. */
    void selectEditableParam(const juce::String& id, float step);

    /** A keypad digit or point: up to six characters with one point, or one digit while a memory key is armed. */
    void appendKey(const juce::String& key);

    /** ENTER: the keyed value goes to the selected parameter, or the digit names a memory slot. */
    void commitEntry();

    /** UP (+1) and DOWN (-1): moves the selected parameter by its step. */
    void nudgeSelected(float direction);

    /** Opens the entry box over the display of `id`, filled with its value and selected for overtyping. */
    void showMouseEntry(const juce::String& id, float step);

    /** True while the entry box is open for a parameter. */
    bool isMouseEntryOpen() const;

    /** Closes the entry box without entering anything. */
    void cancelMouseEntry();

    /** Backspace: takes the last keyed character back. */
    void removeLastKey();

    /** Escape: discards what was keyed and an armed WRITE or READ. */
    void discardPendingEntry();

    //==================================================================================================================
    // Effect modes, gating, lamps and displays

    /** Sets "effectMode" and the values the mode starts from. */
    void setEffectMode(int mode);

    /** The action of ECHO 1, ECHO 2, DELAY 1 and DELAY 2 (modes 1 to 4). */
    void pressModeKey(int mode);

    /** True for the echo controls that do nothing in the current effect mode. */
    bool isEchoControlGated(const juce::String& id) const;

    /** Displays and option legends from the parameters and the entry, then every LED and gate. */
    void updateDreDisplays();

    /** Every key LED and every matrix key's gate. */
    void updateLamps();

    /** The headroom lamps from the input peak held since the last tick. */
    void updateHeadroomLamps();

    //==================================================================================================================
    // Memory slots

    /** The parameters a memory slot holds, in the order they are written and recalled. */
    static const juce::StringArray& allParamIds();

    /** Writes every parameter's value and the name into slot `slot` of the plug-in state. */
    void storeMemorySlot(int slot, const juce::String& name);

    /** Sets every parameter the slot holds; a slot never written changes nothing. */
    void recallMemorySlot(int slot);

    /** The slot's name, or "EMPTY n" for a slot never written. */
    juce::String memorySlotName(int slot) const;

    /** Answers the naming question: `result` is 1 for SAVE and 0 for CANCEL, `name` the text typed. */
    using NameAnswer = std::function<void(int result, const juce::String& name)>;

    /** Puts the naming question for a memory slot on the screen, prefilled, and answers later. The panel opens the
        framework's alert window, which needs a desktop; a panel operated without one (tests) answers here itself. */
    std::function<void(const juce::String& prefilledName, NameAnswer answer)> askMemoryName;

    /** The framework's asynchronous alert window for the naming question. */
    static void askMemoryNameInAlertWindow(const juce::String& prefilledName, NameAnswer answer);

    //==================================================================================================================
    // Program keys and stepping

    /** Makes the key set character program `index` with its reverb values. */
    void bindPresetButton(vorn_panel::PanelKey& key, int index);

    /** The program key action for character program `index` (0 to 3, A to D). */
    void pressProgramKey(int index);

    /** PREV (-1) and NEXT (+1) through the whole program list. */
    void stepPreset(int delta);

    /** SAVE: the current setting as a user preset under the name in the name field. */
    void saveProgram();

    /** The name field and the category caption show the program list's current entry. */
    void showCurrentProgram();

    /** Gives a key its class and legends and puts it on the canvas. */
    void styleKey(vorn_panel::PanelKey& key, vorn_panel::KeyClass keyClass, const juce::String& line1,
                  const juce::String& line2, const juce::String& cornerText);

    /** Resize limits 672 x 336 to 2016 x 1008 and, with a bounds constrainer, a fixed aspect ratio of 2. */
    void applyAspectConstraint();

    /** The name field's text for the program list's current entry: "Init" when there is none. */
    static juce::String programNameFor(const vorn::PresetManager& manager);

    /** Open or close the curve overlay and the preset browser. */
    void toggleCurves();
    void toggleBrowser();

    /** The design surface; its paint is the panel artwork. */
    class Canvas : public juce::Component
    {
    public:
        explicit Canvas(VornReverbAudioProcessorEditor& owner);
        ~Canvas() override;

        void paint(juce::Graphics& g) override;

    private:
        VornReverbAudioProcessorEditor& editor;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(Canvas)
    };

    /** Panel artwork. */
    void drawSubPanel(juce::Graphics& g, juce::Rectangle<int> r) const;
    void drawEngraved(juce::Graphics& g, const juce::String& text, juce::Rectangle<int> r,
                      juce::Justification justification, float size) const;
    void paintCanvas(juce::Graphics& g);

    // Declaration order is construction order; teardown runs the other way.
    Canvas canvas;
    VornReverbAudioProcessor& processorRef;
    juce::String selectedParam{"decay"};
    juce::String entryBuffer;
    juce::String memoryMode;
    float selectedStep = 1.0f;
    juce::String mouseEntryParam;
    float headroomLevel = 0.0f;
    std::array<vorn_panel::PanelKey, 4> lowCutKeys, highCutKeys, rtLowKeys, rtHighKeys;
    std::array<vorn_panel::PanelKey, 24> matrixKeys;
    std::array<vorn_panel::PanelKey, 4> programKeys;
    std::array<vorn_panel::PanelKey, 4> modeKeys;
    vorn_panel::PanelKey writeKey, readKey, upKey, downKey;
    std::array<vorn_panel::PanelKey, 10> digitKeys;
    vorn_panel::PanelKey pointKey;
    vorn_panel::PanelKey enterKey;
    vorn_panel::PanelKey vintageKey, delaySyncKey, pingPongKey;
    vorn_panel::PanelKey buzzerKey;
    VornLookAndFeel lookAndFeel;
    std::unique_ptr<juce::Drawable> wordmark;
    juce::TextEditor programName;
    vorn_panel::PanelKey prevKey, nextKey, saveKey, browseKey;
    std::unique_ptr<vorn::PresetBrowser> browser;
    std::unique_ptr<vorn::CurvePanel> curves;
    vorn_panel::PanelKey curvesKey;
    vorn::PeakMeter inMeter, outMeter;
    juce::String categoryCaption;
    std::array<vorn_panel::Lamp, 4> headroomLamps;
    std::array<vorn_panel::SegDisplay, 4> displays;
    juce::TextEditor entryBox;
    juce::Label dnaLabel;
    juce::TooltipWindow tooltipWindow{this};
    std::unique_ptr<juce::AudioProcessorValueTreeState::ButtonAttachment> vintageAttachment, delaySyncAttachment,
        pingPongAttachment;

private:
    /** The framework's default look-and-feel before this editor made its own the default. */
    juce::WeakReference<juce::LookAndFeel> previousDefaultLookAndFeel;

    /** The width the user last gave the panel in a window, kept on the next tick (and when the editor closes)
        rather than on every step of a drag. */
    int widthToRemember = 0;
    void rememberChosenWidth();

    /** Set once the panel has taken the keyboard in its window for the first time. */
    bool keyboardClaimed = false;
    void claimKeyboardOnceShown();

    void installLookAndFeel();
    void releaseLookAndFeel();
    void buildKeys();
    void wireEntryBox();
    void wireToneAndOptionKeys();
    void wireMatrixKey(vorn_panel::PanelKey& key, const vorn::MatrixSlot& slot);
    void openNamingDialog(int slot);
    void describeControls();
    void closeEntryBox();
    void takeKeyboardFocusForKeypad();
    bool isInOverlay(const juce::Component* component) const;
    int currentWholeValue(const juce::String& id) const;
    juce::Rectangle<int> overlayBounds() const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VornReverbAudioProcessorEditor)
};
