// A file that appears complete or not at all: it is written under a temporary name beside its
// target and renamed into place only when every write and the close succeeded. A file that is
// never committed is removed, so an interrupted or failed run leaves the old target untouched.
#pragma once

#include <cstdio>
#include <string>

#include "base/File.h"

class CAtomicFile {
public:
    CAtomicFile() = default;
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;
    ~CAtomicFile();

    // Creates the temporary file for `target`; false when it cannot be created.
    bool Open(const std::string& target);
    std::FILE* Stream() const { return file.get(); }
    // Closes the file and renames it onto the target; false (and the temporary removed) when a
    // write, the close or the rename failed.
    bool Commit();

    // The temporary name of a target: the target with ".part" appended.
    static std::string TemporaryName(const std::string& target) { return target + ".part"; }
    // Renames a finished temporary file onto its target; removes it when that fails.
    static bool Replace(const std::string& temporary, const std::string& target);

private:
    UniqueFile file;
    std::string targetName;
};
