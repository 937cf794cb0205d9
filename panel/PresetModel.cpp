#include "panel/PresetModel.h"

#include "panel/Palette.h"
#include "panel/PresetBrowser.h"

namespace vorn
{
PresetModel::PresetModel(PresetBrowser& owner) : browser(owner) {}

PresetModel::~PresetModel() = default;

juce::String PresetModel::tagFor(const PresetManager::Entry& entry)
{
    return entry.factoryIndex < 0 ? juce::String("USER") : entry.category.toUpperCase();
}

int PresetModel::getNumRows()
{
    return static_cast<int>(browser.shown.size());
}

int PresetModel::entryIndexAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(browser.shown.size()))
        return -1;

    // The manager changes its list first and announces it later; until the browser has refreshed, a row may name
    // an entry that is gone.
    const auto index = browser.shown[static_cast<size_t>(row)];
    return index >= 0 && index < static_cast<int>(browser.manager.entries.size()) ? index : -1;
}

void PresetModel::paintListBoxItem(int row, juce::Graphics& g, int width, int height, bool selected)
{
    const auto index = entryIndexAt(row);
    if (index < 0)
        return;

    const auto& entry = browser.manager.entries[static_cast<size_t>(index)];
    const auto isCurrent = index == browser.manager.current;

    if (selected)
    {
        g.setColour(pal::kField);
        g.fillRoundedRectangle(1.0f, 1.0f, static_cast<float>(juce::jmax(width - 2, 0)),
                               static_cast<float>(juce::jmax(height - 2, 0)), 3.0f);
    }

    if (isCurrent)
    {
        g.setColour(pal::kGreen);
        g.fillRect(2, height / 2 - 2, 4, 4);
    }

    g.setFont(PresetBrowser::sans(13.0f));
    g.setColour(isCurrent ? pal::kGreen : pal::kText);
    g.drawText(entry.name, 14, 0, width - 96, height, juce::Justification::centredLeft);

    g.setFont(PresetBrowser::mono(10.0f));
    g.setColour(pal::kLine);
    g.drawText(tagFor(entry), width - 90, 0, 82, height, juce::Justification::centredRight);
}

void PresetModel::listBoxItemClicked(int row, const juce::MouseEvent&)
{
    browser.loadRow(row);
}

void PresetModel::selectedRowsChanged(int lastRowSelected)
{
    browser.rememberSelectedProgram(lastRowSelected);
}

void PresetModel::listBoxItemDoubleClicked(int row, const juce::MouseEvent& e)
{
    if (entryIndexAt(row) < 0)
        return;

    listBoxItemClicked(row, e);

    // The owner destroys the browser, and this model with it, inside onClose: the callback is copied first and
    // nothing is touched after it.
    if (auto close = browser.onClose)
        close();
}
} // namespace vorn
