// The configuration file Kavoral.cfg.
#include "fileio/ConfigData.h"
#include "fileio/FileIO.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size, "Kavoral.cfg");
    CFileIO fileIO;
    ConfigData config;
    fileIO.ReadConfigFile(input.Name(), config);
    return 0;
}
