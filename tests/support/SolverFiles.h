// Files the solver commands read, written directly by the tests with values they control, and
// the result files they write, parsed back.
#pragma once

#include <string>
#include <vector>

#include "base/Complex.h"

namespace test {

// The two matrices of a matrix file, row-major.
struct MatrixPair {
    int rows = 0;
    int columns = 0;
    std::vector<Complex> a;
    std::vector<Complex> b;
    Complex& A(int i, int j) { return a[static_cast<std::size_t>(i) * columns + j]; }
    Complex& B(int i, int j) { return b[static_cast<std::size_t>(i) * columns + j]; }
};

MatrixPair ZeroMatrices(int rows, int columns);
MatrixPair OneByOne(Complex a, Complex b);
// Entries are multiples of 1/64 in [-1, 1], exact in the six decimals of the text encoding;
// `diagonal` is added to the real part of A on its diagonal.
MatrixPair RandomMatrices(int rows, int columns, unsigned seed, double diagonal);

// Writes the matrix file in the given encoding ("TEXT" or "BINARY"). With entryRows below
// rows, only that many rows of entries follow the header.
void WriteMatrixFile(const std::string& path, const MatrixPair& matrices,
                     const std::string& encoding, int entryRows = -1);
void WriteMatrixHeader(const std::string& path, int rows, int columns, const std::string& encoding);

// Writes an excitation file: one type letter and one value per point.
void WriteExcitationFile(const std::string& path, const std::string& types,
                         const std::vector<Complex>& values);

// A result file written in the program's layout (as -xs writes it).
void WriteResultFile(const std::string& path, const std::vector<Complex>& pressures,
                     const std::vector<Complex>& velocities);

struct ResultFile {
    bool valid = false;
    std::vector<std::string> header;  // the '%' lines
    std::vector<Complex> pressures;
    std::vector<Complex> velocities;
    std::vector<std::string> pointLines;
};
ResultFile ReadResultFile(const std::string& path);

// Checks a surface result file against the equations it must satisfy: every row of A p = B v,
// and the boundary condition of every point (types "P", "V", "Z", "Y", values e), both up to
// the six digits of the file. Empty when it holds, otherwise what is wrong.
std::string CheckSurfaceSolution(MatrixPair& matrices, const std::string& types,
                                 const std::vector<Complex>& e, const std::string& resultPath);

}  // namespace test
