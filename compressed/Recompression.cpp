#include "compressed/Recompression.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

#include "compressed/ComplexVector.h"

namespace {

Complex Scale(Complex a, double s) { return {a.re * s, a.im * s}; }

// Overwrites the k vectors of `length` entries, `stride` apart, with orthonormal ones Q and
// returns R (k x k, row by row, upper triangular) with A = Q R. Gram-Schmidt twice over (the
// second pass restores what rounding took from the first); a vector that depends on the ones
// before it becomes zero, its row of R too.
std::vector<Complex> Orthonormalise(Complex* vectors, int length, int k) {
    const std::size_t kk = static_cast<std::size_t>(k);
    std::vector<Complex> r(kk * kk, Complex{0.0, 0.0});
    const auto vector = [&](int i) {
        return vectors + static_cast<std::size_t>(i) * static_cast<std::size_t>(length);
    };
    for (int j = 0; j < k; ++j) {
        Complex* q = vector(j);
        const double original = Norm(q, length);
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < j; ++i) {
                const Complex projection = InnerProduct(vector(i), q, length);
                SubtractScaled(q, vector(i), projection, length);
                r[static_cast<std::size_t>(i) * kk + static_cast<std::size_t>(j)] += projection;
            }
        }
        const double norm = Norm(q, length);
        if (norm <= 1e-14 * original || norm == 0.0) {
            for (int i = 0; i < length; ++i) q[i] = {0.0, 0.0};
            continue;
        }
        for (int i = 0; i < length; ++i) q[i] = Scale(q[i], 1.0 / norm);
        r[static_cast<std::size_t>(j) * kk + static_cast<std::size_t>(j)] = {norm, 0.0};
    }
    return r;
}

// One-sided Jacobi: rotates the columns of the k x k matrix c (row by row) until they are
// orthogonal, the same rotations applied to v (starting as the identity): c V = X S with the
// columns of c then X times the singular values.
void OrthogonaliseColumns(std::vector<Complex>& c, std::vector<Complex>& v, int k) {
    const std::size_t kk = static_cast<std::size_t>(k);
    const auto at = [&](std::vector<Complex>& a, int i, int j) -> Complex& {
        return a[static_cast<std::size_t>(i) * kk + static_cast<std::size_t>(j)];
    };
    // Columns this small against the whole are left as they are: their rotations would work
    // on rounding, and the phases of such products lose their modulus to underflow.
    double whole = 0.0;
    for (const Complex& entry : c) whole += SquaredAbs(entry);
    const double negligible = 1e-30 * whole;
    for (int sweep = 0; sweep < 60; ++sweep) {
        bool rotated = false;
        for (int p = 0; p < k - 1; ++p) {
            for (int q = p + 1; q < k; ++q) {
                double alpha = 0.0;
                double beta = 0.0;
                Complex gamma{0.0, 0.0};
                for (int i = 0; i < k; ++i) {
                    alpha += SquaredAbs(at(c, i, p));
                    beta += SquaredAbs(at(c, i, q));
                    gamma += ConjugateTimes(at(c, i, p), at(c, i, q));
                }
                const double size = std::hypot(gamma.re, gamma.im);
                if (alpha <= negligible || beta <= negligible ||
                    !(size > 1e-15 * std::sqrt(alpha * beta)))
                    continue;
                rotated = true;
                // With column q turned by the phase of gamma the pair is real; then the
                // rotation of the symmetric 2 x 2 case.
                const Complex phase = Scale(Conjugate(gamma), 1.0 / size);
                const double zeta = (beta - alpha) / (2.0 * size);
                const double t =
                    (zeta >= 0.0 ? 1.0 : -1.0) / (std::fabs(zeta) + std::sqrt(1.0 + zeta * zeta));
                const double cosine = 1.0 / std::sqrt(1.0 + t * t);
                const double sine = cosine * t;
                for (std::vector<Complex>* a : {&c, &v}) {
                    for (int i = 0; i < k; ++i) {
                        const Complex x = at(*a, i, p);
                        const Complex y = at(*a, i, q) * phase;
                        at(*a, i, p) = Scale(x, cosine) - Scale(y, sine);
                        at(*a, i, q) = Scale(x, sine) + Scale(y, cosine);
                    }
                }
            }
        }
        if (!rotated) break;
    }
}

}  // namespace

int Recompress(Complex* u, Complex* w, int m, int n, int k, double tolerance) {
    if (k <= 1) return k;
    const std::size_t kk = static_cast<std::size_t>(k);
    // U = Qu Ru, W^T = Qw Rw (the rows of W are the columns of W^T): U W = Qu (Ru Rw^T) Qw^T.
    const std::vector<Complex> ru = Orthonormalise(u, m, k);
    const std::vector<Complex> rw = Orthonormalise(w, n, k);
    std::vector<Complex> core(kk * kk, Complex{0.0, 0.0});
    for (std::size_t i = 0; i < kk; ++i) {
        for (std::size_t j = 0; j < kk; ++j) {
            Complex sum{0.0, 0.0};
            for (std::size_t l = std::max(i, j); l < kk; ++l)
                sum += ru[i * kk + l] * rw[j * kk + l];
            core[i * kk + j] = sum;
        }
    }
    std::vector<Complex> v(kk * kk, Complex{0.0, 0.0});
    for (std::size_t i = 0; i < kk; ++i) v[i * kk + i] = {1.0, 0.0};
    OrthogonaliseColumns(core, v, k);
    // core = X S V^H: the singular values are the column norms, largest first.
    std::vector<double> sigma(kk);
    double total = 0.0;
    for (std::size_t j = 0; j < kk; ++j) {
        double sum = 0.0;
        for (std::size_t i = 0; i < kk; ++i) sum += SquaredAbs(core[i * kk + j]);
        sigma[j] = sum;
        total += sum;
    }
    std::vector<int> order(kk);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return sigma[static_cast<std::size_t>(a)] > sigma[static_cast<std::size_t>(b)];
    });
    int rank = k;
    double dropped = 0.0;
    while (rank > 0) {
        const double next =
            dropped + sigma[static_cast<std::size_t>(order[static_cast<std::size_t>(rank - 1)])];
        if (next > tolerance * tolerance * total) break;
        dropped = next;
        --rank;
    }
    // New U = Qu (core columns kept) = Qu X S; new W = V^H (kept) Qw^T.
    const std::size_t mm = static_cast<std::size_t>(m);
    const std::size_t nn = static_cast<std::size_t>(n);
    std::vector<Complex> qu(u, u + mm * kk);
    std::vector<Complex> qw(w, w + nn * kk);
    for (int l = 0; l < rank; ++l) {
        const std::size_t column = static_cast<std::size_t>(order[static_cast<std::size_t>(l)]);
        Complex* target = u + static_cast<std::size_t>(l) * mm;
        for (std::size_t i = 0; i < mm; ++i) target[i] = {0.0, 0.0};
        for (std::size_t p = 0; p < kk; ++p)
            AddScaled(target, qu.data() + p * mm, core[p * kk + column], m);
        Complex* row = w + static_cast<std::size_t>(l) * nn;
        for (std::size_t j = 0; j < nn; ++j) row[j] = {0.0, 0.0};
        for (std::size_t p = 0; p < kk; ++p)
            AddScaled(row, qw.data() + p * nn, Conjugate(v[p * kk + column]), n);
    }
    return rank;
}
