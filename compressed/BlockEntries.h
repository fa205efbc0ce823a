// Where a compressed matrix gets its entries: a function that fills any block of the matrix,
// given the indices of its rows and of its columns (the numbers of the points or unknowns as the
// caller counts them). Cross approximation asks for one row or one column of a block at a time,
// the near field for whole blocks, all through the same function.
#pragma once

#include <functional>

#include "base/Complex.h"

// Writes entry (rows[i], columns[j]) to entries[i * columnCount + j] for every i < rowCount and
// j < columnCount, and returns 0; or returns a negative status after reporting the failure once
// through the process-wide log writer. The function is called from several threads at once, each
// with its own `entries`: it must not change state that another call reads. After a failure the
// matrix starts no further calls, but calls already running on other threads finish.
using BlockEntryFunction = std::function<int(const int* rows, int rowCount, const int* columns,
                                             int columnCount, Complex* entries)>;
