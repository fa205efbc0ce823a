#include "fileio/TextWriter.h"

#include <new>

#include "fileio/NumberFormat.h"

bool CTextWriter::Allocate() {
    length = 0;
    block.reset(new (std::nothrow) char[blockSize]);
    return block != nullptr;
}

bool CTextWriter::Flush(std::FILE* stream) {
    const std::size_t pending = length;
    length = 0;
    if (pending == 0) return true;
    return std::fwrite(block.get(), 1, pending, stream) == pending;
}

char* CTextWriter::PutInteger(int value, char* text) { return text + FormatInteger(value, text); }

char* CTextWriter::PutFixed(double value, char* text) { return text + FormatFixed(value, text); }
