// One boundary element: a triangle or a quadrilateral given by the indices of its corner points.
// The node order is the element's orientation; a triangle carries 65535 in the fourth slot.
#pragma once

#include <cstdint>

constexpr std::uint16_t unusedNode = 65535;

struct SurfaceElement {
    std::int32_t nodeCount;
    std::uint16_t nodes[4];
};
