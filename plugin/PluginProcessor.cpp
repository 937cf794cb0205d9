#include "plugin/PluginProcessor.h"

#include "plugin/NumberText.h"
#include "plugin/OutputGuard.h"
#include "plugin/PlainXml.h"

#include <cmath>
#include <limits>

namespace
{
constexpr float kMeterFloorDb = -100.0f;
constexpr float kMeterFallDbPerSecond = 11.5f;

/** The framework's XML blob wrapper: this number, the text's length in bytes, then the UTF-8 text. */
constexpr juce::uint32 kXmlBlobMagic = 0x21324356;

/** Our state nests two deep (root, one child per parameter); anything far deeper is not ours. */
constexpr int kMaxStateNesting = 32;

/** The largest magnitude in the first channels of a buffer. */
float magnitudeOf(const juce::AudioBuffer<float>& buffer, int channels)
{
    float peak = 0.0f;
    for (int ch = 0; ch < std::min(channels, buffer.getNumChannels()); ++ch)
        peak = std::max(peak, buffer.getMagnitude(ch, 0, buffer.getNumSamples()));
    return peak;
}

/** A peak magnitude in dB, floored at -100 dB. */
float meterDb(float peak)
{
    return peak > 0.0f ? juce::jmax(kMeterFloorDb, 20.0f * std::log10(peak)) : kMeterFloorDb;
}

/** Holds the level with a fall of 11.5 dB per second of audio; a louder block raises it at once. */
void holdLevel(std::atomic<float>& level, float blockDb, int numSamples, double sampleRate)
{
    const auto fallen = level.load() - static_cast<float>(numSamples * kMeterFallDbPerSecond / sampleRate);
    level.store(juce::jmax(blockDb, fallen));
}

/** Reads each restored value once, safely whatever its text; a non-finite one keeps the parameter at its current
    value. */
void replaceNonFiniteValues(juce::ValueTree& state, juce::AudioProcessorValueTreeState& current)
{
    for (auto child : state)
    {
        const auto value = child.getProperty("value");
        if (value.isVoid())
            continue;
        if (const auto number = vorn::numberFrom(value); std::isfinite(number))
        {
            child.setProperty("value", number, nullptr); // the framework would read the text again, unsafely
            continue;
        }
        if (auto* raw = current.getRawParameterValue(child.getProperty("id").toString()))
            child.setProperty("value", raw->load(), nullptr);
        else
            child.removeProperty("value", nullptr);
    }
}
} // namespace

VornReverbAudioProcessor::VornReverbAudioProcessor()
    : AudioProcessor(BusesProperties()
                         .withInput("Input", juce::AudioChannelSet::stereo(), true)
                         .withOutput("Output", juce::AudioChannelSet::stereo(), true))
    , apvts(*this, nullptr, "PARAMETERS", createParameterLayout())
    , presetManager(apvts)
{
}

VornReverbAudioProcessor::~VornReverbAudioProcessor() = default;

const juce::String VornReverbAudioProcessor::getName() const
{
    return "Vorn 77 NL";
}

void VornReverbAudioProcessor::prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock)
{
    dsp.prepare(sampleRate, maximumExpectedSamplesPerBlock);
    meterPeak.store(0.0f);
}

void VornReverbAudioProcessor::releaseResources()
{
    dsp.reset();
}

void VornReverbAudioProcessor::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    const auto numSamples = buffer.getNumSamples();
    const auto sampleRate = getSampleRate() > 0.0 ? getSampleRate() : 48000.0;

    // The input meter reads every channel as the host hands them over; the clip lamp reads the input channels
    // after the test pulse. Without a pulse they are one scan of the block.
    const auto channels = buffer.getNumChannels();
    const auto inputChannels = std::min(getTotalNumInputChannels(), channels);
    const auto arrivingPeak = magnitudeOf(buffer, channels);
    holdLevel(inputLevelDb, meterDb(arrivingPeak), numSamples, sampleRate);

    juce::ScopedNoDenormals noDenormals;

    captureHostTempo();

    for (auto ch = getTotalNumInputChannels(); ch < juce::jmin(getTotalNumOutputChannels(), channels); ++ch)
        buffer.clear(ch, 0, numSamples);

    const bool pulsed = runTestPulse(buffer);
    const float inputPeak = pulsed || inputChannels < channels ? magnitudeOf(buffer, inputChannels) : arrivingPeak;

    const auto parameters = readParameters();
    const auto advanced = readAdvanced();
    dsp.process(buffer, parameters, advanced, readDna());

    holdLevel(outputLevelDb, meterDb(vorn::guardOutput(buffer)), numSamples, sampleRate);

    if (inputPeak > meterPeak.load())
        meterPeak.store(juce::jmin(inputPeak, 1.5f));
}

