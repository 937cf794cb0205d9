#pragma once

#include "panel/VornLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vorn_test
{
/** Makes a VornLookAndFeel the framework's default for the scope, so text drawn by widgets outside an editor is
    set in the embedded faces, as it is inside one. */
class ScopedPanelTypefaces
{
public:
    ScopedPanelTypefaces();
    ~ScopedPanelTypefaces();

private:
    VornLookAndFeel lookAndFeel;
    juce::WeakReference<juce::LookAndFeel> previous;
};

/** A mouse event at a position relative to `component`, from the main mouse source. */
juce::MouseEvent mouseAt(juce::Component& component, juce::Point<int> position, juce::ModifierKeys mods = {});

/** The component painted over an opaque background, at its own size. */
juce::Image render(juce::Component& component, juce::Colour background);

/** Mean absolute difference of two images per channel (0 to 255); infinity when their sizes differ. */
double meanPixelDifference(const juce::Image& a, const juce::Image& b);

/** Compares `image` with tests/data/<name>.png within `tolerance` (mean difference per channel, 0 to 255).
    With VORN_UPDATE_SNAPSHOTS=1 in the environment the reference is rewritten instead. */
void expectMatchesSnapshot(const juce::Image& image, const juce::String& name, double tolerance = 0.1);
} // namespace vorn_test
