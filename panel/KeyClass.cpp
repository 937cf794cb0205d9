#include "panel/KeyClass.h"

#include "panel/Palette.h"

namespace vorn_panel
{
bool keyClassHasLed(KeyClass keyClass) noexcept
{
    switch (keyClass)
    {
    case KeyClass::selector:
    case KeyClass::reverbParam:
    case KeyClass::echoParam:
    case KeyClass::reverbProgram:
    case KeyClass::echoProgram:
    case KeyClass::functionKey:
    case KeyClass::buzzer:
        return true;
    case KeyClass::memoryWrite:
    case KeyClass::memoryNav:
    case KeyClass::digit:
    case KeyClass::enter:
        return false;
    }

    return false; // any other value is drawn like a digit key
}

juce::Colour keyClassStripe(KeyClass keyClass) noexcept
{
    switch (keyClass)
    {
    case KeyClass::reverbParam:
    case KeyClass::echoParam:
        return vorn::pal::kSlate;
    case KeyClass::reverbProgram:
    case KeyClass::memoryWrite:
    case KeyClass::memoryNav:
        return vorn::pal::kViolet;
    case KeyClass::echoProgram:
        return vorn::pal::kTeal;
    case KeyClass::selector:
    case KeyClass::digit:
    case KeyClass::enter:
    case KeyClass::functionKey:
    case KeyClass::buzzer:
        return vorn::pal::kLegend;
    }

    return vorn::pal::kLegend;
}
} // namespace vorn_panel
