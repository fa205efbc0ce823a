// One boundary element: a triangle or a quadrilateral given by the indices of its corner points.
// The node order is the element's orientation; a triangle carries unusedNode in the fourth slot.
#pragma once

#include <cstdint>

#include "base/IndexLimits.h"

using SurfaceIndex = std::uint32_t;

// The unused fourth node of a triangle, and the node that cannot be read: beyond every limit, so
// that no element check lets it pass.
constexpr SurfaceIndex unusedNode = 0xffffffffu;

struct SurfaceElement {
    std::int32_t nodeCount;
    SurfaceIndex nodes[4];
};
