// vorn-snapshot: draws the front panel of a fresh plug-in instance into a PNG file, headless.
//
//   vorn-snapshot [--width 960] [--out panel.png]
//
// The width must lie within the editor's own limits (672 to 2016); the height is half the width.

#include "editor/PluginEditor.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>
#include <memory>

namespace
{
constexpr int kMinWidth = 672;
constexpr int kMaxWidth = 2016;

int usage(const char* message)
{
    std::cerr << "vorn-snapshot: " << message << "\n"
              << "usage: vorn-snapshot [--width " << kMinWidth << ".." << kMaxWidth << "] [--out file.png]\n";
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    int width = 960;
    juce::String outPath("panel.png");

    for (int i = 1; i < argc; ++i)
    {
        const juce::String arg(argv[i]);

        if ((arg == "--width" || arg == "--out") && i + 1 >= argc)
            return usage("missing value");

        if (arg == "--width")
        {
            const juce::String value(argv[++i]);

            if (!value.containsOnly("0123456789") || value.isEmpty())
                return usage("the width must be a whole number");

            width = value.getIntValue();
        }
        else if (arg == "--out")
        {
            outPath = argv[++i];
        }
        else if (arg == "--help" || arg == "-h")
        {
            usage("renders the front panel to a PNG");
            return 0;
        }
        else
        {
            return usage("unknown option");
        }
    }

    if (width < kMinWidth || width > kMaxWidth)
        return usage("width out of range");

    juce::ScopedJuceInitialiser_GUI framework;
    const auto outFile = juce::File::getCurrentWorkingDirectory().getChildFile(outPath);
    bool written = false;

    {
        VornReverbAudioProcessor processor;
        std::unique_ptr<juce::AudioProcessorEditor> editor(processor.createEditor());
        editor->setSize(width, width / 2);

        // One refresh tick, so the panel shows what it shows a moment after opening.
        if (auto* timer = dynamic_cast<juce::Timer*>(editor.get()))
            timer->timerCallback();

        const auto image = editor->createComponentSnapshot(editor->getLocalBounds(), true, 1.0f);

        outFile.deleteFile();
        juce::FileOutputStream stream(outFile);
        juce::PNGImageFormat png;
        written = stream.openedOk() && png.writeImageToStream(image, stream);
    }

    if (!written)
    {
        std::cerr << "vorn-snapshot: cannot write " << outFile.getFullPathName() << "\n";
        return 1;
    }

    std::cout << outFile.getFullPathName() << " (" << width << " x " << width / 2 << ")\n";
    return 0;
}
