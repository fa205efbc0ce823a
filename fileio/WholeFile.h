// Reading a small text file (a job file, a regions file) whole into memory, with a
// limit on its size, so that its reader can work on the text and be tried on text in memory.
#pragma once

#include <string>

#include "base/LogFile.h"
#include "base/File.h"
#include "base/Status.h"

// Reads the file into text. 0, or after one report under the class and function given: -2 for
// no name, -3 when it cannot be opened or read, -6 when it is larger than sizeLimit bytes.
inline int ReadWholeFile(const char* className, const char* function, const char* fileName,
                         long sizeLimit, std::string& text) {
    text.clear();
    if (fileName == nullptr) {
        logFile.ReportError(className, function, Message::badParameter, "filename is <NULL>");
        return Status::badParameter;
    }
    UniqueFile file = OpenFile(fileName, "rb");
    if (!file) {
        logFile.ReportError(className, function, Message::openError, fileName);
        return Status::openError;
    }
    char buffer[8192];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        if (static_cast<long>(text.size() + got) > sizeLimit) {
            const std::string comment =
                std::string(fileName) + ": larger than " + std::to_string(sizeLimit) + " bytes";
            logFile.ReportError(className, function, Message::badInputFile, comment.c_str());
            text.clear();
            return Status::badInputFile;
        }
        text.append(buffer, got);
    }
    if (std::ferror(file.get()) != 0) {
        logFile.ReportError(className, function, Message::openError, fileName);
        text.clear();
        return Status::openError;
    }
    return Status::ok;
}
