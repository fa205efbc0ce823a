#include "compressed/Krylov.h"

#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

#include "base/LogFile.h"
#include "base/Status.h"
#include "compressed/ComplexVector.h"

namespace {

constexpr const char* className = "Krylov";

Complex Scale(Complex a, double s) { return {a.re * s, a.im * s}; }

// The plane rotation [c s; -conj(s) c] with real c that takes (a, b) to (r, 0).
struct Rotation {
    double c = 1.0;
    Complex s{0.0, 0.0};

    static Rotation Zeroing(Complex a, Complex b) {
        Rotation g;
        const double absA = Abs(a);
        const double r = std::sqrt(SquaredAbs(a) + SquaredAbs(b));
        if (r == 0.0) return g;
        if (absA == 0.0) {
            g.c = 0.0;
            g.s = {1.0, 0.0};
            return g;
        }
        g.c = absA / r;
        g.s = Scale(Scale(a, 1.0 / absA) * Conjugate(b), 1.0 / r);
        return g;
    }
    void Apply(Complex& x, Complex& y) const {
        const Complex first = Scale(x, c) + s * y;
        const Complex second = Scale(y, c) - Conjugate(s) * x;
        x = first;
        y = second;
    }
};

int ReportNoMemory(const char* function) {
    logFile.ReportError(className, function, Message::noMemory, nullptr);
    return Status::noMemory;
}

}  // namespace

int SolveGmres(const CLinearOperator& a, const CPreconditioner* preconditioner, const Complex* b,
               Complex* x, const KrylovOptions& options, KrylovResult& result) {
    result = KrylovResult();
    const int n = a.Rows();
    if (n <= 0 || a.Columns() != n || options.restart < 1 || options.maxIterations < 0 ||
        (preconditioner != nullptr && preconditioner->Size() != n)) {
        logFile.ReportError(className, "SolveGmres", Message::badArguments, nullptr);
        return Status::badArguments;
    }
    const std::size_t nn = static_cast<std::size_t>(n);
    const int m = options.restart;
    const std::size_t mm = static_cast<std::size_t>(m);
    std::vector<Complex> basis, hessenberg, g, y, work;
    std::vector<Rotation> rotations;
    try {
        basis.resize((mm + 1) * nn);
        hessenberg.resize((mm + 1) * mm);
        g.resize(mm + 1);
        y.resize(mm);
        work.resize(nn);
        rotations.resize(mm);
    } catch (const std::bad_alloc&) {
        return ReportNoMemory("SolveGmres");
    }
    const auto v = [&](int i) { return basis.data() + static_cast<std::size_t>(i) * nn; };
    // Column j of the Hessenberg matrix holds rows 0 .. j + 1.
    const auto h = [&](int i, int j) -> Complex& {
        return hessenberg[static_cast<std::size_t>(j) * (mm + 1) + static_cast<std::size_t>(i)];
    };

    const double bNorm = Norm(b, n);
    if (bNorm == 0.0) {
        for (int i = 0; i < n; ++i) x[i] = {0.0, 0.0};
        result.converged = true;
        return Status::ok;
    }
    int status;
    for (;;) {
        // The true residual at every restart: the decision to stop rests on it.
        if ((status = a.Apply(x, work.data())) < 0) return status;
        Complex* r = v(0);
        for (int i = 0; i < n; ++i) r[i] = b[i] - work[static_cast<std::size_t>(i)];
        const double beta = Norm(r, n);
        result.residual = beta / bNorm;
        result.systemResidual = result.residual;
        if (result.residual <= options.tolerance) {
            result.converged = true;
            return Status::ok;
        }
        if (result.iterations >= options.maxIterations) return Status::ok;
        for (int i = 0; i < n; ++i) r[i] = Scale(r[i], 1.0 / beta);
        for (std::size_t i = 0; i <= mm; ++i) g[i] = {0.0, 0.0};
        g[0] = {beta, 0.0};

        int steps = 0;
        for (int j = 0; j < m && result.iterations < options.maxIterations; ++j) {
            // w = A M^-1 v_j, orthogonalised against the basis (modified Gram-Schmidt).
            Complex* next = v(j + 1);
            for (int i = 0; i < n; ++i) work[static_cast<std::size_t>(i)] = v(j)[i];
            if (preconditioner != nullptr && (status = preconditioner->Solve(work.data())) < 0)
                return status;
            if ((status = a.Apply(work.data(), next)) < 0) return status;
            ++result.iterations;
            for (int i = 0; i <= j; ++i) {
                h(i, j) = InnerProduct(v(i), next, n);
                SubtractScaled(next, v(i), h(i, j), n);
            }
            const double norm = Norm(next, n);
            h(j + 1, j) = {norm, 0.0};
            if (norm > 0.0) {
                for (int i = 0; i < n; ++i) next[i] = Scale(next[i], 1.0 / norm);
            }
            for (int i = 0; i < j; ++i)
                rotations[static_cast<std::size_t>(i)].Apply(h(i, j), h(i + 1, j));
            rotations[static_cast<std::size_t>(j)] = Rotation::Zeroing(h(j, j), h(j + 1, j));
            rotations[static_cast<std::size_t>(j)].Apply(h(j, j), h(j + 1, j));
            rotations[static_cast<std::size_t>(j)].Apply(g[static_cast<std::size_t>(j)],
                                                         g[static_cast<std::size_t>(j) + 1]);
            steps = j + 1;
            if (Abs(g[static_cast<std::size_t>(j) + 1]) <= options.tolerance * bNorm || norm == 0.0)
                break;
        }
        if (steps == 0) return Status::ok;
        // y = H^-1 g (upper triangular), x += M^-1 V y.
        for (int i = steps - 1; i >= 0; --i) {
            Complex sum = g[static_cast<std::size_t>(i)];
            for (int k = i + 1; k < steps; ++k) sum -= h(i, k) * y[static_cast<std::size_t>(k)];
            const Complex diagonal = h(i, i);
            y[static_cast<std::size_t>(i)] =
                SquaredAbs(diagonal) > 0.0 ? sum / diagonal : Complex{0.0, 0.0};
        }
        for (int i = 0; i < n; ++i) work[static_cast<std::size_t>(i)] = {0.0, 0.0};
        for (int k = 0; k < steps; ++k)
            AddScaled(work.data(), v(k), y[static_cast<std::size_t>(k)], n);
        if (preconditioner != nullptr && (status = preconditioner->Solve(work.data())) < 0)
            return status;
        for (int i = 0; i < n; ++i) x[i] += work[static_cast<std::size_t>(i)];
    }
}

