#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>
#include <string>

namespace vorn::test
{

/** Makes a new, empty folder in the temporary directory, named PREFIX-XXXXXX by mkdtemp, which creates it in one
    step: no other test, in this process or a parallel one, can be given the same folder. (Picking a name that does
    not exist yet and creating it afterwards lets two processes pick the same one.) Returns a non-existent file
    only if the folder cannot be made. */
inline juce::File makeScratchFolder(const juce::String& prefix)
{
    auto pattern = juce::File::getSpecialLocation(juce::File::tempDirectory)
                       .getChildFile(prefix + "-XXXXXX")
                       .getFullPathName()
                       .toStdString();
    if (::mkdtemp(pattern.data()) == nullptr)
        return {};
    return juce::File(juce::String(pattern));
}

} // namespace vorn::test
