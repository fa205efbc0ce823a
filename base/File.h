// Owned C stream: closed when its owner goes out of scope.
#pragma once

#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file != nullptr) std::fclose(file);
    }
};

using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

inline UniqueFile OpenFile(const char* name, const char* mode) {
    return UniqueFile(std::fopen(name, mode));
}

// Flushes and closes a stream that was written: true when every write and the close succeeded.
inline bool CloseWritten(UniqueFile& file) {
    std::FILE* stream = file.release();
    if (stream == nullptr) return false;
    const bool failed = std::fflush(stream) != 0 || std::ferror(stream) != 0;
    const bool closeFailed = std::fclose(stream) != 0;
    return !failed && !closeFailed;
}
