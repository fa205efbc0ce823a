// The one writer of every text the program shows: the console, and on request the log file
// "Kavoral.log", which grows across runs. On top of it sits the error report block that every
// failing operation writes once before it returns its negative status. The writer is
// process-wide; a program that drives the library decides where its text goes: into a log file
// of its own, nowhere (quiet), or into a string (captured). Threads may write at once: each
// text and each report block is written whole, and a string that captures the console belongs
// to the thread that set it (and to the helpers it starts through ForEachPiece), so that work
// running side by side keeps its text apart.
#pragma once

#include <atomic>
#include <cstdio>
#include <mutex>
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
    // Opens the named log file for appending instead, with the same result and message.
    int Open(const char* fileName);
    void Close();
    // While held and no log file is open, the text meant for the log is kept; the next Open
    // writes it first, so that a program can name its log only once it knows where it goes.
    void HoldLogText(bool holdFlag);
    // Writes out what the console and the log file hold, so that a reader sees every line
    // printed so far.
    void Flush();

    // Writes the text verbatim to the console, and also to the log when logFlag is non-zero.
    void Print(const char* text, int logFlag);
    void PrintNumber(int number, int logFlag);
    // The progress counter of a long loop, "index/total\r", on the console only.
    void PrintCounter(int index, int total);

    // Writes the error report block; absent or empty fields leave out their line.
    void ReportError(const char* className, const char* functionName, const char* message,
                     const char* comment);

    // While a sink is set, the calling thread's console text is appended to it instead of the
    // standard output. Each thread has a sink of its own (none at first).
    void SetConsoleSink(std::string* sink);
    std::string* ConsoleSink() const;
    // While quiet, console text is dropped (a sink still receives it); the log file is unchanged.
    void SetQuiet(bool quietFlag) { quiet = quietFlag; }
    // The error reports written since the process started.
    long ReportCount() const { return reportCount.load(); }

private:
    void Write(const char* text, int logFlag);
    void WriteLocked(const char* text, int logFlag);  // with `writing` held

    std::FILE* file = nullptr;
    bool quiet = false;
    std::atomic<long> reportCount{0};
    std::mutex writing;
    bool hold = false;
    std::string held;
};

// The process-wide instance; it closes the log when the process ends.
extern CLogFile logFile;

// Routes the console text of the process-wide writer into `text` while the object lives, and
// counts the error reports written meanwhile. An inner capture takes the text until it ends;
// then the outer one receives again.
class ConsoleCapture {
public:
    ConsoleCapture() : previous(logFile.ConsoleSink()), reportsBefore(logFile.ReportCount()) {
        logFile.SetConsoleSink(&text);
    }
    ~ConsoleCapture() { logFile.SetConsoleSink(previous); }
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    long Reports() const { return logFile.ReportCount() - reportsBefore; }
    std::string text;

private:
    std::string* previous;
    long reportsBefore;
};
