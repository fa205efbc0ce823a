#include "fileio/TextReader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "fileio/NumberScan.h"

bool CTextReader::Open(const char* fileName) {
    file = OpenFile(fileName, "rt");
    if (!file) return false;
    if (!buffer) buffer.reset(new (std::nothrow) char[bufferSize]);
    if (!buffer) {
        file.reset();
        return false;
    }
    position = end = 0;
    atEnd = false;
    return true;
}

bool CTextReader::Fill(std::size_t wanted) {
    if (end - position >= wanted) return true;
    if (atEnd || !file) return false;
    if (position > 0) {
        std::memmove(buffer.get(), buffer.get() + position, end - position);
        end -= position;
        position = 0;
    }
    while (end - position < wanted && !atEnd) {
        const std::size_t got = std::fread(buffer.get() + end, 1, bufferSize - end, file.get());
        if (got == 0) atEnd = true;
        end += got;
    }
    return end - position >= wanted;
}

int CTextReader::Peek() {
    if (!Fill(1)) return EOF;
    return static_cast<unsigned char>(buffer[position]);
}

void CTextReader::SkipLine() {
    for (int i = 0; i < lineLimit; ++i) {
        const int c = Peek();
        if (c == EOF) return;
        ++position;
        if (c == '\n') return;
    }
}

void CTextReader::SkipCommentLines() {
    while (Peek() == '%') SkipLine();
}

void CTextReader::SkipWhiteSpace() {
    for (int c = Peek(); c != EOF && std::isspace(c); c = Peek()) ++position;
}

const char* CTextReader::Token(char* token) {
    Fill(tokenLimit - 1);
    const std::size_t length = std::min(end - position, tokenLimit - 1);
    std::memcpy(token, buffer.get() + position, length);
    token[length] = '\0';
    return token;
}

bool CTextReader::ReadInt(int& value) {
    long wide = 0;
    SkipWhiteSpace();
    char token[tokenLimit];
    const char* start = Token(token);
    char* stop = nullptr;
    errno = 0;
    wide = std::strtol(start, &stop, 10);
    if (stop == start || errno == ERANGE || wide < INT_MIN || wide > INT_MAX) return false;
    position += static_cast<std::size_t>(stop - start);
    value = static_cast<int>(wide);
    return true;
}

bool CTextReader::ReadAutoInt(long& value) {
    SkipWhiteSpace();
    char token[tokenLimit];
    const char* start = Token(token);
    char* stop = nullptr;
    errno = 0;
    const long read = std::strtol(start, &stop, 0);
    if (stop == start || errno == ERANGE) return false;
    position += static_cast<std::size_t>(stop - start);
    value = read;
    return true;
}

bool CTextReader::ReadDouble(double& value) {
    SkipWhiteSpace();
    char token[tokenLimit];
    const char* start = Token(token);
    char* stop = nullptr;
    const double read = std::strtod(start, &stop);
    if (stop == start) return false;
    position += static_cast<std::size_t>(stop - start);
    value = read;
    return true;
}

bool CTextReader::ReadDecimal(double& value) {
    constexpr std::size_t maxLength = 27;
    SkipWhiteSpace();
    Fill(maxLength);
    const char* text = buffer.get() + position;
    const std::size_t i = DecimalLength(text, std::min(end - position, maxLength));
    if (i == 0) return false;
    char number[maxLength + 1];
    std::memcpy(number, text, i);
    number[i] = '\0';
    value = std::strtod(number, nullptr);
    position += i;
    return true;
}

bool CTextReader::ReadChar(char& value) {
    SkipWhiteSpace();
    const int c = Peek();
    if (c == EOF) return false;
    ++position;
    value = static_cast<char>(c);
    return true;
}
