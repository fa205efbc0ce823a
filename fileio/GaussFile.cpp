// Reading of the quadrature coefficient file: forty blocks of a point count and that many
// (a, b, w) triples, twenty quadrilateral rules of n * n points, then twenty triangle rules of
// n (n + 1) / 2 points. The file has no comments; anything after the last block is not read.

#include "base/LogFile.h"
#include "base/Status.h"
#include "fileio/FileIO.h"
#include "fileio/TextReader.h"

namespace {

// Reads one block into the three arrays of its rule; false when the count is not `expected`
// or a triple is incomplete.
bool ReadRuleBlock(CTextReader& reader, int expected, std::vector<double>& a,
                   std::vector<double>& b, std::vector<double>& w) {
    int count = 0;
    if (!reader.ReadInt(count) || count != expected) return false;
    for (int k = 0; k < count; ++k) {
        if (!reader.ReadDouble(a[k]) || !reader.ReadDouble(b[k]) || !reader.ReadDouble(w[k]))
            return false;
    }
    return true;
}

bool HasSize(const RuleArrays& arrays, int n, std::size_t size) {
    return arrays[n - 1].size() >= size;
}

}  // namespace

int CFileIO::ReadGaussFile(const char* fileName, RuleArrays& quadA, RuleArrays& quadB,
                           RuleArrays& quadW, RuleArrays& triA, RuleArrays& triB,
                           RuleArrays& triW) {
    // The quadrature file is part of the program's set-up: its reports name the configuration
    // reader.
    const char* const function = "ReadConfigFile";
    if (fileName == nullptr) {
        logFile.ReportError(className, function, Message::badParameter, "");
        return Status::badParameter;
    }
    // The arrays come sized from the caller; a caller that did not size them is refused rather
    // than written past.
    for (int n = 1; n <= 20; ++n) {
        const std::size_t quadSize = static_cast<std::size_t>(n * n);
        const std::size_t triSize = static_cast<std::size_t>(n * (n + 1) / 2);
        if (!HasSize(quadA, n, quadSize) || !HasSize(quadB, n, quadSize) ||
            !HasSize(quadW, n, quadSize) || !HasSize(triA, n, triSize) ||
            !HasSize(triB, n, triSize) || !HasSize(triW, n, triSize)) {
            logFile.ReportError(className, function, Message::badParameter, "");
            return Status::badParameter;
        }
    }
    CTextReader reader;
    if (!reader.Open(fileName)) {
        logFile.ReportError(className, function, Message::openError, fileName);
        return Status::openError;
    }
    for (int n = 1; n <= 20; ++n) {
        if (!ReadRuleBlock(reader, n * n, quadA[n - 1], quadB[n - 1], quadW[n - 1])) {
            logFile.ReportError(className, function, Message::badInputFile, fileName);
            return Status::badInputFile;
        }
    }
    for (int n = 1; n <= 20; ++n) {
        if (!ReadRuleBlock(reader, n * (n + 1) / 2, triA[n - 1], triB[n - 1], triW[n - 1])) {
            logFile.ReportError(className, function, Message::badInputFile, fileName);
            return Status::badInputFile;
        }
    }
    return Status::ok;
}
