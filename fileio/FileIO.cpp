#include "fileio/FileIO.h"

CFileIO::CFileIO() = default;

// A file still open here belongs to a command that is failing or has failed: it is closed without
// a second report.
CFileIO::~CFileIO() { CloseMatrix(nullptr); }
