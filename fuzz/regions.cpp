// The regions file of a sweep.
#include "fuzz/FuzzInput.h"
#include "fileio/RegionsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size, "s.regions");
    RegionMap regions;
    ReadRegionsFile(input.Name(), regions);
    return 0;
}
