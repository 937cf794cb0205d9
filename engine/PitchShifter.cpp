#include "engine/DspPrimitives.h"

namespace vorn
{

void VornDspPrimitives::PitchShifter::prepare(double sampleRate, float ms)
{
    // At least one sample: a zero-length buffer would divide by zero at very low sample rates.
    const auto length = std::max(1, juce::roundToInt(static_cast<double>(ms) * sampleRate / 1000.0));
    buffer.assign(static_cast<size_t>(length), 0.0f);
    writeIndex = 0;
    readPos = {0.0f, static_cast<float>(length) * 0.5f};
}

void VornDspPrimitives::PitchShifter::reset() noexcept
{
    std::fill(buffer.begin(), buffer.end(), 0.0f);
    writeIndex = 0;
    readPos = {0.0f, static_cast<float>(buffer.size()) * 0.5f};
}

float VornDspPrimitives::PitchShifter::process(float x, float cents) noexcept
{
    const int n = static_cast<int>(buffer.size());
    const auto size = static_cast<float>(n);
    float* data = buffer.data();

    data[writeIndex] = x;
    if (++writeIndex >= n)
        writeIndex = 0;
    const auto w = static_cast<float>(writeIndex);

    const float ratio = std::exp2(cents / 1200.0f);

    std::array<float, 2> window{};
    for (size_t k = 0; k < 2; ++k)
    {
        // fmod of a value in [n, 2n) is that value minus n, exactly; the general case keeps fmod.
        const float moved = readPos[k] + ratio + size;
        readPos[k] = moved >= size && moved < 2.0f * size ? moved - size : std::fmod(moved, size);

        float dist = w - readPos[k];
        if (dist < 0.0f)
            dist = dist + size;
        const float t = dist / size;
        window[k] = 1.0f - std::abs(2.0f * t - 1.0f);
    }

    float norm = window[0] + window[1];
    if (norm == 0.0f)
        norm = 1.0f;
    const float a = cubicRead(data, n, readPos[0]);
    const float b = cubicRead(data, n, readPos[1]);
    return (a * window[0] + b * window[1]) / norm;
}

} // namespace vorn

