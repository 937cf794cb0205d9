#include "panel/EmbeddedTypeface.h"

#include "VornBinaryData.h"

namespace vorn
{
namespace
{
juce::String matchKey(const juce::String& text)
{
    return text.removeCharacters(" -_").toLowerCase();
}

bool isFontResource(const juce::String& resourceName)
{
    const auto lower = resourceName.toLowerCase();
    return lower.endsWith("_ttf") || lower.endsWith("_otf");
}
} // namespace

juce::Typeface::Ptr findEmbeddedTypeface(const juce::Font& font)
{
    const auto key = matchKey(font.getTypefaceName() + font.getTypefaceStyle());

    for (int i = 0; i < VornBinaryData::namedResourceListSize; ++i)
    {
        const juce::String resourceName(VornBinaryData::namedResourceList[i]);

        if (!isFontResource(resourceName) || matchKey(resourceName.dropLastCharacters(4)) != key)
            continue;

        int size = 0;

        if (const auto* data = VornBinaryData::getNamedResource(VornBinaryData::namedResourceList[i], size);
            data != nullptr && size > 0)
            return juce::Typeface::createSystemTypefaceFor(data, static_cast<size_t>(size));
    }

    return nullptr;
}
} // namespace vorn
