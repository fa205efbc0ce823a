// Matrix files: the coefficients of A and B entry by entry, one row at a time, in the text or the
// binary encoding.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "base/LogFile.h"
#include "base/Status.h"
#include "base/Stopwatch.h"
#include "fileio/FileIO.h"
#include "fileio/LittleEndian.h"
#include "fileio/NumberScan.h"
#include "fileio/TextReader.h"

namespace {

// Text lines are read into a buffer of this size.
constexpr int lineSize = CTextReader::lineLimit;
constexpr std::size_t entryBytes = 32;  // four doubles: A real, A imaginary, B real, B imaginary

// The number of bytes from the current position of a file to its end, or SIZE_MAX when the
// stream cannot tell (a pipe). The position is left where it was.
std::size_t RemainingBytes(std::FILE* file) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return SIZE_MAX;
    const long end = std::ftell(file);
    if (std::fseek(file, here, SEEK_SET) != 0 || end < here) return SIZE_MAX;
    return static_cast<std::size_t>(end - here);
}

}  // namespace

bool CFileIO::AllocateRowBuffer(int columns, std::size_t bytesPerColumn, std::size_t limit) {
    const std::size_t count = columns > 0 ? static_cast<std::size_t>(columns) : 0;
    std::size_t size = limit;
    if (count <= SIZE_MAX / bytesPerColumn) {
        size = std::min(count * bytesPerColumn, limit);
    } else if (limit == SIZE_MAX) {
        return false;
    }
    rowBuffer.reset(new (std::nothrow) unsigned char[size]);
    rowBufferSize = rowBuffer != nullptr ? size : 0;
    return rowBuffer != nullptr;
}

int CFileIO::CloseMatrix(const char* function) {
    int status = Status::ok;
    if (file != nullptr) {
        bool complete = true;
        if (writing) {
            if (textWriter.Allocated()) complete = textWriter.Flush(file);
            complete = std::fflush(file) == 0 && std::ferror(file) == 0 && complete;
        }
        const bool closed = std::fclose(file) == 0;
        file = nullptr;
        if (writing && !(complete && closed) && function != nullptr) {
            logFile.ReportError(className, function, Message::writeError, matrixFileName.c_str());
            status = Status::writeError;
        }
    }
    rowBuffer.reset();
    rowBufferSize = 0;
    textWriter.Release();
    matrixFileName.clear();
    writing = false;
    rowCount = columnCount = currentRow = 0;
    return status;
}

int CFileIO::CloseMatrixFile() { return CloseMatrix("CloseMatrixFile"); }

int CFileIO::OpenMatrix(const char* function, const char* fileName, bool binary, bool forWriting) {
    if (fileName == nullptr) {
        logFile.ReportError(className, function, Message::badParameter, "filename <NULL>");
        return Status::badParameter;
    }
    const int closed = CloseMatrix(function);
    if (closed < 0) return closed;
    file = std::fopen(fileName, forWriting ? (binary ? "wb" : "wt") : (binary ? "rb" : "rt"));
    if (file == nullptr) {
        logFile.ReportError(className, function, Message::openError, fileName);
        return Status::openError;
    }
    writing = forWriting;
    return Status::ok;
}

int CFileIO::FailAndClose(const char* function, const char* message, const char* comment,
                          int status) {
    logFile.ReportError(className, function, message, comment);
    CloseMatrix(nullptr);
    return status;
}

