// The hidden-surface method's linking of one row of sub-pixels: what could
// hide each sub-pixel, the pair both eyes see of it, and the chains.

#include "engine/HiddenSurface.h"

#include "HiddenSurfaceMargin.h"
#include "WideLoops.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#if DOTSCAPE_HAVE_AVX2
#include <immintrin.h>
#endif

namespace engine {

void HiddenSurfaceScratch::resize(std::size_t n)
{
    levels.resize(n);
    depth.resize(n);
    fromLeft.resize(n);
    pairLeft.resize(n);
    pairRight.resize(n);
    same.resize(n);
    colour.resize(n);
    texel.resize(n);
    roots.resize(n);
    leftOf.assign(n, 0);
    rightOf.assign(n, 0);
    pairBase = 0;
}

// nearest(u) bounds what could stand in a ray from u: the largest
// Z[v] − rise × (|v − u| − 1) over every v ≠ u. A ray climbs at least rise
// per sub-pixel (and faster further out), so a point v that hides u makes
// this at least the ray's depth one sub-pixel out.
//
// Each direction is a running maximum that falls by rise per step. Written
// as max(d_v + rise (v − u0)) − rise (u − u0) over short blocks starting at
// u0, the chain from one sub-pixel to the next is a bare maximum, and the
// offsets stay small enough for floats. The maximum of the same values is
// the same whatever the order they are taken in, so the wide kernels take
// eight at once (a running maximum within the register, then the carry
// from the eight before) and give the portable loops' values exactly: every
// depth, offset and sum is the same float operation on the same operands.
//
// The pass from the left fills the depths, clears the links and leaves the
// bound from the left; the pass from the right completes the bound and
// works out each sub-pixel's pair right away, following the rays only
// where the bound comes near one.
namespace {

constexpr std::int32_t kBlock = 256;

// rise × j for the offsets j of a block, and the same from the block's end.
struct BlockSteps {
    float up[kBlock];
    float down[kBlock]; // down[m] = up[kBlock − 1 − m]

