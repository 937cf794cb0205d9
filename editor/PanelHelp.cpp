// What the panel tells a user who hovers over a control (tooltips) and a screen reader (titles and values).
#include "editor/ParameterText.h"
#include "editor/PluginEditor.h"

namespace
{
const vorn::ParameterInfo& infoFor(const char* id)
{
    const auto* info = vorn::findParameter(id);
    jassert(info != nullptr);
    return info != nullptr ? *info : vorn::kParameterTable[0];
}

struct KeyHelp
{
    const char* title;
    const char* tooltip;
};

constexpr KeyHelp kModeHelp[] = {
    {"Echo 1", "ECHO 1: one echo line, T1, repeating with feedback K1. Selects T1 for editing."},
    {"Echo 2", "ECHO 2: two echo lines, T1 and T2, with feedbacks K1 and K2. Selects T1 for editing."},
    {"Delay 1", "DELAY 1: one plain delay, T1, without repeats. Selects T1 for editing."},
    {"Delay 2", "DELAY 2: two plain delays, T1 and T2, without repeats. Selects T1 for editing."},
};

constexpr const char* kProgramNames[] = {"Chamber", "Broadcast", "Wide", "Luxe"};

constexpr KeyHelp kDisplayHelp[] = {
    {"Reverb time display", "SEC: the reverb time in seconds (0.4 to 9.9 s). Double-click to type a value."},
    {"Level display", "LEVEL: the output level, or the value of the selected parameter that has no display of its own. "
                      "Double-click to type a value."},
    {"Delay display",
     "DELAY: the pre-delay in ms, or the selected delay time (T1, T2, E.RFL and SUB REV delays). Double-click to "
     "type a value."},
    {"Dry/wet display", "DRY / WET: the balance of dry and processed sound in % (0 to 100). Double-click to type a "
                        "value."},
};

// Lamps light when the input peak reaches about -28, -20, -10 and -2 dBFS.
constexpr const char* kLampLevels[] = {"-28", "-20", "-10", "-2"};
/** What a hovering user and a screen reader learn of a key. */
void describe(vorn_panel::PanelKey& key, const juce::String& title, const juce::String& tooltip,
              std::function<juce::String()> value)
{
    key.setTitle(title);
    key.setTooltip(tooltip);
    key.describeValue = std::move(value);
}
} // namespace

