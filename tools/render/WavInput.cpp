// WAV input for the renderer. Files come from anywhere, and the framework's WAV reader trusts the sizes written in
// a file's chunk headers: a metadata chunk claiming gigabytes is allocated before anything is read, and a data
// chunk claiming more audio than the file holds is allocated in full. So the chunks are walked here first, and the
// framework's reader is shown only a clean header (format and data chunk, sizes that fit the file) followed by
// the file's audio bytes.
#include "WavInput.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <limits>

namespace vorn
{

namespace
{
constexpr juce::uint32 kMinFormatBytes = 16;
constexpr juce::uint32 kMaxFormatBytes = 64; // WAVE_FORMAT_EXTENSIBLE needs 40
constexpr juce::uint32 kRiffSizeLimit = 0xffffffffu;

bool idIs(const char* id, const char* expected)
{
    return std::memcmp(id, expected, 4) == 0;
}

/** Where a file's format and audio are, as found by walking its chunks. */
struct WavLayout
{
    juce::MemoryBlock format;
    juce::int64 dataStart = -1;
    juce::uint64 dataBytes = 0;
};

bool readHeader(juce::InputStream& in, char* id, juce::uint32& size)
{
    char bytes[4] = {};
    if (in.read(id, 4) != 4 || in.read(bytes, 4) != 4)
        return false;
    size = juce::ByteOrder::littleEndianInt(bytes);
    return true;
}

/** Finds the format chunk and the data chunk. The data is clipped to what the file holds, so a truncated file
    gives the audio it has. Metadata chunks are stepped over without being read. */
bool findLayout(juce::InputStream& in, WavLayout& layout)
{
    const auto fileBytes = in.getTotalLength();
    char id[4] = {};
    juce::uint32 riffSize = 0;
    if (!readHeader(in, id, riffSize))
        return false;
    const bool rf64 = idIs(id, "RF64");
    if (!rf64 && !idIs(id, "RIFF"))
        return false;
    if (in.read(id, 4) != 4 || !idIs(id, "WAVE"))
        return false;

    juce::uint64 rf64DataBytes = 0;
    for (auto position = in.getPosition(); position + 8 <= fileBytes;)
    {
        juce::uint32 size = 0;
        if (!in.setPosition(position) || !readHeader(in, id, size))
            return false;
        const auto payload = position + 8;
        const auto available = static_cast<juce::uint64>(fileBytes - payload);

        if (idIs(id, "ds64") && rf64)
        {
            if (size < 28)
                return false;
            in.readInt64(); // the RIFF size, which only describes this file's layout
            rf64DataBytes = static_cast<juce::uint64>(in.readInt64());
        }
        else if (idIs(id, "fmt "))
        {
            if (size < kMinFormatBytes || size > kMaxFormatBytes || size > available)
                return false;
            layout.format.setSize(size);
            if (in.read(layout.format.getData(), static_cast<int>(size)) != static_cast<int>(size))
                return false;
        }
        else if (idIs(id, "data") && layout.dataStart < 0)
        {
            const juce::uint64 claimed = rf64 && size == kRiffSizeLimit ? rf64DataBytes : size;
            layout.dataStart = payload;
            layout.dataBytes = juce::jmin(claimed, available);
            size = static_cast<juce::uint32>(juce::jmin<juce::uint64>(layout.dataBytes, kRiffSizeLimit - 1));
            if (layout.dataBytes != size)
                break; // an RF64 data chunk beyond 4 GB: nothing after it matters
        }

        position = payload + static_cast<juce::int64>(size) + (size & 1);
    }

    return layout.format.getSize() >= kMinFormatBytes && layout.dataStart >= 0;
}

/** Only the sample formats the renderer promises: integer PCM of 8 to 32 bits, and 32-bit float. */
bool isSupportedFormat(const juce::MemoryBlock& format)
{
    const auto* bytes = static_cast<const juce::uint8*>(format.getData());
    const auto tag = juce::ByteOrder::littleEndianShort(bytes);
    const auto bits = juce::ByteOrder::littleEndianShort(bytes + 14);
    const bool pcmBits = bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (tag == 1)
        return pcmBits;
    if (tag == 3)
        return bits == 32;
    return tag == 0xfffe && format.getSize() >= 40 && pcmBits; // the sub-format is checked by the reader
}

void writeId(juce::MemoryOutputStream& out, const char* id)
{
    out.write(id, 4);
}

/** A minimal WAV header: the format chunk and the data chunk's header, in RF64 form when the data needs it. */
juce::MemoryBlock makeCleanHeader(const WavLayout& layout)
{
    const auto formatBytes = static_cast<juce::uint32>(layout.format.getSize());
    const auto formatChunk = 8 + formatBytes + (formatBytes & 1);
    const auto riffFormBytes = juce::uint64(4 + formatChunk + 8) + layout.dataBytes + (layout.dataBytes & 1);
    const bool rf64 = riffFormBytes >= kRiffSizeLimit;
    const auto riffBytes = riffFormBytes + (rf64 ? 36 : 0);

    juce::MemoryOutputStream out;
    writeId(out, rf64 ? "RF64" : "RIFF");
    out.writeInt(rf64 ? -1 : static_cast<int>(static_cast<juce::uint32>(riffBytes)));
    writeId(out, "WAVE");
    if (rf64)
    {
        writeId(out, "ds64");
        out.writeInt(28);
        out.writeInt64(static_cast<juce::int64>(riffBytes));
        out.writeInt64(static_cast<juce::int64>(layout.dataBytes));
        out.writeInt64(0);
        out.writeInt(0);
    }
    writeId(out, "fmt ");
    out.writeInt(static_cast<int>(formatBytes));
    out.write(layout.format.getData(), formatBytes);
    if ((formatBytes & 1) != 0)
        out.writeByte(0);
    writeId(out, "data");
    out.writeInt(rf64 ? -1 : static_cast<int>(static_cast<juce::uint32>(layout.dataBytes)));
    return out.getMemoryBlock();
}

/** The clean header followed by a region of the file, read as one stream. */
class HeaderThenAudio : public juce::InputStream
{
public:
    HeaderThenAudio(juce::MemoryBlock headerBytes, std::unique_ptr<juce::InputStream> file, juce::int64 start,
                    juce::int64 length)
        : header(std::move(headerBytes)), audio(file.release(), start, length, true)
    {
    }