void VornReverbAudioProcessor::captureHostTempo()
{
    if (auto* head = getPlayHead())
        if (const auto position = head->getPosition())
            if (const auto bpm = position->getBpm())
                if (*bpm > 20.0 && *bpm < 400.0)
                    hostBpm.store(*bpm);
}

bool VornReverbAudioProcessor::runTestPulse(juce::AudioBuffer<float>& buffer)
{
    const auto numSamples = buffer.getNumSamples();

    if (buzzerEnabled.load())
    {
        if (buzzerCountdown <= 0)
        {
            buzzerRemaining = kBuzzerPulseLength;
            buzzerCountdown = juce::jmax(1, juce::roundToInt(0.75 * getSampleRate()));
        }
        buzzerCountdown -= numSamples;
    }
    else
    {
        buzzerCountdown = 0;
    }

    if (buzzerTrigger.exchange(false))
        buzzerRemaining = kBuzzerPulseLength;

    if (buzzerRemaining <= 0)
        return false;

    const auto count = juce::jmin(numSamples, buzzerRemaining);
    const auto first = kBuzzerPulseLength - buzzerRemaining;
    for (int i = 0; i < count; ++i)
    {
        const auto phase = juce::MathConstants<float>::twoPi * static_cast<float>(first + i) / 15.0f;
        const auto bump = 0.85f * (0.5f - 0.5f * std::cos(phase));
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            buffer.getWritePointer(ch)[i] += bump;
    }
    buzzerRemaining -= count;
    return true;
}

double VornReverbAudioProcessor::getTailLengthSeconds() const
{
    return 12.0;
}

bool VornReverbAudioProcessor::acceptsMidi() const
{
    return false;
}

bool VornReverbAudioProcessor::producesMidi() const
{
    return false;
}

bool VornReverbAudioProcessor::isMidiEffect() const
{
    return false;
}

bool VornReverbAudioProcessor::hasEditor() const
{
    return true;
}

int VornReverbAudioProcessor::getNumPrograms()
{
    return 1;
}

int VornReverbAudioProcessor::getCurrentProgram()
{
    return 0;
}

void VornReverbAudioProcessor::setCurrentProgram(int) {}

const juce::String VornReverbAudioProcessor::getProgramName(int)
{
    return {};
}

void VornReverbAudioProcessor::changeProgramName(int, const juce::String&) {}

void VornReverbAudioProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    const auto state = apvts.copyState();
    if (const auto xml = state.createXml())
        copyXmlToBinary(*xml, destData);
}

void VornReverbAudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0)
        return;

    // Unwrapped here rather than by getXmlFromBinary, so that the text can be checked before it is parsed: a
    // project file can hold anything, and the framework's parser recurses once per nesting level.
    if (sizeInBytes <= 8 || juce::ByteOrder::littleEndianInt(data) != kXmlBlobMagic)
        return;
    const auto textBytes = static_cast<int>(juce::ByteOrder::littleEndianInt(static_cast<const char*>(data) + 4));
    if (textBytes <= 0)
        return;
    const auto text =
        juce::String::fromUTF8(static_cast<const char*>(data) + 8, juce::jmin(sizeInBytes - 8, textBytes));
    if (!vorn::hasPlainXmlShape(text, kMaxStateNesting))
        return;

    const auto xml = juce::parseXML(text);
    if (xml == nullptr || xml->getTagName() != apvts.state.getType().toString())
        return;

    auto state = juce::ValueTree::fromXml(*xml);
    replaceNonFiniteValues(state, apvts);
    apvts.replaceState(state);
}

bool VornReverbAudioProcessor::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    const auto& input = layouts.getMainInputChannelSet();
    return input == layouts.getMainOutputChannelSet() &&
           (input == juce::AudioChannelSet::mono() || input == juce::AudioChannelSet::stereo());
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new VornReverbAudioProcessor();
}
