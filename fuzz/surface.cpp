// A surface file through the whole preparation (element check, reflection, adjacency,
// orientation, solid angles, turning) and the generator's per-element data; with the program's
// index limit or, when the input's size is odd, the sweep's wider one.
#include "fuzz/FuzzInput.h"
#include "generator/Generator.h"
#include "surface/Preparation.h"
#include "surface/Surface.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size, "surface.srf");
    ConfigData config;
    CSurface surface(config);
    if (size % 2 == 1) surface.indexLimit = wideSurfaceIndexLimit;
    if (ReadAndPrepareSurface(surface, input.Name(), 1) < 0) return 0;
    CGenerator generator(config);
    generator.Init(surface);
    return 0;
}
