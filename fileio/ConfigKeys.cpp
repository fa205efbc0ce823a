// The configuration keys, their values and their checks.
#include "fileio/ConfigKeys.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* NextConfigWord(const char* text, char* word) {
    while (*text != '\0' && std::isspace(static_cast<unsigned char>(*text))) ++text;
    int length = 0;
    while (text[length] != '\0' && !std::isspace(static_cast<unsigned char>(text[length]))) {
        ++length;
    }
    if (length == 0 || length >= configWordSize) return nullptr;
    std::memcpy(word, text, static_cast<size_t>(length));
    word[length] = '\0';
    return text + length;
}

void UpperCaseKey(char* key) {
    for (char* c = key; *c != '\0'; ++c) {
        if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
    }
}

ConfigKeyResult ApplyConfigKey(const char* key, const char* values, ConfigData& config) {
    using Result = ConfigKeyResult;
    double first = 0.0;
    double second = 0.0;
    // A tolerance is stored before its check, as the record of a failed read shows it.
    const auto positive = [&](double& field) {
        if (std::sscanf(values, "%lf", &first) != 1) return Result::missingValue;
        field = first;
        return first > 0.0 ? Result::stored : Result::invalidValue;
    };
    if (std::strcmp(key, "DENSITY") == 0) {
        if (std::sscanf(values, "%lf", &first) != 1) return Result::missingValue;
        config.density = first;
        return Result::stored;
    }
    if (std::strcmp(key, "SOUND_VELOCITY") == 0) {
        if (std::sscanf(values, "%lf %lf", &first, &second) != 2) return Result::missingValue;
        config.soundVelocity = {first, second};
        return Result::stored;
    }
    if (std::strcmp(key, "POINT_EPS") == 0) return positive(config.pointEps);
    if (std::strcmp(key, "PARA_EPS") == 0) return positive(config.paraEps);
    if (std::strcmp(key, "DIVISION") == 0) {
        if (std::sscanf(values, "%lf %lf", &first, &second) != 2) return Result::missingValue;
        config.division[0] = first;
        config.division[1] = second;
        return first > 0.0 && second > 0.0 ? Result::stored : Result::invalidValue;
    }
    if (std::strcmp(key, "MATRIX_EPS") == 0) return positive(config.matrixEps);
    if (std::strcmp(key, "MATRIX_FILE") == 0) {
        char word[configWordSize];
        if (NextConfigWord(values, word) == nullptr) return Result::missingValue;
        // Unlike the key, the word is compared as written.
        if (std::strcmp(word, "TEXT") == 0) {
            config.matrixFileMode = matrixFileText;
        } else if (std::strcmp(word, "BINARY") == 0) {
            config.matrixFileMode = matrixFileBinary;
        } else {
            return Result::invalidValue;
        }
        return Result::stored;
    }
    if (std::strcmp(key, "THREADS") == 0) {
        // A whole number: 0 for every hardware thread; text after the digits is ignored.
        char word[configWordSize];
        if (NextConfigWord(values, word) == nullptr) return Result::missingValue;
        char* end = nullptr;
        errno = 0;
        const long count = std::strtol(word, &end, 10);
        if (end == word) return Result::missingValue;
        if (errno == ERANGE || count < 0 || count > INT_MAX) return Result::invalidValue;
        config.threads = static_cast<int>(count);
        return Result::stored;
    }
    return Result::unknownKey;
}
