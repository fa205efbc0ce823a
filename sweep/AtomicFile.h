// Files of the sweep that appear complete or not at all. A writer that takes a file name writes
// under a temporary name beside the target, which is renamed into place only when the writer
// succeeded; a stream-written text goes through CFileReplacement.
#pragma once

#include <functional>
#include <string>

// Calls write(temporary) with the temporary name of `target` (the target with ".part"
// appended) and renames the written file onto the target when it returns 0. The temporary file
// is removed on any failure. Returns what write returned, or -7 after a report under
// `className`/`function` when the rename failed.
int WriteAtomically(const std::string& target, const char* className, const char* function,
                    const std::function<int(const std::string&)>& write);
