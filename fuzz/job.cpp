// The sweep program's job file. The input files a job names are checked for being there, so the
// working directory holds empty files under the names the seeds use.
#include <cstdio>

#include "fuzz/FuzzInput.h"
#include "sweep/JobFile.h"

namespace {

void MakeInputFiles() {
    for (const char* name : {"s.srf", "s.regions", "s.exc", "f.ms"}) {
        std::FILE* file = std::fopen(name, "wb");
        if (file == nullptr || std::fclose(file) != 0) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size, "sweep.job");
    static const bool made = (MakeInputFiles(), true);
    (void)made;
    SweepJob job;
    ReadJobFile(input.Name(), job);
    return 0;
}
