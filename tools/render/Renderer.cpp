#include "Renderer.h"

#include "plugin/NumberText.h"

namespace vorn
{

namespace
{
/** Parses a real value, a choice text ("Wide") or a switch word ("on"/"off") for the parameter. */
bool parseValue(juce::RangedAudioParameter& parameter, const juce::String& text, float& value)
{
    const auto trimmed = text.trim();
    if (auto* choice = dynamic_cast<juce::AudioParameterChoice*>(&parameter))
    {
        const auto index = choice->choices.indexOf(trimmed, true);
        if (index >= 0)
        {
            value = float(index);
            return true;
        }
    }
    if (dynamic_cast<juce::AudioParameterBool*>(&parameter) != nullptr)
    {
        if (trimmed.equalsIgnoreCase("on") || trimmed.equalsIgnoreCase("true"))
            return (value = 1.0f), true;
        if (trimmed.equalsIgnoreCase("off") || trimmed.equalsIgnoreCase("false"))
            return (value = 0.0f), true;
    }
    if (trimmed.isEmpty() || !trimmed.containsOnly("0123456789.-+eE"))
        return false;
    value = withReadableExponent(trimmed).getFloatValue();
    return std::isfinite(value);
}

juce::String rangeText(const juce::RangedAudioParameter& parameter)
{
    const auto& range = parameter.getNormalisableRange();
    auto text = juce::String(range.start) + " to " + juce::String(range.end);
    if (auto* choice = dynamic_cast<const juce::AudioParameterChoice*>(&parameter))
        text << " (" << choice->choices.joinIntoString(", ") << ")";
    else if (range.interval > 0.0f)
        text << " in steps of " << juce::String(range.interval);
    return text;
}

void setAsThePanelDoes(juce::RangedAudioParameter& parameter, float value)
{
    parameter.beginChangeGesture();
    parameter.setValueNotifyingHost(parameter.convertTo0to1(value)); // clamps and snaps to the step
    parameter.endChangeGesture();
}

void prepare(VornReverbAudioProcessor& processor, int channels, double sampleRate, int blockSize)
{
    const auto set = channels == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add(set);
    layout.outputBuses.add(set);
    processor.setBusesLayout(layout);
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);
}
} // namespace

juce::Result applySettings(VornReverbAudioProcessor& processor, const RenderSettings& settings)
{
    if (settings.program.isNotEmpty())
    {
        auto& manager = processor.presetManager;
        int found = -1;
        for (int i = 0; i < int(manager.entries.size()) && found < 0; ++i)
            if (manager.entries[size_t(i)].name.equalsIgnoreCase(settings.program.trim()))
                found = i;
        if (found < 0)
            return juce::Result::fail("unknown program \"" + settings.program + "\" (--list shows them)");
        if (!manager.load(found))
            return juce::Result::fail("cannot read the preset file of \"" + settings.program + "\"");
    }

    for (const auto& [id, text] : settings.values)
    {
        auto* parameter = processor.parameters().getParameter(id);
        if (parameter == nullptr)
            return juce::Result::fail("unknown parameter \"" + id + "\" (--list shows them)");
        float value = 0.0f;
        if (!parseValue(*parameter, text, value))
            return juce::Result::fail(id + "=" + text + " is not a number; " + id + " takes " + rangeText(*parameter));
        const auto& range = parameter->getNormalisableRange();
        if (value < range.start || value > range.end)
            return juce::Result::fail(id + "=" + text + " is out of range; " + id + " takes " + rangeText(*parameter));
        setAsThePanelDoes(*parameter, value);
    }
    return juce::Result::ok();
}

juce::Result render(const juce::AudioBuffer<float>& input, double sampleRate, const RenderSettings& settings,
                    juce::AudioBuffer<float>& output, const std::function<void(double)>& progress)
{
    const auto channels = input.getNumChannels();
    if (channels < 1 || channels > 2)
        return juce::Result::fail("only mono and stereo files can be rendered, not " + juce::String(channels) +
                                  " channels");
    if (!(sampleRate > 0.0) || settings.blockSize < 1)
        return juce::Result::fail("invalid sample rate or block size");

    VornReverbAudioProcessor processor;
    prepare(processor, channels, sampleRate, settings.blockSize);
    if (const auto applied = applySettings(processor, settings); applied.failed())
        return applied;

    const auto inputLength = input.getNumSamples();
    const bool untilQuiet = settings.tailSeconds < 0.0;
    const auto tailLength = int(std::ceil((untilQuiet ? kMaxTailSeconds : settings.tailSeconds) * sampleRate));
    const auto quietWindow = int(std::ceil(kQuietWindowSeconds * sampleRate));
    const auto threshold = juce::Decibels::decibelsToGain(kQuietDb);

    output.setSize(channels, inputLength + tailLength);
    output.clear();
    for (int ch = 0; ch < channels; ++ch)
        output.copyFrom(ch, 0, input, ch, 0, inputLength);

    juce::MidiBuffer midi;
    int done = 0, lastLoud = -1;
    while (done < output.getNumSamples())
    {
        const auto n = juce::jmin(settings.blockSize, output.getNumSamples() - done);
        juce::AudioBuffer<float> block(output.getArrayOfWritePointers(), channels, done, n);
        processor.processBlock(block, midi);

        for (int ch = 0; ch < channels; ++ch)
            for (int i = n; --i >= 0;)
                if (std::abs(block.getSample(ch, i)) > threshold)
                {
                    lastLoud = juce::jmax(lastLoud, done + i);
                    break;
                }
        done += n;

        if (progress)
            progress(double(done) / double(untilQuiet ? inputLength + quietWindow : output.getNumSamples()));
        if (untilQuiet && done >= inputLength && done - (lastLoud + 1) >= quietWindow)
            break;
    }
    processor.releaseResources();

    // Until quiet: the file ends after the last sample above the threshold (never before the input ends).
    const auto length = untilQuiet ? juce::jmax(inputLength, lastLoud + 1) : done;
    output.setSize(channels, length, true);
    return juce::Result::ok();
}

juce::String describeProgramsAndParameters()
{
    VornReverbAudioProcessor processor;
    juce::String text;
    juce::String category;
    text << "Programs (--program NAME):\n";
    for (const auto& entry : processor.presetManager.entries)
    {
        if (entry.category != category)
        {
            category = entry.category;
            text << "  " << category << ":\n";
        }
        text << "    " << entry.name << "\n";
    }

    text << "\nParameters (--set ID=VALUE):\n";
    for (auto* base : processor.getParameters())
        if (auto* parameter = dynamic_cast<juce::RangedAudioParameter*>(base))
            text << "  " << parameter->getParameterID().paddedRight(' ', 12)
                 << parameter->getName(32).paddedRight(' ', 20) << rangeText(*parameter) << ", default "
                 << parameter->getText(parameter->getDefaultValue(), 32) << "\n";
    return text;
}

} // namespace vorn
