// The excitation file.
#include <vector>

#include "fileio/FileIO.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size, "excitation.xct");
    CFileIO fileIO;
    int count = 0;
    std::vector<Complex> values;
    std::vector<std::int16_t> types;
    fileIO.ReadExcitationFile(input.Name(), count, values, types);
    return 0;
}
