// A matrix known only by its products, and a preconditioner known only by its solves: what the
// Krylov solvers work with.
#pragma once

#include "base/Complex.h"

class CLinearOperator {
public:
    virtual ~CLinearOperator() = default;
    virtual int Rows() const = 0;
    virtual int Columns() const = 0;
    // y = A x (x of Columns(), y of Rows() values), and y = A^H x (x of Rows(), y of Columns()):
    // 0, or a negative status after a report.
    virtual int Apply(const Complex* x, Complex* y) const = 0;
    virtual int ApplyAdjoint(const Complex* x, Complex* y) const = 0;
};

// An approximation M of a square matrix: Solve overwrites x with M^-1 x, SolveAdjoint with
// M^-H x. Both return 0 or a negative status after a report.
class CPreconditioner {
public:
    virtual ~CPreconditioner() = default;
    virtual int Size() const = 0;
    virtual int Solve(Complex* x) const = 0;
    virtual int SolveAdjoint(Complex* x) const = 0;
};
