// The renderer's WAV reading on hand-made files: what a good file holds comes back, and the sizes written in a
// file's chunk headers never decide how much is allocated or read.
#include "tools/render/WavInput.h"

#include <gtest/gtest.h>
#include <juce_audio_formats/juce_audio_formats.h>

namespace
{
/** Little-endian RIFF bytes, chunk by chunk; sizes may lie. */
struct WavBytes
{
    juce::MemoryBlock data;

    WavBytes& id(const char* fourCC)
    {
        data.append(fourCC, 4);
        return *this;
    }
    WavBytes& u32(juce::uint32 v)
    {
        const char bytes[] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
        data.append(bytes, 4);
        return *this;
    }
    WavBytes& u16(int v)
    {
        const char bytes[] = {char(v & 0xff), char((v >> 8) & 0xff)};
        data.append(bytes, 2);
        return *this;
    }
    WavBytes& pcmFormat(int channels, int bits, int tag = 1, juce::uint32 rate = 44100)
    {
        id("fmt ").u32(16).u16(tag).u16(channels).u32(rate).u32(rate * juce::uint32(channels * bits / 8));
        return u16(channels * bits / 8).u16(bits);
    }
    /** `frames` samples of a ramp, 16-bit mono. */
    WavBytes& ramp16(int frames)
    {
        for (int i = 0; i < frames; ++i)
            u16(i * 100);
        return *this;
    }
};

WavBytes riff()
{
    WavBytes bytes;
    bytes.id("RIFF").u32(0xfffffff0u).id("WAVE"); // a RIFF size that lies changes nothing
    return bytes;
}

class WavInput : public ::testing::Test
{
protected:
    juce::Result read(const juce::MemoryBlock& bytes)
    {
        file.getFile().replaceWithData(bytes.getData(), bytes.getSize());
        return vorn::readWav(file.getFile(), audio, sampleRate);
    }

    juce::TemporaryFile file{".wav"};
    juce::AudioBuffer<float> audio;
    double sampleRate = 0.0;
};
} // namespace

TEST_F(WavInput, FilesWrittenByTheFrameworkComeBackSampleForSample)
{
    for (const auto& [channels, bits] : {std::pair{1, 16}, {2, 24}, {2, 32}, {1, 8}})
    {
        juce::AudioBuffer<float> written(channels, 1000);
        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < 1000; ++i)
                written.setSample(ch, i, 0.5f * std::sin(0.01f * float(i * (ch + 1))));
        file.getFile().deleteFile();
        {
            juce::WavAudioFormat wav;
            std::unique_ptr<juce::AudioFormatWriter> writer(wav.createWriterFor(
                new juce::FileOutputStream(file.getFile()), 96000.0, unsigned(channels), bits, {}, 0));
            ASSERT_NE(writer, nullptr);
            writer->writeFromAudioSampleBuffer(written, 0, 1000);
        }

        ASSERT_TRUE(vorn::readWav(file.getFile(), audio, sampleRate).wasOk()) << bits;
        EXPECT_EQ(sampleRate, 96000.0);
        ASSERT_EQ(audio.getNumChannels(), channels);
        ASSERT_EQ(audio.getNumSamples(), 1000);
        const auto step = 2.0f / float(1 << juce::jmin(bits, 24));
        for (int ch = 0; ch < channels; ++ch)
            for (int i = 0; i < 1000; ++i)
                ASSERT_NEAR(audio.getSample(ch, i), written.getSample(ch, i), step) << bits << " bits, sample " << i;
    }
}

TEST_F(WavInput, Rf64FilesAreRead)
{
    WavBytes bytes;
    bytes.id("RF64").u32(0xffffffffu).id("WAVE");
    bytes.id("ds64").u32(28).u32(100).u32(0).u32(64).u32(0).u32(32).u32(0).u32(0);
    bytes.pcmFormat(1, 16).id("data").u32(0xffffffffu).ramp16(32);
    ASSERT_TRUE(read(bytes.data).wasOk());
    ASSERT_EQ(audio.getNumSamples(), 32);
    EXPECT_NEAR(audio.getSample(0, 31), 3100.0f / 32768.0f, 1.0e-6f);
}