namespace vorn
{

namespace
{
using Float4 = VornDspPrimitives::Float4;
using Int4 = VornDspPrimitives::Int4;

/** The four neighbours (y[-1], y[0], y[1], y[2]) and the fractions of four read positions, as locate() finds them;
    the first two positions read the left buffer, the others the right one. Positions lie in [0, n) but for one that
    is not a number. */
void readNeighbours(const float* dataL, const float* dataR, int n, Float4 position, Float4& ym1, Float4& y0, Float4& y1,
                    Float4& y2, Float4& fraction) noexcept
{
    using P = VornDspPrimitives;
    const Float4 size = P::splat(static_cast<float>(n));
    const Int4 inside = (position >= P::splat(0.0f)) & (position < size);
    if (!P::allLanes(inside))
    {
        const float* const data[4] = {dataL, dataL, dataR, dataR};
        const auto e = P::locateEach(data, n, position);
        ym1 = e.ym1;
        y0 = e.y0;
        y1 = e.y1;
        y2 = e.y2;
        fraction = e.t;
        return;
    }

    const Int4 i = __builtin_convertvector(position, Int4); // not negative: truncation is the floor
    fraction = position - __builtin_convertvector(i, Float4);
    const Int4 ns = P::splat(n), zero = P::splat(0), one = P::splat(1), two = P::splat(2);
    const Int4 contiguous = (i >= one) & (i < ns - two);
    if (P::allLanes(contiguous))
    {
        // No neighbour wraps: each position's four samples are adjacent, read at once and turned into lanes.
        ym1 = P::load4(dataL + i[0] - 1);
        y0 = P::load4(dataL + i[1] - 1);
        y1 = P::load4(dataR + i[2] - 1);
        y2 = P::load4(dataR + i[3] - 1);
        P::transpose(ym1, y0, y1, y2);
        return;
    }
    const Int4 im1 = P::select(i == zero, ns - one, i - one);
    const Int4 ip1 = P::select(i + one < ns, i + one, zero);
    const Int4 ip2 = P::select(i + two < ns, i + two, i + two - ns);
    ym1 = Float4{dataL[im1[0]], dataL[im1[1]], dataR[im1[2]], dataR[im1[3]]};
    y0 = Float4{dataL[i[0]], dataL[i[1]], dataR[i[2]], dataR[i[3]]};
    y1 = Float4{dataL[ip1[0]], dataL[ip1[1]], dataR[ip1[2]], dataR[ip1[3]]};
    y2 = Float4{dataL[ip2[0]], dataL[ip2[1]], dataR[ip2[2]], dataR[ip2[3]]};
}
} // namespace

void VornDspPrimitives::PitchShifter::processPair(PitchShifter& left, PitchShifter& right, float* l, float* r,
                                                  const float* cents, int count) noexcept
{
    const int n = static_cast<int>(left.buffer.size());
    if (n < 2 || static_cast<int>(right.buffer.size()) != n)
    {
        for (int j = 0; j < count; ++j)
            if (std::abs(cents[j]) >= 0.001f)
            {
                l[j] = left.process(l[j], -0.5f * cents[j]);
                r[j] = right.process(r[j], 0.5f * cents[j]);
            }
        return;
    }

    // process() for both shifters at once: the four read positions (left A, B, right A, B) in four lanes, with
    // the same operations lane by lane. Only the buffer lookups go one by one.
    const auto size = static_cast<float>(n);
    const Float4 sizes = splat(size), twoSizes = splat(2.0f * size);
    const Int4 magnitude = splat(0x7fffffff);
    float* dataL = left.buffer.data();
    float* dataR = right.buffer.data();
    int writeL = left.writeIndex, writeR = right.writeIndex;
    Float4 position{left.readPos[0], left.readPos[1], right.readPos[0], right.readPos[1]};
    for (int j = 0; j < count; ++j)
    {
        const float detuneCents = cents[j];
        if (!(std::abs(detuneCents) >= 0.001f)) // the shifters wait untouched while the shift is negligible
            continue;
        dataL[writeL] = l[j];
        dataR[writeR] = r[j];
        writeL = writeL + 1 < n ? writeL + 1 : 0;
        writeR = writeR + 1 < n ? writeR + 1 : 0;
        const float ratioL = std::exp2(-0.5f * detuneCents / 1200.0f);
        const float ratioR = std::exp2(0.5f * detuneCents / 1200.0f);

        // fmod of a value in [n, 2n) is that value minus n, exactly; the general case keeps fmod.
        const Float4 moved = (position + Float4{ratioL, ratioL, ratioR, ratioR}) + sizes;
        const Int4 inRange = (moved >= sizes) & (moved < twoSizes);
        position = moved - sizes;
        if (!allLanes(inRange))
            for (int k = 0; k < 4; ++k)
                if (inRange[k] == 0)
                    position[k] = std::fmod(moved[k], size);

        const Float4 writes{static_cast<float>(writeL), static_cast<float>(writeL), static_cast<float>(writeR),
                            static_cast<float>(writeR)};
        Float4 dist = writes - position;
        dist = select(dist < splat(0.0f), dist + sizes, dist);
        const Float4 t = dist / sizes;
        const Float4 offset = splat(2.0f) * t - splat(1.0f);
        const Float4 window = splat(1.0f) - reinterpret_cast<Float4>(reinterpret_cast<Int4>(offset) & magnitude);

        // The cubic reads (cubicRead) of the four positions.
        Float4 ym1, y0, y1, y2, fraction;
        readNeighbours(dataL, dataR, n, position, ym1, y0, y1, y2, fraction);
        const Float4 a0 = ((y2 - y1) - ym1) + y0;
        const Float4 a1 = (ym1 - y0) - a0;
        const Float4 a2 = y1 - ym1;
        const Float4 read = ((a0 * fraction + a1) * fraction + a2) * fraction + y0;

        float normL = window[0] + window[1];
        float normR = window[2] + window[3];
        if (normL == 0.0f)
            normL = 1.0f;
        if (normR == 0.0f)
            normR = 1.0f;
        l[j] = (read[0] * window[0] + read[1] * window[1]) / normL;
        r[j] = (read[2] * window[2] + read[3] * window[3]) / normR;
    }
    left.writeIndex = writeL;
    right.writeIndex = writeR;
    left.readPos = {position[0], position[1]};
    right.readPos = {position[2], position[3]};
}

} // namespace vorn
