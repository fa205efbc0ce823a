// One boundary element: a triangle or a quadrilateral given by the indices of its corner points.
// The node order is the element's orientation; a triangle carries unusedNode in the fourth slot.
#pragma once

#include <cstdint>

using SurfaceIndex = std::uint32_t;

// The surfaces of the Kavoral program hold, after their reflection, at most surfaceIndexLimit
// points and elements; the sweep and the library's other front ends read surfaces of up to
// wideSurfaceIndexLimit (CSurface::indexLimit says which applies to a surface).
constexpr int surfaceIndexLimit = 65535;
constexpr int wideSurfaceIndexLimit = (1 << 21) - 1;
// The unused fourth node of a triangle, and the node that cannot be read: beyond every limit, so
// that no element check lets it pass.
constexpr SurfaceIndex unusedNode = 0xffffffffu;

struct SurfaceElement {
    std::int32_t nodeCount;
    SurfaceIndex nodes[4];
};
