// The result file.
#include <vector>

#include "fileio/FileIO.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size, "surface.res");
    CFileIO fileIO;
    int count = 0;
    std::vector<Complex> pressures;
    std::vector<Complex> velocities;
    fileIO.ReadResultFile(input.Name(), count, pressures, velocities);
    return 0;
}
