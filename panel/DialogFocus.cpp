#include "panel/DialogFocus.h"

namespace vorn
{
namespace
{
// The window system gives a new window the keyboard a moment after it opens, and the framework then hands it to
// a control of its own choosing (sometimes the first button). Until then the field asks again at these delays (ms).
constexpr int kRetryDelaysMs[] = {0, 50, 100, 200, 400, 700};

void takeKeyboard(juce::TextEditor& field)
{
    if (field.hasKeyboardFocus(false))
        return;

    if (field.isShowing())
        field.grabKeyboardFocus();

    field.selectAll();
}
} // namespace

void focusTextField(juce::AlertWindow& window, const juce::String& fieldName)
{
    auto* field = window.getTextEditor(fieldName);

    if (field == nullptr)
        return;

    takeKeyboard(*field);

    const juce::Component::SafePointer<juce::TextEditor> safeField(field);

    for (const auto delayMs : kRetryDelaysMs)
        juce::Timer::callAfterDelay(delayMs,
                                    [safeField]
                                    {
                                        if (safeField != nullptr)
                                            takeKeyboard(*safeField);
                                    });
}
} // namespace vorn
