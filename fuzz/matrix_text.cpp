// The matrix file in the text encoding.
#include "fuzz/MatrixRows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ReadMatrixFile(data, size, matrixFileText);
    return 0;
}
