// The largest surfaces: indices of points and elements, counted from 0, stay below these counts.
#pragma once

// The surfaces of the Kavoral program hold, after their reflection, at most surfaceIndexLimit
// points and elements; the sweep and the library's other front ends read surfaces of up to
// wideSurfaceIndexLimit (CSurface::indexLimit says which applies to a surface). Files with one
// line per element (the regions file) are bounded by the same counts.
constexpr int surfaceIndexLimit = 65535;
constexpr int wideSurfaceIndexLimit = (1 << 21) - 1;
