#include "fileio/FileReplacement.h"

#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#define KAVORAL_HAVE_FSYNC 1
#endif

namespace fs = std::filesystem;

namespace {

// As many links as the system itself follows before it calls the chain a loop.
constexpr int linkLimit = 40;
// Temporary names tried beside one target before the file counts as impossible to create.
constexpr int temporaryNameLimit = 100;

// Follows symbolic links from `path` to the name they finally lead to, which need not exist.
// False for a loop or a link that cannot be read.
bool FollowLinks(fs::path& path, fs::file_status& status) {
    for (int hop = 0; hop <= linkLimit; ++hop) {
        std::error_code error;
        status = fs::symlink_status(path, error);
        if (status.type() == fs::file_type::none) return false;
        if (status.type() != fs::file_type::symlink) return true;
        const fs::path link = fs::read_symlink(path, error);
        if (error) return false;
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return false;
}

// Writes what the stream buffers to the disk.
bool SyncToDisk(std::FILE* stream) {
#ifdef KAVORAL_HAVE_FSYNC
    return ::fsync(::fileno(stream)) == 0;
#else
    (void)stream;
    return true;
#endif
}

// Makes a rename in a directory last; where the system cannot, the rename stands as it is.
void SyncDirectory(const fs::path& directory) {
#ifdef KAVORAL_HAVE_FSYNC
    const int descriptor = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY);
    if (descriptor < 0) return;
    ::fsync(descriptor);
    ::close(descriptor);
#else
    (void)directory;
#endif
}

}  // namespace

CFileReplacement::~CFileReplacement() { Discard(); }

void CFileReplacement::Discard() {
    file.reset();
    if (!temporary.empty()) {
        std::error_code error;
        fs::remove(temporary, error);
        temporary.clear();
    }
}

bool CFileReplacement::Open(const char* fileName) {
    Discard();
    target = fileName;
    fs::file_status status;
    if (!FollowLinks(target, status)) return false;
    const fs::file_type type = status.type();
    if (type != fs::file_type::regular && type != fs::file_type::not_found) {
        file = OpenFile(fileName, "wt");
        return file != nullptr;
    }
    keepPermissions = type == fs::file_type::regular;
    permissions = status.permissions();

    // The temporary file is always a new one ("x": never an existing file, nor the target of a
    // link someone left at that name).
    for (int attempt = 0; attempt < temporaryNameLimit; ++attempt) {
        fs::path name = target;
        name += attempt == 0 ? ".kavoral-tmp" : ".kavoral-tmp" + std::to_string(attempt);
        file = OpenFile(name.c_str(), "wx");
        if (file) {
            temporary = name;
            return true;
        }
        std::error_code error;
        if (!fs::exists(fs::symlink_status(name, error))) return false;
    }
    return false;
}

bool CFileReplacement::Commit() {
    if (!file) return false;
    if (temporary.empty()) return CloseWritten(file);

    bool complete = std::fflush(file.get()) == 0 && std::ferror(file.get()) == 0;
    if (complete && keepPermissions) {
        std::error_code error;
        fs::permissions(temporary, permissions, fs::perm_options::replace, error);
        complete = !error;
    }
    complete = complete && SyncToDisk(file.get());
    complete = CloseWritten(file) && complete;
    if (!complete) {
        Discard();
        return false;
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        Discard();
        return false;
    }
    temporary.clear();
    SyncDirectory(target.parent_path());
    return true;
}
