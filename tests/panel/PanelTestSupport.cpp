#include "PanelTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace vorn_test
{
ScopedPanelTypefaces::ScopedPanelTypefaces() : previous(&juce::LookAndFeel::getDefaultLookAndFeel())
{
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);
    juce::Typeface::clearTypefaceCache();
}

ScopedPanelTypefaces::~ScopedPanelTypefaces()
{
    juce::LookAndFeel::setDefaultLookAndFeel(previous.get());
}

juce::MouseEvent mouseAt(juce::Component& component, juce::Point<int> position, juce::ModifierKeys mods)
{
    const auto now = juce::Time::getCurrentTime();
    const auto p = position.toFloat();
    return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), p, mods,
                            juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &component, &component,
                            now, p, now, 1, false);
}

juce::Image render(juce::Component& component, juce::Colour background)
{
    juce::Image image(juce::Image::ARGB, juce::jmax(component.getWidth(), 1), juce::jmax(component.getHeight(), 1),
                      true);
    juce::Graphics g(image);
    g.fillAll(background);
    component.paintEntireComponent(g, true);
    return image;
}

double meanPixelDifference(const juce::Image& a, const juce::Image& b)
{
    if (a.getWidth() != b.getWidth() || a.getHeight() != b.getHeight())
        return std::numeric_limits<double>::infinity();

    double total = 0.0;

    for (int y = 0; y < a.getHeight(); ++y)
    {
        for (int x = 0; x < a.getWidth(); ++x)
        {
            const auto p = a.getPixelAt(x, y), q = b.getPixelAt(x, y);
            total += std::abs(p.getAlpha() - q.getAlpha()) + std::abs(p.getRed() - q.getRed()) +
                     std::abs(p.getGreen() - q.getGreen()) + std::abs(p.getBlue() - q.getBlue());
        }
    }

    return total / (4.0 * a.getWidth() * a.getHeight());
}

namespace
{
bool writePng(const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream stream(file);
    juce::PNGImageFormat png;
    return stream.openedOk() && png.writeImageToStream(image, stream);
}

bool updatingSnapshots()
{
    const auto* flag = std::getenv("VORN_UPDATE_SNAPSHOTS");
    return flag != nullptr && juce::String(flag) == "1";
}
} // namespace

void expectMatchesSnapshot(const juce::Image& image, const juce::String& name, double tolerance)
{
    const auto reference = juce::File(VORN_TEST_DATA).getChildFile(name + ".png");

    if (updatingSnapshots())
    {
        ASSERT_TRUE(writePng(image, reference)) << "cannot write " << reference.getFullPathName();
        return;
    }

    ASSERT_TRUE(reference.existsAsFile())
        << "no reference image " << reference.getFullPathName() << "; run with VORN_UPDATE_SNAPSHOTS=1 to create it";

    const auto expected = juce::ImageFileFormat::loadFrom(reference);
    ASSERT_TRUE(expected.isValid()) << "unreadable reference image " << reference.getFullPathName();

    const auto difference =
        meanPixelDifference(image.convertedToFormat(juce::Image::ARGB), expected.convertedToFormat(juce::Image::ARGB));

    if (difference > tolerance)
    {
        const auto actual =
            juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile(name + ".actual.png");
        writePng(image, actual);
        ADD_FAILURE() << name << " differs from its reference by " << difference << " per channel (tolerance "
                      << tolerance << "); this rendering is in " << actual.getFullPathName();
    }
}
} // namespace vorn_test
