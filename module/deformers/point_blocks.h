#pragma once

#include "vornsdk/math.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

namespace tolvir {

// Deforms points a cache-sized block at a time: fast(block, n) moves a block in place and answers
// true when one of its points is beyond the fast path's reach (a turn too large for the
// branch-free sine, a NaN), and then exact(point) moves the whole block again from a saved copy.
template <class Fast, class Exact>
void deform_in_blocks(std::span<VORNSDK::Vector3d> points, Fast fast, Exact exact)
{
    constexpr std::size_t kBlock = 256;
    std::array<VORNSDK::Vector3d, kBlock> saved;
    for (std::size_t first = 0; first < points.size(); first += kBlock) {
        std::size_t const n = std::min(kBlock, points.size() - first);
        VORNSDK::Vector3d* const block = points.data() + first;
        std::copy_n(block, n, saved.begin());
        if (fast(block, n))
            for (std::size_t i = 0; i < n; ++i)
                block[i] = exact(saved[i]);
    }
}

} // namespace tolvir