int CFileIO::OpenMatrixFileR(const char* fileName, int* rows, int* columns, int encoding) {
    const char* const function = "OpenMatrixFileR";
    if (fileName != nullptr && (rows == nullptr || columns == nullptr)) {
        logFile.ReportError(className, function, Message::badParameter, "");
        return Status::badParameter;
    }
    const bool binary = encoding == matrixFileBinary;
    const int opened = OpenMatrix(function, fileName, binary, false);
    if (opened < 0) return opened;
    const auto fail = [&](const char* message, const char* comment, int status) {
        return FailAndClose(function, message, comment, status);
    };

    const auto badFile = [&]() {
        return fail(Message::badInputFile, fileName, Status::badInputFile);
    };

    int readRows = 0;
    int readColumns = 0;
    if (binary) {
        unsigned char header[4];
        if (std::fread(header, 4, 1, file) != 1) return badFile();
        readRows = GetInt32(header);
        if (std::fread(header, 4, 1, file) != 1) return badFile();
        readColumns = GetInt32(header);
    } else {
        char line[lineSize];
        do {
            if (std::fgets(line, lineSize, file) == nullptr) return badFile();
        } while (line[0] == '%');
        const char* rest = ScanInt(line, readRows);
        if (rest != nullptr) rest = ScanInt(rest, readColumns);
        if (rest == nullptr) return badFile();
    }
    if (readRows <= 0 || readColumns <= 0) {
        return fail(Message::invalidData, "rows / cols", Status::invalidData);
    }
    // The row buffer is never larger than the rest of the file: a header that claims more than
    // the file holds fails at its first short row, after a small allocation.
    if (binary && !AllocateRowBuffer(readColumns, entryBytes, RemainingBytes(file))) {
        return fail(Message::noMemory, "", Status::noMemory);
    }
    mode = binary ? matrixFileBinary : matrixFileText;
    rowCount = readRows;
    columnCount = readColumns;
    currentRow = 0;
    *rows = readRows;
    *columns = readColumns;
    return Status::ok;
}

int CFileIO::OpenMatrixFileW(const char* fileName, int rows, int columns, int encoding) {
    const char* const function = "OpenMatrixFileW";
    const bool binary = encoding == matrixFileBinary;
    const int opened = OpenMatrix(function, fileName, binary, true);
    if (opened < 0) return opened;
    const auto fail = [&](const char* message, const char* comment, int status) {
        return FailAndClose(function, message, comment, status);
    };
    try {
        matrixFileName = fileName;
    } catch (const std::bad_alloc&) {
        return fail(Message::noMemory, "", Status::noMemory);
    }

    if (binary) {
        const auto badWrite = [&]() {
            return fail(Message::writeError, fileName, Status::writeError);
        };
        unsigned char header[4];
        PutInt32(rows, header);
        if (std::fwrite(header, 4, 1, file) != 1) return badWrite();
        PutInt32(columns, header);
        if (std::fwrite(header, 4, 1, file) != 1) return badWrite();
        if (!AllocateRowBuffer(columns, entryBytes)) {
            return fail(Message::noMemory, "", Status::noMemory);
        }
    } else {
        CStopwatch stopwatch;
        std::fprintf(file, "%% Kavoral matrix file generated by Kavoral\n");
        std::fprintf(file, "%% Date: %s\n", stopwatch.DateText());
        std::fprintf(file, "%d %d\n", rows, columns);
        if (!textWriter.Allocate()) return fail(Message::noMemory, "", Status::noMemory);
    }
    mode = binary ? matrixFileBinary : matrixFileText;
    rowCount = rows;
    columnCount = columns;
    currentRow = 0;
    return Status::ok;
}

int CFileIO::ReadMatrixRow(Complex* rowOfA, Complex* rowOfB) {
    const char* const function = "ReadMatrixRow";
    if (rowOfA == nullptr || rowOfB == nullptr) {
        logFile.ReportError(className, function, Message::badParameter, "");
        return Status::badParameter;
    }
    // Also a file open for writing has no row to read.
    if (currentRow >= rowCount || writing) {
        logFile.ReportError(className, function, Message::invalidData, "");
        return Status::invalidData;
    }
    const int status =
        mode == matrixFileBinary ? ReadBinaryRow(rowOfA, rowOfB) : ReadTextRow(rowOfA, rowOfB);
    if (status < 0) {
        CloseMatrix(nullptr);
        return status;
    }
    ++currentRow;
    return Status::ok;
}

