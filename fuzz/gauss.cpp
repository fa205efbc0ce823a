// The quadrature coefficient file Gauss.cfs, loaded as the matrix commands load it.
#include "fuzz/FuzzInput.h"
#include "generator/GaussTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size, "Gauss.cfs");
    CGaussTable table;
    table.Init();
    return 0;
}
