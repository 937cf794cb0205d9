#include "engine/CircuitDna.h"

#include <gtest/gtest.h>

namespace
{

TEST(EngineCircuitDna, Fnv1aMatchesThePublishedValues)
{
    const std::pair<const char*, juce::uint32> cases[] = {
        {"", 2166136261u},
        {"a", 3826002220u},
        {"foobar", 0xbf9cf968u},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(vorn::fnv1a(text), expected) << '"' << text << '"';

    // The hash runs over the UTF-8 bytes: "\u00e9" counts as the two bytes C3 A9.
    const juce::uint32 overBytes = ((2166136261u ^ 0xC3u) * 16777619u ^ 0xA9u) * 16777619u;
    EXPECT_EQ(vorn::fnv1a(juce::String::fromUTF8("\xc3\xa9")), overBytes);
}

TEST(EngineCircuitDna, HashZeroGivesTheWorkedNumbers)
{
    EXPECT_EQ(vorn::mulberry32(1u * 0x6D2B79F5u), 1144304738u);
    EXPECT_EQ(vorn::mulberry32(2u * 0x6D2B79F5u), 1416247u);
    EXPECT_EQ(vorn::mulberry32(3u * 0x6D2B79F5u), 958946056u);

    const auto dna = vorn::dnaFromHash(0u);
    EXPECT_NEAR(dna.deviation[0], -0.0700712f, 1e-6f);
    EXPECT_NEAR(dna.deviation[1], -0.0999341f, 1e-6f);
    EXPECT_NEAR(dna.lfoTrim, 0.205818f, 1e-6f);
    EXPECT_EQ(dna.id, "0");
}

TEST(EngineCircuitDna, IdIsUpperCaseHexWithoutLeadingZeros)
{
    EXPECT_EQ(vorn::dnaFromHash(0xABCu).id, "ABC");
    EXPECT_EQ(vorn::dnaFromHash(0xDEADBEEFu).id, "DEADBEEF");
    EXPECT_EQ(vorn::dnaFromHash(0x0F00000Du).id, "F00000D");
}

TEST(EngineCircuitDna, DerivedRecordIsRepeatableAndInRange)
{
    const auto a = vorn::deriveDna("7F2C91A0");
    const auto b = vorn::deriveDna("7F2C91A0");
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.deviation, b.deviation);
    EXPECT_EQ(a.lfoTrim, b.lfoTrim);
    // The unit id is hashed together with the maker's suffix.
    EXPECT_EQ(a.id, juce::String::toHexString(vorn::fnv1a("7F2C91A0::vorn::oskvar")).toUpperCase());

    for (const char* unit : {"7F2C91A0", "", "unit 2", "a much longer unit identifier"})
    {
        const auto dna = vorn::deriveDna(unit);
        EXPECT_GE(dna.lfoTrim, 0.15f);
        EXPECT_LE(dna.lfoTrim, 0.40f);
        EXPECT_LE(std::abs(dna.deviation[0]), 0.15f);
        EXPECT_LE(std::abs(dna.deviation[1]), 0.10f);
    }
}

} // namespace
