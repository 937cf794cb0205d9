#pragma once

#include <juce_core/juce_core.h>

namespace vorn
{

/** The text with the exponent of the number in it cut to nine significant digits, the longest the framework's
    number reader takes safely: past nine it overflows an int and makes up a number ("2e4294967297" reads as 20).
    Cut, a huge exponent still reads as infinity, or as zero when negative, as the number means. Text the reader
    would not take as a number with an exponent comes back as it is. */
juce::String withReadableExponent(const juce::String& text);

/** A saved property (from a project or a preset file) as a number, read as the framework reads it but safe for any
    text. */
double numberFrom(const juce::var& value);

} // namespace vorn