TEST_F(WavInput, AudioIsNeverLargerThanTheFile)
{
    // A data chunk claiming two gigabytes in a 100-byte file: the framework's reader would allocate and fill
    // all of it; only the audio that is there is read.
    auto truncated = riff();
    truncated.pcmFormat(1, 16).id("data").u32(0x7ffffff0u).ramp16(24);
    ASSERT_TRUE(read(truncated.data).wasOk());
    EXPECT_EQ(audio.getNumSamples(), 24);
    EXPECT_NEAR(audio.getSample(0, 23), 2300.0f / 32768.0f, 1.0e-6f);

    // A metadata chunk claiming four gigabytes after the audio is never allocated: the audio is read.
    auto hugeMetadata = riff();
    hugeMetadata.pcmFormat(1, 16).id("data").u32(48).ramp16(24).id("bext").u32(0xfffffff0u).u32(0);
    ASSERT_TRUE(read(hugeMetadata.data).wasOk());
    EXPECT_EQ(audio.getNumSamples(), 24);
}

TEST_F(WavInput, MalformedFilesAreRefusedWithAMessage)
{
    const auto notReadable = [] { return riff(); };
    std::vector<std::pair<const char*, WavBytes>> cases;
    cases.emplace_back("empty", WavBytes{});
    cases.emplace_back("header only", notReadable());
    {
        auto b = notReadable();
        b.id("data").u32(48).ramp16(24);
        cases.emplace_back("no format chunk", std::move(b));
    }
    {
        auto b = notReadable();
        b.id("fmt ").u32(8).u16(1).u16(1).u32(44100).id("data").u32(48).ramp16(24);
        cases.emplace_back("format chunk too short", std::move(b));
    }
    {
        auto b = notReadable();
        b.pcmFormat(1, 12).id("data").u32(48).ramp16(24);
        cases.emplace_back("12-bit samples", std::move(b));
    }
    {
        auto b = notReadable();
        b.pcmFormat(1, 16, 2).id("data").u32(48).ramp16(24);
        cases.emplace_back("compressed (ADPCM)", std::move(b));
    }
    {
        auto b = notReadable();
        b.pcmFormat(1, 16).id("LIST").u32(0xfffffff0u).id("adtl").id("data").u32(48).ramp16(24);
        cases.emplace_back("metadata claiming more than the file before the audio", std::move(b));
    }
    {
        auto b = notReadable();
        b.pcmFormat(0, 16).id("data").u32(48).ramp16(24);
        cases.emplace_back("no channels", std::move(b));
    }
    {
        auto b = notReadable();
        b.pcmFormat(1, 16, 1, 0).id("data").u32(48).ramp16(24);
        cases.emplace_back("sample rate 0", std::move(b));
    }

    for (auto& [name, bytes] : cases)
    {
        audio.setSize(1, 5);
        const auto result = read(bytes.data);
        EXPECT_TRUE(result.failed()) << name;
        EXPECT_TRUE(result.getErrorMessage().contains(file.getFile().getFileName())) << name;
        EXPECT_EQ(audio.getNumSamples(), 5) << name << ": the caller's buffer is left alone";
    }

    auto threeChannels = riff();
    threeChannels.pcmFormat(3, 16).id("data").u32(48).ramp16(24);
    EXPECT_TRUE(read(threeChannels.data).getErrorMessage().contains("has 3 channels"));
}

TEST_F(WavInput, InputsTheFuzzerFoundStayHarmless)
{
    // Each file under tests/fuzz/regressions/wav once crashed or over-allocated; now it is read or refused.
    const auto folder = juce::File(VORN_TEST_DATA).getSiblingFile("fuzz").getChildFile("regressions/wav");
    for (const auto& input : folder.findChildFiles(juce::File::findFiles, false))
    {
        const auto result = vorn::readWav(input, audio, sampleRate);
        if (result.wasOk())
            EXPECT_LE(juce::int64(audio.getNumSamples()) * audio.getNumChannels(), input.getSize())
                << input.getFileName();
    }
}
