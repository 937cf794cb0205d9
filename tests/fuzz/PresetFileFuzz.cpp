// User preset files come from users and from the internet: any bytes saved as a preset in the user folder must be
// listed by a rescan and either load or be refused, leaving every parameter finite and in range.
#include "FuzzSupport.h"

#include "plugin/PluginProcessor.h"

#include <cmath>

namespace
{
struct Fixture
{
    Fixture()
    {
        vorn::PresetManager::userDir().createDirectory();
        baseline = processor.parameters().copyState();
    }

    VornReverbAudioProcessor processor;
    juce::ValueTree baseline;
    juce::File file{
        vorn::PresetManager::userDir().getChildFile(juce::String("Fuzzed") + vorn::PresetManager::kFileExtension)};
};

Fixture* fixture = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vorn::fuzz::startFramework();
    fixture = new Fixture();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto& processor = fixture->processor;
    auto& manager = processor.presetManager;
    processor.parameters().replaceState(fixture->baseline.createCopy());

    vorn::fuzz::writeFile(fixture->file, data, size);
    manager.rescan();
    vorn::fuzz::require(manager.entries.size() == 47 && manager.entries.back().factoryIndex == -1);
    vorn::fuzz::require(manager.entries.back().category.trim().isNotEmpty());

    const auto loaded = manager.load(46);
    vorn::fuzz::require(loaded == (manager.current == 46));

    for (auto* base : processor.getParameters())
    {
        const auto* parameter = dynamic_cast<juce::RangedAudioParameter*>(base);
        vorn::fuzz::require(parameter != nullptr);
        const auto value = processor.parameters().getRawParameterValue(parameter->getParameterID())->load();
        const auto& range = parameter->getNormalisableRange();
        vorn::fuzz::require(std::isfinite(value) && value >= range.start && value <= range.end);
    }

    manager.current = -1;
    return 0;
}