void VornReverbAudioProcessorEditor::describeControls()
{
    setTitle("Vorn 77 NL front panel");

    const auto& table = vorn::matrixTable();

    for (size_t i = 0; i < matrixKeys.size(); ++i)
    {
        const juce::String id(table[i].paramId);

        if (id.isEmpty())
            continue;

        const auto& info = infoFor(table[i].paramId);
        auto& key = matrixKeys[i];
        describe(key, info.name,
                 (key.getLine1() + " " + key.getLine2()).trim() + ": " + info.name + ", " + vorn::rangeInWords(info) +
                     ". Click to select it, then key in a value and press ENTER (or type it on the computer "
                     "keyboard); or drag the key up or down.",
                 [this, &info, &key, id]
                 {
                     auto text = vorn::valueWithUnit(info, currentParamValue(id));

                     if (key.isGated())
                         text += ", not used in this mode";
                     else if (selectedParam == id)
                         text += ", selected";

                     return text;
                 });
    }

    const auto ledValue = [](vorn_panel::PanelKey& key, const char* lit, const char* unlit)
    { return [&key, lit, unlit] { return juce::String(key.isLedOn() ? lit : unlit); }; };

    const auto describeSelectors =
        [ledValue](std::array<vorn_panel::PanelKey, 4>& keys, const char* id, const char* prefix, const char* meaning)
    {
        const auto& info = infoFor(id);

        for (auto& key : keys)
            describe(key, juce::String(info.name) + " " + key.getLine1(),
                     prefix + key.getLine1() + ": " + meaning + " (" + info.name + ").",
                     ledValue(key, "selected", "not selected"));
    };

    describeSelectors(lowCutKeys, "lowCut", "LOW CUT ", "the high-pass in Hz on the reverb's input");
    describeSelectors(highCutKeys, "highCut", "HIGH CUT ", "the high cut in Hz");
    describeSelectors(rtLowKeys, "rtLow", "RT LOW ", "low frequencies ring for this multiple of the reverb time");
    describeSelectors(rtHighKeys, "rtHigh", "RT HIGH ", "high frequencies ring for this multiple of the reverb time");

    for (size_t i = 0; i < programKeys.size(); ++i)
    {
        auto& key = programKeys[i];
        describe(key, juce::String("Program ") + key.getLine1() + ", " + kProgramNames[i],
                 key.getLine1() + " REVERB: the " + kProgramNames[i] +
                     " character with its reverb settings; returns to the reverb mode.",
                 ledValue(key, "active", "not active"));
    }

    for (size_t i = 0; i < modeKeys.size(); ++i)
        describe(modeKeys[i], kModeHelp[i].title, kModeHelp[i].tooltip, ledValue(modeKeys[i], "active", "not active"));

    const auto armed = [this](const char* operation)
    { return [this, operation] { return juce::String(memoryMode == operation ? "armed" : "not armed"); }; };

    describe(writeKey, "Write memory",
             "WRITE: store the panel in memory 0 to 9: WRITE, a digit, ENTER, then name it. Escape disarms.",
             armed("write"));
    describe(readKey, "Read memory", "READ: recall memory 0 to 9: READ, a digit, ENTER. Escape disarms.",
             armed("read"));

    const auto selectedValue = [this]
    {
        const auto* info = vorn::findParameter(selectedParam.toStdString());
        return info != nullptr
                   ? juce::String(info->name) + " " + vorn::valueWithUnit(*info, currentParamValue(selectedParam))
                   : juce::String("nothing selected");
    };

    describe(upKey, "Up", "UP: raise the selected parameter by one step; hold to repeat (Up arrow).", selectedValue);
    describe(downKey, "Down", "DOWN: lower the selected parameter by one step; hold to repeat (Down arrow).",
             selectedValue);

    const auto keyedValue = [this]
    {
        if (memoryMode.isNotEmpty())
            return entryBuffer.isEmpty() ? juce::String("waiting for a memory digit") : "memory " + entryBuffer;

        return entryBuffer.isEmpty() ? juce::String("nothing keyed") : "keyed " + entryBuffer;
    };

    for (size_t d = 0; d < digitKeys.size(); ++d)
    {
        const juce::String digit(static_cast<int>(d));
        describe(digitKeys[d], "Keypad " + digit,
                 "Key in " + digit + " (or type it on the computer keyboard; Backspace takes the last one back).",
                 keyedValue);
    }

    describe(pointKey, "Keypad point", "Key in a decimal point (or type it).", keyedValue);
    describe(enterKey, "Enter",
             "ENTER: give the keyed value to the selected parameter, or complete WRITE or READ (Return).", keyedValue);

    const auto toggleValue = [](vorn_panel::PanelKey& key)
    { return [&key] { return juce::String(key.getToggleState() ? "on" : "off"); }; };

    describe(vintageKey, "Vintage out",
             "VINTAGE OUT: the output through the vintage converter's coarse, dithered sampling.",
             toggleValue(vintageKey));
    describe(delaySyncKey, "Delay sync", "DELAY SYNC: echo and delay times follow the host's tempo.",
             toggleValue(delaySyncKey));
    describe(pingPongKey, "Ping-pong", "PING-PONG: the echoes cross between left and right.", toggleValue(pingPongKey));
    describe(buzzerKey, "Buzzer", "BUZZER: a short test pulse into the input every 0.75 s while on.",
             toggleValue(buzzerKey));

    const auto programValue = [this] { return programName.getText(); };
    describe(prevKey, "Previous program", "PREV: load the previous program of the library.", programValue);
    describe(nextKey, "Next program", "NEXT: load the next program of the library.", programValue);
    describe(saveKey, "Save program", "SAVE: save the panel as a user preset under the name at the left.",
             programValue);

    describe(browseKey, "Browse presets", "BROWSE: find, load, save and delete programs by category and name.",
             [this] { return juce::String(browser != nullptr ? "open" : "closed"); });
    describe(curvesKey, "Curves", "CURVES: the reverb time across frequency and the response of the reverb's input.",
             [this] { return juce::String(curves != nullptr ? "open" : "closed"); });

    programName.setTitle("Program name");
    programName.setTooltip("The current program's name, and the name SAVE uses: click to type a new one.");

    for (size_t i = 0; i < displays.size(); ++i)
    {
        displays[i].setTitle(kDisplayHelp[i].title);
        displays[i].setTooltip(kDisplayHelp[i].tooltip);
    }

    for (size_t i = 0; i < headroomLamps.size(); ++i)
    {
        headroomLamps[i].setTitle(juce::String("Headroom lamp ") + kLampLevels[i] + " dBFS");
        headroomLamps[i].setTooltip(juce::String("HEADROOM: lights when the input peaks above about ") +
                                    kLampLevels[i] + " dBFS" + (i + 1 == headroomLamps.size() ? " (red)." : "."));
    }

    inMeter.setTitle("Input level");
    inMeter.setTooltip("IN: the input level, -54 to +6 dB.");
    outMeter.setTitle("Output level");
    outMeter.setTooltip("OUT: the output level, -54 to +6 dB.");
}
