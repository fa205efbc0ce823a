#include "frequency/Rules.h"

#include <unistd.h>

#include <climits>

#include "base/File.h"
#include "base/LogFile.h"
#include "base/Status.h"

namespace {

constexpr const char* rulesName = "Gauss.cfs";

// The folder of the running program, or empty when the system does not say.
std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string program(path, static_cast<std::size_t>(length));
    const std::size_t slash = program.rfind('/');
    return slash == std::string::npos ? "" : program.substr(0, slash);
}

bool CanRead(const std::string& fileName) {
    return static_cast<bool>(OpenFile(fileName.c_str(), "rb"));
}

}  // namespace

std::vector<std::string> RulesPlaces() {
    std::vector<std::string> places{rulesName};
    const std::string folder = ProgramFolder();
    if (!folder.empty()) places.push_back(folder + "/" + rulesName);
#ifdef KAVORAL_INSTALLED_RULES
    places.push_back(KAVORAL_INSTALLED_RULES);
#endif
#ifdef KAVORAL_BUILT_RULES
    places.push_back(KAVORAL_BUILT_RULES);
#endif
    return places;
}

int FindRulesFile(const std::string& given, std::string& found) {
    found.clear();
    if (!given.empty()) {
        found = given;
        return Status::ok;
    }
    const std::vector<std::string> places = RulesPlaces();
    std::string looked;
    for (const std::string& place : places) {
        if (CanRead(place)) {
            found = place;
            return Status::ok;
        }
        looked += (looked.empty() ? "" : ", ") + place;
    }
    const std::string comment = "no quadrature rules " + std::string(rulesName) + " in " + looked +
                                "; the source tree holds them as data/Gauss.cfs: name that file "
                                "with the job key RULES, or install the programs with their rules";
    logFile.ReportError("Rules", "FindRulesFile", Message::openError, comment.c_str());
    return Status::openError;
}
