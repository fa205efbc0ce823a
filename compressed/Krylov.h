// Iterative solvers over a matrix known by its products: restarted GMRES for square systems and
// CGLS for least squares, both preconditioned from the right, so that the residual they watch is
// the residual of the system itself. Vector arithmetic runs on one thread in a fixed order; the
// products decide the threads, so results do not depend on the thread count either.
#pragma once

#include "base/Complex.h"
#include "compressed/LinearOperator.h"

struct KrylovOptions {
    double tolerance = 1e-6;  // relative residual at which the solver stops
    int maxIterations = 1000;
    int restart = 50;  // GMRES: Krylov vectors before a restart
};

struct KrylovResult {
    int iterations = 0;  // products with the matrix (GMRES) or pairs of products (CGLS)
    bool converged = false;
    // GMRES: ||b - A x|| / ||b||. CGLS: ||K^H (b - A x)|| for the preconditioned matrix K,
    // relative to its value at the first guess (||K^H b|| for zeros).
    double residual = 0.0;
    // ||b - A x|| / ||b|| for both (CGLS: of the stacked system, as kept up to date).
    double systemResidual = 0.0;
};

// Solves A x = b for square A, x holding the first guess on entry (zeros are fine) and the
// solution on return; preconditioner may be null. Returns 0 when it ran, converged or not
// (result says which: a solution that did not reach the tolerance is the caller's to flag), or
// a negative status from a product or a solve, or -4 without memory, after a report.
int SolveGmres(const CLinearOperator& a, const CPreconditioner* preconditioner, const Complex* b,
               Complex* x, const KrylovOptions& options, KrylovResult& result);

// Minimises ||[A; E] x - b|| for A (n x n, or any m x n) stacked on `extraRowCount` dense rows E
// (row by row, n entries each): b holds A's rows' values and then E's. The preconditioner, if
// any, is of the order of A's columns. Converged when either residual of the result is within
// the tolerance: the system's, as GMRES stops (a system that has a solution), or the normal
// equations' (one that has none). x as for SolveGmres; returns as SolveGmres.
int SolveLeastSquares(const CLinearOperator& a, const Complex* extraRows, int extraRowCount,
                      const CPreconditioner* preconditioner, const Complex* b, Complex* x,
                      const KrylovOptions& options, KrylovResult& result);
