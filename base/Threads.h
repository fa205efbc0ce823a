// Work shared among threads: a count of independent pieces handed out one at a time, so that a
// core that is busy with something else simply takes fewer of them. What a piece computes never
// depends on which thread runs it, so results are the same for every thread count.
#pragma once

#include <atomic>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "base/LogFile.h"

// The threads to use for a requested count: a positive count as it is, 0 every hardware thread.
inline int ResolveThreadCount(int requested) {
    if (requested > 0) return requested;
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? static_cast<int>(hardware) : 1;
}

// Runs work(piece, worker) once for every piece in [0, pieceCount), on at most `threads` threads
// of which the calling thread is one, and returns when all pieces are done; worker (0 for the
// caller) tells the threads apart, for work space of their own. The pieces must write
// disjoint memory. The helpers write their console text where the caller's goes. When the
// system refuses a further thread, the threads already running (at least the caller) do the
// remaining pieces. No exception leaves this function unless `work` throws, which it must not.
template <class Work>
void ForEachPiece(int threads, int pieceCount, const Work& work) {
    if (pieceCount <= 0) return;
    int helpers = threads < pieceCount ? threads - 1 : pieceCount - 1;
    if (helpers <= 0) {
        for (int piece = 0; piece < pieceCount; ++piece) work(piece, 0);
        return;
    }
    std::atomic<int> next{0};
    std::string* const sink = logFile.ConsoleSink();
    const auto run = [&](int worker) {
        if (worker > 0) logFile.SetConsoleSink(sink);
        for (int piece = next.fetch_add(1); piece < pieceCount; piece = next.fetch_add(1))
            work(piece, worker);
    };
    std::vector<std::thread> pool;
    try {
        pool.reserve(static_cast<std::size_t>(helpers));
        for (int i = 0; i < helpers; ++i) pool.emplace_back(run, i + 1);
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    run(0);
    for (std::thread& thread : pool) thread.join();
}

// The first index of block `block` when `count` indices are cut into `blocks` blocks whose
// sizes differ by at most one.
inline int BlockStart(int count, int blocks, int block) {
    return static_cast<int>(static_cast<long long>(count) * block / blocks);
}
