#include "editor/MatrixTable.h"

namespace vorn
{
namespace
{
using vorn_panel::KeyClass;

const MatrixSlot kMatrix[kMatrixRows] = {
    {"decay", "REVERB", "TIME", "0-9.9", 1.0f, 0, KeyClass::reverbParam},
    {"predelay", "PRE", "DLY", "0-255", 1.0f, 2, KeyClass::reverbParam},
    {"size", "SIZE", "", "", 1.0f, 1, KeyClass::reverbParam},
    {"character", "CHAR", "", "", 1.0f, 1, KeyClass::reverbParam},
    {"earlyLevel", "E.RFL", "LEVEL", "0-0.9", 0.01f, 1, KeyClass::reverbParam},
    {"earlyDelay", "E.RFL", "DELAY", "0-255", 1.0f, 2, KeyClass::reverbParam},
    {"subLevel", "SUB REV", "LEVEL", "0-0.9", 0.01f, 1, KeyClass::reverbParam},
    {"subDelay", "SUB REV", "DELAY", "0-255", 1.0f, 2, KeyClass::reverbParam},
    {"mix", "REV", "LEVEL", "", 1.0f, 1, KeyClass::reverbParam},
    {"dryWet", "DRY", "WET", "0-100", 1.0f, 3, KeyClass::reverbParam},
    {"outputGain", "OUT", "LEVEL", "", 0.01f, 1, KeyClass::reverbParam},
    {"width", "WIDTH", "", "", 1.0f, 1, KeyClass::reverbParam},
    // Not 0.01: "detune" moves in steps of 0.1, so a finer step snapped back to where it started and UP, DOWN
    // and drags could never move it.
    {"detune", "DETUNE", "", "", 0.1f, 1, KeyClass::reverbParam},
    {"lfoRate", "LFO", "RATE", "", 0.01f, 1, KeyClass::reverbParam},
    {"inputLink", "IN", "LINK", "", 0.01f, 1, KeyClass::reverbParam},
    {"lowTilt", "LOW", "TILT", "", 0.01f, 1, KeyClass::reverbParam},
    {"t1", "T1", "", "0-999", 1.0f, 2, KeyClass::echoParam},
    {"t2", "T2", "", "0-499", 1.0f, 2, KeyClass::echoParam},
    {"k1", "K1", "", "0-0.9", 0.01f, 1, KeyClass::echoParam},
    {"k2", "K2", "", "0-0.9", 0.01f, 1, KeyClass::echoParam},
    {"delayMix", "DLY", "LEVEL", "", 0.01f, 1, KeyClass::echoParam},
    {"reverbTail", "REV", "TAIL", "", 1.0f, 1, KeyClass::reverbParam},
    {"", "", "", "", 1.0f, 1, KeyClass::reverbParam},
    {"modDepth", "MOD", "DEPTH", "0-100", 1.0f, 1, KeyClass::reverbParam},
};
} // namespace

const MatrixSlot (&matrixTable())[kMatrixRows]
{
    return kMatrix;
}
} // namespace vorn
