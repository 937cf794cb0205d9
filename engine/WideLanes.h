#pragma once

// Eight float lanes in one 256-bit register, for the parts of the engine that have a version for processors with
// AVX2 (chosen at run time). Functions that use these carry VORN_AVX2 and are only called once
// VornDsp::wideLanesAvailable() has said yes. No fused multiply-adds: every lane rounds as the scalar code does.
#include "engine/VornDsp.h"

#if VORN_WIDE_LANES
#include <immintrin.h>

#define VORN_AVX2 __attribute__((target("avx2")))

namespace vorn::wide
{
using F8 = __m256;
using I8 = __m256i;

VORN_AVX2 inline F8 splat8(float x) noexcept
{
    return _mm256_set1_ps(x);
}

/** Lane by lane, mask ? a : b for a mask of comparison results. */
VORN_AVX2 inline F8 selectIf(F8 mask, F8 a, F8 b) noexcept
{
    return _mm256_blendv_ps(b, a, mask);
}

VORN_AVX2 inline bool allLanes(F8 mask) noexcept
{
    return _mm256_movemask_ps(mask) == 0xff;
}
} // namespace vorn::wide
#endif
