// A buffered reader for the whitespace-separated text files of the program (surface, excitation,
// result and quadrature files). Reads behave like the standard formatted scans: a value that
// cannot be read is not consumed and leaves its target unchanged, so every later value read
// fails at the same place. No read takes more than a bounded amount of text at a time.
#pragma once

#include <cstddef>
#include <memory>

#include "base/File.h"

class CTextReader {
public:
    // The longest line part a skip discards, line end included.
    // The longest line any text file of the program may have, in characters.
    static constexpr int lineLimit = 500;

    // Text mode; the file must exist. False also when the read buffer cannot be had.
    bool Open(const char* fileName);
    void Close() { file.reset(); }

    int Peek();  // the next character, or EOF; nothing is consumed

    // Discards at most lineLimit characters, up to and including the next line end.
    void SkipLine();
    // While the next character is '%', discards that line.
    void SkipCommentLines();

    // Leading white space is skipped by every read.
    bool ReadInt(int& value);         // decimal integer ("%d"); fails on overflow
    bool ReadAutoInt(long& value);    // integer of automatic base ("%i"): 0x hexadecimal, 0 octal
    bool ReadDouble(double& value);   // any number the text-to-double conversion takes ("%lf")
    bool ReadDecimal(double& value);  // [sign] digits [. digits] [e [sign] digits], <= 27 chars
    bool ReadChar(char& value);       // the next non-white-space character

private:
    static constexpr std::size_t bufferSize = 1 << 16;
    static constexpr std::size_t tokenLimit = 512;

    bool Fill(std::size_t wanted);  // tries to have `wanted` characters buffered
    void SkipWhiteSpace();
    // Copies up to tokenLimit - 1 buffered characters to a terminated token.
    const char* Token(char* token);

    UniqueFile file;
    std::unique_ptr<char[]> buffer;
    std::size_t position = 0;
    std::size_t end = 0;
    bool atEnd = false;
};
