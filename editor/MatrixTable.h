#pragma once

#include "panel/KeyClass.h"

namespace vorn
{
/** One key of the parameter matrix, as printed on the unit. */
struct MatrixSlot
{
    const char* paramId; // empty for the one unused position
    const char* line1;
    const char* line2;
    const char* rangeText; // the value range printed in the key's corner
    float stepSize;        // one step of UP, DOWN and drag, in the parameter's own units
    int display;           // 0 decay, 1 level, 2 delay, 3 dry/wet
    vorn_panel::KeyClass keyClass;
};

constexpr int kMatrixRows = 24;

/** The 24 matrix keys in panel order: three rows of eight, left to right, top to bottom. */
const MatrixSlot (&matrixTable())[kMatrixRows];
} // namespace vorn
