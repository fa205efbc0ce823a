#include "generator/ThreadedRows.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <new>
#include <vector>

#include "base/Status.h"
#include "base/Threads.h"

namespace {

// Rows in the stream per computing thread: enough that a thread rarely waits for the consumer.
constexpr int streamRowsPerThread = 8;

std::size_t Columns(const CGenerator& generator) {
    return generator.pointCount > 0 ? static_cast<std::size_t>(generator.pointCount) : 0;
}

// The state shared by the threads of a stream. Row r lives in slot r % capacity; a thread may
// start row r once row r - capacity has been consumed. The thread that finishes the row to be
// consumed next becomes the consumer and goes on while the following rows are finished: the
// rows are consumed in order, by one thread at a time, and no thread sleeps waiting for another
// one unless the stream is full.
struct RowStream {
    std::mutex mutex;
    std::condition_variable roomMade;
    std::vector<int> slotRow;  // the row whose computation has finished in each slot
    std::atomic<int> nextRow{0};
    int consumed = 0;  // rows handed to the consumer
    int waiting = 0;   // threads waiting for room
    bool consuming = false;
    bool stop = false;
    int status = 0;
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
    const auto slot = [&](int row) { return static_cast<std::size_t>(row % capacity) * columns; };
    RowStream stream;
    try {
        stream.slotRow.assign(static_cast<std::size_t>(capacity), -1);
    } catch (const std::bad_alloc&) {
        // Too little memory for the slot table: the rows one by one on this thread.
        for (int row = 0; row < rowCount; ++row) {
            generator.ComputeMatrixRows(omega, rowPoints, solidAngles, row, 1, ringA, ringB);
            const int status = consume(row, ringA, ringB);
            if (status < 0) return status;
        }
        return Status::ok;
    }

    const auto work = [&]() {
        for (;;) {
            const int row = stream.nextRow.fetch_add(1);
            if (row >= rowCount) return;
            std::unique_lock<std::mutex> lock(stream.mutex);
            if (row - stream.consumed >= capacity) {
                ++stream.waiting;
                stream.roomMade.wait(
                    lock, [&]() { return stream.stop || row - stream.consumed < capacity; });
                --stream.waiting;
            }
            if (stream.stop) return;
            lock.unlock();
            generator.ComputeMatrixRows(omega, rowPoints, solidAngles, row, 1, ringA + slot(row),
                                        ringB + slot(row));
            lock.lock();
            stream.slotRow[static_cast<std::size_t>(row % capacity)] = row;
            if (stream.consuming) continue;
            stream.consuming = true;
            while (!stream.stop && stream.consumed < rowCount &&
                   stream.slotRow[static_cast<std::size_t>(stream.consumed % capacity)] ==
                       stream.consumed) {
                const int next = stream.consumed;
                lock.unlock();
                const int status = consume(next, ringA + slot(next), ringB + slot(next));
                lock.lock();
                stream.consumed = next + 1;
                if (status < 0) {
                    stream.status = status;
                    stream.stop = true;
                }
                if (stream.waiting > 0 || stream.stop) stream.roomMade.notify_all();
            }
            stream.consuming = false;
            if (stream.stop) return;
        }
    };

    // This thread is one of the computing threads, each running the loop above once; when the
    // system refuses a further thread, the threads already running do its rows.
    const int workers = std::min(ResolveThreadCount(threads), std::max(rowCount, 1));
    ForEachPiece(workers, workers, [&](int, int) { work(); });
    return stream.status < 0 ? stream.status : Status::ok;
}
