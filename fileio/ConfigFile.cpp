// Reading "Kavoral.cfg": one key and its values per line, '%' in column one for comments.
#include <cstdio>

#include "base/File.h"
#include "base/LogFile.h"
#include "base/Status.h"
#include "fileio/ConfigKeys.h"
#include "fileio/FileIO.h"
#include "fileio/TextReader.h"

constexpr int lineSize = CTextReader::lineLimit;

int CFileIO::ReadConfigFile(const char* fileName, ConfigData& config) {
    const char* const function = "ReadConfigFile";
    if (fileName == nullptr) {
        logFile.ReportError(className, function, Message::badParameter, "");
        return Status::badParameter;
    }
    UniqueFile input = OpenFile(fileName, "rt");
    if (!input) {
        logFile.ReportError(className, function, Message::openError, fileName);
        return Status::openError;
    }
    const auto badFile = [&]() {
        logFile.ReportError(className, function, Message::badInputFile, fileName);
        return Status::badInputFile;
    };
    const auto invalid = [&]() {
        logFile.ReportError(className, function, Message::invalidData, "");
        return Status::invalidData;
    };

    char line[lineSize];
    while (std::fgets(line, lineSize, input.get()) != nullptr) {
        if (line[0] == '%') continue;
        char key[configWordSize];
        const char* rest = NextConfigWord(line, key);
        if (rest == nullptr) return badFile();
        UpperCaseKey(key);
        switch (ApplyConfigKey(key, rest, config)) {
            case ConfigKeyResult::stored: break;
            case ConfigKeyResult::invalidValue: return invalid();
            default:  // no key, or too few values
                return badFile();
        }
    }
    return Status::ok;
}