    explicit BlockSteps(float rise)
    {
        for (std::int32_t j = 0; j < kBlock; ++j)
            up[j] = rise * static_cast<float>(j);
        for (std::int32_t m = 0; m < kBlock; ++m)
            down[m] = up[kBlock - 1 - m];
    }
};

// Whether something stands in a ray from sub-pixel u (at level q) before
// the rays leave the depth range.
bool rayBlocked(const HiddenSurfaceTables& tables, const float* depth, std::int32_t n, std::int32_t u,
                std::uint16_t q)
{
    const std::int32_t reach = tables.reach();
    for (std::int32_t t = 1; t <= reach; ++t) {
        const float zt = tables.rayDepth(q, t);
        if ((u - t >= 0 && depth[u - t] >= zt) || (u + t < n && depth[u + t] >= zt))
            return true;
        if (!(zt < 1.0f))
            break;
    }
    return false;
}

struct RowArrays {
    const std::uint16_t* levels;
    float* depth;
    std::int32_t* same;
    float* fromLeft;
    std::int32_t* pairLeft;
    std::int32_t* pairRight;
};

// The pair of sub-pixel u, whose bound of what could hide it is nearest.
inline void pairOf(const HiddenSurfaceTables& tables, const RowArrays& a, std::int32_t n, std::int32_t u,
                   float nearest)
{
    const std::uint16_t q = a.levels[u];
    const HiddenSurfaceTables::Level& at = tables.at(q);
    const std::int32_t s = at.separation;
    const std::int32_t left = u - (s >> 1);
    const std::int32_t right = left + s;
    bool seen = s > 0 && left >= 0 && right < n;
    if (seen && nearest >= at.firstRay - kRayMargin)
        seen = !rayBlocked(tables, a.depth, n, u, q);
    a.pairLeft[u] = seen ? left : -1;
    a.pairRight[u] = right;
}

// The portable loops, one sub-pixel at a time; also the ends of the blocks
// in the wide kernels.
inline void fromLeftOne(const HiddenSurfaceTables& tables, const RowArrays& a, const BlockSteps& steps,
                        std::int32_t u0, std::int32_t u, float rise, float& run)
{
    const float z = tables.depth(a.levels[u]);
    a.depth[u] = z;
    a.same[u] = u;
    const float step = steps.up[u - u0];
    a.fromLeft[u] = run + rise - step;
    run = std::max(run, z + step);
}

inline void fromRightOne(const HiddenSurfaceTables& tables, const RowArrays& a, const BlockSteps& steps,
                         std::int32_t n, std::int32_t u0, std::int32_t u, float rise, float& run)
{
    const float step = steps.up[u0 - u];
    pairOf(tables, a, n, u, std::max(a.fromLeft[u], run + rise - step));
    run = std::max(run, a.depth[u] + step);
}

void pairsPortable(const HiddenSurfaceTables& tables, const RowArrays& a, std::int32_t n, const BlockSteps& steps)
{
    const float rise = tables.rise();
    float before = -1.0f; // the running value at the sub-pixel before the block
    for (std::int32_t u0 = 0; u0 < n; u0 += kBlock) {
        const std::int32_t end = std::min(n, u0 + kBlock);
        float run = before - rise;
        for (std::int32_t u = u0; u < end; ++u)
            fromLeftOne(tables, a, steps, u0, u, rise, run);
        before = run - rise * static_cast<float>(end - 1 - u0);
    }
    before = -1.0f;
    for (std::int32_t u0 = n - 1; u0 >= 0; u0 -= kBlock) {
        const std::int32_t end = std::max(-1, u0 - kBlock);
        float run = before - rise;
        for (std::int32_t u = u0; u > end; --u)
            fromRightOne(tables, a, steps, n, u0, u, rise, run);
        before = run - rise * static_cast<float>(u0 - end - 1);
    }
}

#if DOTSCAPE_HAVE_AVX2

static_assert(sizeof(HiddenSurfaceTables::Level) == 8 && offsetof(HiddenSurfaceTables::Level, firstRay) == 4,
              "the wide kernel reads the levels' table eight bytes a level");

// Lane i takes lane i − k (from the left) or lane i + k (from the right);
// the lanes left over take fill.
template <int K>
DOTSCAPE_AVX2 inline __m256 fromLower(__m256 v, __m256 fill)
{
    const __m256i index = _mm256_setr_epi32(0 - K < 0 ? 0 : 0 - K, 1 - K < 0 ? 0 : 1 - K, 2 - K < 0 ? 0 : 2 - K,
                                            3 - K < 0 ? 0 : 3 - K, 4 - K, 5 - K, 6 - K, 7 - K);
    return _mm256_blend_ps(_mm256_permutevar8x32_ps(v, index), fill, (1 << K) - 1);
}

template <int K>
DOTSCAPE_AVX2 inline __m256 fromHigher(__m256 v, __m256 fill)
{
    const __m256i index = _mm256_setr_epi32(0 + K, 1 + K, 2 + K, 3 + K, 4 + K > 7 ? 7 : 4 + K, 5 + K > 7 ? 7 : 5 + K,
                                            6 + K > 7 ? 7 : 6 + K, 7 + K > 7 ? 7 : 7 + K);
    return _mm256_blend_ps(_mm256_permutevar8x32_ps(v, index), fill, (0xFF << (8 - K)) & 0xFF);
}

DOTSCAPE_AVX2 void pairsWide(const HiddenSurfaceTables& tables, const RowArrays& a, std::int32_t n,
                             const BlockSteps& steps)
{
    const float rise = tables.rise();
    const __m256 riseV = _mm256_set1_ps(rise);
    const __m256 none = _mm256_set1_ps(-std::numeric_limits<float>::infinity());
    const __m256 scale = _mm256_set1_ps(1.0f / kDepthSteps);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);

