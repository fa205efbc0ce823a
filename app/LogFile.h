// The one writer of every text the program shows: the console, and on request the log file
// "Kavoral.log", which grows across runs. On top of it sits the error report block that every
// failing operation writes once before it returns its negative status.
#pragma once

#include <cstdio>
#include <string>

class CLogFile {
public:
    CLogFile() = default;
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;
    virtual ~CLogFile();

    // Opens "Kavoral.log" in the current directory for appending: 0, or -3 after printing
    // "Couldn't open logfile for writing!" on the console.
    int Open();
    void Close();

    // Writes the text verbatim to the console, and also to the log when logFlag is non-zero.
    void Print(const char* text, int logFlag);
    void PrintNumber(int number, int logFlag);
    // The progress counter of a long loop, "index/total\r", on the console only.
    void PrintCounter(int index, int total);

    // Writes the error report block; absent or empty fields leave out their line.
    void ReportError(const char* className, const char* functionName, const char* message,
                     const char* comment);

    // For tests: while a sink is set, console text is appended to it instead of the standard
    // output. reportCount counts the error reports written since the process started.
    void SetConsoleSink(std::string* sink) { consoleSink = sink; }
    long ReportCount() const { return reportCount; }

private:
    void Write(const char* text, int logFlag);

    std::FILE* file = nullptr;
    std::string* consoleSink = nullptr;
    long reportCount = 0;
};

// The process-wide instance; it closes the log when the process ends.
extern CLogFile logFile;
