#include "base/LogFile.h"

#include "base/Status.h"

CLogFile logFile;

namespace {

thread_local std::string* threadSink = nullptr;

}  // namespace

void CLogFile::SetConsoleSink(std::string* sink) { threadSink = sink; }

std::string* CLogFile::ConsoleSink() const { return threadSink; }

CLogFile::~CLogFile() { Close(); }

int CLogFile::Open() { return Open("Kavoral.log"); }

int CLogFile::Open(const char* fileName) {
    Close();
    file = fileName != nullptr ? std::fopen(fileName, "at") : nullptr;
    if (file == nullptr) {
        std::printf("%s\n", "Couldn't open logfile for writing!");
        return Status::openError;
    }
    if (!held.empty()) std::fputs(held.c_str(), file);
    held.clear();
    hold = false;
    return Status::ok;
}

void CLogFile::HoldLogText(bool holdFlag) {
    hold = holdFlag;
    if (!hold) held.clear();
}

void CLogFile::Flush() {
    std::fflush(stdout);
    if (file != nullptr) std::fflush(file);
}

void CLogFile::Close() {
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
}

void CLogFile::Write(const char* text, int logFlag) {
    const std::lock_guard<std::mutex> lock(writing);
    WriteLocked(text, logFlag);
}

void CLogFile::WriteLocked(const char* text, int logFlag) {
    if (threadSink != nullptr) {
        threadSink->append(text);
    } else if (!quiet) {
        std::fputs(text, stdout);
    }
    if (logFlag != 0 && file != nullptr) {
        std::fputs(text, file);
    } else if (logFlag != 0 && hold) {
        held += text;
    }
}

void CLogFile::Print(const char* text, int logFlag) {
    if (text != nullptr) Write(text, logFlag);
}

void CLogFile::PrintNumber(int number, int logFlag) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", number);
    Write(text, logFlag);
}

void CLogFile::PrintCounter(int index, int total) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d\r", index, total);
    Write(text, 0);
}

void CLogFile::ReportError(const char* className, const char* functionName, const char* message,
                           const char* comment) {
    const std::lock_guard<std::mutex> lock(writing);
    ++reportCount;
    const auto line = [this](const char* label, const char* value) {
        if (value == nullptr || value[0] == '\0') return;
        WriteLocked(label, 1);
        WriteLocked(value, 1);
        WriteLocked("\n", 1);
    };
    WriteLocked("\n######## ERROR ########\n", 1);
    line("Class:\t\t", className);
    line("Function:\t", functionName);
    line("Message:\t", message);
    line("Comment:\t", comment);
    WriteLocked("\n", 1);
}
