#include "sweep/AtomicFile.h"

CAtomicFile::~CAtomicFile() {
    if (file) {
        file.reset();
        std::remove(TemporaryName(targetName).c_str());
    }
}

bool CAtomicFile::Open(const std::string& target) {
    targetName = target;
    file = OpenFile(TemporaryName(target).c_str(), "wb");
    return static_cast<bool>(file);
}

bool CAtomicFile::Commit() {
    const std::string temporary = TemporaryName(targetName);
    if (!CloseWritten(file)) {
        std::remove(temporary.c_str());
        return false;
    }
    return Replace(temporary, targetName);
}

bool CAtomicFile::Replace(const std::string& temporary, const std::string& target) {
    if (std::rename(temporary.c_str(), target.c_str()) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}
