#pragma once

#include <juce_graphics/juce_graphics.h>

namespace vorn_panel
{
/** What a key is for; it decides whether the key carries an LED and the colour of its accent stripe. */
enum class KeyClass : int
{
    selector = 0,
    reverbParam = 1,
    echoParam = 2,
    reverbProgram = 3,
    echoProgram = 4,
    memoryWrite = 5,
    memoryNav = 6,
    digit = 7,
    enter = 8,
    functionKey = 9,
    buzzer = 10
};

/** True for the classes whose keys show an LED. */
bool keyClassHasLed(KeyClass keyClass) noexcept;

/** The accent stripe colour of the class; unknown values take the digit key's stripe. */
juce::Colour keyClassStripe(KeyClass keyClass) noexcept;
} // namespace vorn_panel
