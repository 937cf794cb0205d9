#include "engine/VornDsp.h"

namespace vorn
{

namespace
{
// The patterns' taps, summed at the highest E.RFL LEVEL, stay well below the direct sound.
constexpr float kReflectionsGain = 0.14f;

/** The character presets in the order of the "preset" choices: Chamber, Broadcast, Wide, Luxe. */
const Preset kPresets[4] = {
    {3.0f, 42.0f, 15.0f, 1.72f, 0.38f, 7600.0f, 115.0f, 0.5f, 0.24f, 0.34f, 0.16f, 0.12f, 0.0f},
    {1.55f, 8.0f, 32.0f, 1.3f, 0.62f, 8600.0f, 70.0f, 0.9f, 0.44f, 0.52f, 0.34f, 0.2f, 0.0f},
    {3.7f, 12.0f, 48.0f, 0.96f, 0.58f, 10400.0f, 135.0f, 0.78f, 0.48f, 0.66f, 0.42f, 0.3f, 0.0f},
    {2.65f, 0.0f, 10.0f, 1.0f, 1.0f, 13000.0f, 30.0f, 0.88f, 0.28f, 0.5f, 0.72f, 0.08f, 0.0f},
};

/** One early reflection: milliseconds behind the input, linear gain, pan from -1 (left) to +1 (right). */
struct ErTap
{
    float delayMs;
    float gain;
    float pan;
};

const ErTap erTableChamber[] = {
    {6.1f, 0.62f, -0.55f}, {9.7f, 0.54f, 0.62f},   {13.3f, 0.47f, -0.2f}, {17.9f, 0.41f, 0.78f}, {21.7f, 0.35f, -0.82f},
    {26.3f, 0.3f, 0.15f},  {31.1f, 0.25f, -0.45f}, {36.7f, 0.21f, 0.88f}, {42.3f, 0.17f, -0.1f}, {47.9f, 0.14f, 0.5f},
};

const ErTap erTableBroadcast[] = {
    {4.3f, 0.58f, -0.4f},   {7.9f, 0.49f, 0.35f}, {12.1f, 0.41f, -0.7f}, {16.7f, 0.33f, 0.6f},
    {21.3f, 0.26f, -0.15f}, {25.9f, 0.2f, 0.82f}, {31.7f, 0.15f, -0.5f}, {37.1f, 0.11f, 0.25f},
};

const ErTap erTableWide[] = {
    {7.3f, 0.66f, -0.6f}, {11.9f, 0.58f, 0.5f},  {17.1f, 0.51f, 0.2f}, {23.7f, 0.44f, -0.8f},
    {29.3f, 0.38f, 0.7f}, {36.1f, 0.32f, -0.3f}, {41.7f, 0.27f, 0.9f}, {49.3f, 0.23f, -0.5f},
    {56.9f, 0.19f, 0.4f}, {63.1f, 0.16f, -0.9f}, {71.3f, 0.13f, 0.1f}, {79.7f, 0.1f, -0.2f},
};

const ErTap erTableLuxe[] = {
    {5.3f, 0.7f, -0.5f},    {9.1f, 0.63f, 0.45f},  {13.7f, 0.56f, -0.75f}, {18.9f, 0.49f, 0.65f},
    {24.7f, 0.43f, -0.15f}, {30.3f, 0.37f, 0.85f}, {36.9f, 0.32f, -0.4f},  {43.1f, 0.27f, 0.3f},
    {50.7f, 0.23f, -0.9f},  {58.3f, 0.19f, 0.55f}, {66.9f, 0.16f, -0.25f}, {75.1f, 0.13f, 0.75f},
    {84.3f, 0.11f, -0.6f},  {93.7f, 0.09f, 0.2f},
};

/** The pattern of a preset index: 0, 1 and 2 their own, every other index (negative ones too) Luxe. */
size_t patternForIndex(int index) noexcept
{
    return index >= 0 && index <= 2 ? static_cast<size_t>(index) : 3u;
}
} // namespace

const Preset& presetForIndex(int index)
{
    return kPresets[juce::jlimit(0, 3, index)];
}

void VornDsp::prepareEarlyReflections()
{
    const auto sr = static_cast<float>(sampleRate);
    const auto lineLength = static_cast<float>(predelayLine.size());
    const auto fill = [sr, lineLength](ErPatternAtRate& pattern, const auto& table)
    {
        pattern = {};
        for (const ErTap& tap : table)
        {
            const float delaySamples = (tap.delayMs * 0.001f) * sr;
            if (delaySamples >= lineLength) // a tap longer than the line is skipped
                continue;
            const float angle = (tap.pan * 0.5f + 0.5f) * 1.5707964f;
            const auto i = static_cast<size_t>(pattern.count++);
            pattern.delaySamples[i] = delaySamples;
            pattern.gain[i] = tap.gain;
            pattern.cosPan[i] = std::cos(angle);
            pattern.sinPan[i] = std::sin(angle);
        }
    };
    fill(erPatterns[0], erTableChamber);
    fill(erPatterns[1], erTableBroadcast);
    fill(erPatterns[2], erTableWide);
    fill(erPatterns[3], erTableLuxe);
    for (auto& pattern : erPatterns)
        pattern.chunkLimit = chunkLimitFor(pattern);
}

VornDsp::StereoPair VornDsp::processEarlyReflections(int index, float level) noexcept
{
    const auto& pattern = erPatterns[patternForIndex(index)];
    const float* line = predelayLine.data();
    const int n = static_cast<int>(predelayLine.size());
    const auto size = static_cast<float>(n);
    const auto write = static_cast<float>(predelayWrite);

    // Read points of the taps four at a time: each delay is shorter than the line, so a position lies within
    // one line length below the write index and wraps with one select (the linear read's own position handling).
    // Lanes beyond the pattern's taps read at the write index, harmlessly, and are not summed.
    const auto count = static_cast<size_t>(pattern.count);
    alignas(16) std::array<float, 16> left, right;
    const Float4 sizes = splat(size);
    const Int4 ns = splat(n), zero = splat(0), one = splat(1);
    for (size_t h = 0; h < count; h += 4)
    {
        Float4 p = splat(write) - load4(pattern.delaySamples.data() + h);
        p = select(p < splat(0.0f), p + sizes, p);
        const Int4 whole = __builtin_convertvector(p, Int4); // p is not negative: truncation is the floor
        const Float4 t = p - __builtin_convertvector(whole, Float4);
        const Int4 k = select(whole >= ns, whole - ns, whole);
        const Int4 next = select(k + one < ns, k + one, zero);
        Float4 older, newer;
        const Int4 contiguous = k < ns - splat(3);
        if (allLanes(contiguous))
        {
            // The two samples of each tap are adjacent: read four from there and keep the first two as lanes.
            Float4 a = load4(line + k[0]), b = load4(line + k[1]), c = load4(line + k[2]), d = load4(line + k[3]);
            transpose(a, b, c, d);
            older = a;
            newer = b;
        }
        else
        {
            older = Float4{line[k[0]], line[k[1]], line[k[2]], line[k[3]]};
            newer = Float4{line[next[0]], line[next[1]], line[next[2]], line[next[3]]};
        }
        const Float4 v = load4(pattern.gain.data() + h) * (older * (splat(1.0f) - t) + newer * t);
        store4(left.data() + h, v * load4(pattern.cosPan.data() + h));
        store4(right.data() + h, v * load4(pattern.sinPan.data() + h));
    }

    // The sums in tap order.
    float l = 0.0f, r = 0.0f;
    for (size_t i = 0; i < count; ++i)
    {
        l = l + left[i];
        r = r + right[i];
    }

    const float k = withinRange<parameterIndex("earlyLevel")>(level) * kReflectionsGain;
    return {k * l, k * r};
}

int VornDsp::chunkLimitFor(const ErPatternAtRate& pattern) const noexcept
{
    // The reflections of a chunk are read once the whole chunk has entered the predelay line, so no tap may reach
    // a sample written later in the chunk: neither one of the newest (at the near end) nor one about to be
    // overwritten (at the far end). Sample rates far below audio ones run sample by sample.
    if (pattern.count == 0)
        return Chunk::kLength;
    const float* first = pattern.delaySamples.data();
    const float* last = first + pattern.count;
    if (*std::min_element(first, last) < 2.0f)
        return 1;
    const int farthest = static_cast<int>(std::ceil(*std::max_element(first, last)));
    return juce::jlimit(1, Chunk::kLength, static_cast<int>(predelayLine.size()) - farthest - 1);
}

int VornDsp::earlyReflectionsChunkLimit(int index) const noexcept
{
    return erPatterns[patternForIndex(index)].chunkLimit;
}

void VornDsp::earlyReflectionsOfChunk(int count, int index, float level) noexcept
{
    const auto& pattern = erPatterns[patternForIndex(index)];
    const float* line = predelayLine.data();
    const int n = static_cast<int>(predelayLine.size());

    // The write index as it stood after each sample of the chunk was written (the last one is the current one);
    // lanes past the end of the chunk repeat the last and are not used.
    alignas(32) std::array<float, Chunk::kLength> write;
    const int rounded = (count + 7) & ~7;
    for (int j = 0; j < rounded; ++j)
        write[static_cast<size_t>(j)] =
            static_cast<float>(indexBehind(predelayWrite, std::max(count - 1 - j, 0) % n, n));

    float* left = chunk.earlyL.data();
    float* right = chunk.earlyR.data();
    std::fill_n(left, rounded, 0.0f);
    std::fill_n(right, rounded, 0.0f);
    if (wideLanes)
        earlyTapsWide(pattern, line, n, write.data(), rounded, left, right);
    else
        earlyTaps(pattern, line, n, write.data(), rounded, left, right);

    const float k = withinRange<parameterIndex("earlyLevel")>(level) * kReflectionsGain;
    for (int j = 0; j < count; ++j)
    {
        left[j] = k * left[j];
        right[j] = k * right[j];
    }
}

void VornDsp::earlyTaps(const ErPatternAtRate& pattern, const float* line, int n, const float* write, int rounded,
                        float* left, float* right) noexcept
{
    // Tap by tap, four samples at a time: the reads of processEarlyReflections, summed in tap order.
    const Float4 size = splat(static_cast<float>(n));
    const Int4 ns = splat(n), zero = splat(0), one = splat(1), steps = Int4{0, 1, 2, 3};
    for (int i = 0; i < pattern.count; ++i)
    {
        const auto tap = static_cast<size_t>(i);
        const Float4 delay = splat(pattern.delaySamples[tap]);
        const Float4 gain = splat(pattern.gain[tap]);
        const Float4 cosPan = splat(pattern.cosPan[tap]);
        const Float4 sinPan = splat(pattern.sinPan[tap]);
        for (int j = 0; j < rounded; j += 4)
        {
            Float4 p = load4(write + j) - delay;
            p = select(p < splat(0.0f), p + size, p);
            const Int4 whole = __builtin_convertvector(p, Int4); // p is not negative: truncation is the floor
            const Float4 t = p - __builtin_convertvector(whole, Float4);
            const Int4 k = select(whole >= ns, whole - ns, whole);
            Float4 older, newer;
            const Int4 adjacent = k == splat(k[0]) + steps;
            if (allLanes(adjacent) && k[0] + 4 < n)
            {
                older = load4(line + k[0]);
                newer = load4(line + k[0] + 1);
            }
            else
            {
                const Int4 next = select(k + one < ns, k + one, zero);
                older = Float4{line[k[0]], line[k[1]], line[k[2]], line[k[3]]};
                newer = Float4{line[next[0]], line[next[1]], line[next[2]], line[next[3]]};
            }
            const Float4 v = gain * (older * (splat(1.0f) - t) + newer * t);
            store4(left + j, load4(left + j) + v * cosPan);
            store4(right + j, load4(right + j) + v * sinPan);
        }
    }
}

} // namespace vorn
