#pragma once

#include <string>
#include <vector>

namespace vorn::wav
{

/** Planar audio as read from or written to a WAV file. */
struct Audio
{
    double sampleRate = 48000.0;
    std::vector<std::vector<float>> channels;

    size_t numFrames() const { return channels.empty() ? 0 : channels.front().size(); }
};

/** Reads 16/24/32-bit integer or 32-bit float PCM; returns false with a message on anything else. */
bool read(const std::string& path, Audio& audio, std::string& error);

/** Writes 32-bit float PCM. */
bool write(const std::string& path, const Audio& audio, std::string& error);

} // namespace vorn::wav