    const std::uint16_t* __restrict levels = a.levels;
    float* __restrict depth = a.depth;
    std::int32_t* __restrict same = a.same;
    float* __restrict fromLeft = a.fromLeft;
    std::int32_t* __restrict pairLeft = a.pairLeft;
    std::int32_t* __restrict pairRight = a.pairRight;
    const __m256i last = _mm256_set1_epi32(7);
    float before = -1.0f;
    for (std::int32_t u0 = 0; u0 < n; u0 += kBlock) {
        const std::int32_t end = std::min(n, u0 + kBlock);
        float run = before - rise;
        std::int32_t u = u0;
        // The carry, the running value before the eight in every lane, is
        // the one chain from eight to the next: one maximum each.
        __m256 carry = _mm256_set1_ps(run);
        for (; u + 8 <= end; u += 8) {
            const __m128i q16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + u));
            const __m256 z = _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(q16)), scale);
            _mm256_storeu_ps(depth + u, z);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(same + u), _mm256_add_epi32(_mm256_set1_epi32(u), lanes));
            const __m256 step = _mm256_loadu_ps(steps.up + (u - u0));
            const __m256 v = _mm256_add_ps(z, step);
            __m256 m = _mm256_max_ps(v, fromLower<1>(v, none));
            m = _mm256_max_ps(m, fromLower<2>(m, none));
            m = _mm256_max_ps(m, fromLower<4>(m, none));
            const __m256 upTo = fromLower<1>(_mm256_max_ps(m, carry), carry);
            _mm256_storeu_ps(fromLeft + u, _mm256_sub_ps(_mm256_add_ps(upTo, riseV), step));
            carry = _mm256_max_ps(carry, _mm256_permutevar8x32_ps(m, last));
        }
        run = _mm256_cvtss_f32(carry);
        for (; u < end; ++u)
            fromLeftOne(tables, a, steps, u0, u, rise, run);
        before = run - rise * static_cast<float>(end - 1 - u0);
    }

    const int* table = reinterpret_cast<const int*>(&tables.at(0));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i minusOne = _mm256_set1_epi32(-1);
    const __m256i width = _mm256_set1_epi32(n);
    const __m256 margin = _mm256_set1_ps(kRayMargin);
    const __m256 clearance = _mm256_set1_ps(tables.clearance());
    before = -1.0f;
    for (std::int32_t u0 = n - 1; u0 >= 0; u0 -= kBlock) {
        const std::int32_t end = std::max(-1, u0 - kBlock);
        float run = before - rise;
        std::int32_t u = u0; // the highest of the eight
        __m256 carry = _mm256_set1_ps(run);
        for (; u - 7 > end; u -= 8) {
            const std::int32_t b = u - 7;
            const __m256 step = _mm256_loadu_ps(steps.down + (kBlock - 8 - (u0 - u)));
            const __m256 depthV = _mm256_loadu_ps(depth + b);
            const __m256 v = _mm256_add_ps(depthV, step);
            __m256 m = _mm256_max_ps(v, fromHigher<1>(v, none));
            m = _mm256_max_ps(m, fromHigher<2>(m, none));
            m = _mm256_max_ps(m, fromHigher<4>(m, none));
            const __m256 upTo = fromHigher<1>(_mm256_max_ps(m, carry), carry);
            const __m256 nearest =
                _mm256_max_ps(_mm256_sub_ps(_mm256_add_ps(upTo, riseV), step), _mm256_loadu_ps(fromLeft + b));
            carry = _mm256_max_ps(carry, _mm256_permutevar8x32_ps(m, zero));

            const __m256i q = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(levels + b)));
            const __m256i s = _mm256_i32gather_epi32(table, q, 8);
            const __m256i left = _mm256_sub_epi32(_mm256_add_epi32(_mm256_set1_epi32(b), lanes), _mm256_srai_epi32(s, 1));
            const __m256i right = _mm256_add_epi32(left, s);
            const __m256i inside = _mm256_and_si256(
                _mm256_cmpgt_epi32(s, zero),
                _mm256_and_si256(_mm256_cmpgt_epi32(left, minusOne), _mm256_cmpgt_epi32(width, right)));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pairLeft + b), _mm256_blendv_epi8(minusOne, left, inside));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(pairRight + b), right);
            // The rays' own depths are read only where the bound comes near.
            unsigned rays = 0;
            const __m256 clear = _mm256_cmp_ps(nearest, _mm256_add_ps(depthV, clearance), _CMP_LT_OQ);
            if (_mm256_movemask_ps(_mm256_andnot_ps(clear, _mm256_castsi256_ps(inside))) != 0) {
                const __m256 firstRay = _mm256_i32gather_ps(reinterpret_cast<const float*>(table) + 1, q, 8);
                const __m256 near = _mm256_cmp_ps(nearest, _mm256_sub_ps(firstRay, margin), _CMP_GE_OQ);
                rays = static_cast<unsigned>(_mm256_movemask_ps(_mm256_and_ps(near, _mm256_castsi256_ps(inside))));
            }
            while (rays != 0) {
                const std::int32_t at = b + __builtin_ctz(rays);
                if (rayBlocked(tables, depth, n, at, levels[at]))
                    pairLeft[at] = -1;
                rays &= rays - 1;
            }
        }
        run = _mm256_cvtss_f32(carry);
        for (; u > end; --u)
            fromRightOne(tables, a, steps, n, u0, u, rise, run);
        before = run - rise * static_cast<float>(u0 - end - 1);
    }
}

