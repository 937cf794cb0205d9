#pragma once

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

    void paint(juce::Graphics& g) override;
    void resized() override;

    /** The 20 Hz refresh of everything the panel reads back from the processor. */
    void timerCallback() override;

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
    std::unique_ptr<juce::AudioProcessorValueTreeState::ButtonAttachment> vintageAttachment, delaySyncAttachment,
        pingPongAttachment;

private:
    /** The framework's default look-and-feel before this editor made its own the default. */
    juce::WeakReference<juce::LookAndFeel> previousDefaultLookAndFeel;

    void installLookAndFeel();
    void releaseLookAndFeel();
    void buildKeys();
    juce::Rectangle<int> overlayBounds() const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VornReverbAudioProcessorEditor)
};
