// One boundary element: a triangle or a quadrilateral given by the indices of its corner points.
// The node order is the element's orientation; a triangle carries unusedNode in the fourth slot.
#pragma once

#include <cstdint>

// Point and element indices are 16-bit: a surface holds at most this many points and elements
// after its reflection, and the largest index marks the unused fourth node of a triangle.
constexpr int surfaceIndexLimit = 65535;
constexpr std::uint16_t unusedNode = surfaceIndexLimit;

struct SurfaceElement {
    std::int32_t nodeCount;
    std::uint16_t nodes[4];
};