    juce::int64 getTotalLength() override { return headerLength() + audio.getTotalLength(); }

    bool isExhausted() override { return position >= getTotalLength(); }

    juce::int64 getPosition() override { return position; }

    bool setPosition(juce::int64 newPosition) override
    {
        position = juce::jlimit<juce::int64>(0, getTotalLength(), newPosition);
        return position < headerLength() || audio.setPosition(position - headerLength());
    }

    int read(void* destination, int maxBytes) override
    {
        auto* out = static_cast<char*>(destination);
        int done = 0;
        if (position < headerLength() && maxBytes > 0)
        {
            const auto n = static_cast<int>(juce::jmin<juce::int64>(maxBytes, headerLength() - position));
            std::memcpy(out, static_cast<const char*>(header.getData()) + position, static_cast<size_t>(n));
            done += n;
            position += n;
        }
        if (done < maxBytes && position >= headerLength())
        {
            audio.setPosition(position - headerLength());
            const auto n = audio.read(out + done, maxBytes - done);
            if (n > 0)
            {
                done += n;
                position += n;
            }
        }
        return done;
    }

private:
    juce::int64 headerLength() const { return static_cast<juce::int64>(header.getSize()); }

    juce::MemoryBlock header;
    juce::SubregionStream audio;
    juce::int64 position = 0;
};
} // namespace

juce::Result readWav(const juce::File& file, juce::AudioBuffer<float>& audio, double& sampleRate)
{
    if (!file.existsAsFile())
        return juce::Result::fail("no such file: " + file.getFullPathName());
    auto stream = file.createInputStream();
    if (stream == nullptr)
        return juce::Result::fail("cannot read " + file.getFullPathName());

    const auto notReadable = juce::Result::fail(file.getFileName() + " is not a WAV file this renderer can read "
                                                                     "(16/24/32-bit integer or 32-bit float PCM)");
    WavLayout layout;
    if (!findLayout(*stream, layout) || !isSupportedFormat(layout.format))
        return notReadable;

    auto clean = std::make_unique<HeaderThenAudio>(makeCleanHeader(layout), std::move(stream), layout.dataStart,
                                                   static_cast<juce::int64>(layout.dataBytes));
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(clean.release(), true));
    if (reader == nullptr)
        return notReadable;
    if (reader->numChannels < 1 || reader->numChannels > 2)
        return juce::Result::fail(file.getFileName() + " has " + juce::String(reader->numChannels) +
                                  " channels; only mono and stereo are supported");
    if (reader->lengthInSamples > juce::int64(std::numeric_limits<int>::max() / 2))
        return juce::Result::fail(file.getFileName() + " is too long");
    if (!(reader->sampleRate >= 8000.0 && reader->sampleRate <= 768000.0))
        return juce::Result::fail(file.getFileName() + " has an unsupported sample rate");

    juce::AudioBuffer<float> read(int(reader->numChannels), int(reader->lengthInSamples));
    read.clear();
    if (!reader->read(&read, 0, read.getNumSamples(), 0, true, true))
        return juce::Result::fail("cannot read the audio of " + file.getFileName());
    sampleRate = reader->sampleRate;
    audio = std::move(read);
    return juce::Result::ok();
}

} // namespace vorn
