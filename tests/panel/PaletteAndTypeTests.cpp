#include "panel/EmbeddedTypeface.h"
#include "panel/Palette.h"
#include "panel/Type.h"
#include "panel/VornLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
using namespace vorn;

struct DerivedColour
{
    const char* name;
    const juce::Colour& colour;
    juce::uint32 expected;
};

TEST(PanelPalette, DerivedEntriesHaveTheirListedValues)
{
    const DerivedColour cases[] = {
        {"kPanelRaised", pal::kPanelRaised, 0xff0f1111}, {"kButtonFace", pal::kButtonFace, 0xff141616},
        {"kKeyFace", pal::kKeyFace, 0xff191b1b},         {"kWindow", pal::kWindow, 0xff060707},
        {"kGreenDim", pal::kGreenDim, 0xff062a15},       {"kRedDim", pal::kRedDim, 0xff381814},
    };

    for (const auto& c : cases)
        EXPECT_EQ(c.colour.getARGB(), c.expected) << c.name << " is " << c.colour.toDisplayString(true);
}

TEST(PanelType, TrackedPutsOneThinSpaceBetweenNeighbours)
{
    const juce::juce_wchar thin = 0x2009;

    const auto title = type::tracked("VORN 77");
    EXPECT_EQ(title.length(), 13);

    for (int i = 0; i < title.length(); ++i)
        EXPECT_EQ(title[i] == thin, i % 2 == 1) << "position " << i;

    EXPECT_EQ(title.removeCharacters(juce::String::charToString(thin)), "VORN 77");
    EXPECT_EQ(type::tracked(""), "");
    EXPECT_EQ(type::tracked("A"), "A");
    EXPECT_EQ(type::tracked("AB"), juce::String("A") + juce::String::charToString(thin) + "B");
}

struct WeightCase
{
    bool isMono;
    float size;
    int weight;
    const char* family;
    const char* style;
};

TEST(PanelType, WeightThresholdsChooseTheEmbeddedStyles)
{
    const WeightCase cases[] = {
        {true, 9.5f, 400, "IBM Plex Mono", "Regular"},  {true, 9.5f, 499, "IBM Plex Mono", "Regular"},
        {true, 9.5f, 500, "IBM Plex Mono", "Medium"},   {true, 24.0f, 900, "IBM Plex Mono", "Medium"},
        {false, 13.0f, 100, "IBM Plex Sans", "Light"},  {false, 13.0f, 300, "IBM Plex Sans", "Light"},
        {false, 13.0f, 301, "IBM Plex Sans", "Medium"}, {false, 13.0f, 400, "IBM Plex Sans", "Medium"},
        {false, 13.0f, 600, "IBM Plex Sans", "Medium"},
    };

    for (const auto& c : cases)
    {
        const auto font = c.isMono ? type::mono(c.size, c.weight) : type::sans(c.size, c.weight);
        const auto label = juce::String(c.family) + " weight " + juce::String(c.weight);
        EXPECT_EQ(font.getTypefaceName(), c.family) << label;
        EXPECT_EQ(font.getTypefaceStyle(), c.style) << label;
        EXPECT_FLOAT_EQ(font.getHeight(), c.size) << label;
        EXPECT_FALSE(font.isBold() || font.isItalic() || font.isUnderlined()) << label;
    }
}

juce::Font fontNamed(const juce::String& family, const juce::String& style)
{
    juce::Font font(family, 12.0f, juce::Font::plain);
    font.setTypefaceStyle(style);
    return font;
}

struct MatchCase
{
    const char* family;
    const char* style;
    const char* embeddedFamily; // null when nothing embedded may match
    const char* embeddedStyle;
};

TEST(PanelType, EmbeddedTypefaceMatching)
{
    const MatchCase cases[] = {
        {"IBM Plex Mono", "Regular", "IBM Plex Mono", "Regular"},
        {"IBM Plex Mono", "Medium", "IBM Plex Mono", "Medium"},
        {"IBM Plex Sans", "Light", "IBM Plex Sans", "Light"},
        {"IBM Plex Sans", "Medium", "IBM Plex Sans", "Medium"},
        // Case, spaces, hyphens and underscores are ignored on both sides.
        {"ibm-plex_mono", "MEDIUM", "IBM Plex Mono", "Medium"},
        {"IBMPLEXSANS", "light", "IBM Plex Sans", "Light"},
        // Only Light and Medium of the sans family are embedded.
        {"IBM Plex Sans", "Regular", nullptr, nullptr},
        {"IBM Plex Mono", "Bold", nullptr, nullptr},
        {"IBM Plex Serif", "Regular", nullptr, nullptr},
        // The wordmark is never a candidate, whatever a font is called.
        {"oskvar_wordmark", "", nullptr, nullptr},
        {"oskvar wordmark", "svg", nullptr, nullptr},
        {"<Sans-Serif>", "Regular", nullptr, nullptr},
        {"<Monospaced>", "Regular", nullptr, nullptr},
    };

    for (const auto& c : cases)
    {
        const auto label = juce::String(c.family) + " / " + c.style;
        const auto face = findEmbeddedTypeface(fontNamed(c.family, c.style));

        if (c.embeddedFamily == nullptr)
        {
            EXPECT_EQ(face, nullptr) << label;
            continue;
        }

        ASSERT_NE(face, nullptr) << label;
        EXPECT_EQ(face->getName(), c.embeddedFamily) << label;
        EXPECT_EQ(face->getStyle(), c.embeddedStyle) << label;
    }
}

TEST(PanelType, LookAndFeelFallsThroughToTheFrameworkForOtherFonts)
{
    VornLookAndFeel lookAndFeel;

    const auto embedded = lookAndFeel.getTypefaceForFont(type::mono(11.0f, 400));
    ASSERT_NE(embedded, nullptr);
    EXPECT_EQ(embedded->getName(), "IBM Plex Mono");

    for (const auto* family : {"IBM Plex Sans", "<Sans-Serif>", "<Monospaced>"})
    {
        const auto face = lookAndFeel.getTypefaceForFont(fontNamed(family, "Regular"));
        ASSERT_NE(face, nullptr) << family; // the framework always finds some face
    }
}
} // namespace
