#include "WavFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vorn::wav
{

namespace
{
uint32_t le32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t le16(const unsigned char* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

void put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xff));
}

void put16(std::string& out, uint16_t v)
{
    out.push_back(char(v & 0xff));
    out.push_back(char(v >> 8));
}

float decodeSample(const unsigned char* p, int bits, bool isFloat)
{
    if (isFloat)
    {
        float f;
        const uint32_t bitsValue = le32(p);
        std::memcpy(&f, &bitsValue, sizeof f);
        return f;
    }
    switch (bits)
    {
    case 16:
        return float(int16_t(le16(p))) / 32768.0f;
    case 24:
    {
        const auto top = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24);
        return float(top / 256) / 8388608.0f;
    }
    default:
        return float(double(int32_t(le32(p))) / 2147483648.0);
    }
}
} // namespace

bool read(const std::string& path, Audio& audio, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    {
        error = path + " is not a WAV file";
        return false;
    }

    int format = 0, numChannels = 0, bits = 0;
    const unsigned char* data = nullptr;
    size_t dataSize = 0;
    for (size_t pos = 12; pos + 8 <= bytes.size();)
    {
        const auto* chunk = bytes.data() + pos;
        const size_t size = le32(chunk + 4);
        const size_t available = bytes.size() - pos - 8;
        const size_t body = size < available ? size : available;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && body >= 16)
        {
            format = le16(chunk + 8);
            numChannels = le16(chunk + 10);
            audio.sampleRate = le32(chunk + 12);
            bits = le16(chunk + 22);
            if (format == 0xfffe && body >= 26)
                format = le16(chunk + 32);
        }
        else if (std::memcmp(chunk, "data", 4) == 0)
        {
            data = chunk + 8;
            dataSize = body;
        }
        pos += 8 + size + (size & 1);
    }

    const bool isFloat = format == 3 && bits == 32;
    const bool isInt = format == 1 && (bits == 16 || bits == 24 || bits == 32);
    if (data == nullptr || numChannels < 1 || audio.sampleRate <= 0 || !(isFloat || isInt))
    {
        error = path + ": unsupported WAV format";
        return false;
    }

    const size_t frameBytes = size_t(numChannels) * size_t(bits / 8);
    const size_t frames = dataSize / frameBytes;
    audio.channels.assign(size_t(numChannels), std::vector<float>(frames));
    for (size_t f = 0; f < frames; ++f)
        for (int c = 0; c < numChannels; ++c)
            audio.channels[size_t(c)][f] =
                decodeSample(data + f * frameBytes + size_t(c) * size_t(bits / 8), bits, isFloat);
    return true;
}

bool write(const std::string& path, const Audio& audio, std::string& error)
{
    const auto numChannels = uint16_t(audio.channels.size());
    const auto frames = audio.numFrames();
    const uint32_t dataBytes = uint32_t(frames * numChannels * 4);

    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 3);
    put16(out, numChannels);
    put32(out, uint32_t(audio.sampleRate));
    put32(out, uint32_t(audio.sampleRate) * numChannels * 4);
    put16(out, uint16_t(numChannels * 4));
    put16(out, 32);
    out += "data";
    put32(out, dataBytes);
    for (size_t f = 0; f < frames; ++f)
        for (const auto& channel : audio.channels)
        {
            uint32_t v;
            std::memcpy(&v, &channel[f], sizeof v);
            put32(out, v);
        }

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file || !file.write(out.data(), std::streamsize(out.size())))
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace vorn::wav