int SolveLeastSquares(const CLinearOperator& a, const Complex* extraRows, int extraRowCount,
                      const CPreconditioner* preconditioner, const Complex* b, Complex* x,
                      const KrylovOptions& options, KrylovResult& result) {
    result = KrylovResult();
    const int m = a.Rows();
    const int n = a.Columns();
    if (m <= 0 || n <= 0 || extraRowCount < 0 || (extraRowCount > 0 && extraRows == nullptr) ||
        options.maxIterations < 0 || (preconditioner != nullptr && preconditioner->Size() != n)) {
        logFile.ReportError(className, "SolveLeastSquares", Message::badArguments, nullptr);
        return Status::badArguments;
    }
    const int rows = m + extraRowCount;
    const std::size_t nn = static_cast<std::size_t>(n);
    const auto extraRow = [&](int k) { return extraRows + static_cast<std::size_t>(k) * nn; };
    std::vector<Complex> r, s, p, t, q;
    try {
        r.resize(static_cast<std::size_t>(rows));
        s.resize(nn);
        p.resize(nn);
        t.resize(nn);
        q.resize(static_cast<std::size_t>(rows));
    } catch (const std::bad_alloc&) {
        return ReportNoMemory("SolveLeastSquares");
    }
    int status;
    // out = [A; E] in
    const auto product = [&](const Complex* in, Complex* out) {
        const int code = a.Apply(in, out);
        if (code < 0) return code;
        for (int k = 0; k < extraRowCount; ++k) {
            Complex sum{0.0, 0.0};
            const Complex* row = extraRow(k);
            for (int j = 0; j < n; ++j) sum += row[j] * in[j];
            out[m + k] = sum;
        }
        return 0;
    };
    // out = M^-H [A; E]^H in
    const auto adjointProduct = [&](const Complex* in, Complex* out) {
        int code = a.ApplyAdjoint(in, out);
        if (code < 0) return code;
        for (int k = 0; k < extraRowCount; ++k) {
            const Complex* row = extraRow(k);
            const Complex factor = in[m + k];
            for (int j = 0; j < n; ++j) out[j] += ConjugateTimes(row[j], factor);
        }
        if (preconditioner != nullptr && (code = preconditioner->SolveAdjoint(out)) < 0)
            return code;
        return 0;
    };

    // CGLS on the preconditioned system [A; E] M^-1 z = b, x = x0 + M^-1 z.
    if ((status = product(x, q.data())) < 0) return status;
    for (int i = 0; i < rows; ++i)
        r[static_cast<std::size_t>(i)] = b[i] - q[static_cast<std::size_t>(i)];
    if ((status = adjointProduct(r.data(), s.data())) < 0) return status;
    p = s;
    double gamma = SquaredNorm(s.data(), n);
    const double initial = std::sqrt(gamma);
    const double bNorm = Norm(b, rows);
    const auto systemResidual = [&]() { return bNorm > 0.0 ? Norm(r.data(), rows) / bNorm : 0.0; };
    result.systemResidual = systemResidual();
    result.residual = initial == 0.0 ? 0.0 : 1.0;
    if (initial == 0.0 || result.systemResidual <= options.tolerance) {
        result.converged = true;
        return Status::ok;
    }
    while (result.iterations < options.maxIterations) {
        t = p;
        if (preconditioner != nullptr && (status = preconditioner->Solve(t.data())) < 0)
            return status;
        if ((status = product(t.data(), q.data())) < 0) return status;
        const double qNorm = SquaredNorm(q.data(), rows);
        if (qNorm == 0.0) break;
        const double alpha = gamma / qNorm;
        AddScaled(x, t.data(), {alpha, 0.0}, n);
        SubtractScaled(r.data(), q.data(), {alpha, 0.0}, rows);
        if ((status = adjointProduct(r.data(), s.data())) < 0) return status;
        ++result.iterations;
        const double next = SquaredNorm(s.data(), n);
        result.residual = std::sqrt(next) / initial;
        result.systemResidual = systemResidual();
        if (result.residual <= options.tolerance || result.systemResidual <= options.tolerance) {
            result.converged = true;
            break;
        }
        const double beta = next / gamma;
        gamma = next;
        for (std::size_t j = 0; j < nn; ++j) p[j] = s[j] + Scale(p[j], beta);
    }
    return Status::ok;
}
