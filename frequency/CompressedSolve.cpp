#include "frequency/CompressedSolve.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>

#include "base/LogFile.h"
#include "base/Constants.h"
#include "base/Status.h"
#include "compressed/BlockTree.h"
#include "compressed/ClusterTree.h"
#include "compressed/CrossApproximation.h"
#include "compressed/HMatrix.h"
#include "compressed/Krylov.h"
#include "compressed/NearFieldPreconditioner.h"
#include "fileio/ExcitationType.h"
#include "frequency/IncidentTerms.h"
#include "solver/SurfaceSystem.h"

namespace {

const char* const className = "CompressedSolve";

// Points per leaf of the cluster trees.
constexpr int leafSize = 32;

int NoMemory(const char* function) {
    logFile.ReportError(className, function, Message::noMemory, "");
    return Status::noMemory;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::size_t Size(int n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

Complex Negated(Complex value) { return {-value.re, -value.im}; }

// The characteristic impedance of the medium, |omega DENSITY / k|: the ratio of the entries of
// B to those of A. Columns of B are divided by it wherever they stand beside columns of A, so
// that both weigh alike in the tolerance of a block, and what multiplies them is multiplied by it.
double MediumImpedance(const CompressedProblem& problem, double omega) {
    const double k = Abs(problem.generator->WaveNumber(omega));
    const double impedance = omega * problem.generator->config.density / k;
    return std::isfinite(impedance) && impedance > 0.0 ? impedance : 1.0;
}

Complex Scaled(Complex value, double factor) { return {value.re * factor, value.im * factor}; }

// Whether the unknown of a point is its velocity (its column of the system is one of B).
bool VelocityUnknown(int type) { return type == givenPressure || type == givenImpedance; }

// The final entries of A and B of a block, as the whole rows have them.
struct BlockOfAB {
    std::vector<Complex> a;
    std::vector<Complex> b;
    int Compute(const CompressedProblem& problem, double omega, const Vector3* rowPoints,
                const double* solidAngles, const int* rows, int m, const int* columns, int w) {
        try {
            a.resize(Size(m) * Size(w));
            b.resize(a.size());
        } catch (const std::bad_alloc&) {
            return NoMemory("ComputeBlock");
        }
        return problem.generator->ComputeMatrixBlock(omega, rowPoints, solidAngles, rows, m,
                                                     columns, w, a.data(), b.data());
    }
};

// The columns of a block over surface points counted twice (point j as column j and as column
// n + j): the points once each, in ascending order, and where each column finds its point.
struct DoubledColumns {
    std::vector<int> points;
    std::vector<int> position;
    int Make(const int* columns, int w, int n) {
        try {
            points.resize(Size(w));
            for (int j = 0; j < w; ++j) points[Size(j)] = columns[j] % n;
            std::sort(points.begin(), points.end());
            points.erase(std::unique(points.begin(), points.end()), points.end());
            position.resize(Size(w));
        } catch (const std::bad_alloc&) {
            return NoMemory("ComputeBlock");
        }
        for (int j = 0; j < w; ++j) {
            position[Size(j)] = static_cast<int>(
                std::lower_bound(points.begin(), points.end(), columns[j] % n) - points.begin());
        }
        return Status::ok;
    }
    int Width() const { return static_cast<int>(points.size()); }
};

// The system matrix's entries of a computed block (m rows by the w points `columns`): each row
// as AssembleSystemRow forms it from the block's columns of A and B. The columns of velocity
// unknowns are divided by the impedance: the unknowns found are the velocities times it.
int SystemBlock(const CompressedProblem& problem, const BlockOfAB& block, int m, const int* columns,
                int w, double impedance, Complex* out) {
    std::vector<std::int16_t> types;
    std::vector<Complex> values;
    try {
        types.resize(Size(w));
        values.resize(Size(w));
    } catch (const std::bad_alloc&) {
        return NoMemory("ComputeBlock");
    }
    for (int j = 0; j < w; ++j) {
        types[Size(j)] = problem.types[columns[j]];
        values[Size(j)] = problem.values[columns[j]];
    }
    for (int i = 0; i < m; ++i) {
        const std::size_t row = Size(i) * Size(w);
        AssembleSystemRow(w, block.a.data() + row, block.b.data() + row, types.data(),
                          values.data(), out + row);
        for (int j = 0; j < w; ++j) {
            if (VelocityUnknown(types[Size(j)]))
                out[row + Size(j)] = Scaled(out[row + Size(j)], 1.0 / impedance);
        }
    }
    return Status::ok;
}

// The entries of the system matrix.
BlockEntryFunction SystemEntries(const CompressedProblem& problem, double omega) {
    const double impedance = MediumImpedance(problem, omega);
    return [&problem, omega, impedance](const int* rows, int m, const int* columns, int w,
                                        Complex* out) {
        BlockOfAB block;
        const int status =
            block.Compute(problem, omega, problem.points, problem.solidAngles, rows, m, columns, w);
        if (status < 0) return status;
        return SystemBlock(problem, block, m, columns, w, impedance, out);
    };
}

// The entry of the matrix K whose product with the known values e (the given pressures and
// velocities, 0 at impedance and admittance points) is the right-hand side: -A at given
// pressures, B over the impedance at given velocities (whose values are multiplied by it), 0
// elsewhere.
Complex KnownEntry(Complex a, Complex b, int type, double impedance) {
    return type == givenPressure   ? Negated(a)
           : type == givenVelocity ? Scaled(b, 1.0 / impedance)
                                   : Complex{0.0, 0.0};
}

// The system matrix's columns (0 to n - 1) beside those of K (n to 2n - 1), both from one
// computation of the block's columns of A and B.
BlockEntryFunction PairEntries(const CompressedProblem& problem, double omega) {
    const double impedance = MediumImpedance(problem, omega);
    return [&problem, omega, impedance](const int* rows, int m, const int* columns, int w,
                                        Complex* out) {
        const int n = problem.n;
        DoubledColumns doubled;
        int status = doubled.Make(columns, w, n);
        if (status < 0) return status;
        const int width = doubled.Width();
        BlockOfAB block;
        std::vector<Complex> systemBlock;
        try {
            systemBlock.resize(Size(m) * Size(width));
        } catch (const std::bad_alloc&) {
            return NoMemory("ComputeBlock");
        }
        status = block.Compute(problem, omega, problem.points, problem.solidAngles, rows, m,
                               doubled.points.data(), width);
        if (status < 0) return status;
        status = SystemBlock(problem, block, m, doubled.points.data(), width, impedance,
                             systemBlock.data());
        if (status < 0) return status;
        for (int i = 0; i < m; ++i) {
            for (int j = 0; j < w; ++j) {
                const std::size_t k = Size(i) * Size(width) + Size(doubled.position[Size(j)]);
                out[Size(i) * Size(w) + Size(j)] =
                    columns[j] < n ? systemBlock[k]
                                   : KnownEntry(block.a[k], block.b[k],
                                                problem.types[columns[j] - n], impedance);
            }
        }
        return Status::ok;
    };
}

bool HasKnownValues(const CompressedProblem& problem) {
    for (int j = 0; j < problem.n; ++j) {
        if (problem.types[j] == givenPressure || problem.types[j] == givenVelocity) return true;
    }
    return false;
}

HMatrixOptions MatrixOptions(const CompressedSettings& settings) {
    HMatrixOptions options;
    options.tolerance = settings.tolerance;
    options.threads = settings.threads;
    return options;
}

// The system matrix and the right-hand sides of every excitation's surface rows, K e plus its
// added terms, in one pass over the blocks: K is not kept. rightHandSides: n per excitation.
int AssembleSystem(const CompressedProblem& problem, double omega, const CClusterTree& tree,
                   const std::vector<CompressedExcitation>& excitations,
                   const CompressedSettings& settings, CHMatrix& system,
                   std::vector<Complex>& rightHandSides) {
    const std::size_t n = Size(problem.n);
    const std::size_t count = excitations.size();
    std::vector<Complex> e;
    try {
        rightHandSides.assign(n * count, Complex{0.0, 0.0});
        if (HasKnownValues(problem)) e.assign(n * count, Complex{0.0, 0.0});
    } catch (const std::bad_alloc&) {
        return NoMemory("RightHandSide");
    }
    int status = Status::ok;
    if (!e.empty()) {
        const double impedance = MediumImpedance(problem, omega);
        for (std::size_t c = 0; c < count; ++c) {
            const Complex* values = excitations[c].values;
            for (std::size_t j = 0; j < n; ++j) {
                if (problem.types[j] == givenPressure) e[c * n + j] = values[j];
                if (problem.types[j] == givenVelocity) e[c * n + j] = Scaled(values[j], impedance);
            }
        }
        status = system.AssembleWithProduct(tree, tree, PairEntries(problem, omega),
                                            MatrixOptions(settings), e.data(),
                                            rightHandSides.data(), static_cast<int>(count));
    } else {
        status =
            system.Assemble(tree, tree, SystemEntries(problem, omega), MatrixOptions(settings));
    }
    if (status < 0) return status;
    for (std::size_t c = 0; c < count; ++c) {
        const std::vector<Complex>* added = excitations[c].added;
        if (added == nullptr || added->size() != n) continue;
        Complex* b = rightHandSides.data() + c * n;
        for (std::size_t i = 0; i < n; ++i) b[i] = b[i] + (*added)[i];
    }
    return Status::ok;
}

// The CHIEF rows of the system, dense (count x n, row by row), and their right-hand sides for
// each excitation of `which` (count per excitation, one after the other): the rows by
// AssembleSystemRow with the first excitation's values, the other right-hand sides with the
// same arithmetic.
int ChiefRows(const CompressedProblem& problem, double omega, const Vector3* points, int count,
              const std::vector<CompressedExcitation>& excitations, const std::vector<int>& which,
              std::vector<Complex>& rows, std::vector<Complex>& rightHandSides) {
    const std::size_t n = Size(problem.n);
    const double impedance = MediumImpedance(problem, omega);
    std::vector<Complex> a;
    std::vector<Complex> b;
    try {
        a.resize(Size(count) * n);
        b.resize(a.size());
        rows.resize(a.size());
        rightHandSides.resize(Size(count) * which.size());
    } catch (const std::bad_alloc&) {
        return NoMemory("ChiefRows");
    }
    problem.generator->ComputeMatrixRows(omega, points, nullptr, 0, count, a.data(), b.data());
    for (int r = 0; r < count; ++r) {
        const std::size_t row = Size(r) * n;
        for (std::size_t c = 0; c < which.size(); ++c) {
            const CompressedExcitation& excitation = excitations[Size(which[c])];
            const Complex value =
                c == 0 ? AssembleSystemRow(problem.n, a.data() + row, b.data() + row, problem.types,
                                           excitation.values, rows.data() + row)
                       : SystemRowRightHandSide(problem.n, a.data() + row, b.data() + row,
                                                problem.types, excitation.values);
            const std::vector<Complex>* pressures = excitation.incidentPressures;
            const std::vector<Complex>* velocities = excitation.incidentVelocities;
            const bool incident = pressures != nullptr && velocities != nullptr && n > 0 &&
                                  pressures->size() == n && velocities->size() == n;
            rightHandSides[c * Size(count) + Size(r)] =
                incident ? value + InteriorIncidentTerm(problem.n, a.data() + row, b.data() + row,
                                                        pressures->data(), velocities->data())
                         : value;
        }
        for (std::size_t j = 0; j < n; ++j) {
            if (VelocityUnknown(problem.types[j]))
                rows[row + j] = Scaled(rows[row + j], 1.0 / impedance);
        }
    }
    return Status::ok;
}

}  // namespace

double EstimateCompressedBytes(const Vector3* points, int n, double meanRank,
                               int preconditionerBlock) {
    CClusterTree tree;
    CBlockTree blocks;
    if (tree.Build(points, n, leafSize) < 0 || blocks.Build(tree, tree, HMatrixOptions{}.eta) < 0)
        return 0.0;
    const double matrix = (static_cast<double>(blocks.DenseEntries()) +
                           meanRank * static_cast<double>(blocks.AdmissibleSides())) *
                          sizeof(Complex);
    const double preconditioner =
        static_cast<double>(n) * std::max(preconditionerBlock, 0) * sizeof(Complex);
    return matrix + preconditioner;
}

double EstimateCompressedSeconds(const CompressedProblem& problem, double omega,
                                 const CompressedSettings& settings) {
    CClusterTree tree;
    CBlockTree partition;
    if (tree.Build(problem.points, problem.n, leafSize) < 0 ||
        partition.Build(tree, tree, HMatrixOptions{}.eta) < 0)
        return 0.0;
    const std::vector<BlockNode>& blocks = partition.Blocks();
    const std::vector<ClusterNode>& nodes = tree.Nodes();
    const std::vector<int>& order = tree.Order();
    const BlockEntryFunction entries = SystemEntries(problem, omega);
    // About 24 blocks of either kind, spread over the partition.
    std::size_t denseCount = 0;
    for (const BlockNode& block : blocks) denseCount += block.admissible ? 0 : 1;
    const std::size_t denseStep = std::max<std::size_t>(1, denseCount / 24);
    const std::size_t lowRankStep = std::max<std::size_t>(1, (blocks.size() - denseCount) / 24);
    double denseSeconds = 0.0;
    double denseSampled = 0.0;
    double lowRankSeconds = 0.0;
    double lowRankSampled = 0.0;
    std::size_t denseSeen = 0;
    std::size_t lowRankSeen = 0;
    try {
        std::vector<Complex> out;
        std::vector<Complex> u;
        std::vector<Complex> w;
        for (const BlockNode& block : blocks) {
            std::size_t& seen = block.admissible ? lowRankSeen : denseSeen;
            if (seen++ % (block.admissible ? lowRankStep : denseStep) != 0) continue;
            const ClusterNode& rows = nodes[Size(block.rowNode)];
            const ClusterNode& columns = nodes[Size(block.columnNode)];
            const int* rowIndex = order.data() + rows.first;
            const int* columnIndex = order.data() + columns.first;
            const auto start = std::chrono::steady_clock::now();
            if (block.admissible) {
                if (CrossApproximate(entries, rowIndex, rows.count, columnIndex, columns.count,
                                     settings.tolerance, std::min(rows.count, columns.count), u,
                                     w) < 0)
                    return 0.0;
                lowRankSeconds += Seconds(start);
                lowRankSampled += rows.count + columns.count;
            } else {
                out.resize(Size(rows.count) * Size(columns.count));
                if (entries(rowIndex, rows.count, columnIndex, columns.count, out.data()) < 0)
                    return 0.0;
                denseSeconds += Seconds(start);
                denseSampled += static_cast<double>(rows.count) * columns.count;
            }
        }
    } catch (const std::bad_alloc&) {
        return 0.0;
    }
    const double perDenseEntry = denseSampled > 0.0 ? denseSeconds / denseSampled : 0.0;
    const double perSide = lowRankSampled > 0.0 ? lowRankSeconds / lowRankSampled : 0.0;
    const double matrix = perDenseEntry * static_cast<double>(partition.DenseEntries()) +
                          perSide * static_cast<double>(partition.AdmissibleSides());
    // The matrix of the known values comes in the same pass over the blocks: measured at about
    // a fifth more than the system alone (icosphere 4, ka 1).
    const double matrices = HasKnownValues(problem) ? 1.2 : 1.0;
    return matrices * matrix / std::max(1, settings.threads);
}

double MeanRank(const CompressedReport& report) {
    if (report.admissibleSides == 0) return compressedRankGuess;
    return static_cast<double>(report.lowRankBytes) /
           (static_cast<double>(report.admissibleSides) * sizeof(Complex));
}

int CCompressedSystem::Build(const CompressedProblem& surface, double angularFrequency,
                             const std::vector<CompressedExcitation>& group,
                             const CompressedSettings& solveSettings) {
    const auto start = std::chrono::steady_clock::now();
    problem = surface;
    omega = angularFrequency;
    settings = solveSettings;
    built = CompressedReport{};
    try {
        excitations = group;
    } catch (const std::bad_alloc&) {
        return NoMemory("Build");
    }
    CClusterTree tree;
    int status = tree.Build(problem.points, problem.n, leafSize);
    if (status < 0) return status;
    status = AssembleSystem(problem, omega, tree, excitations, settings, system, rightHandSides);
    if (status < 0) return status;
    system.SetThreads(settings.threads);
    if (settings.preconditionerBlock > 0) {
        status = preconditioner.Build(system, settings.preconditionerBlock, settings.threads);
        if (status < 0) return status;
    }
    built.memoryBytes = system.Statistics().memoryBytes + preconditioner.MemoryBytes();
    built.denseBytes = system.Statistics().denseBytes;
    built.largestRank = system.Statistics().largestRank;
    built.lowRankBytes = system.Statistics().lowRankBytes;
    {
        CBlockTree blocks;
        if (blocks.Build(tree, tree, HMatrixOptions{}.eta) == 0)
            built.admissibleSides = blocks.AdmissibleSides();
    }
    built.assemblySeconds = Seconds(start);
    return Status::ok;
}

int CCompressedSystem::Solve(const std::vector<int>& which, const Vector3* chiefPoints,
                             int chiefCount, std::vector<std::vector<Complex>>& unknowns,
                             std::vector<CompressedReport>& reports) const {
    const int n = problem.n;
    std::vector<Complex> chiefRows;
    std::vector<Complex> chiefRightHandSides;
    std::vector<Complex> stacked;
    try {
        unknowns.assign(which.size(), std::vector<Complex>());
        reports.assign(which.size(), built);
        if (chiefCount > 0) stacked.resize(Size(n) + Size(chiefCount));
    } catch (const std::bad_alloc&) {
        return NoMemory("Solve");
    }
    if (chiefCount > 0) {
        const int status = ChiefRows(problem, omega, chiefPoints, chiefCount, excitations, which,
                                     chiefRows, chiefRightHandSides);
        if (status < 0) return status;
    }
    const CPreconditioner* near = settings.preconditionerBlock > 0 ? &preconditioner : nullptr;
    const double impedance = MediumImpedance(problem, omega);
    KrylovOptions krylov;
    krylov.tolerance = settings.solverTolerance;
    krylov.maxIterations = settings.maxIterations;
    for (std::size_t c = 0; c < which.size(); ++c) {
        const auto solveStart = std::chrono::steady_clock::now();
        std::vector<Complex>& x = unknowns[c];
        try {
            x.assign(Size(n), Complex{0.0, 0.0});
        } catch (const std::bad_alloc&) {
            return NoMemory("Solve");
        }
        const Complex* b = rightHandSides.data() + Size(which[c]) * Size(n);
        KrylovResult result;
        int status;
        if (chiefCount > 0) {
            const Complex* chief = chiefRightHandSides.data() + c * Size(chiefCount);
            std::copy(b, b + n, stacked.begin());
            std::copy(chief, chief + chiefCount, stacked.begin() + n);
            status = SolveLeastSquares(system, chiefRows.data(), chiefCount, near, stacked.data(),
                                       x.data(), krylov, result);
        } else {
            status = SolveGmres(system, near, b, x.data(), krylov, result);
        }
        if (status < 0) return status;
        for (int j = 0; j < n; ++j) {
            if (VelocityUnknown(problem.types[j])) x[Size(j)] = Scaled(x[Size(j)], 1.0 / impedance);
        }
        CompressedReport& report = reports[c];
        report.iterations = result.iterations;
        report.converged = result.converged;
        report.krylovResidual = result.residual;
        report.solveSeconds = Seconds(solveStart);
    }
    return Status::ok;
}

int CCompressedField::Build(const CompressedProblem& problem, double omega,
                            const std::vector<Vector3>& points,
                            const CompressedSettings& settings) {
    const int m = static_cast<int>(points.size());
    n = problem.n;
    pointCount = m;
    // Every surface point twice: the columns of A, then those of -B over the impedance.
    impedance = MediumImpedance(problem, omega);
    if (m == 0) return Status::ok;
    std::vector<Vector3> doubled;
    try {
        doubled.assign(problem.points, problem.points + n);
        doubled.insert(doubled.end(), problem.points, problem.points + n);
    } catch (const std::bad_alloc&) {
        return NoMemory("CCompressedField::Build");
    }
    CClusterTree rowTree;
    CClusterTree columnTree;
    int status = rowTree.Build(points.data(), m, leafSize);
    if (status < 0) return status;
    status = columnTree.Build(doubled.data(), 2 * n, leafSize);
    if (status < 0) return status;
    const int surfaceCount = n;
    const double scale = impedance;
    const BlockEntryFunction entries = [&](const int* rows, int rowCount, const int* columns, int w,
                                           Complex* out) {
        // The block's surface columns once each (a point's A and B columns may both be there).
        DoubledColumns surface;
        const int surfaceStatus = surface.Make(columns, w, surfaceCount);
        if (surfaceStatus < 0) return surfaceStatus;
        const int width = surface.Width();
        BlockOfAB block;
        const int blockStatus = block.Compute(problem, omega, points.data(), nullptr, rows,
                                              rowCount, surface.points.data(), width);
        if (blockStatus < 0) return blockStatus;
        for (int i = 0; i < rowCount; ++i) {
            for (int j = 0; j < w; ++j) {
                const std::size_t k = Size(i) * Size(width) + Size(surface.position[Size(j)]);
                const Complex b = block.b[k];
                out[Size(i) * Size(w) + Size(j)] =
                    columns[j] < surfaceCount ? block.a[k] : Scaled(Negated(b), 1.0 / scale);
            }
        }
        return Status::ok;
    };
    status = field.Assemble(rowTree, columnTree, entries, MatrixOptions(settings));
    if (status < 0) return status;
    field.SetThreads(settings.threads);
    return Status::ok;
}

int CCompressedField::Values(const Complex* pressures, const Complex* velocities,
                             std::vector<Complex>& values) const {
    std::vector<Complex> x;
    try {
        values.assign(Size(pointCount), Complex{0.0, 0.0});
        if (pointCount == 0) return Status::ok;
        x.assign(pressures, pressures + n);
        for (int j = 0; j < n; ++j) x.push_back(Scaled(velocities[j], impedance));
    } catch (const std::bad_alloc&) {
        return NoMemory("CCompressedField::Values");
    }
    const int status = field.Apply(x.data(), values.data());
    if (status < 0) return status;
    const double fourPi = 4.0 * pi;
    for (Complex& value : values) value = Complex{value.re / fourPi, value.im / fourPi};
    return Status::ok;
}
