// Reading "Kavoral.cfg": one key and its values per line, '%' in column one for comments.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/File.h"
#include "app/LogFile.h"
#include "base/Status.h"
#include "fileio/FileIO.h"

namespace {

constexpr int lineSize = 500;
constexpr int wordSize = 32;  // a key or a word holds at most 31 characters

// Copies the next word of `text` into `word`; returns the text after it, or null when there is no
// word or the word does not fit.
const char* NextWord(const char* text, char* word) {
    while (*text != '\0' && std::isspace(static_cast<unsigned char>(*text))) ++text;
    int length = 0;
    while (text[length] != '\0' && !std::isspace(static_cast<unsigned char>(text[length]))) {
        ++length;
    }
    if (length == 0 || length >= wordSize) return nullptr;
    std::memcpy(word, text, static_cast<size_t>(length));
    word[length] = '\0';
    return text + length;
}

}  // namespace

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
        char key[wordSize];
        const char* rest = NextWord(line, key);
        if (rest == nullptr) return badFile();
        for (char* c = key; *c != '\0'; ++c) {
            if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
        }

        double first = 0.0;
        double second = 0.0;
        if (std::strcmp(key, "DENSITY") == 0) {
            if (std::sscanf(rest, "%lf", &first) != 1) return badFile();
            config.density = first;
        } else if (std::strcmp(key, "SOUND_VELOCITY") == 0) {
            if (std::sscanf(rest, "%lf %lf", &first, &second) != 2) return badFile();
            config.soundVelocity = {first, second};
        } else if (std::strcmp(key, "POINT_EPS") == 0) {
            if (std::sscanf(rest, "%lf", &first) != 1) return badFile();
            config.pointEps = first;
            if (!(first > 0.0)) return invalid();
        } else if (std::strcmp(key, "PARA_EPS") == 0) {
            if (std::sscanf(rest, "%lf", &first) != 1) return badFile();
            config.paraEps = first;
            if (!(first > 0.0)) return invalid();
        } else if (std::strcmp(key, "DIVISION") == 0) {
            if (std::sscanf(rest, "%lf %lf", &first, &second) != 2) return badFile();
            config.division[0] = first;
            config.division[1] = second;
            if (!(first > 0.0) || !(second > 0.0)) return invalid();
        } else if (std::strcmp(key, "MATRIX_EPS") == 0) {
            if (std::sscanf(rest, "%lf", &first) != 1) return badFile();
            config.matrixEps = first;
            if (!(first > 0.0)) return invalid();
        } else if (std::strcmp(key, "MATRIX_FILE") == 0) {
            char word[wordSize];
            if (NextWord(rest, word) == nullptr) return badFile();
            if (std::strcmp(word, "TEXT") == 0) {
                config.matrixFileMode = matrixFileText;
            } else if (std::strcmp(word, "BINARY") == 0) {
                config.matrixFileMode = matrixFileBinary;
            } else {
                return invalid();
            }
        } else if (std::strcmp(key, "THREADS") == 0) {
            // A whole number: 0 for every hardware thread; text after the digits is ignored.
            char word[wordSize];
            if (NextWord(rest, word) == nullptr) return badFile();
            char* end = nullptr;
            errno = 0;
            const long count = std::strtol(word, &end, 10);
            if (end == word) return badFile();
            if (errno == ERANGE || count < 0 || count > INT_MAX) return invalid();
            config.threads = static_cast<int>(count);
        } else {
            return badFile();
        }
    }
    return Status::ok;
}
