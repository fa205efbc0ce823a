// The excitation file: the boundary condition of every surface point, a type letter and a complex
// value per point line.
#include <algorithm>
#include <new>

#include "app/LogFile.h"
#include "base/Status.h"
#include "fileio/ExcitationType.h"
#include "fileio/FileIO.h"
#include "fileio/TextReader.h"

int CFileIO::OpenPointFile(const char* function, const char* fileName, const char* nameComment,
                           bool vectorsEmpty, const char* countComment, CTextReader& reader,
                           int& pointCount) {
    if (fileName == nullptr) {
        logFile.ReportError(className, function, Message::badParameter, nameComment);
        return Status::badParameter;
    }
    if (!vectorsEmpty) {
        logFile.ReportError(className, function, Message::badParameter,
                            "vectors to fill are not <NULL>");
        return Status::badParameter;
    }
    if (!reader.Open(fileName)) {
        logFile.ReportError(className, function, Message::openError, fileName);
        return Status::openError;
    }
    reader.SkipCommentLines();
    const bool counted = reader.ReadInt(pointCount);
    reader.SkipLine();
    if (!counted || pointCount <= 0) {
        logFile.ReportError(className, function, Message::invalidData, countComment);
        return Status::invalidData;
    }
    return Status::ok;
}

int CFileIO::ReadExcitationFile(const char* fileName, int& count, std::vector<Complex>& values,
                                std::vector<std::int16_t>& types) {
    const char* const function = "ReadExcitationFile";
    CTextReader reader;
    int pointCount = 0;
    if (fileName != nullptr && values.empty() && types.empty()) count = 0;
    const int opened = OpenPointFile(function, fileName, "filename is <NULL>",
                                     values.empty() && types.empty(), "number of excited points",
                                     reader, pointCount);
    if (opened < 0) return opened;
    const auto invalid = [&](const char* comment) {
        logFile.ReportError(className, function, Message::invalidData, comment);
        return Status::invalidData;
    };

    std::vector<Complex> readValues;
    std::vector<std::int16_t> readTypes;
    try {
        readTypes.reserve(static_cast<std::size_t>(std::min(pointCount, reservedEntries)));
        readValues.reserve(static_cast<std::size_t>(std::min(pointCount, reservedEntries)));
        for (int i = 0; i < pointCount; ++i) {
            int index = 0;
            if (!reader.ReadInt(index) || index != i) return invalid("excitation index");
            char letter = 0;
            const int type = reader.ReadChar(letter) ? ExcitationTypeOfLetter(letter) : -1;
            if (type < 0) return invalid("excitation type");
            // A value that is not a number is reported here, on its own line.
            Complex value{};
            if (!reader.ReadDouble(value.re) || !reader.ReadDouble(value.im)) {
                return invalid("excitation index");
            }
            reader.SkipLine();
            readTypes.push_back(static_cast<std::int16_t>(type));
            readValues.push_back(value);
        }
    } catch (const std::bad_alloc&) {
        logFile.ReportError(className, function, Message::noMemory, "");
        return Status::noMemory;
    }
    count = pointCount;
    values.swap(readValues);
    types.swap(readTypes);
    return Status::ok;
}
