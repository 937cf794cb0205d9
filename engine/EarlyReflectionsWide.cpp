// The early reflections eight samples to a register, for processors with AVX2: lane by lane the operations of
// VornDsp::earlyTaps, in the same order, so both give the same results bit for bit.
#include "engine/WideLanes.h"

#if VORN_WIDE_LANES

namespace vorn
{

namespace
{
using namespace wide;

VORN_AVX2 void sumTaps(const float* delays, const float* gains, const float* cosPans, const float* sinPans, int taps,
                       const float* line, int n, const float* write, int rounded, float* left, float* right) noexcept
{
    const F8 size = splat8(static_cast<float>(n));
    const I8 ns = _mm256_set1_epi32(n), steps = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const F8 one = splat8(1.0f), zero = _mm256_setzero_ps();
    for (int i = 0; i < taps; ++i)
    {
        const F8 delay = splat8(delays[i]), gain = splat8(gains[i]);
        const F8 cosPan = splat8(cosPans[i]), sinPan = splat8(sinPans[i]);
        for (int j = 0; j < rounded; j += 8)
        {
            F8 p = _mm256_sub_ps(_mm256_load_ps(write + j), delay);
            p = selectIf(_mm256_cmp_ps(p, zero, _CMP_LT_OQ), _mm256_add_ps(p, size), p);
            const I8 whole = _mm256_cvttps_epi32(p); // p is not negative: truncation is the floor
            const F8 t = _mm256_sub_ps(p, _mm256_cvtepi32_ps(whole));
            const I8 wraps = _mm256_cmpgt_epi32(whole, _mm256_set1_epi32(n - 1));
            const I8 k = _mm256_sub_epi32(whole, _mm256_and_si256(wraps, ns));
            const int first = _mm256_cvtsi256_si32(k);
            const I8 adjacent = _mm256_cmpeq_epi32(k, _mm256_add_epi32(_mm256_set1_epi32(first), steps));
            F8 older, newer;
            if (_mm256_movemask_ps(_mm256_castsi256_ps(adjacent)) == 0xff && first + 8 < n)
            {
                older = _mm256_loadu_ps(line + first);
                newer = _mm256_loadu_ps(line + first + 1);
            }
            else
            {
                alignas(32) int index[8];
                alignas(32) float a[8], b[8];
                _mm256_store_si256(reinterpret_cast<I8*>(index), k);
                for (int lane = 0; lane < 8; ++lane)
                {
                    a[lane] = line[index[lane]];
                    b[lane] = line[index[lane] + 1 < n ? index[lane] + 1 : 0];
                }
                older = _mm256_load_ps(a);
                newer = _mm256_load_ps(b);
            }
            const F8 v = _mm256_mul_ps(
                gain, _mm256_add_ps(_mm256_mul_ps(older, _mm256_sub_ps(one, t)), _mm256_mul_ps(newer, t)));
            _mm256_store_ps(left + j, _mm256_add_ps(_mm256_load_ps(left + j), _mm256_mul_ps(v, cosPan)));
            _mm256_store_ps(right + j, _mm256_add_ps(_mm256_load_ps(right + j), _mm256_mul_ps(v, sinPan)));
        }
    }
}
} // namespace

void VornDsp::earlyTapsWide(const ErPatternAtRate& pattern, const float* line, int n, const float* write, int rounded,
                            float* left, float* right) noexcept
{
    sumTaps(pattern.delaySamples.data(), pattern.gain.data(), pattern.cosPan.data(), pattern.sinPan.data(),
            pattern.count, line, n, write, rounded, left, right);
}

} // namespace vorn

#else

namespace vorn
{
void VornDsp::earlyTapsWide(const ErPatternAtRate& pattern, const float* line, int n, const float* write, int rounded,
                            float* left, float* right) noexcept
{
    earlyTaps(pattern, line, n, write, rounded, left, right);
}
} // namespace vorn
#endif
