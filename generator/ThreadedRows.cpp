#include "generator/ThreadedRows.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "base/Status.h"
#include "base/Threads.h"

namespace {

// Rows in the stream per computing thread: enough that a thread rarely waits for the consumer.
constexpr int streamRowsPerThread = 4;

std::size_t Columns(const CGenerator& generator) {
    return generator.pointCount > 0 ? static_cast<std::size_t>(generator.pointCount) : 0;
}

// The state shared by the computing threads and the consumer. Row r lives in slot
// r % capacity; a thread may start row r once row r - capacity has been consumed.
struct RowStream {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int> slotRow;  // the row whose computation has finished in each slot
    std::atomic<int> nextRow{0};
    int consumed = 0;  // rows handed to the consumer
    bool stop = false;
};

}  // namespace

void ComputeMatrixRowsThreaded(const CGenerator& generator, int threads, double omega,
                               const Vector3* rowPoints, const double* solidAngles, int first,
                               int count, Complex* a, Complex* b) {
    const std::size_t columns = Columns(generator);
    // One row per piece: rows near many elements' nodes cost more, and a thread that is
    // done early takes the next row.
    const int used = ResolveThreadCount(threads);
    ForEachPiece(used < count ? used : count, count, [&](int row, int) {
        const std::size_t offset = static_cast<std::size_t>(row) * columns;
        generator.ComputeMatrixRows(omega, rowPoints, solidAngles, first + row, 1, a + offset,
                                    b + offset);
    });
}

int StreamRowCapacity(int threads) { return streamRowsPerThread * ResolveThreadCount(threads); }

int StreamMatrixRows(const CGenerator& generator, int threads, double omega,
                     const Vector3* rowPoints, const double* solidAngles, int rowCount,
                     Complex* ringA, Complex* ringB,
                     const std::function<int(int, const Complex*, const Complex*)>& consume) {
    const std::size_t columns = Columns(generator);
    const int capacity = StreamRowCapacity(threads);
    const int workers = ResolveThreadCount(threads);
    const auto slot = [&](int row) { return static_cast<std::size_t>(row % capacity) * columns; };

    RowStream stream;
    std::vector<std::thread> pool;
    if (workers > 1 && rowCount > 1) {
        try {
            stream.slotRow.assign(static_cast<std::size_t>(capacity), -1);
            pool.reserve(static_cast<std::size_t>(workers));
        } catch (const std::bad_alloc&) {
            pool.clear();
        }
        const auto work = [&]() {
            for (;;) {
                const int row = stream.nextRow.fetch_add(1);
                if (row >= rowCount) return;
                {
                    std::unique_lock<std::mutex> lock(stream.mutex);
                    stream.changed.wait(
                        lock, [&]() { return stream.stop || row - stream.consumed < capacity; });
                    if (stream.stop) return;
                }
                generator.ComputeMatrixRows(omega, rowPoints, solidAngles, row, 1,
                                            ringA + slot(row), ringB + slot(row));
                {
                    std::lock_guard<std::mutex> lock(stream.mutex);
                    stream.slotRow[static_cast<std::size_t>(row % capacity)] = row;
                }
                stream.changed.notify_all();
            }
        };
        if (stream.slotRow.size() == static_cast<std::size_t>(capacity)) {
            try {
                for (int i = 0; i < workers; ++i) pool.emplace_back(work);
            } catch (const std::system_error&) {
            }
        }
    }

    int status = Status::ok;
    if (pool.empty()) {
        // No thread of its own (one thread asked for, or none to be had): the rows one by one.
        // A thread that did start would take rows from nextRow, so none did.
        for (int row = 0; row < rowCount && status >= 0; ++row) {
            generator.ComputeMatrixRows(omega, rowPoints, solidAngles, row, 1, ringA, ringB);
            status = consume(row, ringA, ringB);
        }
        return status < 0 ? status : Status::ok;
    }
    for (int row = 0; row < rowCount; ++row) {
        {
            std::unique_lock<std::mutex> lock(stream.mutex);
            stream.changed.wait(lock, [&]() {
                return stream.slotRow[static_cast<std::size_t>(row % capacity)] == row;
            });
        }
        status = consume(row, ringA + slot(row), ringB + slot(row));
        {
            std::lock_guard<std::mutex> lock(stream.mutex);
            stream.consumed = row + 1;
            if (status < 0) stream.stop = true;
        }
        stream.changed.notify_all();
        if (status < 0) break;
    }
    for (std::thread& thread : pool) thread.join();
    return status < 0 ? status : Status::ok;
}
