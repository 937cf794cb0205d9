#include "editor/PluginEditor.h"

#include "panel/Palette.h"
#include "panel/Type.h"

namespace
{
struct TitledPanel
{
    juce::Rectangle<int> panel;
    const char* title;
    juce::Rectangle<int> titleBox;
};

// The filter and decay-range block; two of the titles keep three spaces before their unit.
const TitledPanel kToneBlock[] = {
    {{24, 192, 328, 88}, "LOW CUT   Hz", {40, 198, 296, 16}},
    {{360, 192, 328, 88}, "HIGH CUT   Hz", {376, 198, 296, 16}},
    {{24, 296, 328, 88}, "RT LOW FREQ RANGE", {40, 302, 296, 16}},
    {{360, 296, 328, 88}, "RT HIGH FREQ RANGE", {376, 302, 296, 16}},
};

constexpr const char* kDisplayTitles[] = {"SEC", "LEVEL", "DELAY", "DRY / WET"};
constexpr int kDisplayPanelX[] = {40, 200, 360, 520};

// xLeft | yTop | onlyReduceInSize: the wordmark keeps its proportions and is only ever shrunk to fit.
const juce::RectanglePlacement kWordmarkPlacement(juce::RectanglePlacement::xLeft | juce::RectanglePlacement::yTop |
                                                  juce::RectanglePlacement::onlyReduceInSize);
} // namespace

VornReverbAudioProcessorEditor::Canvas::Canvas(VornReverbAudioProcessorEditor& owner) : editor(owner) {}

VornReverbAudioProcessorEditor::Canvas::~Canvas() = default;

void VornReverbAudioProcessorEditor::Canvas::paint(juce::Graphics& g)
{
    editor.paintCanvas(g);
}

void VornReverbAudioProcessorEditor::paint(juce::Graphics& g)
{
    g.fillAll(juce::Colours::black);
}

void VornReverbAudioProcessorEditor::drawSubPanel(juce::Graphics& g, juce::Rectangle<int> r) const
{
    const auto f = r.toFloat();
    g.setColour(vorn::pal::kPanelRaised);
    g.fillRoundedRectangle(f, 6.0f);

    g.setColour(vorn::pal::kLine);
    g.drawRoundedRectangle(f.getX() + 0.5f, f.getY() + 0.5f, juce::jmax(f.getWidth() - 1.0f, 0.0f),
                           juce::jmax(f.getHeight() - 1.0f, 0.0f), 6.0f, 1.0f);

    g.setColour(juce::Colours::white.withAlpha(0.05f));
    g.drawLine(f.getX() + 7.0f, f.getY() + 1.5f, f.getRight() - 7.0f, f.getY() + 1.5f, 1.0f);
}

void VornReverbAudioProcessorEditor::drawEngraved(juce::Graphics& g, const juce::String& text, juce::Rectangle<int> r,
                                                  juce::Justification justification, float size) const
{
    // A light copy one unit below the grey text gives the legend its cut-in look.
    g.setFont(vorn::type::mono(size, 400));
    g.setColour(juce::Colours::white.withAlpha(0.55f));
    g.drawText(text, r.translated(0, 1), justification, false);
    g.setColour(vorn::pal::kLegend);
    g.drawText(text, r, justification, false);
}

void VornReverbAudioProcessorEditor::paintCanvas(juce::Graphics& g)
{
    g.setGradientFill(juce::ColourGradient(vorn::pal::kPanel.brighter(0.05f), 0.0f, 0.0f,
                                           vorn::pal::kPanel.darker(0.06f), 0.0f, static_cast<float>(kDesignHeight),
                                           false));
    g.fillRect(0, 0, kDesignWidth, kDesignHeight);

    drawSubPanel(g, {24, 24, 1296, 48});

    if (wordmark != nullptr)
        wordmark->drawWithin(g, {40.0f, 31.0f, 55.0f, 20.0f}, kWordmarkPlacement, 1.0f);

    g.setFont(vorn::type::mono(9.5f, 400));
    g.setColour(vorn::pal::kLegend);
    g.drawText(vorn::type::tracked("VORN 77"), juce::Rectangle<int>(40, 54, 220, 11), juce::Justification::topLeft,
               false);

    drawEngraved(g, "HEADROOM", {366, 32, 130, 16}, juce::Justification::centredRight, 9.0f);

    for (size_t i = 0; i < 4; ++i)
    {
        const auto x = kDisplayPanelX[i];
        drawSubPanel(g, {x, 88, 152, 88});
        drawEngraved(g, kDisplayTitles[i], {x, 92, 152, 16}, juce::Justification::centred, 9.5f);

        const auto fx = static_cast<float>(x);
        g.setColour(vorn::pal::kWindow);
        g.fillRoundedRectangle(fx + 4.0f, 108.0f, 144.0f, 48.0f, 3.0f);
        g.setColour(juce::Colours::black.withAlpha(0.55f));
        g.drawRoundedRectangle(fx + 4.5f, 108.5f, 143.0f, 47.0f, 3.0f, 1.0f);
    }

    for (const auto& block : kToneBlock)
    {
        drawSubPanel(g, block.panel);
        drawEngraved(g, block.title, block.titleBox, juce::Justification::centredLeft, 9.5f);
    }

    drawSubPanel(g, {24, 400, 664, 248});
    drawEngraved(g, "PARAMETER", {40, 408, 200, 16}, juce::Justification::centredLeft, 9.5f);
    drawEngraved(g, "SELECT  /  KEY IN VALUE  /  ENTER", {392, 408, 280, 16}, juce::Justification::centredRight, 9.0f);

    drawSubPanel(g, {720, 88, 600, 88});
    drawEngraved(g, "PRESET LIBRARY", {744, 96, 288, 16}, juce::Justification::centredLeft, 11.0f);
    drawEngraved(g, categoryCaption, {1040, 96, 168, 16}, juce::Justification::centredRight, 11.0f);

    drawSubPanel(g, {744, 192, 288, 352});
    drawEngraved(g, "PROGRAM", {744, 200, 96, 16}, juce::Justification::centred, 9.0f);
    drawEngraved(g, "ECHO / DLY", {840, 200, 96, 16}, juce::Justification::centred, 9.0f);
    drawEngraved(g, "MEMORY", {936, 200, 96, 16}, juce::Justification::centred, 9.0f);

    drawSubPanel(g, {1040, 192, 256, 352});
    drawEngraved(g, "DATA ENTRY", {1040, 200, 256, 16}, juce::Justification::centred, 9.0f);

    drawSubPanel(g, {720, 560, 600, 88});
}
