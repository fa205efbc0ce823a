// The file layer of the program: the configuration file, the matrix and C matrix files (text or
// binary), the excitation file, the result file and the quadrature coefficient file. One object
// holds at most one matrix file at a time; the other files are opened and closed within a call.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/Complex.h"
#include "fileio/ConfigData.h"
#include "fileio/RuleArrays.h"
#include "fileio/TextReader.h"
#include "fileio/TextWriter.h"

class CFileIO {
public:
    CFileIO();
    CFileIO(const CFileIO&) = delete;
    CFileIO& operator=(const CFileIO&) = delete;
    virtual ~CFileIO();

    int ReadConfigFile(const char* fileName, ConfigData& config);

    // Matrix file: one open, exactly rowCount row operations, then CloseMatrixFile.
    int OpenMatrixFileR(const char* fileName, int* rows, int* columns, int encoding);
    int OpenMatrixFileW(const char* fileName, int rows, int columns, int encoding);
    int ReadMatrixRow(Complex* rowOfA, Complex* rowOfB);
    int WriteMatrixRow(const Complex* rowOfA, const Complex* rowOfB);
    // Closes the matrix file if one is open. 0, or -7 when a file being written could not be
    // completed (its last writes or the close failed).
    int CloseMatrixFile();

    // C matrix file: written whole in one call, the matrix given as n row addresses.
    int WriteCMatrixFile(const char* fileName, Complex* const* matrix, int n, int encoding);

    int ReadExcitationFile(const char* fileName, int& count, std::vector<Complex>& values,
                           std::vector<std::int16_t>& types);
    // Writes an excitation file of count points: the title as its comment line (none when null),
    // then one line per point with its type letter and its value to round-trip precision. 0,
    // -2 for a bad argument or type code, -3 or -7 (each reported).
    int WriteExcitationFile(const char* fileName, int count, const std::int16_t* types,
                            const Complex* values, const char* title);

    int WriteResultFile(const char* fileName, int count, const Complex* pressures,
                        const Complex* velocities, const char* excitationSource,
                        const char* matrixSource);
    int ReadResultFile(const char* fileName, int& count, std::vector<Complex>& pressures,
                       std::vector<Complex>& velocities);

    int ReadGaussFile(const char* fileName, RuleArrays& quadA, RuleArrays& quadB, RuleArrays& quadW,
                      RuleArrays& triA, RuleArrays& triB, RuleArrays& triW);

private:
    const char* className = "CFileIO";
    std::FILE* file = nullptr;
    int mode = matrixFileText;
    int rowCount = 0;
    int columnCount = 0;
    int currentRow = 0;
    std::unique_ptr<unsigned char[]> rowBuffer;
    std::size_t rowBufferSize = 0;  // bytes; below a whole row when the file cannot hold one

    // Beside the matrix file: the direction it was opened for, its name for the report of a
    // failed completion, and the buffer of text lines not yet handed to the stream.
    bool writing = false;
    std::string matrixFileName;
    CTextWriter textWriter;

    // Closes the matrix file and forgets it; reports a written file that could not be completed
    // (under the function name given) unless the function is null.
    int CloseMatrix(const char* function);
    // The common start of both opens: checks the name, closes what is open and opens the file.
    int OpenMatrix(const char* function, const char* fileName, bool binary, bool forWriting);
    // Reports a failure that ends the file and closes it without a further report.
    int FailAndClose(const char* function, const char* message, const char* comment, int status);
    // Allocates the binary row buffer of `bytesPerColumn` bytes per column, but never more than
    // `limit` bytes. False when the memory is refused.
    bool AllocateRowBuffer(int columns, std::size_t bytesPerColumn, std::size_t limit = SIZE_MAX);
    int ReadTextRow(Complex* rowOfA, Complex* rowOfB);
    int ReadBinaryRow(Complex* rowOfA, Complex* rowOfB);
    int WriteTextRow(const Complex* rowOfA, const Complex* rowOfB);
    int WriteBinaryRow(const Complex* rowOfA, const Complex* rowOfB);

    // Point files (excitation and result): entries reserved before the point lines are read; the
    // arrays grow with the lines beyond that.
    static constexpr int reservedEntries = 4096;
    // The common start of both point file readers: checks the arguments (`nameComment` is the
    // comment of a missing name), opens the file, skips the comment lines and reads the count
    // (`countComment` names it in the report of a missing or non-positive count).
    int OpenPointFile(const char* function, const char* fileName, const char* nameComment,
                      bool vectorsEmpty, const char* countComment, CTextReader& reader,
                      int& pointCount);
};
