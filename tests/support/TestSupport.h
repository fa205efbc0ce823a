// Shared helpers of the tests: temporary working directories, files, a captured console, and the
// real Kavoral binary run as a child process.
#pragma once

#include <string>
#include <vector>

#include "base/Complex.h"
#include "base/LogFile.h"

namespace test {

// A fresh directory below the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// Makes a directory the current directory while the object lives.
class ChangeDir {
public:
    explicit ChangeDir(const std::string& directory);
    ~ChangeDir();
    ChangeDir(const ChangeDir&) = delete;
    ChangeDir& operator=(const ChangeDir&) = delete;

private:
    std::string previous;
};

// The console capture of the log writer, under the name the tests know.
using ::ConsoleCapture;

// sqrt(sum |x - reference|^2 / sum |reference|^2).
double RelativeL2(const std::vector<Complex>& x, const std::vector<Complex>& reference);
// max |a - b| / max |b|; 1 when the sizes differ or b is all zero.
double LargestRelativeDifference(const std::vector<Complex>& a, const std::vector<Complex>& b);

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
long FileSize(const std::string& path);

// The configuration of the example file, with the matrix file encoding given.
std::string ConfigText(const std::string& matrixFile = "TEXT");
void WriteConfig(const std::string& directory, const std::string& matrixFile = "TEXT");
// The shipped quadrature file, for the generator's LoadRules(fileName).
std::string GaussFile();
// Copies the shipped quadrature file into a directory.
void CopyGaussFile(const std::string& directory);

// The error report block as the log writer prints it; an empty comment leaves out its line.
std::string ErrorBlock(const std::string& className, const std::string& function,
                       const std::string& message, const std::string& comment = "");

struct RunResult {
    int status;              // the exit status as the signed byte the process returned
    std::string output;      // everything written to the standard output
    long peakKilobytes = 0;  // the largest resident set the process reached
};

// Runs the Kavoral binary with the arguments in the directory.
RunResult RunKavoral(const std::string& directory, const std::vector<std::string>& arguments);
// Runs any program of the build, given by its path, in the directory.
RunResult RunProgram(const std::string& program, const std::string& directory,
                     const std::vector<std::string>& arguments);

}  // namespace test
