#include "editor/PluginEditor.h"

// Every control is placed in canvas units; the window size only changes the canvas transform.
void VornReverbAudioProcessorEditor::resized()
{
    const auto scale = static_cast<float>(getWidth()) / static_cast<float>(kDesignWidth);
    canvas.setTransform(juce::AffineTransform::scale(scale));
    canvas.setBounds(0, 0, kDesignWidth, kDesignHeight);

    // Only a panel in a window has a size the user chose; one drawn off screen (a snapshot) changes nothing.
    if (getParentComponent() != nullptr || isOnDesktop())
        widthToRemember = getWidth();

    for (int i = 0; i < 4; ++i)
    {
        const auto n = static_cast<size_t>(i);
        headroomLamps[n].setBounds(504 + 32 * i, 32, 16, 16);
        displays[n].setBounds(48 + 160 * i, 112, 136, 40);
        lowCutKeys[n].setBounds(32 + 80 * i, 224, 72, 48);
        highCutKeys[n].setBounds(368 + 80 * i, 224, 72, 48);
        rtLowKeys[n].setBounds(32 + 80 * i, 328, 72, 48);
        rtHighKeys[n].setBounds(368 + 80 * i, 328, 72, 48);
        programKeys[n].setBounds(752, 224 + 80 * i, 80, 72);
        modeKeys[n].setBounds(848, 224 + 80 * i, 80, 72);
    }

    dnaLabel.setBounds(632, 32, 552, 16);
    buzzerKey.setBounds(1200, 32, 112, 32);
    inMeter.setBounds(168, 32, 110, 16);
    outMeter.setBounds(288, 32, 110, 16);

    programName.setBounds(744, 120, 216, 48);
    browseKey.setBounds(968, 120, 80, 48);
    prevKey.setBounds(1056, 120, 72, 48);
    nextKey.setBounds(1136, 120, 72, 48);
    saveKey.setBounds(1216, 120, 80, 48);

    for (int i = 0; i < static_cast<int>(matrixKeys.size()); ++i)
        matrixKeys[static_cast<size_t>(i)].setBounds(40 + 80 * (i % 8), 432 + 72 * (i / 8), 72, 64);

    writeKey.setBounds(944, 224, 80, 72);
    readKey.setBounds(944, 304, 80, 72);
    upKey.setBounds(944, 384, 80, 72);
    downKey.setBounds(944, 464, 80, 72);

    // Keypad rows 7 8 9 / 4 5 6 / 1 2 3, then 0 (double width) with the point, then ENTER across.
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            digitKeys[static_cast<size_t>(7 - 3 * row + column)].setBounds(1048 + 80 * column, 224 + 64 * row, 80, 56);

    digitKeys[0].setBounds(1048, 416, 160, 56);
    pointKey.setBounds(1208, 416, 80, 56);
    enterKey.setBounds(1048, 480, 240, 56);

    vintageKey.setBounds(752, 568, 168, 32);
    delaySyncKey.setBounds(936, 568, 168, 32);
    pingPongKey.setBounds(1120, 568, 168, 32);
    curvesKey.setBounds(752, 608, 168, 32);

    if (browser != nullptr)
        browser->setBounds(overlayBounds());

    if (curves != nullptr)
        curves->setBounds(overlayBounds());
}

juce::Rectangle<int> VornReverbAudioProcessorEditor::overlayBounds() const
{
    constexpr int kOverlayWidth = 680, kOverlayHeight = 440;
    const auto area = canvas.getLocalBounds();
    return {area.getX() + area.getWidth() / 2 - kOverlayWidth / 2,
            area.getY() + area.getHeight() / 2 - kOverlayHeight / 2, kOverlayWidth, kOverlayHeight};
}
