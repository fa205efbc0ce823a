#include "fileio/FileIO.h"

CFileIO::CFileIO() = default;

CFileIO::~CFileIO() { CloseMatrixFile(); }

int CFileIO::CloseMatrixFile() {
    if (file != nullptr) std::fclose(file);
    file = nullptr;
    rowBuffer.reset();
    rowCount = columnCount = currentRow = 0;
    return 0;
}
