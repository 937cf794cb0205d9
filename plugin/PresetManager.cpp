#include "plugin/PresetManager.h"

#include "plugin/FactoryPresets.h"

#include <algorithm>

namespace vorn
{

namespace
{
const juce::String kAllCategories{"All"};
} // namespace

PresetManager::PresetManager(juce::AudioProcessorValueTreeState& state) : apvts(state)
{
    rescan();
}

void PresetManager::rescan()
{
    entries.clear();

    for (int i = 0; i < kNumFactoryPresets; ++i)
        entries.push_back({kFactoryPresets[i].name, kFactoryPresets[i].category, {}, i});

    appendUserEntries();
    sendChangeMessage();
}

bool PresetManager::load(int index)
{
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return false;

    const auto entry = entries[static_cast<size_t>(index)];

    if (entry.factoryIndex >= 0)
    {
        const auto& program = kFactoryPresets[entry.factoryIndex];

        for (int k = 0; k < kNumFactoryKeys; ++k)
        {
            // "distance" and "height" have no parameter here.
            if (auto* parameter = apvts.getParameter(kFactoryKeys[k]))
            {
                parameter->beginChangeGesture();
                parameter->setValueNotifyingHost(parameter->convertTo0to1(program.values[k]));
                parameter->endChangeGesture();
            }
        }
    }
    else if (!applyUserFile(entry.file))
    {
        return false;
    }

    current = index;
    sendChangeMessage();
    return true;
}

bool PresetManager::step(int delta, const juce::String& category)
{
    if (entries.empty())
        return false;

    std::vector<int> candidates;

    for (int i = 0; i < static_cast<int>(entries.size()); ++i)
        if (category == kAllCategories || entries[static_cast<size_t>(i)].category == category)
            candidates.push_back(i);

    if (candidates.empty())
        return false;

    const auto n = static_cast<int>(candidates.size());
    const auto found = std::find(candidates.begin(), candidates.end(), current);
    int position = 0;

    if (found == candidates.end())
        position = delta > 0 ? 0 : n - 1; // from outside the category: enter at the near end
    else
        position = (static_cast<int>(found - candidates.begin()) + delta % n + n) % n;

    return load(candidates[static_cast<size_t>(position)]);
}

std::vector<int> PresetManager::indicesFor(const juce::String& category, const juce::String& search) const
{
    const auto needle = search.trim().toLowerCase();
    std::vector<int> taken;

    for (int i = 0; i < static_cast<int>(entries.size()); ++i)
    {
        const auto& entry = entries[static_cast<size_t>(i)];

        if (category != kAllCategories && entry.category != category)
            continue;

        if (needle.isEmpty() || entry.name.toLowerCase().contains(needle) ||
            entry.category.toLowerCase().contains(needle))
            taken.push_back(i);
    }

    return taken;
}

} // namespace vorn
