// User presets: the folder, reading and writing ".vornpreset" files. Preset files come from users and from the
// internet, so reading refuses anything that is not a small, plainly shaped XML file, and writing replaces a file
// only once its successor is complete on disk.

#include "plugin/PresetManager.h"

#include "plugin/NumberText.h"
#include "plugin/PlainXml.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#if JUCE_LINUX || JUCE_MAC || JUCE_BSD || JUCE_ANDROID
#include <sys/stat.h>
#endif

namespace vorn
{

namespace
{
const juce::String kRootTag{"VornPreset"};
const juce::String kParameterTag{"P"};
const juce::String kDefaultCategory{"User"};

/** A preset's category as listed and saved: a blank one (from a file or from the save dialog) files it under "User",
    so every preset shows under a category the browser can offer. */
juce::String categoryOrDefault(const juce::String& category)
{
    return category.trim().isNotEmpty() ? category : kDefaultCategory;
}

/** True for an ordinary file. Opening a FIFO or a device named like a preset would block or never end. */
bool isOrdinaryFile(const juce::File& file)
{
#if JUCE_LINUX || JUCE_MAC || JUCE_BSD || JUCE_ANDROID
    struct stat info = {};
    return ::stat(file.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG(info.st_mode);
#else
    return file.existsAsFile();
#endif
}

/** Parses a preset file, or gives nothing when it is missing, unreadable, oversized, oddly shaped or not XML. */
std::unique_ptr<juce::XmlElement> readPresetXml(const juce::File& file)
{
    if (!isOrdinaryFile(file) || file.getSize() > PresetManager::kMaxFileBytes)
        return {};

    juce::FileInputStream in(file);
    if (!in.openedOk())
        return {};

    // Read one byte past the limit, in case the file grew since its size was taken.
    juce::MemoryBlock data;
    in.readIntoMemoryBlock(data, static_cast<ssize_t>(PresetManager::kMaxFileBytes + 1));
    if (data.getSize() > static_cast<size_t>(PresetManager::kMaxFileBytes))
        return {};

    const auto text = juce::String::createStringFromData(data.getData(), static_cast<int>(data.getSize()));
    if (!hasPlainXmlShape(text, PresetManager::kMaxNesting))
        return {};

    // Parsed from the text, not the file, so the parser never opens anything itself.
    return juce::XmlDocument::parse(text);
}

/** Reads a "v" attribute: a plain decimal number, or nothing for text that is not one or not finite. */
bool parseValue(const juce::String& attribute, float& value)
{
    const auto text = attribute.trim();
    auto p = text.getCharPointer();
    bool digits = false;

    if (*p == '+' || *p == '-')
        ++p;
    while (juce::CharacterFunctions::isDigit(*p))
    {
        ++p;
        digits = true;
    }
    if (*p == '.')
    {
        ++p;
        while (juce::CharacterFunctions::isDigit(*p))
        {
            ++p;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (*p == 'e' || *p == 'E')
    {
        ++p;
        if (*p == '+' || *p == '-')
            ++p;
        if (!juce::CharacterFunctions::isDigit(*p))
            return false;
        while (juce::CharacterFunctions::isDigit(*p))
            ++p;
    }
    if (!p.isEmpty())
        return false;

    const auto number = withReadableExponent(text).getDoubleValue();
    if (!std::isfinite(number))
        return false;

    // Beyond float's range the parameter would clamp anyway; narrowing must not turn it into infinity.
    value = static_cast<float>(juce::jlimit(-static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX), number));
    return true;
}

/** Makes the folder and the folders above it where missing. Another instance may be making the same folders at
    the same moment, so a folder that appears while this one fails to make it counts as made. */
bool ensureFolder(const juce::File& dir)
{
    for (int attempt = 0; attempt < 3 && !dir.isDirectory(); ++attempt)
        dir.createDirectory();
    return dir.isDirectory();
}

/** Moves the finished file over the target in one step, so readers see the old file or the new one. */
bool replaceAtomically(const juce::File& written, const juce::File& target)
{
#if JUCE_WINDOWS
    return written.replaceFileIn(target);
#else
    return std::rename(written.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0;
#endif
}

/** Writes the bytes to a fresh file and reads them back, since a short write on a full disk is not reported. */
bool writeComplete(const juce::File& file, const juce::String& text)
{
    const auto* bytes = text.toRawUTF8();
    const auto numBytes = text.getNumBytesAsUTF8();

    {
        juce::FileOutputStream out(file);
        if (!out.openedOk() || !out.write(bytes, numBytes))
            return false;
        out.flush();
        if (out.getStatus().failed())
            return false;
    }

    juce::MemoryBlock check;
    return file.loadFileAsData(check) && check.getSize() == numBytes &&
           std::memcmp(check.getData(), bytes, numBytes) == 0;
}
} // namespace

juce::File PresetManager::userDir()
{
    return juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory)
        .getChildFile("OSKVAR")
        .getChildFile("Vorn77")
        .getChildFile("Presets");
}

void PresetManager::appendUserEntries()
{
    const auto dir = userDir();
    if (!dir.isDirectory())
        return;

    for (const auto& file : dir.findChildFiles(juce::File::findFiles, false, juce::String("*") + kFileExtension))
    {
        auto category = kDefaultCategory;

        if (const auto xml = readPresetXml(file))
            category = categoryOrDefault(xml->getStringAttribute("category"));

        entries.push_back({file.getFileNameWithoutExtension(), category, file, -1});
    }
}

bool PresetManager::applyUserFile(const juce::File& file)
{
    const auto xml = readPresetXml(file);
    if (xml == nullptr)
        return false;

    for (const auto* element : xml->getChildIterator())
    {
        // Compared exactly: the framework's own tag lookup ignores case, and "p" is not our element.
        if (element->getTagName() != kParameterTag)
            continue;

        auto* parameter = apvts.getParameter(element->getStringAttribute("id"));
        if (parameter == nullptr)
            continue;

        float value = 0.0f;
        if (element->hasAttribute("v") && !parseValue(element->getStringAttribute("v"), value))
            continue; // not a number, or not a finite one: the parameter keeps its value

        parameter->beginChangeGesture();
        parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
        parameter->endChangeGesture();
    }

    return true;
}

juce::Result PresetManager::saveUser(const juce::String& name, const juce::String& category)
{
    // A name made only of characters that file names cannot hold would leave a nameless ".vornpreset".
    const auto legalName = juce::File::createLegalFileName(name);
    if (name.trim().isEmpty() || legalName.trim().isEmpty())
        return juce::Result::fail("A preset needs a name.");

    const auto dir = userDir();
    if (!ensureFolder(dir))
        return juce::Result::fail("Cannot create " + dir.getFullPathName());

    const auto fileName = legalName + kFileExtension;
    // Joined by hand: getChildFile would read a leading '~' as someone's home folder.
    const juce::File target(dir.getFullPathName() + juce::File::getSeparatorString() + fileName);
    const auto cannotWrite = juce::Result::fail("Cannot write " + fileName);

    // Whatever the name, the file lands directly in the user folder and nowhere else.
    if (target.getParentDirectory() != dir || target.getFileName() != fileName || target.isDirectory())
        return cannotWrite;

    juce::XmlElement root(kRootTag);
    root.setAttribute("category", categoryOrDefault(category));

    for (auto* parameter : apvts.processor.getParameters())
    {
        const auto* withId = dynamic_cast<juce::AudioProcessorParameterWithID*>(parameter);
        if (withId == nullptr || withId->getParameterID().isEmpty())
            continue;

        const auto id = withId->getParameterID();
        const auto* raw = apvts.getRawParameterValue(id);
        auto* element = root.createNewChildElement(kParameterTag);
        element->setAttribute("id", id);
        element->setAttribute("v", raw != nullptr ? static_cast<double>(raw->load()) : 0.0);
    }

    // Written beside the target under a name the folder scan does not list, then moved over it: a failed or
    // interrupted save leaves the previous preset as it was. The scratch name is random, not merely unused, so
    // that two instances saving at once (in one host or two) never write into one scratch file.
    const auto scratch = dir.getChildFile(".vornpreset-save-" + juce::Uuid().toString() + ".tmp");
    const auto written = writeComplete(scratch, root.toString()) && replaceAtomically(scratch, target);
    scratch.deleteFile();

    if (!written)
        return cannotWrite;

    rescan();

    const auto named = std::find_if(entries.begin(), entries.end(), [&name](const Entry& e) { return e.name == name; });
    current = named != entries.end() ? static_cast<int>(named - entries.begin()) : -1;

    sendChangeMessage();
    return juce::Result::ok();
}

juce::Result PresetManager::deleteUser(int index)
{
    if (index < 0 || index >= static_cast<int>(entries.size()) || entries[static_cast<size_t>(index)].factoryIndex >= 0)
        return juce::Result::fail("Factory presets cannot be deleted.");

    const auto file = entries[static_cast<size_t>(index)].file;

    // Only files directly in the user folder are ever deleted, and never a folder that took a file's place.
    if (file.getParentDirectory() != userDir() || file.isDirectory() || !file.deleteFile())
        return juce::Result::fail("Cannot delete " + file.getFileName());

    rescan();
    current = -1;
    return juce::Result::ok();
}

} // namespace vorn
