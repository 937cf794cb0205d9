#include "panel/Type.h"

namespace vorn::type
{
namespace
{
juce::Font plexFont(const char* family, float size, const char* style)
{
    juce::Font font(family, size, juce::Font::plain);
    font.setTypefaceStyle(style);
    return font;
}
} // namespace

juce::Font mono(float size, int weight)
{
    return plexFont("IBM Plex Mono", size, weight > 499 ? "Medium" : "Regular");
}

juce::Font sans(float size, int weight)
{
    // Only Light and Medium are embedded, so every weight above Light takes Medium.
    return plexFont("IBM Plex Sans", size, weight < 301 ? "Light" : "Medium");
}

juce::String tracked(const juce::String& text)
{
    if (text.length() < 2)
        return text;

    const juce::juce_wchar thinSpace = 0x2009;
    juce::String result;
    result.preallocateBytes(text.getNumBytesAsUTF8() * 2 + 8);

    for (auto p = text.getCharPointer(); !p.isEmpty();)
    {
        result << juce::String::charToString(p.getAndAdvance());

        if (!p.isEmpty())
            result << juce::String::charToString(thinSpace);
    }

    return result;
}
} // namespace vorn::type
