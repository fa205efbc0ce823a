// Status codes of every operation that can fail, and the message of each failure.
// 0 (or a non-negative count where an operation says so) is success; failures are -1 to -11.
#pragma once

namespace Status {
constexpr int ok = 0;
constexpr int badArguments = -1;  // also a singular coefficient matrix
constexpr int badParameter = -2;
constexpr int openError = -3;
constexpr int noMemory = -4;
constexpr int invalidData = -5;
constexpr int badInputFile = -6;
constexpr int writeError = -7;
constexpr int notRectifiable = -8;
constexpr int notClosed = -9;
constexpr int singlePoints = -10;
constexpr int badPointReference = -11;
constexpr int notConverged = -12;  // an iterative solver stopped short of its tolerance
// A sweep whose every frequency was solved, some with a residual above the limit even after
// CHIEF: not a failure reported, the sweep's summary says so.
constexpr int untrusted = -13;
}  // namespace Status

namespace Message {
constexpr const char* badArguments = "Bad input arguments";
constexpr const char* singularMatrix = "Singular coefficient matrix";
constexpr const char* badParameter = "Bad parameter";
constexpr const char* openError = "Error opening file";
constexpr const char* noMemory = "Not enough memory to run the program";
constexpr const char* invalidData = "Invalid data";
constexpr const char* badInputFile = "Bad input file";
constexpr const char* writeError = "Error writing to file";
constexpr const char* notRectifiable = "Surface cannot be rectificated!";
constexpr const char* notClosed = "Surface not closed!";
constexpr const char* singlePoints = "The surface contains single points!";
constexpr const char* badPointReference = "One of the elements refers to a not existing point!";
constexpr const char* notConverged = "The iterative solver did not reach its tolerance";
}  // namespace Message
