// The excitation file: the boundary condition of every surface point, a type letter and a complex
// value per point line.
#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "base/LogFile.h"
#include "base/File.h"
#include "base/Status.h"
#include "fileio/ExcitationType.h"
#include "fileio/FileIO.h"
#include "fileio/NumberFormat.h"
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
    const int opened =
        OpenPointFile(function, fileName, "filename is <NULL>", values.empty() && types.empty(),
                      "number of excited points", reader, pointCount);
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

int CFileIO::WriteExcitationFile(const char* fileName, int count, const std::int16_t* types,
                                 const Complex* values, const char* title) {
    const char* const function = "WriteExcitationFile";
    bool valid = fileName != nullptr && count > 0 && types != nullptr && values != nullptr;
    for (int i = 0; valid && i < count; ++i) valid = ExcitationLetter(types[i]) != 0;
    if (!valid) {
        logFile.ReportError(className, function, Message::badParameter, "");
        return Status::badParameter;
    }
    UniqueFile output = OpenFile(fileName, "wt");
    if (!output) {
        logFile.ReportError(className, function, Message::openError, fileName);
        return Status::openError;
    }
    if (title != nullptr) std::fprintf(output.get(), "%% %s\n", title);
    std::fprintf(output.get(), "%d\n", count);
    char re[numberTextSize];
    char im[numberTextSize];
    for (int i = 0; i < count; ++i) {
        FormatRoundTrip(values[i].re, re);
        FormatRoundTrip(values[i].im, im);
        std::fprintf(output.get(), "%d\t%c\t%s %s\n", i, ExcitationLetter(types[i]), re, im);
    }
    if (!CloseWritten(output)) {
        logFile.ReportError(className, function, Message::writeError, fileName);
        return Status::writeError;
    }
    return Status::ok;
}
