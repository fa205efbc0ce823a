// kavoral._core: the library in a Python session.
#include <pybind11/pybind11.h>

namespace py = pybind11;

PYBIND11_MODULE(_core, module) {
    module.doc() = "The Kavoral library: one frequency of a model at a time, in memory.";
}
