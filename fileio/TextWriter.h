// Buffered output of the program's large text files: lines are assembled in one block of memory
// and handed to the stream in large writes. The writer borrows the stream; it never closes it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

class CTextWriter {
public:
    // Room one line of numbers may take: two integers and four fixed-point numbers of any size.
    static constexpr std::size_t lineRoom = 2048;

    // Takes a block of memory; false when it is not available.
    bool Allocate();
    void Release() {
        block.reset();
        length = 0;
    }
    bool Allocated() const { return block != nullptr; }

    // Makes room for one more line, writing out what is buffered if needed; false when that write
    // did not complete.
    bool Room(std::FILE* stream) { return blockSize - length >= lineRoom || Flush(stream); }
    // Where the next line goes, and the end of the text put there.
    char* End() { return block.get() + length; }
    void SetEnd(const char* end) { length = static_cast<std::size_t>(end - block.get()); }

    // Writes out what is buffered; false when the write did not complete.
    bool Flush(std::FILE* stream);

    // The parts of a line: an integer, a fixed-point number, a character.
    static char* PutInteger(int value, char* text);
    static char* PutFixed(double value, char* text);
    static char* PutChar(char c, char* text) {
        *text = c;
        return text + 1;
    }

private:
    static constexpr std::size_t blockSize = std::size_t{1} << 18;
    std::unique_ptr<char[]> block;
    std::size_t length = 0;
};
