#include "panel/PresetBrowser.h"

#include "panel/Palette.h"

namespace vorn
{
namespace
{
const juce::String kAll{"All"};

/** The categories of the entries in order of first appearance, compared exactly. */
juce::StringArray categoriesOf(const std::vector<PresetManager::Entry>& entries)
{
    juce::StringArray found;

    for (const auto& entry : entries)
        found.addIfNotAlreadyThere(entry.category);

    return found;
}

void styleButton(juce::TextButton& button)
{
    button.setColour(juce::TextButton::buttonColourId, pal::kField);
    button.setColour(juce::TextButton::textColourOffId, pal::kText);
    button.setColour(juce::TextButton::textColourOnId, pal::kText);
}
} // namespace

PresetBrowser::PresetBrowser(PresetManager& presetManager) : manager(presetManager)
{
    manager.addChangeListener(this);

    search.setTextToShowWhenEmpty("SEARCH", pal::kLine);
    search.setFont(mono(12.0f));
    search.setColour(juce::TextEditor::backgroundColourId, pal::kField);
    search.setColour(juce::TextEditor::outlineColourId, pal::kFieldLine);
    search.setColour(juce::TextEditor::focusedOutlineColourId, pal::kGreen);
    search.setColour(juce::TextEditor::textColourId, pal::kText);
    search.setColour(juce::TextEditor::highlightColourId, pal::kGreen.withAlpha(0.25f));
    search.onTextChange = [this] { refresh(); };
    addAndMakeVisible(search);

    categoryList.setModel(this);
    categoryList.setRowHeight(22);
    categoryList.setColour(juce::ListBox::backgroundColourId, juce::Colours::transparentBlack);
    addAndMakeVisible(categoryList);

    presetList.setModel(&presetModel);
    presetList.setRowHeight(24);
    presetList.setColour(juce::ListBox::backgroundColourId, juce::Colours::transparentBlack);
    addAndMakeVisible(presetList);

    for (auto* button : {&saveAsButton, &deleteButton, &revealButton, &closeButton})
    {
        styleButton(*button);
        addAndMakeVisible(*button);
    }

    saveAsButton.onClick = [this] { doSave(); };
    deleteButton.onClick = [this] { doDelete(); };
    revealButton.onClick = [this]
    {
        if (dialogs.reveal != nullptr)
            dialogs.reveal(PresetManager::userDir());
    };

    // The owner destroys the browser inside onClose: the callback is copied first and nothing is touched after it.
    closeButton.onClick = [this]
    {
        if (auto close = onClose)
            close();
    };

    refresh();
    categoryList.selectRow(0);
}

PresetBrowser::~PresetBrowser()
{
    manager.removeChangeListener(this);

    // A naming window left open would otherwise answer into a browser, and perhaps a manager, that are gone.
    if (nameDialog != nullptr)
        delete nameDialog.getComponent();

    categoryList.setModel(nullptr);
    presetList.setModel(nullptr);
}

juce::Font PresetBrowser::mono(float size)
{
    return juce::Font(juce::Font::getDefaultMonospacedFontName(), size, juce::Font::plain);
}

juce::Font PresetBrowser::sans(float size)
{
    return juce::Font(juce::Font::getDefaultSansSerifFontName(), size, juce::Font::plain);
}

void PresetBrowser::refresh()
{
    const juce::ScopedValueSetter<bool> inRefresh(refreshing, true);

    categories.clear();
    categories.add(kAll);
    categories.addArray(categoriesOf(manager.entries));
    categories.removeDuplicates(false);

    // A category whose last program went leaves "All" in force, and the highlight moves with it.
    auto row = categories.indexOf(categoryInForce);
    if (row < 0)
    {
        row = 0;
        categoryInForce = kAll;
    }

    shown = manager.indicesFor(categoryInForce, search.getText());

    categoryList.updateContent();
    if (categoryList.getSelectedRow() != row)
        categoryList.selectRow(row);

    presetList.updateContent();
    followSelectedProgram();
    presetList.repaint();
    repaint();
}

void PresetBrowser::rememberSelectedProgram(int row)
{
    if (refreshing)
        return;

    const auto index = presetModel.entryIndexAt(row);
    const auto* entry = index >= 0 ? &manager.entries[static_cast<size_t>(index)] : nullptr;
    selectedFactoryIndex = entry != nullptr ? entry->factoryIndex : -1;
    selectedFile = entry != nullptr ? entry->file : juce::File();
}

void PresetBrowser::followSelectedProgram()
{
    for (size_t row = 0; row < shown.size(); ++row)
    {
        const auto& entry = manager.entries[static_cast<size_t>(shown[row])];
        const auto same = selectedFactoryIndex >= 0
                              ? entry.factoryIndex == selectedFactoryIndex
                              : entry.factoryIndex < 0 && entry.file == selectedFile && selectedFile != juce::File();

        if (same)
        {
            presetList.selectRow(static_cast<int>(row), true);
            return;
        }
    }

    // A deleted program, or one that the category or search no longer lists, leaves nothing selected: DELETE
    // must never fall to whichever program moved into its row.
    presetList.deselectAllRows();
}

bool PresetBrowser::loadRow(int row)
{
    const auto index = presetModel.entryIndexAt(row);

    if (index < 0 || !manager.load(index))
        return false;

    if (onProgramLoaded != nullptr)
        onProgramLoaded();

    return true;
}

juce::String PresetBrowser::countLine() const
{
    return juce::String(static_cast<int>(shown.size())) + " OF " +
           juce::String(static_cast<int>(manager.entries.size())) + " SHOWN";
}

void PresetBrowser::doSave()
{
    if (dialogs.askName == nullptr)
        return;

    // One naming window at a time; a second request brings the open one forward.
    if (nameDialog != nullptr)
    {
        nameDialog->toFront(true);
        return;
    }

    const auto count = static_cast<int>(manager.entries.size());
    const auto name = manager.current >= 0 && count > 0
                          ? manager.entries[static_cast<size_t>(juce::jmin(manager.current, count - 1))].name
                          : juce::String("Init");

    // A new user preset is offered under "User", which the list gains with the first one.
    auto offered = categoriesOf(manager.entries);
    offered.addIfNotAlreadyThere(kUserCategory);

    const SafePointer<PresetBrowser> self(this);
    nameDialog = dialogs.askName(name, offered, kUserCategory,
                                 [self](bool save, const juce::String& newName, const juce::String& category)
                                 {
                                     if (self == nullptr || !save)
                                         return;

                                     // A success arrives as the manager's change message, which refreshes the list.
                                     const auto result = self->manager.saveUser(newName, category);

                                     if (result.failed() && self->dialogs.tell != nullptr)
                                         self->dialogs.tell("Save failed", result.getErrorMessage());
                                 });
}

void PresetBrowser::doDelete()
{
    const auto row = presetList.getSelectedRow();
    if (row < 0 || row >= static_cast<int>(shown.size()) || dialogs.confirm == nullptr)
        return;

    const auto index = shown[static_cast<size_t>(row)];
    if (index < 0 || index >= static_cast<int>(manager.entries.size()))
        return;

    const auto& entry = manager.entries[static_cast<size_t>(index)];
    if (entry.factoryIndex >= 0)
        return;

    const SafePointer<PresetBrowser> self(this);
    const auto file = entry.file;

    dialogs.confirm("Delete preset", "Delete \"" + entry.name + "\"?",
                    [self, file]
                    {
                        if (self == nullptr)
                            return;

                        // The list may have changed while the question was open: delete the preset that was asked
                        // about, wherever it sits now, and nothing if it has gone.
                        const auto& entries = self->manager.entries;

                        for (size_t i = 0; i < entries.size(); ++i)
                        {
                            if (entries[i].factoryIndex < 0 && entries[i].file == file)
                            {
                                // Reported like a failed save: a preset that stays after the user said OK would
                                // otherwise look like a click that went astray.
                                const auto result = self->manager.deleteUser(static_cast<int>(i));

                                if (result.failed() && self->dialogs.tell != nullptr)
                                    self->dialogs.tell("Delete failed", result.getErrorMessage());

                                return;
                            }
                        }
                    });
}

void PresetBrowser::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds();
    const auto x = bounds.getX(), y = bounds.getY(), w = bounds.getWidth(), h = bounds.getHeight();

