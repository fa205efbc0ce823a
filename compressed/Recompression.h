// Recompression of a low-rank block: the factors of a cross approximation are orthogonalised,
// the small core between them decomposed by its singular values, and the terms whose singular
// values together stay below the tolerance dropped. The cross approximation's rank is usually
// well above the rank the tolerance needs.
#pragma once

#include "base/Complex.h"

// u holds U (m x k, column after column), w holds W (k x n, row after row). Overwrites the first
// r columns of U and rows of W with a rank-r product that differs from U W by at most
// tolerance ||U W||_F (Frobenius norms), r as small as the singular values allow, and returns r.
// Throws std::bad_alloc when the memory is not there.
int Recompress(Complex* u, Complex* w, int m, int n, int k, double tolerance);
