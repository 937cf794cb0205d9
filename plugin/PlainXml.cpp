#include "plugin/PlainXml.h"

#include <cstring>

namespace vorn
{

namespace
{
bool isNameChar(juce::juce_wchar c)
{
    // The characters the framework's parser accepts in tag and attribute names.
    return juce::CharacterFunctions::isLetterOrDigit(c) || c == '_' || c == '-' || c == ':' || c == '.';
}

} // namespace

bool hasPlainXmlShape(const juce::String& text, int maxDepth)
{
    // Text made from outside bytes keeps invalid UTF-8 as it came, and stepping through a sequence cut short by
    // the end of the text reads past it.
    const auto* bytes = text.toRawUTF8();
    if (!juce::CharPointer_UTF8::isValidString(bytes, static_cast<int>(std::strlen(bytes))))
        return false;

    auto p = text.getCharPointer();
    int depth = 0;

    const auto skipPast = [&p](const char* terminator)
    {
        const auto at = p.indexOf(juce::CharPointer_ASCII(terminator));
        if (at < 0)
            return false;
        p += at + static_cast<int>(std::strlen(terminator));
        return true;
    };

    while (!p.isEmpty())
    {
        if (*p != '<')
        {
            ++p;
            continue;
        }

        ++p;

        if (*p == '?')
        {
            // Inside an element, a processing instruction followed by text sends the framework's parser into an
            // endless loop; outside the root it is harmless (the XML declaration is one).
            if (depth > 0 || !skipPast("?>"))
                return false;
        }
        else if (*p == '!')
        {
            if (juce::CharacterFunctions::compareUpTo(p, juce::CharPointer_ASCII("!--"), 3) == 0)
            {
                if (!skipPast("-->"))
                    return false;
            }
            else if (juce::CharacterFunctions::compareUpTo(p, juce::CharPointer_ASCII("![CDATA["), 8) == 0)
            {
                if (!skipPast("]]>"))
                    return false;
            }
            else
            {
                return false;
            }
        }
        else if (*p == '/')
        {
            // The parser closes the innermost element at any end tag, whatever its name.
            if (depth == 0 || !skipPast(">"))
                return false;
            --depth;
        }
        else
        {
            if (!isNameChar(*p))
                return false;

            while (isNameChar(*p))
                ++p;

            for (;;)
            {
                while (juce::CharacterFunctions::isWhitespace(*p))
                    ++p;

                if (*p == '/' && p[1] == '>')
                {
                    p += 2;
                    break;
                }

                if (*p == '>')
                {
                    ++p;
                    if (++depth > maxDepth)
                        return false;
                    break;
                }

                if (!isNameChar(*p))
                    return false;

                while (isNameChar(*p))
                    ++p;
                while (juce::CharacterFunctions::isWhitespace(*p))
                    ++p;

                if (*p != '=')
                    return false;

                ++p;
                while (juce::CharacterFunctions::isWhitespace(*p))
                    ++p;

                const auto quote = *p;
                if (quote != '"' && quote != '\'')
                    return false;

                ++p;
                const auto close = p.indexOf(quote);
                if (close < 0)
                    return false;
                p += close + 1;
            }
        }
    }

    return true;
}

} // namespace vorn
