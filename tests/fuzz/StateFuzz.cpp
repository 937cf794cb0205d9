// Host-saved state is whatever the project file holds: restoring any bytes must leave every parameter finite and
// in range, and the next block finite and within +-1. Inputs that are not a state blob are also tried as the text
// inside one, so mutations of valid state XML reach the parser.
#include "FuzzSupport.h"

#include "plugin/PluginProcessor.h"

#include <cmath>

namespace
{
constexpr juce::uint32 kXmlBlobMagic = 0x21324356;
constexpr int kBlockSize = 64;

struct Fixture
{
    Fixture()
    {
        processor.setRateAndBufferSizeDetails(48000.0, kBlockSize);
        processor.prepareToPlay(48000.0, kBlockSize);
        baseline = processor.parameters().copyState();
    }

    VornReverbAudioProcessor processor;
    juce::ValueTree baseline;
    juce::AudioBuffer<float> block{2, kBlockSize};
    juce::MidiBuffer midi;
};

Fixture* fixture = nullptr;

void restoreAndCheck(const void* data, int size)
{
    auto& processor = fixture->processor;
    auto& state = processor.parameters();
    state.replaceState(fixture->baseline.createCopy());
    processor.setStateInformation(data, size);

    for (auto* base : processor.getParameters())
    {
        const auto* parameter = dynamic_cast<juce::RangedAudioParameter*>(base);
        vorn::fuzz::require(parameter != nullptr);
        const auto value = state.getRawParameterValue(parameter->getParameterID())->load();
        const auto& range = parameter->getNormalisableRange();
        vorn::fuzz::require(std::isfinite(value) && value >= range.start && value <= range.end);
    }

    juce::MemoryBlock saved;
    processor.getStateInformation(saved);
    vorn::fuzz::require(saved.getSize() > 8);

    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < kBlockSize; ++i)
            fixture->block.setSample(ch, i, std::sin(0.1f * float(i + 7 * ch)));
    processor.processBlock(fixture->block, fixture->midi);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < kBlockSize; ++i)
        {
            const auto y = fixture->block.getSample(ch, i);
            vorn::fuzz::require(std::isfinite(y) && std::abs(y) <= 1.0f);
        }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    vorn::fuzz::startFramework();
    fixture = new Fixture();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return -1;

    restoreAndCheck(data, static_cast<int>(size));

    if (size < 4 || juce::ByteOrder::littleEndianInt(data) != kXmlBlobMagic)
    {
        juce::MemoryOutputStream wrapped;
        wrapped.writeInt(static_cast<int>(kXmlBlobMagic));
        wrapped.writeInt(static_cast<int>(size));
        wrapped.write(data, size);
        restoreAndCheck(wrapped.getData(), static_cast<int>(wrapped.getDataSize()));
    }
    return 0;
}
