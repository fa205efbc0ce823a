// Writing a file in place of what stands at its name, so that a failed or interrupted run leaves
// either the old content or the new one, never a mix. A regular file, or a name where nothing
// stands yet, is replaced by renaming a complete temporary file beside it; the replacement keeps
// the old file's permission bits. A symbolic link keeps standing: what it finally points to is
// replaced in the same way, the temporary file beside that. Anything else (a device, a pipe) is
// written directly, with every write checked.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/File.h"

class CFileReplacement {
public:
    CFileReplacement() = default;
    CFileReplacement(const CFileReplacement&) = delete;
    CFileReplacement& operator=(const CFileReplacement&) = delete;
    // A replacement that was not committed leaves the old file alone and its temporary file
    // removed.
    ~CFileReplacement();

    // Opens the stream to write, in text mode. False when the file cannot be created.
    bool Open(const char* fileName);
    std::FILE* Stream() const { return file.get(); }
    // Completes the file: the stream is flushed and closed and, when a temporary file was
    // written, synced to the disk and renamed over the target. False when any write or step
    // failed; the old file then stands as it was.
    bool Commit();

private:
    void Discard();

    UniqueFile file;
    std::filesystem::path target;     // what the temporary file replaces
    std::filesystem::path temporary;  // empty when the file is written directly
    bool keepPermissions = false;
    std::filesystem::perms permissions = std::filesystem::perms::none;
};