    g.setColour(pal::kPanel.withAlpha(0.98f));
    g.fillRoundedRectangle(bounds.toFloat(), 6.0f);
    g.setColour(pal::kFieldLine);
    g.drawRoundedRectangle(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f,
                           static_cast<float>(juce::jmax(w - 1, 0)), static_cast<float>(juce::jmax(h - 1, 0)), 6.0f,
                           1.0f);

    const juce::Rectangle<int> header(x + 16, y + 12, juce::jmax(w - 32, 0), juce::jmin(juce::jmax(h - 24, 0), 14));
    g.setFont(mono(12.0f));
    g.setColour(pal::kGreen);
    g.drawText("PRESETS", header, juce::Justification::topLeft);
    g.setFont(mono(10.0f));
    g.setColour(pal::kLegend);
    g.drawText(countLine(), header, juce::Justification::topRight);

    g.setColour(pal::kFieldLine);
    g.drawVerticalLine(categoryBounds.getRight() + 8, static_cast<float>(categoryList.getY()),
                       static_cast<float>(categoryList.getBottom()));
}

void PresetBrowser::resized()
{
    auto area = getLocalBounds().reduced(16); // never negative

    area.removeFromTop(24); // the header, painted
    search.setBounds(area.removeFromTop(24));
    area.removeFromTop(10);

    auto buttons = area.removeFromBottom(30);
    area.removeFromBottom(10);

    categoryBounds = area.removeFromLeft(juce::jmin(area.getWidth(), 128));
    categoryList.setBounds(categoryBounds);
    area.removeFromLeft(17);
    presetList.setBounds(area);

    saveAsButton.setBounds(buttons.removeFromLeft(88));
    buttons.removeFromLeft(6);
    deleteButton.setBounds(buttons.removeFromLeft(88));
    buttons.removeFromLeft(6);
    revealButton.setBounds(buttons.removeFromLeft(88));
    closeButton.setBounds(buttons.removeFromRight(88));
}

int PresetBrowser::getNumRows()
{
    return categories.size();
}

void PresetBrowser::paintListBoxItem(int row, juce::Graphics& g, int width, int height, bool selected)
{
    if (row < 0 || row >= categories.size())
        return;

    if (selected)
    {
        g.setColour(pal::kField);
        g.fillRoundedRectangle(1.0f, 1.0f, static_cast<float>(juce::jmax(width - 2, 0)),
                               static_cast<float>(juce::jmax(height - 2, 0)), 3.0f);
    }

    g.setFont(mono(11.0f));
    g.setColour(selected ? pal::kGreen : pal::kLegend);
    g.drawText(categories[row].toUpperCase(), 8, 0, width - 16, height, juce::Justification::centredLeft);
}

void PresetBrowser::selectedRowsChanged(int lastRowSelected)
{
    if (refreshing || lastRowSelected < 0 || lastRowSelected >= categories.size())
        return;

    categoryInForce = categories[lastRowSelected];
    refresh();
}

void PresetBrowser::changeListenerCallback(juce::ChangeBroadcaster*)
{
    refresh();
}
} // namespace vorn
