#include "sweep/AtomicFile.h"

#include <cstdio>

#include "base/LogFile.h"
#include "base/Status.h"

int WriteAtomically(const std::string& target, const char* className, const char* function,
                    const std::function<int(const std::string&)>& write) {
    const std::string temporary = target + ".part";
    const int status = write(temporary);
    if (status < 0) {
        std::remove(temporary.c_str());
        return status;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        logFile.ReportError(className, function, Message::writeError, target.c_str());
        return Status::writeError;
    }
    return Status::ok;
}
