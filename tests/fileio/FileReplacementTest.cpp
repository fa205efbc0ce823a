// Replacing what stands at a file name: regular files by rename with their permission bits,
// links through to their targets, devices and pipes written directly.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "fileio/FileReplacement.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

bool Replace(const std::string& name, const std::string& content) {
    CFileReplacement file;
    if (!file.Open(name.c_str())) return false;
    std::fputs(content.c_str(), file.Stream());
    return file.Commit();
}

fs::perms Permissions(const std::string& name) { return fs::status(name).permissions(); }

// The names in a directory, so that a test can see that no temporary file stayed behind.
std::size_t EntryCount(const std::string& directory) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(directory)) {
        (void)entry;
        ++count;
    }
    return count;
}

TEST(FileReplacement, RegularFileKeepsItsPermissionBitsAndANewFileGetsTheUsualOnes) {
    test::TempDir dir;
    const std::string name = dir.File("s.srf");
    for (const fs::perms mode : {fs::perms(0600), fs::perms(0754), fs::perms(0444)}) {
        test::WriteFile(name, "old");
        fs::permissions(name, mode);
        ASSERT_TRUE(Replace(name, "new content\n"));
        EXPECT_EQ(test::ReadFile(name), "new content\n");
        EXPECT_EQ(Permissions(name), mode);
        EXPECT_EQ(EntryCount(dir.Path()), 1u);
    }
    const mode_t previous = ::umask(027);
    const bool replaced = Replace(dir.File("fresh.srf"), "x");
    ::umask(previous);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(Permissions(dir.File("fresh.srf")), fs::perms(0640));
}

TEST(FileReplacement, LinkStaysAndItsFinalTargetIsReplacedBesideItself) {
    test::TempDir dir;
    fs::create_directory(dir.File("real"));
    test::WriteFile(dir.File("real/target.srf"), "old");
    fs::permissions(dir.File("real/target.srf"), fs::perms(0640));
    // A relative link to a relative link: each is read from the directory it stands in.
    fs::create_symlink("target.srf", dir.File("real/hop.srf"));
    fs::create_symlink("real/hop.srf", dir.File("out.srf"));

    ASSERT_TRUE(Replace(dir.File("out.srf"), "through the links\n"));
    EXPECT_TRUE(fs::is_symlink(dir.File("out.srf")));
    EXPECT_TRUE(fs::is_symlink(dir.File("real/hop.srf")));
    EXPECT_EQ(test::ReadFile(dir.File("real/target.srf")), "through the links\n");
    EXPECT_EQ(Permissions(dir.File("real/target.srf")), fs::perms(0640));
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
    EXPECT_EQ(EntryCount(dir.File("real")), 2u);

    // A dangling link: its target comes into being.
    fs::create_symlink("real/later.srf", dir.File("dangling.srf"));
    ASSERT_TRUE(Replace(dir.File("dangling.srf"), "made\n"));
    EXPECT_TRUE(fs::is_symlink(dir.File("dangling.srf")));
    EXPECT_EQ(test::ReadFile(dir.File("real/later.srf")), "made\n");

    // A loop leads nowhere: nothing can be created.
    fs::create_symlink("loop-b", dir.File("loop-a"));
    fs::create_symlink("loop-a", dir.File("loop-b"));
    EXPECT_FALSE(Replace(dir.File("loop-a"), "x"));
}

TEST(FileReplacement, ExistingNamesBesideTheTargetAreNeverFollowedOrOverwritten) {
    test::TempDir dir;
    const std::string name = dir.File("t.srf");
    test::WriteFile(name, "old");
    test::WriteFile(name + ".kavoral-tmp", "someone's file");
    fs::create_symlink("/dev/full", name + ".kavoral-tmp1");
    ASSERT_TRUE(Replace(name, "new\n"));
    EXPECT_EQ(test::ReadFile(name), "new\n");
    EXPECT_EQ(test::ReadFile(name + ".kavoral-tmp"), "someone's file");
    EXPECT_TRUE(fs::is_symlink(name + ".kavoral-tmp1"));
    EXPECT_EQ(EntryCount(dir.Path()), 3u);
}

TEST(FileReplacement, FullDeviceIsWrittenDirectlyAndFailsWithoutBeingReplaced) {
    test::TempDir dir;
    // Through a link to the system's full device, and, where nodes can be made (as root), on a
    // full device node of the test's own.
    fs::create_symlink("/dev/full", dir.File("link.srf"));
    std::string names[] = {dir.File("link.srf"), dir.File("full")};
    const bool node = ::mknod(names[1].c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    for (const std::string& name : names) {
        if (name == names[1] && !node) continue;
        EXPECT_FALSE(Replace(name, std::string(10000, 'x'))) << name;
        EXPECT_EQ(EntryCount(dir.Path()), node ? 2u : 1u);
    }
    EXPECT_TRUE(fs::is_symlink(names[0]));
    if (node) {
        EXPECT_TRUE(fs::is_character_file(names[1]));
    }
}

TEST(FileReplacement, PipeIsWrittenDirectlyAndStaysAPipe) {
    test::TempDir dir;
    const std::string name = dir.File("pipe");
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = test::ReadFile(name); });
    const bool replaced = Replace(name, "down the pipe\n");
    reader.join();
    EXPECT_TRUE(replaced);
    EXPECT_EQ(received, "down the pipe\n");
    EXPECT_TRUE(fs::is_fifo(name));
}

TEST(FileReplacement, FailedWriteKeepsTheOldFileAndRemovesTheTemporaryOne) {
    test::TempDir dir;
    const std::string name = dir.File("keep.srf");
    test::WriteFile(name, "old content");
    // A child limited to small files: the temporary file cannot be completed.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(Replace(name, std::string(100000, 'x')) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(test::ReadFile(name), "old content");
    EXPECT_EQ(EntryCount(dir.Path()), 1u);

    // A directory at the name, or a directory that does not exist: nothing can be created.
    fs::create_directory(dir.File("busy"));
    EXPECT_FALSE(Replace(dir.File("busy"), "x"));
    EXPECT_FALSE(Replace(dir.File("none/out.srf"), "x"));
    EXPECT_TRUE(fs::is_directory(dir.File("busy")));
    EXPECT_EQ(EntryCount(dir.Path()), 2u);
}

}  // namespace