#endif

// The pairs linked in turn, from the left. leftOf and rightOf record each
// end's first partner plus base (older rows' records lie below it).
template <bool Visible>
void linkPairs(std::int32_t n, const std::int32_t* __restrict pairLeft, const std::int32_t* __restrict pairRight,
               std::int32_t* __restrict leftOf, std::int32_t* __restrict rightOf, std::int32_t* __restrict same,
               std::int32_t base, std::uint8_t* __restrict visible)
{
    for (std::int32_t u = 0; u < n; ++u) {
        std::int32_t left = pairLeft[u];
        std::int32_t right = pairRight[u];
        // Where the separation steps by one between neighbours, two
        // neighbours of one eye would pair with one pixel of the other and
        // come out alike, a streak growing along the chain. The second of
        // them counts as seen by one eye only and keeps its own texture.
        // (A record r lies one from the end e when r − (e + base − 1) is 0
        // or 2.)
        bool seen = left >= 0;
        if (seen) {
            const std::int32_t leftRecord = leftOf[right];
            const std::int32_t rightRecord = rightOf[left];
            const auto offLeft = static_cast<std::uint32_t>(leftRecord) - static_cast<std::uint32_t>(left + base - 1);
            const auto offRight =
                static_cast<std::uint32_t>(rightRecord) - static_cast<std::uint32_t>(right + base - 1);
            seen = ((offLeft & ~2u) != 0) & ((offRight & ~2u) != 0);
            if (seen) {
                leftOf[right] = leftRecord < base ? left + base : leftRecord;
                rightOf[left] = rightRecord < base ? right + base : rightRecord;
            }
        }
        if constexpr (Visible)
            visible[u] = seen ? 1 : 0;
        if (!seen)
            continue;
        // Merge the pair into the chains: each link points right, and a
        // link already there is kept by moving along it.
        std::int32_t l = same[left];
        while (l != left && l != right) {
            if (l < right) {
                left = l;
                l = same[left];
            } else {
                same[left] = right;
                left = right;
                l = same[left];
                right = l;
            }
        }
        same[left] = right;
    }
}

} // namespace

void linkRow(const HiddenSurfaceTables& tables, std::int32_t n, HiddenSurfaceScratch& scratch, std::uint8_t* visible)
{
    const RowArrays arrays{scratch.levels.data(), scratch.depth.data(),    scratch.same.data(),
                           scratch.fromLeft.data(), scratch.pairLeft.data(), scratch.pairRight.data()};
    const BlockSteps steps(tables.rise());
#if DOTSCAPE_HAVE_AVX2
    if (wideKernels())
        pairsWide(tables, arrays, n, steps);
    else
        pairsPortable(tables, arrays, n, steps);
#else
    pairsPortable(tables, arrays, n, steps);
#endif
    // The records hold an end plus the row's base, which grows by more than
    // the row from one row to the next: an older row's record lies below the
    // base, at least 3 from any end, so the arrays need no clearing.
    const std::int64_t step = static_cast<std::int64_t>(n) + 3;
    if (scratch.pairBase + 2 * step > std::numeric_limits<std::int32_t>::max()) {
        std::fill(scratch.leftOf.begin(), scratch.leftOf.end(), 0);
        std::fill(scratch.rightOf.begin(), scratch.rightOf.end(), 0);
        scratch.pairBase = 0;
    }
    scratch.pairBase += static_cast<std::int32_t>(step);
    const std::int32_t base = scratch.pairBase;

    if (visible)
        linkPairs<true>(n, arrays.pairLeft, arrays.pairRight, scratch.leftOf.data(), scratch.rightOf.data(),
                        arrays.same, base, visible);
    else
        linkPairs<false>(n, arrays.pairLeft, arrays.pairRight, scratch.leftOf.data(), scratch.rightOf.data(),
                         arrays.same, base, nullptr);
}

} // namespace engine
