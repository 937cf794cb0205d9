#pragma once

#include <juce_core/juce_core.h>

namespace vorn
{

/** True when the text is valid UTF-8 markup that the framework's XML parser reads without surprises, nested at
    most maxDepth deep. Only plain elements with quoted attributes, text, comments, CDATA, and processing
    instructions outside the root element pass; document types are refused, since their entities can expand without
    bound or name other files. The parser recurses once per level and loops forever on a processing instruction
    followed by text inside an element, so text from outside (preset files, host-saved state) is checked first. */
bool hasPlainXmlShape(const juce::String& text, int maxDepth);

} // namespace vorn
