#pragma once

#include "panel/KeyClass.h"

#include <juce_core/juce_core.h>

namespace vorn
{
/** One key of the parameter matrix, as printed on the unit. Its step and corner range come from the parameter
    table; the matrix itself only fixes where each key sits, its legends and its display. */
struct MatrixSlot
{
    const char* paramId; // empty for the one unused position
    const char* line1;
    const char* line2;
    juce::String rangeText; // the value range printed in the key's corner, or empty
    float stepSize;         // one step of UP, DOWN and drag, in the parameter's own units
    int display;            // 0 decay, 1 level, 2 delay, 3 dry/wet
    vorn_panel::KeyClass keyClass;
};

constexpr int kMatrixRows = 24;

/** The 24 matrix keys in panel order: three rows of eight, left to right, top to bottom. */
const MatrixSlot (&matrixTable())[kMatrixRows];
} // namespace vorn
