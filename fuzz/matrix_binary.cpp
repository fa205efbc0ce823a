// The matrix file in the binary encoding.
#include "fuzz/MatrixRows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ReadMatrixFile(data, size, matrixFileBinary);
    return 0;
}
