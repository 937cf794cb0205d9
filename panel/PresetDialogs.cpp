#include "panel/PresetDialogs.h"

#include "panel/DialogFocus.h"

namespace vorn
{
namespace
{
juce::Component* askNameInAlertWindow(const juce::String& name, const juce::StringArray& categories,
                                      const juce::String& category, PresetDialogs::NameAnswer answer)
{
    // Owned by the modal manager, which deletes it once it is dismissed and its callback has run.
    auto* window = new juce::AlertWindow("Save preset", {}, juce::MessageBoxIconType::NoIcon);
    window->addTextEditor("name", name, "Name");
    window->addComboBox("cat", categories, "Category");
    window->addButton("Save", 1, juce::KeyPress(juce::KeyPress::returnKey));
    window->addButton("Cancel", 0, juce::KeyPress(juce::KeyPress::escapeKey));

    if (auto* box = window->getComboBoxComponent("cat"))
        box->setSelectedItemIndex(juce::jmax(0, categories.indexOf(category)), juce::dontSendNotification);

    const juce::Component::SafePointer<juce::AlertWindow> open(window);
    auto dismissed = [open, answer = std::move(answer)](int result)
    {
        // Deleted before it was answered (its browser closed): nothing was asked for.
        if (open == nullptr)
        {
            answer(false, {}, {});
            return;
        }

        const auto* category = open->getComboBoxComponent("cat");
        answer(result == 1, open->getTextEditorContents("name"),
               category != nullptr ? category->getText() : juce::String());
    };

    window->enterModalState(true, juce::ModalCallbackFunction::create(std::move(dismissed)), true);
    focusTextField(*window, "name");
    return window;
}

void confirmInMessageBox(const juce::String& title, const juce::String& message, std::function<void()> onOk)
{
    auto answered = [onOk = std::move(onOk)](int result)
    {
        if (result != 0 && onOk != nullptr)
            onOk();
    };

    juce::NativeMessageBox::showOkCancelBox(juce::MessageBoxIconType::QuestionIcon, title, message, nullptr,
                                            juce::ModalCallbackFunction::create(std::move(answered)));
}

void tellInMessageBox(const juce::String& title, const juce::String& message)
{
    juce::AlertWindow::showMessageBoxAsync(juce::MessageBoxIconType::WarningIcon, title, message);
}
} // namespace

PresetDialogs PresetDialogs::desktop()
{
    PresetDialogs dialogs;
    dialogs.askName = askNameInAlertWindow;
    dialogs.confirm = confirmInMessageBox;
    dialogs.tell = tellInMessageBox;
    dialogs.reveal = [](const juce::File& folder) { folder.revealToUser(); };
    return dialogs;
}
} // namespace vorn
