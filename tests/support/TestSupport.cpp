#include <cmath>
#include "support/TestSupport.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace test {

double RelativeL2(const std::vector<Complex>& x, const std::vector<Complex>& reference) {
    double difference = 0.0;
    double norm = 0.0;
    for (std::size_t i = 0; i < x.size() && i < reference.size(); ++i) {
        const Complex d = x[i] - reference[i];
        difference += d.re * d.re + d.im * d.im;
        norm += reference[i].re * reference[i].re + reference[i].im * reference[i].im;
    }
    return std::sqrt(difference / norm);
}

double LargestRelativeDifference(const std::vector<Complex>& a, const std::vector<Complex>& b) {
    double difference = 0.0;
    double largest = 0.0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        difference = std::max(difference, Abs(a[i] - b[i]));
        largest = std::max(largest, Abs(b[i]));
    }
    return a.size() == b.size() && largest > 0.0 ? difference / largest : 1.0;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavoral-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    // A test may have made the directory read-only; give the rights back before removing it.
    std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(path, error);
}

ChangeDir::ChangeDir(const std::string& directory) : previous(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
}

ChangeDir::~ChangeDir() {
    std::error_code error;
    std::filesystem::current_path(previous, error);
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

long FileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long>(size);
}

std::string ConfigText(const std::string& matrixFile) {
    return "% medium: air\n"
           "DENSITY 1.2\n"
           "SOUND_VELOCITY 343.0 0.0\n"
           "POINT_EPS 1e-6\n"
           "PARA_EPS 1e-3\n"
           "DIVISION 0.1 0.5\n"
           "MATRIX_EPS 1e-10\n"
           "MATRIX_FILE " +
           matrixFile + "\n";
}

void WriteConfig(const std::string& directory, const std::string& matrixFile) {
    WriteFile(directory + "/Kavoral.cfg", ConfigText(matrixFile));
}

std::string GaussFile() { return std::string(KAVORAL_SOURCE_DIR) + "/data/Gauss.cfs"; }

void CopyGaussFile(const std::string& directory) {
    std::filesystem::copy_file(GaussFile(),
                               directory + "/Gauss.cfs",
                               std::filesystem::copy_options::overwrite_existing);
}

std::string ErrorBlock(const std::string& className, const std::string& function,
                       const std::string& message, const std::string& comment) {
    std::string block = "\n######## ERROR ########\n";
    if (!className.empty()) block += "Class:\t\t" + className + "\n";
    if (!function.empty()) block += "Function:\t" + function + "\n";
    if (!message.empty()) block += "Message:\t" + message + "\n";
    if (!comment.empty()) block += "Comment:\t" + comment + "\n";
    return block + "\n";
}

RunResult RunProgram(const std::string& program, const std::string& directory,
                     const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        if (chdir(directory.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    RunResult result{0, ""};
    char chunk[65536];
    ssize_t got;
    while ((got = read(pipeEnds[0], chunk, sizeof chunk)) > 0)
        result.output.append(chunk, static_cast<size_t>(got));
    close(pipeEnds[0]);
    int waitStatus = 0;
    struct rusage usage {};
    wait4(child, &waitStatus, 0, &usage);
    result.peakKilobytes = usage.ru_maxrss;
    if (WIFEXITED(waitStatus)) {
        result.status = static_cast<signed char>(WEXITSTATUS(waitStatus));
    } else {
        result.status = 1000 + WTERMSIG(waitStatus);  // killed by a signal
    }
    return result;
}

RunResult RunKavoral(const std::string& directory, const std::vector<std::string>& arguments) {
    return RunProgram(KAVORAL_BINARY, directory, arguments);
}

}  // namespace test
