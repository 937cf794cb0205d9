#pragma once

#include "panel/PresetDialogs.h"
#include "panel/PresetModel.h"
#include "plugin/PresetManager.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

namespace vorn
{
/** The pop-up in which programs are found by category and search, loaded, saved and deleted. A view of the
    manager's program list: it redraws on every change the manager announces.

    The widgets are public so that tests and tools can operate the browser as a user would. */
class PresetBrowser : public juce::Component, public juce::ListBoxModel, private juce::ChangeListener
{
public:
    using PresetModel = vorn::PresetModel;

    explicit PresetBrowser(PresetManager& presetManager);
    ~PresetBrowser() override;

    /** The browser's own fonts: plain, in the platform's default monospaced and sans-serif faces. */
    static juce::Font mono(float size);
    static juce::Font sans(float size);

    /** Rebuilds the category rows and the listed programs from the manager, the category selection and the search
        text, and repaints. */
    void refresh();

    /** Asks for a name and a category and saves the current setting as a user preset. */
    void doSave();

    /** Asks for confirmation and deletes the selected user preset; factory programs are left alone. */
    void doDelete();

    /** "<listed> OF <all> SHOWN". */
    juce::String countLine() const;

    void paint(juce::Graphics& g) override;
    void resized() override;

    // The category list's model.
    int getNumRows() override;
    void paintListBoxItem(int row, juce::Graphics& g, int width, int height, bool selected) override;
    void selectedRowsChanged(int lastRowSelected) override;

    /** Called when the user asks to close the browser; the owner destroys it. */
    std::function<void()> onClose;

    /** Called after a program was loaded from the list, so the owner can show which one is current. */
    std::function<void()> onProgramLoaded;

    /** Loads the program listed in `row`; false when the row names none or it cannot be loaded. */
    bool loadRow(int row);

    /** The category a new user preset is offered under. */
    static constexpr const char* kUserCategory = "User";

    /** Notes which program the program list's selection stands on, so that the selection follows that program
        when the list changes, and is dropped when it goes. */
    void rememberSelectedProgram(int row);

    PresetManager& manager;
    juce::TextEditor search;
    juce::ListBox categoryList;
    juce::ListBox presetList;
    PresetModel presetModel{*this};
    juce::StringArray categories;
    std::vector<int> shown;
    juce::Rectangle<int> categoryBounds;
    juce::TextButton saveAsButton{"SAVE AS"}, deleteButton{"DELETE"}, revealButton{"REVEAL"}, closeButton{"CLOSE"};

    /** The questions and messages of SAVE AS and DELETE, and REVEAL's file browser. */
    PresetDialogs dialogs = PresetDialogs::desktop();

private:
    void changeListenerCallback(juce::ChangeBroadcaster*) override;

    /** The naming window while it is open; closed with the browser so its answer never outlives it. */
    juce::Component::SafePointer<juce::Component> nameDialog;

    /** The category whose programs are listed, kept by name: rows move when categories come and go. */
    juce::String categoryInForce{"All"};

    /** The selected program, kept by what it is rather than by its row: a factory index, or a user file. */
    int selectedFactoryIndex = -1;
    juce::File selectedFile;

    bool refreshing = false;
    void followSelectedProgram();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(PresetBrowser)
};
} // namespace vorn
