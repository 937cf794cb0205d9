#pragma once

#include "plugin/PresetManager.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace vorn
{
class PresetBrowser;

/** The rows of the browser's program list: the entries its category and search select. A click loads a row at
    once; a double-click loads it and closes the browser. */
class PresetModel : public juce::ListBoxModel
{
public:
    explicit PresetModel(PresetBrowser& owner);
    ~PresetModel() override;

    /** The row's right-hand tag: "USER" for any user preset, whatever its category, else the category in capitals. */
    static juce::String tagFor(const PresetManager::Entry& entry);

    int getNumRows() override;
    void paintListBoxItem(int row, juce::Graphics& g, int width, int height, bool selected) override;
    void listBoxItemClicked(int row, const juce::MouseEvent& e) override;
    void listBoxItemDoubleClicked(int row, const juce::MouseEvent& e) override;
    void selectedRowsChanged(int lastRowSelected) override;

    /** The entry index a row lists, or -1 for a row past the end (or one whose entry went before a refresh). */
    int entryIndexAt(int row) const;

private:
    PresetBrowser& browser;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PresetModel)
};
} // namespace vorn