int CFileIO::ReadTextRow(Complex* rowOfA, Complex* rowOfB) {
    char line[lineSize];
    for (int i = 0; i < columnCount; ++i) {
        int row = 0;
        int column = 0;
        double values[4];
        const char* rest = std::fgets(line, lineSize, file);
        // An entry line ends with its line end: one cut off by the end of the file is the tail
        // of an unfinished file, whatever numbers it still shows.
        if (rest != nullptr && std::strchr(line, '\n') == nullptr) rest = nullptr;
        if (rest != nullptr) rest = ScanInt(rest, row);
        if (rest != nullptr) rest = ScanInt(rest, column);
        for (int k = 0; k < 4 && rest != nullptr; ++k) rest = ScanDouble(rest, values[k]);
        if (rest == nullptr) {
            logFile.ReportError(className, "ReadMatrixRow", Message::badInputFile, "");
            return Status::badInputFile;
        }
        if (row != currentRow || column != i) {
            logFile.ReportError(className, "ReadMatrixRow", Message::invalidData, "");
            return Status::invalidData;
        }
        rowOfA[i] = {values[0], values[1]};
        rowOfB[i] = {values[2], values[3]};
    }
    return Status::ok;
}

int CFileIO::ReadBinaryRow(Complex* rowOfA, Complex* rowOfB) {
    const std::size_t doubles = 4 * static_cast<std::size_t>(columnCount);
    // A buffer smaller than the row means the file ended before it.
    if (rowBufferSize / 8 < doubles || std::fread(rowBuffer.get(), 8, doubles, file) != doubles) {
        logFile.ReportError(className, "ReadMatrixRow", Message::badInputFile, "");
        return Status::badInputFile;
    }
    const unsigned char* entry = rowBuffer.get();
    for (int i = 0; i < columnCount; ++i, entry += entryBytes) {
        rowOfA[i] = {GetDouble(entry), GetDouble(entry + 8)};
        rowOfB[i] = {GetDouble(entry + 16), GetDouble(entry + 24)};
    }
    return Status::ok;
}

int CFileIO::WriteMatrixRow(const Complex* rowOfA, const Complex* rowOfB) {
    const char* const function = "WriteMatrixRow";
    if (rowOfA == nullptr || rowOfB == nullptr) {
        logFile.ReportError(className, function, Message::badParameter, "");
        return Status::badParameter;
    }
    // Also a file open for reading takes no row.
    if (currentRow >= rowCount || !writing) {
        logFile.ReportError(className, function, Message::invalidData, "");
        return Status::invalidData;
    }
    const int status =
        mode == matrixFileBinary ? WriteBinaryRow(rowOfA, rowOfB) : WriteTextRow(rowOfA, rowOfB);
    if (status < 0) {
        CloseMatrix(nullptr);
        return status;
    }
    ++currentRow;
    return Status::ok;
}

int CFileIO::WriteTextRow(const Complex* rowOfA, const Complex* rowOfB) {
    for (int i = 0; i < columnCount; ++i) {
        if (!textWriter.Room(file)) {
            logFile.ReportError(className, "WriteMatrixRow", Message::writeError, "");
            return Status::writeError;
        }
        char* text = textWriter.End();
        text = CTextWriter::PutInteger(currentRow, text);
        text = CTextWriter::PutChar(' ', text);
        text = CTextWriter::PutInteger(i, text);
        text = CTextWriter::PutChar('\t', text);
        text = CTextWriter::PutFixed(rowOfA[i].re, text);
        text = CTextWriter::PutChar(' ', text);
        text = CTextWriter::PutFixed(rowOfA[i].im, text);
        text = CTextWriter::PutChar('\t', text);
        text = CTextWriter::PutFixed(rowOfB[i].re, text);
        text = CTextWriter::PutChar(' ', text);
        text = CTextWriter::PutFixed(rowOfB[i].im, text);
        text = CTextWriter::PutChar('\n', text);
        textWriter.SetEnd(text);
    }
    return Status::ok;
}

int CFileIO::WriteBinaryRow(const Complex* rowOfA, const Complex* rowOfB) {
    unsigned char* entry = rowBuffer.get();
    for (int i = 0; i < columnCount; ++i, entry += entryBytes) {
        PutDouble(rowOfA[i].re, entry);
        PutDouble(rowOfA[i].im, entry + 8);
        PutDouble(rowOfB[i].re, entry + 16);
        PutDouble(rowOfB[i].im, entry + 24);
    }
    const std::size_t doubles = 4 * static_cast<std::size_t>(columnCount > 0 ? columnCount : 0);
    if (std::fwrite(rowBuffer.get(), 8, doubles, file) != doubles) {
        logFile.ReportError(className, "WriteMatrixRow", Message::writeError, "");
        return Status::writeError;
    }
    return Status::ok;
}
