#include "plugin/NumberText.h"

namespace vorn
{

namespace
{
constexpr int kMaxExponentDigits = 9; // 999999999 fits an int with room for the reader's own adjustment
} // namespace

juce::String withReadableExponent(const juce::String& text)
{
    // The reader's grammar: white space, a sign, digits with at most one point, 'e' or 'E', a sign and digits, of
    // which leading zeros do not count.
    auto p = text.getCharPointer().findEndOfWhitespace();
    if (*p == '-' || *p == '+')
        ++p;

    bool digits = false, point = false;
    for (;; ++p)
    {
        if (p.isDigit())
            digits = true;
        else if (*p == '.' && !point)
            point = true;
        else
            break;
    }
    if (!digits || (*p != 'e' && *p != 'E'))
        return text;

    ++p;
    if (*p == '-' || *p == '+')
        ++p;
    while (*p == '0')
        ++p;

    const auto start = p;
    int count = 0;
    for (; p.isDigit(); ++p)
        ++count;
    if (count <= kMaxExponentDigits)
        return text;

    return juce::String(text.getCharPointer(), start) + juce::String::repeatedString("9", kMaxExponentDigits) +
           juce::String(p);
}

double numberFrom(const juce::var& value)
{
    return value.isString() ? withReadableExponent(value.toString()).getDoubleValue() : static_cast<double>(value);
}

} // namespace vorn
