// What every fuzz target shares: each input is written to a file of the process's own (the
// readers take file names), the log writer drops its console text, and a refused huge
// allocation comes back as null, so that the program answers it with its own "Not enough
// memory" report.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/LogFile.h"

extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace fuzz {

// A private working directory, made the current directory: readers that look for a fixed name
// ("Gauss.cfs") find the input there. Removed when the process ends normally.
class WorkDirectory {
public:
    WorkDirectory() {
        std::error_code error;
        const std::filesystem::path shm("/dev/shm");
        std::string pattern =
            ((std::filesystem::is_directory(shm, error) ? shm
                                                        : std::filesystem::temp_directory_path()) /
             "kavoral-fuzz-XXXXXX")
                .string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path = pattern;
        std::filesystem::current_path(path);
    }
    ~WorkDirectory() {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }

private:
    std::filesystem::path path;
};

// Writes one input to `name` in the working directory and keeps the log writer quiet while the
// object lives.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size, const char* name) : fileName(name) {
        static WorkDirectory directory;
        std::FILE* file = std::fopen(name, "wb");
        if (file == nullptr) std::abort();
        if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
        if (std::fclose(file) != 0) std::abort();
        logFile.SetQuiet(true);
    }
    ~Input() { logFile.SetQuiet(false); }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    const char* Name() const { return fileName; }

private:
    const char* fileName;
};

}  // namespace fuzz
