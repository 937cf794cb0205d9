#pragma once

#include "engine/ParameterTable.h"
#include "engine/VornDsp.h"
#include "plugin/PresetManager.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <cmath>

/** The plug-in's audio processor: parameters, program library, engine, metering and state. */
class VornReverbAudioProcessor : public juce::AudioProcessor
{
public:
    VornReverbAudioProcessor();
    ~VornReverbAudioProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;
    juce::AudioProcessorEditor* createEditor() override; // defined with the editor
    bool hasEditor() const override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;
    void getStateInformation(juce::MemoryBlock& destData) override;
    void setStateInformation(const void* data, int sizeInBytes) override;
    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;

    /** The 33 parameters in host order. */
    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    /** The parameter store. */
    juce::AudioProcessorValueTreeState& parameters() noexcept { return apvts; }

    /** The held input peak (linear), left in place. */
    float getOutputMeterLevel() const noexcept { return meterPeak.load(); }

    /** The held input peak (linear), reset to 0 in the same exchange. */
    float consumeMeterPeak() noexcept { return meterPeak.exchange(0.0f); }

    /** Engine records from the parameter store, built once per block. */
    vorn::Parameters readParameters() const;
    vorn::Advanced readAdvanced() const;
    const vorn::CircuitDna& readDna() const noexcept { return unitDna; }

    /** The unit id every instance derives its circuit DNA from. */
    static constexpr const char* kUnitId = "7F2C91A0";

    /** Samples in one BUZZER test pulse. */
    static constexpr int kBuzzerPulseLength = 16;

private:
    juce::AudioProcessorValueTreeState apvts;

public:
    vorn::PresetManager presetManager;

private:
    vorn::VornDsp dsp;

public:
    std::atomic<bool> buzzerTrigger{false};

private:
    int buzzerRemaining = 0;

public:
    std::atomic<bool> buzzerEnabled{false};

private:
    int buzzerCountdown = 0;

public:
    std::atomic<float> meterPeak{0.0f};
    std::atomic<float> inputLevelDb{-100.0f};
    std::atomic<float> outputLevelDb{-100.0f};
    std::atomic<double> hostBpm{120.0};

private:
    /** Atomic raw values in the order of the parameter table, looked up once so the audio thread does no string
        searches. */
    struct RawValues
    {
        explicit RawValues(juce::AudioProcessorValueTreeState& state);

        /** The current value of the parameter at `Index` of the table: at<parameterIndex("decay")>(), so that an
            identifier that names no parameter does not compile. NaN reads as the value the parameter started with,
            its default: a host can send NaN as automation, the framework stores it as it comes, and it would fill
            the reverb's lines for good. */
        template <std::size_t Index>
        float at() const noexcept
        {
            static_assert(Index < vorn::kParameterCount, "no such parameter");
            const auto value = values[Index]->load();
            return std::isnan(value) ? defaults[Index] : value;
        }

        std::array<std::atomic<float>*, vorn::kParameterCount> values{};
        std::array<float, vorn::kParameterCount> defaults{}; // as the framework holds them, after its own rounding
    };

    const RawValues raw{apvts};
    const vorn::CircuitDna unitDna{vorn::deriveDna(kUnitId)};

    void captureHostTempo();
    bool runTestPulse(juce::AudioBuffer<float>& buffer); // whether it added to the block

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(VornReverbAudioProcessor)
};
