// Reading a matrix file of one encoding to its end, as the solver commands do.
#pragma once

#include <algorithm>
#include <memory>
#include <new>

#include "fileio/FileIO.h"
#include "fuzz/FuzzInput.h"

namespace fuzz {

inline void ReadMatrixFile(const std::uint8_t* data, std::size_t size, int encoding) {
    Input input(data, size, "surface.mtx");
    CFileIO fileIO;
    int rows = 0;
    int columns = 0;
    if (fileIO.OpenMatrixFileR(input.Name(), &rows, &columns, encoding) < 0) return;
    // A file holds no more entries than it has bytes, so row arrays of that length are enough
    // for a reader that never writes an entry it has not read; one that does runs past them.
    const std::size_t length = std::min(static_cast<std::size_t>(columns), size + 1);
    std::unique_ptr<Complex[]> a(new (std::nothrow) Complex[length]);
    std::unique_ptr<Complex[]> b(new (std::nothrow) Complex[length]);
    if (a == nullptr || b == nullptr) return;
    for (int r = 0; r < rows; ++r) {
        if (fileIO.ReadMatrixRow(a.get(), b.get()) < 0) return;
    }
    fileIO.CloseMatrixFile();
}

}  // namespace fuzz
