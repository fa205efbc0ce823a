// Blocks of A and B: the entries of some rows in some columns, from the elements that touch those
// columns only, added in element order as the whole row adds them.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "base/LogFile.h"
#include "base/Status.h"
#include "generator/Generator.h"

void CGenerator::FillColumnElements() {
    const std::size_t columns = columnElementStart.size() - 1;
    // An element counts once for a column, even when two of its nodes stand for that column.
    const auto forEachColumn = [&](int e, auto use) {
        const SurfaceElement& element = elements[e];
        if (elementKind[e] < 0) return;
        for (int j = 0; j < element.nodeCount; ++j) {
            const int c = sourcePointIndex[element.nodes[j]];
            bool seen = false;
            for (int i = 0; i < j; ++i) seen = seen || static_cast<int>(sourcePointIndex[element.nodes[i]]) == c;
            if (!seen && static_cast<std::size_t>(c) < columns) use(c);
        }
    };
    for (int e = 0; e < totalElementCount; ++e)
        forEachColumn(e, [&](int c) { ++columnElementStart[c + 1]; });
    for (std::size_t c = 0; c < columns; ++c) columnElementStart[c + 1] += columnElementStart[c];
    columnElements.assign(static_cast<std::size_t>(columnElementStart[columns]), 0);
    std::vector<int> fill(columnElementStart.begin(), columnElementStart.end() - 1);
    for (int e = 0; e < totalElementCount; ++e)
        forEachColumn(e, [&](int c) { columnElements[fill[c]++] = e; });
}

int CGenerator::ComputeMatrixBlock(double omega, const Vector3* rowPoints,
                                   const double* solidAngles, const int* rows, int rowCount,
                                   const int* columns, int columnCount, Complex* a,
                                   Complex* b) const {
    if (rowCount <= 0 || columnCount <= 0) return Status::ok;
    const std::size_t width = static_cast<std::size_t>(columnCount);
    std::vector<int> list;
    std::vector<std::pair<int, int>> byColumn;  // (column, position in the block)
    std::vector<int> slot;                      // per listed element and node: position, or -1
    try {
        byColumn.resize(width);
        for (int i = 0; i < columnCount; ++i) {
            const int c = columns[i];
            byColumn[i] = {c, i};
            list.insert(list.end(), columnElements.begin() + columnElementStart[c],
                        columnElements.begin() + columnElementStart[c + 1]);
        }
        std::sort(byColumn.begin(), byColumn.end());
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        slot.assign(4 * list.size(), -1);
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, "ComputeMatrixBlock", Message::noMemory, "");
        return Status::noMemory;
    }
    const auto positionOf = [&](int column) {
        const auto found = std::lower_bound(byColumn.begin(), byColumn.end(),
                                            std::make_pair(column, -1));
        return found != byColumn.end() && found->first == column ? found->second : -1;
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const SurfaceElement& element = elements[list[i]];
        for (int j = 0; j < element.nodeCount; ++j)
            slot[4 * i + j] = positionOf(sourcePointIndex[element.nodes[j]]);
    }

    const Complex k = WaveNumber(omega);
    const double scale = omega * config.density;
    const int listSize = static_cast<int>(list.size());
    int key[windowElements];
    ElementIntegrals integrals[windowElements];
    for (int r = 0; r < rowCount; ++r) {
        const int p = rows[r];
        Complex* rowA = a + static_cast<std::size_t>(r) * width;
        Complex* rowB = b + static_cast<std::size_t>(r) * width;
        std::memset(static_cast<void*>(rowA), 0, width * sizeof(Complex));
        std::memset(static_cast<void*>(rowB), 0, width * sizeof(Complex));
        for (int windowStart = 0; windowStart < listSize; windowStart += windowElements) {
            const int size = std::min(listSize - windowStart, windowElements);
            IntegrateWindow(rowPoints[p], k, 0, list.data() + windowStart, size, key, integrals);
            for (int i = 0; i < size; ++i) {
                if (key[i] < 0) continue;
                const std::size_t listed = static_cast<std::size_t>(windowStart + i);
                const int e = list[listed];
                for (int j = 0; j < elements[e].nodeCount; ++j) {
                    const int s = slot[4 * listed + j];
                    if (s >= 0) AddNodeIntegrals(e, j, integrals[i], rowA + s, rowB + s);
                }
            }
        }
        if (solidAngles != nullptr) {
            const int s = positionOf(p);
            if (s >= 0) rowA[s].re -= solidAngles[p];
        }
        for (std::size_t c = 0; c < width; ++c) {
            const Complex value = rowB[c];
            rowB[c] = Complex{scale * value.im, -(scale * value.re)};
        }
    }
    return Status::ok;
}
